// Tests of ZMGeometry: predicates and measures, with GEOS as the oracle for point-in-polygon.
// SPDX-License-Identifier: MIT
#include "api/geometry/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include <shapefil.h>

#include "support/geos_oracle.h"

namespace {

const ST_POINT kUnitSquare[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

int InSquare(double x, double y, bool closingRepeat)
{
  const ST_POINT ring[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}};
  const ST_POINT point{x, y};
  return ZMGeometry::IsPointOnPolygon(&point, ring, closingRepeat ? 5 : 4);
}

}  // namespace

TEST(ZMGeometry, EnvelopesCrossWhenTheyOverlapOrTouch)
{
  const ST_RECT a{0, 10, 10, 0};
  const ST_RECT cornerShared{10, 20, 20, 10};
  const ST_RECT edgeShared{10, 20, 5, -5};
  const ST_RECT inside{2, 3, 3, 2};
  const ST_RECT apart{10.5, 20, 20, 10.5};
  const ST_RECT below{0, 10, -1, -5};
  EXPECT_EQ(ZMGeometry::IsCross(&a, &cornerShared), 1);
  EXPECT_EQ(ZMGeometry::IsCross(&cornerShared, &a), 1);
  EXPECT_EQ(ZMGeometry::IsCross(&a, &edgeShared), 1);
  EXPECT_EQ(ZMGeometry::IsCross(&a, &inside), 1);
  EXPECT_EQ(ZMGeometry::IsCross(&a, &apart), 0);
  EXPECT_EQ(ZMGeometry::IsCross(&a, &below), 0);
}

TEST(ZMGeometry, RectRegxPutsMembersInOrder)
{
  ST_RECT swapped{5, 1, 0, 3};
  ZMGeometry::RectRegx(&swapped);
  EXPECT_EQ(swapped.left, 1);
  EXPECT_EQ(swapped.right, 5);
  EXPECT_EQ(swapped.top, 3);
  EXPECT_EQ(swapped.bottom, 0);

  ST_RECT ordered{-2, 4, 9, -7};
  ZMGeometry::RectRegx(&ordered);
  EXPECT_EQ(ordered.left, -2);
  EXPECT_EQ(ordered.right, 4);
  EXPECT_EQ(ordered.top, 9);
  EXPECT_EQ(ordered.bottom, -7);

  ZMGeometry::RectRegx(nullptr);  // ignored
}

TEST(ZMGeometry, PointOnRectIncludesTheBorder)
{
  const ST_RECT box{0, 10, 5, -5};
  const ST_POINT corner{10, -5};
  const ST_POINT inside{3, 0};
  const ST_POINT above{3, 5.0000001};
  EXPECT_EQ(ZMGeometry::IsPointOnRect(&corner, &box), 1);
  EXPECT_EQ(ZMGeometry::IsPointOnRect(&inside, &box), 1);
  EXPECT_EQ(ZMGeometry::IsPointOnRect(&above, &box), 0);
}

TEST(ZMGeometry, PointOnPolygonFollowsTheCrossingRule)
{
  for (bool closingRepeat : {false, true}) {
    SCOPED_TRACE(closingRepeat ? "with closing repeat" : "without closing repeat");
    EXPECT_EQ(InSquare(0.5, 0.5, closingRepeat), 1);
    EXPECT_EQ(InSquare(0.0, 0.5, closingRepeat), 1);  // on the left edge: counted by the right edge only
    EXPECT_EQ(InSquare(1.0, 0.5, closingRepeat), 0);  // on the right edge: its crossing is at the point
    EXPECT_EQ(InSquare(1.5, 0.5, closingRepeat), 0);
    EXPECT_EQ(InSquare(-0.5, 0.5, closingRepeat), 0);
    EXPECT_EQ(InSquare(0.5, 1.5, closingRepeat), 0);
  }
  // A ray through a vertex where the ring goes on upwards counts once; through a leftmost
  // vertex as well, so the point left of the diamond is outside.
  const ST_POINT diamond[] = {{0, -1}, {1, 0}, {0, 1}, {-1, 0}};
  const ST_POINT inDiamond{-0.5, 0};
  const ST_POINT leftOfDiamond{-2, 0};
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&inDiamond, diamond, 4), 1);
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&leftOfDiamond, diamond, 4), 0);

  const ST_POINT centre{0.5, 0.5};
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&centre, kUnitSquare, 0), 0);
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&centre, kUnitSquare, -3), 0);
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&centre, nullptr, 4), 0);
}

