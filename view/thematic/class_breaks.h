// Class breaks of numeric values: equal intervals, quantiles and natural breaks (Jenks), each
// given as the upper bounds of the classes in rising order.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

namespace zamra::thematic {

// Natural breaks are found on at most this many values: the optimal division costs classes x
// values² steps, which a million values would make minutes.
constexpr int kNaturalBreaksSample = 2000;
constexpr std::uint32_t kNaturalBreaksSeed = 20261209;  // the same sample, and breaks, every time

// `count` classes of equal width between minimum and maximum; the last bound is the maximum. One
// class when the two are equal; nothing for a count below 1 or bounds that are not finite.
std::vector<double> EqualIntervalBreaks(double minimum, double maximum, int count);
// Classes holding as equal shares of the values as ties allow: bound i is the value below which
// (i + 1) / count of them lie. Bounds that ties make equal are merged, so fewer classes may come
// back. `values` is reordered. Nothing for no values or a count below 1.
std::vector<double> QuantileBreaks(std::vector<double>& values, int count);
// Jenks's natural breaks: the division into `count` classes with the least sum of squared
// deviations from the class means. Exact when the values have at most kNaturalBreaksSample
// distinct values (they are then weighted by how often they occur); otherwise computed on a
// sorted sample of kNaturalBreaksSample values drawn with a fixed seed, to which the smallest and
// largest value are added, so that the bounds still cover every value. Fewer classes when there
// are fewer distinct values than classes. Nothing for no values or a count below 1.
std::vector<double> NaturalBreaks(const std::vector<double>& values, int count);

}  // namespace zamra::thematic
