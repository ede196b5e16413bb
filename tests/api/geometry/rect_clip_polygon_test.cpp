// Tests of ZMRectClipPolygon: the traced outlines of typical cases, the border cases (touching,
// running along a side, passing a corner, enclosing), hostile input, and random rings against
// GEOS as the oracle.
// SPDX-License-Identifier: MIT
#include "api/geometry/rect_clip_polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <sstream>
#include <vector>

#include "support/geos_oracle.h"

namespace {

using Ring = std::vector<ST_POINT>;

// The clip rectangle with `top` the smaller y, as the clipper reads it.
ST_RECT ClipRect(double left, double top, double right, double bottom)
{
  ST_RECT rect;
  rect.left = left;
  rect.right = right;
  rect.top = top;
  rect.bottom = bottom;
  return rect;
}

std::vector<Ring> Parts(const ZMRectClipPolygon& clipper)
{
  std::vector<Ring> parts;
  const ST_MPOLYGON* result = clipper.GetResult();
  if (result == nullptr)
    return parts;
  for (int i = 0; i < result->partCount; ++i)
    parts.emplace_back(result->parts[i].points, result->parts[i].points + result->parts[i].pointCount);
  return parts;
}

std::vector<Ring> Clip(const Ring& ring, const ST_RECT& rect)
{
  ZMRectClipPolygon clipper;
  clipper.SetPoint(ring.data(), static_cast<int>(ring.size()), &rect);
  clipper.DoClip();
  return Parts(clipper);
}

// Positive for counter-clockwise with y upwards.
double SignedArea(const Ring& ring)
{
  double twice = 0.0;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const ST_POINT& a = ring[i];
    const ST_POINT& b = ring[(i + 1) % ring.size()];
    twice += a.x * b.y - b.x * a.y;
  }
  return twice * 0.5;
}

double TotalArea(const std::vector<Ring>& parts)
{
  double area = 0.0;
  for (const Ring& part : parts)
    area += SignedArea(part);
  return area;
}

std::string Describe(const Ring& ring)
{
  std::ostringstream text;
  for (const ST_POINT& point : ring)
    text << "(" << point.x << "," << point.y << ")";
  return text.str();
}

::testing::AssertionResult SameRing(const Ring& actual, const Ring& expected)
{
  bool same = actual.size() == expected.size();
  for (std::size_t i = 0; same && i < actual.size(); ++i)
    same = actual[i].x == expected[i].x && actual[i].y == expected[i].y;
  if (same)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "got " << Describe(actual) << ", expected " << Describe(expected);
}

Ring Reversed(Ring ring)
{
  std::reverse(ring.begin(), ring.end());
  return ring;
}

const ST_RECT kRect = ClipRect(0, 0, 10, 10);

}  // namespace

TEST(ZMRectClipPolygon, RingInsideComesBackOrientationNormalised)
{
  const Ring counterClockwise = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
  auto parts = Clip(counterClockwise, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], counterClockwise));

  parts = Clip(Reversed(counterClockwise), kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], Reversed(Reversed(counterClockwise))));

  // With a shapefile's closing repeat, and touching the border along an edge and at a vertex.
  const Ring touching = {{5, 5}, {10, 5}, {10, 8}, {7, 10}, {5, 8}, {5, 5}};
  parts = Clip(touching, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], touching));
}

TEST(ZMRectClipPolygon, RingOutsideGivesNoParts)
{
  ZMRectClipPolygon clipper;
  const Ring outside = {{20, 20}, {30, 20}, {30, 30}, {20, 30}};
  clipper.SetPoint(outside.data(), 4, &kRect);
  clipper.DoClip();
  ASSERT_NE(clipper.GetResult(), nullptr);
  EXPECT_EQ(clipper.GetResult()->partCount, 0);
  EXPECT_EQ(clipper.GetResult()->parts, nullptr);
  EXPECT_EQ(clipper.GetResultCount(), 0);

  // Beside the rectangle with an edge along its top side, and passing exactly through a corner:
  // the border is touched, nothing lies inside.
  EXPECT_TRUE(Clip({{-5, -5}, {15, -5}, {15, 0}, {-5, 0}}, kRect).empty());
  EXPECT_TRUE(Clip({{-5, 5}, {5, -5}, {-5, -5}}, kRect).empty());
  EXPECT_TRUE(Clip({{10, 5}, {15, 0}, {15, 10}}, kRect).empty());  // a vertex on the right side
}