// Random star-shaped rings (concave, both orientations) against GEOS, on points kept away from
// the edges where the two rules may differ.
TEST(ZMGeometry, PointOnPolygonAgreesWithGeos)
{
  zamra_test::GeosContext geos;
  std::mt19937 random(20261208);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int compared = 0;
  int inside = 0;
  for (int ringIndex = 0; ringIndex < 2000; ++ringIndex) {
    const int count = 3 + static_cast<int>(unit(random) * 40);
    std::vector<double> angles(count);
    for (double& angle : angles)
      angle = unit(random) * 2 * std::numbers::pi;
    std::sort(angles.begin(), angles.end());
    std::vector<ST_POINT> ring(count);
    for (int i = 0; i < count; ++i) {
      const double radius = 1.0 + unit(random) * 9.0;
      ring[i] = ST_POINT{radius * std::cos(angles[i]), radius * std::sin(angles[i])};
    }
    if (ringIndex % 2 == 1)
      std::reverse(ring.begin(), ring.end());
    auto polygon = geos.Polygon(ring);
    ASSERT_NE(polygon, nullptr);
    if (!GEOSisValid_r(geos.get(), polygon.get()))
      continue;  // repeated angles can fold the star
    auto boundary = geos.Wrap(GEOSBoundary_r(geos.get(), polygon.get()));
    for (int k = 0; k < 20; ++k) {
      const ST_POINT point{unit(random) * 24 - 12, unit(random) * 24 - 12};
      auto geosPoint = geos.Wrap(GEOSGeom_createPointFromXY_r(geos.get(), point.x, point.y));
      double distance = 0;
      GEOSDistance_r(geos.get(), geosPoint.get(), boundary.get(), &distance);
      if (distance < 1e-6)
        continue;
      const int expected = GEOSContains_r(geos.get(), polygon.get(), geosPoint.get()) == 1 ? 1 : 0;
      ASSERT_EQ(ZMGeometry::IsPointOnPolygon(&point, ring.data(), count), expected)
          << "ring " << ringIndex << " point " << point.x << "," << point.y;
      ++compared;
      inside += expected;
    }
  }
  EXPECT_GT(compared, 30000);
  EXPECT_GT(inside, 3000);
  EXPECT_GT(compared - inside, 3000);
}

TEST(ZMGeometry, LengthToSegmentTakesTheNearerEndBeyondIt)
{
  const ST_POINT a{0, 0};
  const ST_POINT b{10, 0};
  const ST_POINT beforeStart{-3, 4};
  const ST_POINT pastEnd{13, -4};
  const ST_POINT above{4, 2};
  const ST_POINT onEnd{10, 0.00000005};
  EXPECT_DOUBLE_EQ(ZMGeometry::Length(&beforeStart, &a, &b), 5.0);
  EXPECT_DOUBLE_EQ(ZMGeometry::Length(&beforeStart, &b, &a), 5.0);
  EXPECT_DOUBLE_EQ(ZMGeometry::Length(&pastEnd, &a, &b), 5.0);
  EXPECT_NEAR(ZMGeometry::Length(&above, &a, &b), 2.0, 1e-12);
  EXPECT_EQ(ZMGeometry::Length(&onEnd, &a, &b), 0.0);

  const ST_POINT origin{0, 0};
  const ST_POINT degenerate{3, 0};
  EXPECT_DOUBLE_EQ(ZMGeometry::Length(&origin, &degenerate, &degenerate), 3.0);
  EXPECT_DOUBLE_EQ(ZMGeometry::Length(&origin, &above), std::sqrt(20.0));
}

