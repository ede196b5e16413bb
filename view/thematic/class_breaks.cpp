// Class breaks: equal intervals, quantiles and Jenks's natural breaks.
// SPDX-License-Identifier: MIT
#include "thematic/class_breaks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <unordered_set>

namespace zamra::thematic {

namespace {

// Fisher's dynamic programme over sorted distinct values with weights: the least sum of squared
// deviations of the first i values in j classes, and where its last class starts.
std::vector<double> OptimalBreaks(const std::vector<double>& values, const std::vector<double>& weights, int count)
{
  const int n = static_cast<int>(values.size());
  count = std::min(count, n);
  // Sums of weights, weighted values and weighted squares of values[0 .. i - 1]; the values are
  // taken relative to the first, so that large numbers keep their precision in the squares.
  const double origin = values.front();
  std::vector<double> w(static_cast<size_t>(n) + 1, 0.0), s(w), q(w);
  for (int i = 0; i < n; ++i) {
    const double v = values[static_cast<size_t>(i)] - origin;
    const double weight = weights[static_cast<size_t>(i)];
    w[static_cast<size_t>(i) + 1] = w[static_cast<size_t>(i)] + weight;
    s[static_cast<size_t>(i) + 1] = s[static_cast<size_t>(i)] + weight * v;
    q[static_cast<size_t>(i) + 1] = q[static_cast<size_t>(i)] + weight * v * v;
  }
  // Squared deviations of values[from .. to - 1] from their mean.
  const auto deviation = [&](int from, int to) {
    const double weight = w[static_cast<size_t>(to)] - w[static_cast<size_t>(from)];
    const double sum = s[static_cast<size_t>(to)] - s[static_cast<size_t>(from)];
    return std::max(0.0, q[static_cast<size_t>(to)] - q[static_cast<size_t>(from)] - sum * sum / weight);
  };
  const auto at = [n](int classes, int i) { return static_cast<size_t>(classes) * (static_cast<size_t>(n) + 1) + i; };
  constexpr double kNone = std::numeric_limits<double>::infinity();
  std::vector<double> cost(static_cast<size_t>(count + 1) * (static_cast<size_t>(n) + 1), kNone);
  std::vector<int> start(cost.size(), 0);
  for (int i = 1; i <= n; ++i)
    cost[at(1, i)] = deviation(0, i);
  for (int classes = 2; classes <= count; ++classes)
    for (int i = classes; i <= n; ++i)
      for (int first = i - 1; first >= classes - 1; --first) {
        const double candidate = cost[at(classes - 1, first)] + deviation(first, i);
        if (candidate < cost[at(classes, i)]) {
          cost[at(classes, i)] = candidate;
          start[at(classes, i)] = first;
        }
      }
  std::vector<double> bounds(static_cast<size_t>(count));
  int end = n;
  for (int classes = count; classes >= 1; --classes) {
    bounds[static_cast<size_t>(classes) - 1] = values[static_cast<size_t>(end) - 1];
    end = classes > 1 ? start[at(classes, end)] : 0;
  }
  return bounds;
}

}  // namespace

std::vector<double> EqualIntervalBreaks(double minimum, double maximum, int count)
{
  if (count < 1 || !std::isfinite(minimum) || !std::isfinite(maximum) || maximum < minimum)
    return {};
  if (maximum == minimum)
    return {maximum};
  std::vector<double> bounds;
  const double width = (maximum - minimum) / count;
  for (int i = 1; i < count; ++i)
    bounds.push_back(minimum + width * i);
  bounds.push_back(maximum);  // exactly, whatever the rounding of the widths
  return bounds;
}

std::vector<double> QuantileBreaks(std::vector<double>& values, int count)
{
  if (values.empty() || count < 1)
    return {};
  const size_t n = values.size();
  std::vector<double> bounds;
  auto from = values.begin();
  for (int i = 1; i < count; ++i) {
    // The value at the end of the first i / count of the values, found among those not yet placed.
    const size_t position = (n * static_cast<size_t>(i) + static_cast<size_t>(count) - 1) / static_cast<size_t>(count) -
                            1;
    auto nth = values.begin() + static_cast<std::ptrdiff_t>(position);
    if (nth < from)
      nth = from;
    std::nth_element(from, nth, values.end());
    if (bounds.empty() || *nth > bounds.back())
      bounds.push_back(*nth);
    from = nth + 1;
  }
  const double maximum = *std::max_element(from == values.end() ? values.begin() : from, values.end());
  if (bounds.empty() || maximum > bounds.back())
    bounds.push_back(maximum);
  return bounds;
}

std::vector<double> NaturalBreaks(const std::vector<double>& values, int count)
{
  if (values.empty() || count < 1)
    return {};
  // Few distinct values: the exact answer on the values with their counts.
  std::unordered_set<double> distinct;
  for (double value : values) {
    distinct.insert(value);
    if (distinct.size() > static_cast<size_t>(kNaturalBreaksSample))
      break;
  }
  std::vector<double> points, weights;
  if (distinct.size() <= static_cast<size_t>(kNaturalBreaksSample)) {
    std::map<double, double> counts;
    for (double value : values)
      counts[value] += 1.0;
    for (const auto& [value, times] : counts) {
      points.push_back(value);
      weights.push_back(times);
    }
  } else {
    std::mt19937 random(kNaturalBreaksSeed);
    std::uniform_int_distribution<size_t> pick(0, values.size() - 1);
    std::vector<double> sample;
    sample.reserve(static_cast<size_t>(kNaturalBreaksSample) + 2);
    for (int i = 0; i < kNaturalBreaksSample; ++i)
      sample.push_back(values[pick(random)]);
    const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
    sample.push_back(*lowest);
    sample.push_back(*highest);
    std::sort(sample.begin(), sample.end());
    for (double value : sample) {
      if (!points.empty() && points.back() == value) {
        weights.back() += 1.0;
        continue;
      }
      points.push_back(value);
      weights.push_back(1.0);
    }
  }
  return OptimalBreaks(points, weights, count);
}

}  // namespace zamra::thematic