TEST(ZMRectClipPolygon, RingEnclosingTheRectangleGivesTheRectangle)
{
  const Ring rectangle = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  for (const Ring& ring :
       {Ring{{-5, -5}, {15, -5}, {15, 15}, {-5, 15}}, Reversed({{-5, -5}, {15, -5}, {15, 15}, {-5, 15}}),
        Ring{{5, -20}, {30, 5}, {5, 30}, {-20, 5}}, rectangle, Ring{{-1, 0}, {10, -1}, {11, 10}, {0, 11}}}) {
    SCOPED_TRACE(Describe(ring));
    ZMRectClipPolygon clipper;
    clipper.SetPoint(ring.data(), static_cast<int>(ring.size()), &kRect);
    clipper.DoClip();
    const auto parts = Parts(clipper);
    ASSERT_EQ(parts.size(), 1u);
    EXPECT_TRUE(SameRing(parts[0], rectangle));
    EXPECT_EQ(clipper.GetResultCount(), 4);
  }
}

TEST(ZMRectClipPolygon, TracesTheRingAndTheBorder)
{
  auto parts = Clip({{5, 5}, {15, 5}, {15, 8}, {5, 8}}, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], {{5, 5}, {10, 5}, {10, 8}, {5, 8}}));

  // The corner (right, bottom) comes from the border.
  parts = Clip({{5, 5}, {15, 5}, {15, 15}, {5, 15}}, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], {{5, 5}, {10, 5}, {10, 10}, {5, 10}}));

  // Started outside: the piece starts at the entering crossing and ends with it repeated.
  parts = Clip({{15, 5}, {15, 15}, {5, 15}, {5, 5}}, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], {{5, 10}, {5, 5}, {10, 5}, {10, 10}, {5, 10}}));

  // Either orientation of the same ring gives the same outline.
  const Ring ring = {{5, 5}, {15, 5}, {15, 8}, {5, 8}};
  EXPECT_FALSE(ZMRectClipPolygon::PolygonDirect(Reversed(ring).data(), 4));
  EXPECT_TRUE(ZMRectClipPolygon::PolygonDirect(ring.data(), 4));
  parts = Clip(Reversed(ring), kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], {{5, 5}, {10, 5}, {10, 8}, {5, 8}}));
}

TEST(ZMRectClipPolygon, ResultRecordsOwnPointsAndEnvelopes)
{
  ZMRectClipPolygon clipper;
  const Ring ring = {{5, 3}, {15, 3}, {15, 8}, {5, 8}};
  clipper.SetPoint(ring.data(), 4, &kRect);
  clipper.DoClip();
  const ST_MPOLYGON* result = clipper.GetResult();
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(result->partCount, 1);
  EXPECT_EQ(result->parts[0].envelop.left, 5);
  EXPECT_EQ(result->parts[0].envelop.right, 10);
  EXPECT_EQ(result->parts[0].envelop.top, 8);
  EXPECT_EQ(result->parts[0].envelop.bottom, 3);
  EXPECT_EQ(result->envelop.left, 0);
  EXPECT_EQ(result->envelop.right, 0);

  // A second clip of the same load gives the same outline in a new record.
  const Ring first = Parts(clipper)[0];
  clipper.DoClip();
  ASSERT_EQ(clipper.GetResult()->partCount, 1);
  EXPECT_TRUE(SameRing(Parts(clipper)[0], first));
}