// Heron's product of a point (nearly) on its segment can round below zero; the distance must
// then be 0, never NaN. The raw product is computed here only to show that the cases reach it.
TEST(ZMGeometry, NearlyCollinearPointsGiveNoNaN)
{
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int negativeProducts = 0;
  for (int i = 0; i < 20000; ++i) {
    const ST_POINT a{unit(random) * 100, unit(random) * 100};
    const ST_POINT b{a.x + 1 + unit(random) * 100, a.y + unit(random) * 100};
    const double t = 0.1 + unit(random) * 0.8;
    const ST_POINT p{a.x + t * (b.x - a.x), a.y + t * (b.y - a.y)};
    const double pa = ZMGeometry::Length(&p, &a);
    const double pb = ZMGeometry::Length(&p, &b);
    const double ab = ZMGeometry::Length(&a, &b);
    const double s = (ab + pa + pb) * 0.5;
    if (s * (s - ab) * (s - pa) * (s - pb) < 0)
      ++negativeProducts;
    const double distance = ZMGeometry::Length(&p, &a, &b);
    ASSERT_FALSE(std::isnan(distance));
    ASSERT_LT(distance, 1e-5);

    const ST_POINT geoA{a.x * 0.01, a.y * 0.01};
    const ST_POINT geoB{b.x * 0.01, b.y * 0.01};
    const ST_POINT geoP{p.x * 0.01, p.y * 0.01};
    const double area = ZMGeometry::GeoArea(&geoA, &geoP, &geoB);
    ASSERT_FALSE(std::isnan(area));
    ASSERT_GE(area, 0.0);
  }
  EXPECT_GT(negativeProducts, 0);

  const ST_POINT line[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}};
  EXPECT_EQ(ZMGeometry::GeoArea(line, 4), 0.0);
}

TEST(ZMGeometry, PointOnPolylineNeedsADistanceBelowTheTolerance)
{
  const ST_POINT line[] = {{0, 0}, {10, 0}, {10, 10}};
  const ST_POINT nearSecond{12, 5};
  EXPECT_EQ(ZMGeometry::IsPointOnPolyline(&nearSecond, line, 3, 2.0), 0);  // exactly at the tolerance
  EXPECT_EQ(ZMGeometry::IsPointOnPolyline(&nearSecond, line, 3, 2.0001), 1);
  EXPECT_EQ(ZMGeometry::IsPointOnPolyline(&nearSecond, line, 2, 2.0001), 0);  // only the first segment
  EXPECT_EQ(ZMGeometry::IsPointOnPolyline(&nearSecond, line, 1, 100.0), 0);
  EXPECT_EQ(ZMGeometry::IsPointOnPolyline(&nearSecond, nullptr, 3, 100.0), 0);
}

TEST(ZMGeometry, GeoLengthAndAreaUseMetresPerDegree)
{
  const ST_POINT south{30, 10};
  const ST_POINT north{30, 11};
  EXPECT_DOUBLE_EQ(ZMGeometry::GeoLength(&south, &north), 111180.0);
  const ST_POINT equatorA{5, 0};
  const ST_POINT equatorB{6, 0};
  EXPECT_DOUBLE_EQ(ZMGeometry::GeoLength(&equatorA, &equatorB), 111180.0);
  const ST_POINT sixtyA{5, 60};
  const ST_POINT sixtyB{6, 60};
  EXPECT_NEAR(ZMGeometry::GeoLength(&sixtyA, &sixtyB), 111180.0 * std::cos(60 * 3.1415926 / 180), 1e-6);
  const ST_POINT southernA{5, -60};
  const ST_POINT southernB{6, -60};
  EXPECT_DOUBLE_EQ(ZMGeometry::GeoLength(&southernA, &southernB), ZMGeometry::GeoLength(&sixtyA, &sixtyB));

  // A right triangle at the equator: half of one degree times one degree.
  const ST_POINT corner{0, 0};
  const ST_POINT east{1, 0};
  const ST_POINT up{0, 1};
  const double triangle = ZMGeometry::GeoArea(&corner, &east, &up);
  EXPECT_NEAR(triangle, 0.5 * 111180.0 * 111180.0, 0.5 * 111180.0 * 111180.0 * 1e-3);

  // A concave ring: both orientations (fanned from the same first point), with and without
  // closing repeat, give the same area.
  std::vector<ST_POINT> ring = {{0, 0}, {4, 0}, {4, 3}, {2, 1}, {0, 3}};
  const double expected = ZMGeometry::GeoArea(ring.data(), 5);
  EXPECT_NEAR(expected, 8.0 * 111180.0 * 111180.0, 8.0 * 111180.0 * 111180.0 * 2e-3);
  std::vector<ST_POINT> reversed = {{0, 0}, {0, 3}, {2, 1}, {4, 3}, {4, 0}};
  EXPECT_NEAR(ZMGeometry::GeoArea(reversed.data(), 5), expected, expected * 1e-12);
  ring.push_back(ring.front());
  EXPECT_NEAR(ZMGeometry::GeoArea(ring.data(), 6), expected, expected * 1e-12);
  EXPECT_EQ(ZMGeometry::GeoArea(ring.data(), 2), 0.0);
}

