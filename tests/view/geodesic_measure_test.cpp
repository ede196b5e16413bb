// ZamraGeodesic: lengths and areas on the WGS 84 ellipsoid against published values: the
// distance from JFK to LHR in GeographicLib's GeodSolve documentation, and the triangle between
// the equator at 0 and 90 degrees east and the north pole, which is an eighth of the ellipsoid
// (total area 510065621724088.5 m²) bounded by a quarter of the equator (a * pi / 2) and two
// meridian quadrants (10001965.7293 m each).
// SPDX-License-Identifier: MIT
#include "view/geodesic_measure.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {

constexpr double kJfkToLhr = 5551759.400319;  // (40.6 N, 73.8 W) to (51.6 N, 0.5 W)
constexpr double kEllipsoidArea = 510065621724088.5;
constexpr double kQuarterEquator = 6378137.0 * M_PI / 2.0;
constexpr double kMeridianQuadrant = 10001965.7293;

}  // namespace

TEST(ZamraGeodesic, DistanceMatchesThePublishedJfkToLhr)
{
  ASSERT_TRUE(ZamraGeodesic::IsAvailable());
  double metres = 0.0;
  ASSERT_TRUE(ZamraGeodesic::Distance(-73.8, 40.6, -0.5, 51.6, metres));
  EXPECT_NEAR(metres, kJfkToLhr, 1e-4);
  ASSERT_TRUE(ZamraGeodesic::Distance(-0.5, 51.6, -73.8, 40.6, metres));
  EXPECT_NEAR(metres, kJfkToLhr, 1e-4);
  // Longitudes count modulo a turn.
  ASSERT_TRUE(ZamraGeodesic::Distance(-73.8 + 360.0, 40.6, -0.5, 51.6, metres));
  EXPECT_NEAR(metres, kJfkToLhr, 1e-4);
  ASSERT_TRUE(ZamraGeodesic::Distance(12.5, -33.0, 12.5, -33.0, metres));
  EXPECT_EQ(metres, 0.0);
}

TEST(ZamraGeodesic, AClosedRingGivesItsPerimeterAndAreaEitherWayRound)
{
  const std::vector<double> octant = {0.0, 0.0, 90.0, 0.0, 0.0, 90.0};  // longitude, latitude
  double length = 0.0, area = 0.0;
  ASSERT_TRUE(ZamraGeodesic::Measure(octant.data(), 3, true, length, area));
  EXPECT_NEAR(length, kQuarterEquator + 2 * kMeridianQuadrant, 1e-3);
  EXPECT_NEAR(area, kEllipsoidArea / 8, 1.0);

  const std::vector<double> clockwise = {0.0, 0.0, 0.0, 90.0, 90.0, 0.0};
  ASSERT_TRUE(ZamraGeodesic::Measure(clockwise.data(), 3, true, length, area));
  EXPECT_NEAR(area, kEllipsoidArea / 8, 1.0);

  // Open, the same points are a line of two edges and enclose nothing.
  ASSERT_TRUE(ZamraGeodesic::Measure(octant.data(), 3, false, length, area));
  EXPECT_NEAR(length, kQuarterEquator + kMeridianQuadrant, 1e-3);
  EXPECT_EQ(area, 0.0);

  // Two points: one edge, the same as Distance.
  const std::vector<double> flight = {-73.8, 40.6, -0.5, 51.6};
  ASSERT_TRUE(ZamraGeodesic::Measure(flight.data(), 2, false, length, area));
  EXPECT_NEAR(length, kJfkToLhr, 1e-4);
  ASSERT_TRUE(ZamraGeodesic::Measure(flight.data(), 0, false, length, area));
  EXPECT_EQ(length, 0.0);
}

TEST(ZamraGeodesic, PointsOffTheEllipsoidAreRefused)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double infinity = std::numeric_limits<double>::infinity();
  double metres = 1.0;
  EXPECT_FALSE(ZamraGeodesic::Distance(0.0, 90.5, 0.0, 0.0, metres));
  EXPECT_EQ(metres, 0.0);
  EXPECT_FALSE(ZamraGeodesic::Distance(nan, 0.0, 0.0, 0.0, metres));
  EXPECT_FALSE(ZamraGeodesic::Distance(0.0, 0.0, infinity, 0.0, metres));

  double length = 1.0, area = 1.0;
  const std::vector<double> beyondPole = {0.0, 0.0, 10.0, -91.0, 20.0, 0.0};
  EXPECT_FALSE(ZamraGeodesic::Measure(beyondPole.data(), 3, true, length, area));
  EXPECT_EQ(length, 0.0);
  EXPECT_EQ(area, 0.0);
  EXPECT_FALSE(ZamraGeodesic::Measure(nullptr, 2, false, length, area));
  EXPECT_FALSE(ZamraGeodesic::Measure(beyondPole.data(), -1, false, length, area));
}