TEST(ZMRectClipPolygon, ResultCountHoldsPointsAndBreaks)
{
  // Two prongs reaching up into the rectangle from below its bottom side.
  const Ring prongs = {{2, 5}, {4, 5}, {4, 12}, {6, 12}, {6, 5}, {8, 5}, {8, 15}, {2, 15}};
  ZMRectClipPolygon clipper;
  clipper.SetPoint(prongs.data(), 8, &kRect);
  clipper.DoClip();
  const auto parts = Parts(clipper);
  ASSERT_EQ(parts.size(), 2u);
  EXPECT_EQ(clipper.GetResultCount(), static_cast<int>(parts[0].size() + parts[1].size() + 1));
  EXPECT_DOUBLE_EQ(SignedArea(parts[0]), 10.0);
  EXPECT_DOUBLE_EQ(SignedArea(parts[1]), 10.0);
}

TEST(ZMRectClipPolygon, VerticesOnTheBorderGiveThePartInside)
{
  // Every vertex on the border: the diamond itself.
  const Ring diamond = {{5, 0}, {10, 5}, {5, 10}, {0, 5}};
  auto parts = Clip(diamond, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_DOUBLE_EQ(TotalArea(parts), 50.0);
  EXPECT_EQ(parts[0].size(), 5u);  // closed at its first crossing

  // Leaving through a vertex on the right side and coming back through one on the bottom side:
  // the corner between them belongs to the piece.
  parts = Clip({{5, 5}, {10, 7}, {14, 14}, {7, 10}}, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_DOUBLE_EQ(TotalArea(parts), 15.0);
  EXPECT_TRUE(SameRing(parts[0], {{5, 5}, {10, 7}, {10, 10}, {7, 10}}));

  // An edge entering exactly through a corner.
  parts = Clip({{-5, -5}, {5, 5}, {-5, 5}}, kRect);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_DOUBLE_EQ(TotalArea(parts), 12.5);

  // A notch whose tip touches the top side from inside splits the rectangle into two pieces
  // meeting at the tip.
  const Ring notched = {{-5, -5}, {15, -5}, {15, 15}, {6, 15}, {6, 5}, {5, 0}, {4, 5}, {4, 15}, {-5, 15}};
  parts = Clip(notched, kRect);
  EXPECT_EQ(parts.size(), 2u);
  EXPECT_DOUBLE_EQ(TotalArea(parts), 100.0 - 15.0);
  for (const Ring& part : parts)
    EXPECT_GT(SignedArea(part), 0.0) << Describe(part);
}

TEST(ZMRectClipPolygon, RectangleIsTakenAsARegion)
{
  const Ring ring = {{5, 5}, {15, 5}, {15, 15}, {5, 15}};
  const ST_RECT mapOriented = ClipRect(10, 10, 0, 0);  // left/right and top/bottom exchanged
  const auto parts = Clip(ring, mapOriented);
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_TRUE(SameRing(parts[0], Clip(ring, kRect)[0]));

  EXPECT_TRUE(Clip(ring, ClipRect(0, 5, 10, 5)).empty());  // flat: no area
}

// Shapefile rings are clockwise and repeat their first point; the repeat must not turn the
// orientation test.
TEST(ZMRectClipPolygon, ClosingRepeatKeepsTheOrientation)
{
  const Ring clockwise = {{10, 10}, {10, 0}, {0, 0}, {0, 10}, {10, 10}};
  EXPECT_FALSE(ZMRectClipPolygon::PolygonDirect(clockwise.data(), 5));
  EXPECT_TRUE(ZMRectClipPolygon::PolygonDirect(Reversed(clockwise).data(), 5));
  const auto parts = Clip(clockwise, ClipRect(5, -5, 15, 5));
  ASSERT_EQ(parts.size(), 1u);
  EXPECT_DOUBLE_EQ(TotalArea(parts), 25.0);
}

TEST(ZMRectClipPolygon, LoadsAreCheckedBeforeUse)
{
  ZMRectClipPolygon clipper;
  EXPECT_EQ(clipper.GetResult(), nullptr);
  clipper.DoClip();  // nothing loaded
  ASSERT_NE(clipper.GetResult(), nullptr);
  EXPECT_EQ(clipper.GetResult()->partCount, 0);
  EXPECT_EQ(clipper.GetResultCount(), 0);

  // Too few points, or null arguments: the earlier load stays.
  const Ring ring = {{5, 5}, {15, 5}, {15, 8}, {5, 8}};
  clipper.SetPoint(ring.data(), 4, &kRect);
  clipper.SetPoint(ring.data(), 2, &kRect);
  clipper.SetPoint(nullptr, 4, &kRect);
  clipper.SetPoint(ring.data(), 4, nullptr);
  clipper.DoClip();
  ASSERT_EQ(clipper.GetResult()->partCount, 1);
  EXPECT_TRUE(SameRing(Parts(clipper)[0], {{5, 5}, {10, 5}, {10, 8}, {5, 8}}));

  // A count whose lists could not be indexed is refused before any point is read.
  clipper.SetPoint(ring.data(), INT_MAX, &kRect);
  clipper.DoClip();
  ASSERT_NE(clipper.GetResult(), nullptr);
  EXPECT_EQ(clipper.GetResult()->partCount, 0);
  EXPECT_EQ(clipper.GetResultCount(), 0);
}

TEST(ZMRectClipPolygon, HostileRingsStayWithinTheLists)
{
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<Ring> rings = {
      {{1e300, -1e300}, {-1e300, 1e300}, {1e300, 1e300}},
      {{5, 5}, {1e308, 5}, {-1e308, 1e308}},
      {{5, 5}, {5, 5}, {5, 5}, {5, 5}},
      {{-5, -5}, {15, 15}, {15, -5}, {-5, 15}},                // a figure of eight
      {{5, -8}, {11, 14}, {-6, 0}, {16, 0}, {-1, 14}},         // a pentagram
      {{-5, 5}, {15, 5}, {-5, 5}, {15, 5}, {-5, 5}, {15, 5}},  // back and forth through the rectangle
  };
  for (const Ring& ring : rings) {
    SCOPED_TRACE(Describe(ring));
    ZMRectClipPolygon clipper;
    clipper.SetPoint(ring.data(), static_cast<int>(ring.size()), &kRect);
    clipper.DoClip();
    ASSERT_NE(clipper.GetResult(), nullptr);
    EXPECT_LE(clipper.GetResultCount(), 8 * static_cast<int>(ring.size()));
    for (const Ring& part : Parts(clipper)) {
      for (const ST_POINT& point : part) {
        EXPECT_TRUE(point.x >= 0 && point.x <= 10 && point.y >= 0 && point.y <= 10) << Describe(part);
      }
    }
  }
  // Infinite or NaN coordinates are refused: the clipper unloads and clips to nothing.
  const Ring ring = {{5, 5}, {15, 5}, {15, 8}};
  const ST_RECT nanRect = ClipRect(nan, 0, 10, 10);
  const ST_RECT infiniteRect = ClipRect(-inf, 0, 10, 10);
  const std::vector<Ring> refused = {{{nan, 5}, {15, 5}, {15, 8}, {5, nan}}, {{inf, 5}, {-inf, 5}, {5, inf}}};
  for (const Ring& bad : refused) {
    ZMRectClipPolygon clipper;
    clipper.SetPoint(ring.data(), 3, &kRect);
    clipper.SetPoint(bad.data(), static_cast<int>(bad.size()), &kRect);
    clipper.DoClip();
    ASSERT_NE(clipper.GetResult(), nullptr);
    EXPECT_EQ(clipper.GetResult()->partCount, 0);
  }
  for (const ST_RECT* rect : {&nanRect, &infiniteRect}) {
    ZMRectClipPolygon clipper;
    clipper.SetPoint(ring.data(), 3, rect);
    clipper.DoClip();
    ASSERT_NE(clipper.GetResult(), nullptr);
    EXPECT_EQ(clipper.GetResult()->partCount, 0);
  }
}

// One clipper reused over rings of changing sizes gives what a fresh clipper gives, and a new
// load leaves the earlier result in place until the next clip.
TEST(ZMRectClipPolygon, ReusedClipperMatchesAFreshOne)
{
  std::mt19937 random(99);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  ZMRectClipPolygon reused;
  for (int i = 0; i < 300; ++i) {
    const int count = 3 + static_cast<int>(unit(random) * (i % 2 == 0 ? 300 : 10));
    Ring ring(count);
    for (ST_POINT& point : ring)
      point = ST_POINT{unit(random) * 30 - 10, unit(random) * 30 - 10};
    reused.SetPoint(ring.data(), count, &kRect);
    if (i > 0) {
      ASSERT_NE(reused.GetResult(), nullptr);  // the previous clip's result
    }
    reused.DoClip();
    const auto expected = Clip(ring, kRect);
    const auto actual = Parts(reused);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t p = 0; p < actual.size(); ++p)
      ASSERT_TRUE(SameRing(actual[p], expected[p]));
  }
}

namespace {

// A star-shaped (generally concave) ring around `centre`, or a convex one when `convex`.
Ring RandomRing(std::mt19937& random, ST_POINT centre, double minRadius, double maxRadius, int count, bool convex)
{
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> angles(count);
  for (double& angle : angles)
    angle = unit(random) * 2 * std::numbers::pi;
  std::sort(angles.begin(), angles.end());
  const double radiusX = minRadius + unit(random) * (maxRadius - minRadius);
  const double radiusY = minRadius + unit(random) * (maxRadius - minRadius);
  Ring ring(count);
  for (int i = 0; i < count; ++i) {
    const double scale = convex ? 1.0 : minRadius / maxRadius + unit(random) * (1.0 - minRadius / maxRadius);
    const double rx = convex ? radiusX : maxRadius * scale;
    const double ry = convex ? radiusY : maxRadius * scale;
    ring[i] = ST_POINT{centre.x + rx * std::cos(angles[i]), centre.y + ry * std::sin(angles[i])};
  }
  return ring;
}

struct OracleStats {
  int rings = 0;
  int pieces = 0;
  int multiPiece = 0;
};

// Checks one ring against GEOS: the area inside, every piece counter-clockwise and within the
// oracle's result, and (when `samePieces`) the number of pieces.
void CheckAgainstGeos(const zamra_test::GeosContext& geos, const Ring& ring, const ST_RECT& rect, bool samePieces,
                      OracleStats& stats)
{
  auto polygon = geos.Polygon(ring);
  ASSERT_NE(polygon, nullptr);
  auto box = geos.Rectangle(rect.left, rect.top, rect.right, rect.bottom);
  auto expected = geos.Wrap(GEOSIntersection_r(geos.get(), polygon.get(), box.get()));
  ASSERT_NE(expected, nullptr);
  const double expectedArea = geos.Area(expected.get());
  const double rectArea = (rect.right - rect.left) * (rect.bottom - rect.top);

  const auto parts = Clip(ring, rect);
  double area = 0.0;
  for (const Ring& part : parts) {
    const double partArea = SignedArea(part);
    ASSERT_GT(partArea, 0.0) << Describe(part);
    area += partArea;
    auto piece = geos.Polygon(part);
    ASSERT_NE(piece, nullptr);
    auto outside = geos.Wrap(GEOSDifference_r(geos.get(), piece.get(), expected.get()));
    if (outside != nullptr) {
      ASSERT_LT(geos.Area(outside.get()), 1e-9 * rectArea) << Describe(part);
    }
  }
  ASSERT_NEAR(area, expectedArea, 1e-9 * rectArea) << "ring " << Describe(ring);
  if (samePieces) {
    int expectedPieces = 0;
    for (int i = 0; i < GEOSGetNumGeometries_r(geos.get(), expected.get()); ++i) {
      if (geos.Area(GEOSGetGeometryN_r(geos.get(), expected.get(), i)) > 0)
        ++expectedPieces;
    }
    ASSERT_EQ(static_cast<int>(parts.size()), expectedPieces) << "ring " << Describe(ring);
  }
  ++stats.rings;
  stats.pieces += static_cast<int>(parts.size());
  if (parts.size() > 1)
    ++stats.multiPiece;
}

}  // namespace

// Random rings in general position: convex and concave, both orientations, with and without a
// closing repeat, crossing the rectangle many times.
TEST(ZMRectClipPolygon, AgreesWithGeosOnRandomRings)
{
  zamra_test::GeosContext geos;
  std::mt19937 random(4242);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  OracleStats stats;
  for (int i = 0; i < 3000; ++i) {
    const double left = unit(random) * 10 - 5;
    const double top = unit(random) * 10 - 5;
    const double width = 2 + unit(random) * 10;
    const double height = 2 + unit(random) * 10;
    const ST_RECT rect = ClipRect(left, top, left + width, top + height);
    const double size = std::max(width, height);
    const ST_POINT centre{left + width * (unit(random) * 1.6 - 0.3), top + height * (unit(random) * 1.6 - 0.3)};
    const bool convex = i % 4 == 0;
    const int count = convex ? 3 + static_cast<int>(unit(random) * 60) : 5 + static_cast<int>(unit(random) * 200);
    Ring ring = RandomRing(random, centre, 0.2 * size, 1.5 * size, count, convex);
    if (i % 2 == 1)
      ring = Reversed(ring);
    if (i % 3 == 2)
      ring.push_back(ring.front());
    auto polygon = geos.Polygon(ring);
    if (polygon == nullptr || !GEOSisValid_r(geos.get(), polygon.get()))
      continue;  // repeated angles can fold a star
    SCOPED_TRACE(i);
    CheckAgainstGeos(geos, ring, rect, true, stats);
    if (HasFatalFailure())
      return;
  }
  EXPECT_GT(stats.rings, 2900);
  EXPECT_GT(stats.multiPiece, 500);
  EXPECT_GT(stats.pieces, 4000);
}

// Rings on an integer grid with the rectangle on grid lines: vertices on the border, edges along
// its sides and through its corners are common.
TEST(ZMRectClipPolygon, AgreesWithGeosOnTheBorder)
{
  zamra_test::GeosContext geos;
  std::mt19937 random(1208);
  std::uniform_int_distribution<int> coordinate(0, 20);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  OracleStats stats;
  for (int i = 0; i < 4000; ++i) {
    const int left = 2 + coordinate(random) / 4;
    const int top = 2 + coordinate(random) / 4;
    const ST_RECT rect = ClipRect(left, top, left + 4 + coordinate(random) / 2, top + 4 + coordinate(random) / 2);
    const ST_POINT centre{static_cast<double>(coordinate(random)), static_cast<double>(coordinate(random))};
    Ring ring = RandomRing(random, centre, 2, 14, 4 + static_cast<int>(unit(random) * 30), i % 5 == 0);
    for (ST_POINT& point : ring) {
      point.x = std::round(point.x);
      point.y = std::round(point.y);
    }
    ring.erase(std::unique(ring.begin(), ring.end(),
                           [](const ST_POINT& a, const ST_POINT& b) { return a.x == b.x && a.y == b.y; }),
               ring.end());
    if (ring.size() < 3)
      continue;
    if (i % 2 == 1)
      ring = Reversed(ring);
    if (i % 3 == 2)
      ring.push_back(ring.front());
    auto polygon = geos.Polygon(ring);
    if (polygon == nullptr || !GEOSisValid_r(geos.get(), polygon.get()))
      continue;  // rounding can fold or pinch a ring
    SCOPED_TRACE(i);
    // Pieces that meet at a point are one polygon for GEOS; compare areas and containment only.
    CheckAgainstGeos(geos, ring, rect, false, stats);
    if (HasFatalFailure())
      return;
  }
  EXPECT_GT(stats.rings, 1500);
  EXPECT_GT(stats.multiPiece, 200);
}