TEST(ZMGeometry, DirectVotesOnTurns)
{
  const ST_POINT counterClockwise[] = {{0, 0}, {4, 0}, {0, 3}};
  const ST_POINT clockwise[] = {{0, 3}, {4, 0}, {0, 0}};
  const ST_POINT collinear[] = {{0, 0}, {1, 1}, {2, 2}};
  EXPECT_EQ(ZMGeometry::Direct(counterClockwise, 3), 1);
  EXPECT_EQ(ZMGeometry::Direct(clockwise, 3), 0);
  EXPECT_EQ(ZMGeometry::Direct(collinear, 3), 1);
  EXPECT_EQ(ZMGeometry::Direct(clockwise, 2), 1);
  // A concave clockwise ring and its reverse.
  const ST_POINT comb[] = {{0, 0}, {0, 3}, {1, 3}, {1, 1}, {2, 1}, {2, 3},
                           {3, 3}, {3, 1}, {4, 1}, {4, 3}, {5, 3}, {5, 0}};
  EXPECT_EQ(ZMGeometry::Direct(comb, 12), 0);
  std::vector<ST_POINT> reversedComb(std::rbegin(comb), std::rend(comb));
  EXPECT_EQ(ZMGeometry::Direct(reversedComb.data(), 12), 1);
}

TEST(ZMGeometry, RectExpandWidensTheUnion)
{
  const RECT a{10, 20, 30, 40};
  const RECT b{5, 25, 28, 50};
  const RECT screen = ZMGeometry::RectExpand(&a, &b, 2);
  EXPECT_EQ(screen.left, 3);
  EXPECT_EQ(screen.top, 18);
  EXPECT_EQ(screen.right, 32);
  EXPECT_EQ(screen.bottom, 52);

  const POINT p{40, 5};
  const POINT q{10, 30};
  const RECT spanned = ZMGeometry::RectExpand(&p, &q, 3);
  EXPECT_EQ(spanned.left, 7);
  EXPECT_EQ(spanned.top, 2);
  EXPECT_EQ(spanned.right, 43);
  EXPECT_EQ(spanned.bottom, 33);

  const RECT huge{std::numeric_limits<LONG>::min() + 1, 0, std::numeric_limits<LONG>::max() - 1, 0};
  const RECT held = ZMGeometry::RectExpand(&huge, &huge, 10);
  EXPECT_EQ(held.left, std::numeric_limits<LONG>::min());
  EXPECT_EQ(held.right, std::numeric_limits<LONG>::max());

  const ST_RECT m{0, 10, 10, 0};
  const ST_RECT n{-5, 3, 12, 2};
  const ST_RECT map = ZMGeometry::RectExpand(&m, &n, 0.5);
  EXPECT_EQ(map.left, -5.5);
  EXPECT_EQ(map.right, 10.5);
  EXPECT_EQ(map.top, 12.5);
  EXPECT_EQ(map.bottom, -0.5);

  const ST_POINT s{3, 7};
  const ST_POINT t{1, 2};
  const ST_RECT points = ZMGeometry::RectExpand(&s, &t, 1.0);
  EXPECT_EQ(points.left, 0);
  EXPECT_EQ(points.right, 4);
  EXPECT_EQ(points.top, 8);
  EXPECT_EQ(points.bottom, 1);
  EXPECT_EQ(points.right - points.left, (s.x - t.x) + 2);
}

