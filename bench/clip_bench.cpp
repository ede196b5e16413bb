// Clipping 100,000 random rings of 50 to 500 vertices to one rectangle: ZMRectClipPolygon
// against GEOS's GEOSClipByRect on the same rings in the same run.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

#include "api/geometry/rect_clip_polygon.h"
#include "support/geos_oracle.h"

namespace {

constexpr int kRingCount = 100000;
constexpr double kLeft = 0.0;
constexpr double kTop = 0.0;  // the smaller y
constexpr double kRight = 100.0;
constexpr double kBottom = 100.0;

struct Rings {
  std::vector<ST_POINT> points;  // all rings, one after the other
  std::vector<int> starts;
  std::vector<int> counts;
  long long vertices = 0;
};

// Star-shaped rings (concave) around centres in and near the rectangle, large enough to cross
// its border many times; half of them clockwise, every ring closed with a repeat of its first
// point as in shapefiles.
const Rings& TestRings()
{
  static const Rings rings = [] {
    Rings made;
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int r = 0; r < kRingCount; ++r) {
      const int count = 50 + static_cast<int>(unit(random) * 451);
      const double cx = -20 + unit(random) * 140;
      const double cy = -20 + unit(random) * 140;
      const double maxRadius = 20 + unit(random) * 80;
      std::vector<double> angles(count - 1);
      for (double& angle : angles)
        angle = unit(random) * 2 * std::numbers::pi;
      std::sort(angles.begin(), angles.end());
      if (r % 2 == 1)
        std::reverse(angles.begin(), angles.end());
      made.starts.push_back(static_cast<int>(made.points.size()));
      for (double angle : angles) {
        const double radius = maxRadius * (0.3 + 0.7 * unit(random));
        made.points.push_back(ST_POINT{cx + radius * std::cos(angle), cy + radius * std::sin(angle)});
      }
      made.points.push_back(made.points[made.starts.back()]);
      made.counts.push_back(count);
      made.vertices += count;
    }
    return made;
  }();
  return rings;
}

void ZamraClip(benchmark::State& state)
{
  const Rings& rings = TestRings();
  ST_RECT rect;
  rect.left = kLeft;
  rect.right = kRight;
  rect.top = kTop;
  rect.bottom = kBottom;
  ZMRectClipPolygon clipper;
  long long parts = 0;
  for (auto _ : state) {
    parts = 0;
    for (int r = 0; r < kRingCount; ++r) {
      clipper.SetPoint(&rings.points[rings.starts[r]], rings.counts[r], &rect);
      clipper.DoClip();
      parts += clipper.GetResult()->partCount;
    }
    benchmark::DoNotOptimize(parts);
  }
  state.counters["rings/s"] = benchmark::Counter(static_cast<double>(kRingCount),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pieces"] = static_cast<double>(parts);
}

void GeosClipByRect(benchmark::State& state)
{
  const Rings& rings = TestRings();
  zamra_test::GeosContext geos;
  std::vector<zamra_test::GeosContext::Geometry> polygons;
  polygons.reserve(kRingCount);
  for (int r = 0; r < kRingCount; ++r) {
    const ST_POINT* begin = &rings.points[rings.starts[r]];
    polygons.push_back(geos.Polygon(std::vector<ST_POINT>(begin, begin + rings.counts[r])));
  }
  long long parts = 0;
  for (auto _ : state) {
    parts = 0;
    for (int r = 0; r < kRingCount; ++r) {
      GEOSGeometry* clipped = GEOSClipByRect_r(geos.get(), polygons[r].get(), kLeft, kTop, kRight, kBottom);
      if (clipped != nullptr) {
        parts += GEOSisEmpty_r(geos.get(), clipped) ? 0 : GEOSGetNumGeometries_r(geos.get(), clipped);
        GEOSGeom_destroy_r(geos.get(), clipped);
      }
    }
    benchmark::DoNotOptimize(parts);
  }
  state.counters["rings/s"] = benchmark::Counter(static_cast<double>(kRingCount),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["pieces"] = static_cast<double>(parts);
}

}  // namespace

BENCHMARK(ZamraClip)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(GeosClipByRect)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
