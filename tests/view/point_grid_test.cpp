// The points grid finds exactly the points a plain pass over all of them finds, in order.
// SPDX-License-Identifier: MIT
#include "drawing/point_grid.h"

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

using namespace zamra::view;

namespace {

std::vector<int> PlainPass(const std::vector<ST_POINT>& points, const ST_RECT& extent)
{
  std::vector<int> found;
  for (size_t i = 0; i < points.size(); ++i) {
    const ST_POINT& p = points[i];
    if (p.x >= extent.left && p.x <= extent.right && p.y >= extent.bottom && p.y <= extent.top)
      found.push_back(static_cast<int>(i));
  }
  return found;
}

}  // namespace

TEST(PointGrid, FindsWhatAPlainPassFinds)
{
  std::mt19937 random(2024);
  std::uniform_real_distribution<double> longitude(-20.0, 40.0), latitude(10.0, 60.0);
  std::vector<ST_POINT> points(50000);
  for (ST_POINT& p : points)
    p = ST_POINT{longitude(random), latitude(random)};
  // Repeated points, points on the box's edges, and points no view shows.
  for (int i = 0; i < 500; ++i)
    points[static_cast<size_t>(i) * 7] = ST_POINT{12.5, 33.25};
  points[10] = ST_POINT{-20.0, 60.0};
  points[11] = ST_POINT{40.0, 10.0};
  points[12] = ST_POINT{std::numeric_limits<double>::quiet_NaN(), 20.0};
  points[13] = ST_POINT{5.0, std::numeric_limits<double>::infinity()};
  // Points on and beside the cells' borders, where a cell inside a view meets one on its edge.
  const int side = 55;  // the grid's cells along each axis for this many points
  const auto borderX = [](int k) { return -20.0 + k * (60.0 / side); };
  const auto borderY = [](int k) { return 10.0 + k * (50.0 / side); };
  for (int k = 0; k < 2000; ++k) {
    const double x = std::nextafter(borderX(k % side), k % 3 == 0 ? -1e9 : (k % 3 == 1 ? 1e9 : 0.0));
    points[static_cast<size_t>(20 + k)] = ST_POINT{x, borderY((k * 7) % side)};
  }

  PointGrid grid;
  grid.Build(points.data(), static_cast<int>(points.size()));
  ASSERT_TRUE(grid.IsBuilt());
  std::vector<ST_RECT> extents = {
      {12.5, 12.5, 33.25, 33.25},      // one repeated point, edges included
      {-20.0, -19.0, 60.0, 59.0},      // the box's corner
      {-100.0, 100.0, 100.0, -100.0},  // all of it
      {50.0, 60.0, 80.0, 70.0},        // beside the box
      {39.0, 45.0, 12.0, 5.0},         // over the box's edge
  };
  std::uniform_real_distribution<double> size(0.01, 15.0);
  for (int i = 0; i < 200; ++i) {
    const double left = longitude(random), bottom = latitude(random);
    extents.push_back(ST_RECT{left, left + size(random), bottom + size(random), bottom});
  }
  for (int i = 0; i < 200; ++i) {
    const int column = static_cast<int>(random() % side), row = static_cast<int>(random() % side);
    const int columns = static_cast<int>(random() % 6), rows = static_cast<int>(random() % 6);
    extents.push_back(ST_RECT{borderX(column), borderX(column + columns), borderY(row + rows), borderY(row)});
  }
  std::vector<int> found;
  for (const ST_RECT& extent : extents) {
    grid.Collect(points.data(), extent, found);
    EXPECT_EQ(found, PlainPass(points, extent)) << extent.left << " " << extent.bottom;
  }
  EXPECT_TRUE(grid.Helps(ST_RECT{0.0, 1.0, 21.0, 20.0}));
  EXPECT_FALSE(grid.Helps(ST_RECT{-100.0, 100.0, 100.0, -100.0}));
}

TEST(PointGrid, PointsAllInOnePlace)
{
  const std::vector<ST_POINT> points(5000, ST_POINT{3.0, 4.0});
  PointGrid grid;
  grid.Build(points.data(), static_cast<int>(points.size()));
  std::vector<int> found;
  grid.Collect(points.data(), ST_RECT{2.0, 3.0, 5.0, 4.0}, found);
  EXPECT_EQ(found.size(), points.size());
  grid.Collect(points.data(), ST_RECT{3.5, 4.0, 5.0, 4.0}, found);
  EXPECT_TRUE(found.empty());
}