// Points just below, at and just above the height of each vertex (closer than any tolerance a
// rule might keep), on circles, diamonds and real country rings, against GEOS.
TEST(ZMGeometry, PointOnPolygonAtVertexHeightsAgreesWithGeos)
{
  zamra_test::GeosContext geos;
  std::vector<std::vector<ST_POINT>> rings;
  for (int sides : {4, 7, 64}) {
    std::vector<ST_POINT> circle;
    for (int i = 0; i < sides; ++i) {
      const double angle = 2 * std::numbers::pi * i / sides;
      circle.push_back({10 * std::cos(angle) + 100, 10 * std::sin(angle) - 30});
    }
    rings.push_back(circle);
    rings.push_back(std::vector<ST_POINT>(circle.rbegin(), circle.rend()));
  }
  rings.push_back({{20, 0}, {18, 2}, {20, 4}, {22, 2}});                      // diamond
  rings.push_back({{0, 0}, {0, 3}, {1, 1}, {2, 3}, {3, 1}, {4, 3}, {4, 0}});  // a crown of turning points
  SHPHandle countries = SHPOpen(ZAMRA_SAMPLES_DIR "/world_countries.shp", "rb");
  ASSERT_NE(countries, nullptr);
  int entities = 0;
  SHPGetInfo(countries, &entities, nullptr, nullptr, nullptr);
  for (int record = 0; record < entities; record += 9) {
    SHPObject* shape = SHPReadObject(countries, record);
    for (int part = 0; shape != nullptr && part < shape->nParts; ++part) {
      const int first = shape->panPartStart[part];
      const int end = part + 1 < shape->nParts ? shape->panPartStart[part + 1] : shape->nVertices;
      std::vector<ST_POINT> ring;
      for (int v = first; v < end; ++v)
        ring.push_back({shape->padfX[v], shape->padfY[v]});
      rings.push_back(ring);
    }
    SHPDestroyObject(shape);
  }
  SHPClose(countries);

  int compared = 0, inside = 0;
  for (const std::vector<ST_POINT>& ring : rings) {
    auto polygon = geos.Polygon(ring);
    ASSERT_NE(polygon, nullptr);
    auto boundary = geos.Wrap(GEOSBoundary_r(geos.get(), polygon.get()));
    double left = ring[0].x, right = ring[0].x;
    for (const ST_POINT& vertex : ring) {
      left = std::min(left, vertex.x);
      right = std::max(right, vertex.x);
    }
    for (const ST_POINT& vertex : ring) {
      for (double offset : {-1e-5, -1e-6, -1e-9, 0.0, 1e-9, 1e-6}) {
        for (int step = 0; step <= 16; ++step) {
          const ST_POINT point{left + (right - left) * (step + 0.37) / 17, vertex.y + offset};
          auto geosPoint = geos.Wrap(GEOSGeom_createPointFromXY_r(geos.get(), point.x, point.y));
          double distance = 0;
          GEOSDistance_r(geos.get(), geosPoint.get(), boundary.get(), &distance);
          if (distance < 1e-11)
            continue;  // on the boundary, where rules may differ
          const int expected = GEOSContains_r(geos.get(), polygon.get(), geosPoint.get()) == 1 ? 1 : 0;
          ASSERT_EQ(ZMGeometry::IsPointOnPolygon(&point, ring.data(), static_cast<int>(ring.size())), expected)
              << "point " << point.x << "," << point.y << " (vertex height " << vertex.y << " + " << offset << ")";
          ++compared;
          inside += expected;
        }
      }
    }
  }
  EXPECT_GT(compared, 50000);
  EXPECT_GT(inside, 10000);
}
