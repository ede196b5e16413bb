// CMapModel: viewport arithmetic and the layer list.
// SPDX-License-Identifier: MIT
#include "model/map_model.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <random>
#include <vector>
#include <string>

#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "api/base/bitmap.h"
#include "layers/point_layer.h"
#include "layers/shape_layer.h"

using namespace zamra::view;

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

// A polygon layer whose single square covers left .. right by bottom .. top.
std::string WriteBox(const TempDir& dir, const std::string& name, double left, double bottom, double right, double top)
{
  const std::string base = dir.File(name);
  TestShape shape;
  shape.parts.push_back({{left, bottom}, {left, top}, {right, top}, {right, bottom}, {left, bottom}});
  EXPECT_TRUE(WriteShapefile(base, SHPT_POLYGON, {shape}));
  return base + ".shp";
}

}  // namespace

TEST(CMapModel, StartsCentredAtTheOriginOfAnEmptyExtent)
{
  CMapModel model;
  EXPECT_EQ(model.CenterX(), 0.0) << "the requested start centre is clamped to the empty extent";
  EXPECT_EQ(model.CenterY(), 0.0);
  EXPECT_EQ(model.Scale(), 30000000.0);
  EXPECT_EQ(model.HalfWidth(), 2);
  EXPECT_TRUE(model.IsDirty());
  EXPECT_EQ(model.GetSelectLayer(), -1);
  model.ClampCenter(100, 30);
  EXPECT_EQ(model.CenterX(), 0.0) << "a single-point extent holds the centre";
}

TEST(CMapModel, ScaleLimits)
{
  CMapModel model;
  EXPECT_EQ(model.SetScaleValue(150), 1);
  EXPECT_EQ(model.Scale(), 150);
  EXPECT_EQ(model.SetScaleValue(99), 0);
  EXPECT_EQ(model.Scale(), 150);
  EXPECT_EQ(model.SetScaleValue(300000000), 1) << "the whole world fits a small window";
  EXPECT_EQ(model.SetScaleValue(300000001), 0);
  EXPECT_EQ(model.Scale(), 300000000);
  EXPECT_EQ(model.WheelScale(120 << 16), 150000000) << "forward: zoom in";
  EXPECT_EQ(model.WheelScale(-(120 << 16)), 600000000) << "backward: zoom out (then refused)";
}

TEST(CMapModel, PixelConversions)
{
  TempDir dir;
  CMapModel model;
  ASSERT_NE(model.AddLayer(WriteBox(dir, "box", 100, 20, 120, 40).c_str()), nullptr);
  model.OnSize(800, 600);
  model.ClampCenter(105, 35);
  int px = 0, py = 0;
  model.GeoToPixel(106, 35, px, py);
  EXPECT_EQ(px, 412) << "trunc(1 x 96284.7044 / 30000000 x 4000 + 400)";
  EXPECT_EQ(py, 300);
  model.GeoToPixel(105, 34, px, py);
  EXPECT_EQ(py, 300 + static_cast<int>(111180.0 / 30000000 * 4000));

  double x = 0, y = 0;
  model.PixelToGeo(400, 300, x, y);
  EXPECT_EQ(x, 105.0) << "the centre pixel is exactly the centre";
  EXPECT_EQ(y, 35.0);
  model.PixelToGeo(412, 300, x, y);
  EXPECT_NEAR(x, 106.0, 0.08) << "within a pixel (0.078 degrees at this scale)";

  model.GeoToPixel(1e300, -1e300, px, py);
  EXPECT_EQ(px, INT_MAX) << "far-away points saturate instead of overflowing";
  EXPECT_EQ(py, INT_MAX);
}

TEST(CMapModel, ShapesPixelsAreGeoToPixelsWithoutRepeats)
{
  // The drawing's own conversion of a shape's points gives GeoToPixel's pixels exactly, at odd
  // scales and centres, for points far off the surface, infinite or not numbers at all.
  TempDir dir;
  CMapModel model;
  ASSERT_NE(model.AddLayer(WriteBox(dir, "box", -180, -90, 180, 90).c_str()), nullptr);
  std::mt19937 random(31);
  std::uniform_real_distribution<double> longitude(-200.0, 200.0), latitude(-100.0, 100.0), step(-0.001, 0.001);
  std::vector<ST_POINT> points;
  for (int i = 0; i < 4000; ++i) {
    if (i % 10 == 0 || points.empty())
      points.push_back(ST_POINT{longitude(random), latitude(random)});
    else  // runs of near points, many on the same pixel
      points.push_back(ST_POINT{points.back().x + step(random), points.back().y + step(random)});
  }
  points.push_back(ST_POINT{1e300, -1e300});
  points.push_back(ST_POINT{-1e300, std::numeric_limits<double>::infinity()});
  points.push_back(ST_POINT{std::numeric_limits<double>::quiet_NaN(), 3.0});
  points.push_back(ST_POINT{std::numeric_limits<double>::quiet_NaN(), 3.0});
  const double scales[] = {30000000.0, 1234567.0, 77.0, 999999999.0};
  for (double scale : scales) {
    model.OnSize(642, 480);
    model.SetScaleValue(scale);
    model.ClampCenter(longitude(random) / 3, latitude(random) / 3);
    std::vector<POINT> expected;
    for (const ST_POINT& point : points) {
      POINT pixel{};
      model.GeoToPixel(point.x, point.y, pixel.x, pixel.y);
      if (expected.empty() || expected.back().x != pixel.x || expected.back().y != pixel.y)
        expected.push_back(pixel);
    }
    std::vector<POINT> converted(points.size());
    const int kept = model.ToDistinctPixels(points.data(), static_cast<int>(points.size()), converted.data());
    ASSERT_EQ(kept, static_cast<int>(expected.size())) << scale;
    for (int i = 0; i < kept; ++i) {
      EXPECT_EQ(converted[static_cast<size_t>(i)].x, expected[static_cast<size_t>(i)].x) << scale << " " << i;
      EXPECT_EQ(converted[static_cast<size_t>(i)].y, expected[static_cast<size_t>(i)].y) << scale << " " << i;
    }
  }
}

TEST(CMapModel, SizeEventsRoundDownToEvenSurfaces)
{
  CMapModel model;
  model.OnSize(801, 601);
  EXPECT_EQ(model.HalfWidth(), 400);
  EXPECT_EQ(model.SurfaceWidth(), 800);
  EXPECT_EQ(model.SurfaceHeight(), 600);
  ASSERT_NE(model.GetSurface(), nullptr);
  EXPECT_EQ(model.Placement().Width(), 800);
  EXPECT_EQ(model.Placement().Height(), 600);
  model.Render(nullptr, 0, 0);  // drawn: no longer dirty
  model.OnSize(800, 600);
  EXPECT_FALSE(model.IsDirty()) << "the same half sizes change nothing";
  model.OnSize(1, 1);
  EXPECT_EQ(model.SurfaceWidth(), 0);
  EXPECT_EQ(model.GetSurface(), nullptr) << "an empty window has no surface";
  EXPECT_EQ(model.Render(nullptr, 0, 0), 0);
}

TEST(CMapModel, ExtentCentreAndClamping)
{
  TempDir dir;
  CMapModel model;
  ILayer* first = model.AddLayer(WriteBox(dir, "a", 100, 20, 120, 40).c_str());
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(model.GetFullExtent().left, 100);
  EXPECT_EQ(model.GetFullExtent().top, 40);
  EXPECT_EQ(model.CenterX(), 110);
  EXPECT_EQ(model.CenterY(), 30);
  EXPECT_EQ(model.GetSelectLayer(), 0) << "the first layer is selected";
  model.ClampCenter(130, 30);
  EXPECT_EQ(model.CenterX(), 120);
  model.ClampCenter(50, 10);
  EXPECT_EQ(model.CenterX(), 100);
  EXPECT_EQ(model.CenterY(), 20);

  model.SetSelectLayer(-1);
  ASSERT_NE(model.AddLayer(WriteBox(dir, "b", 130, 10, 140, 25).c_str()), nullptr);
  EXPECT_EQ(model.GetFullExtent().right, 140);
  EXPECT_EQ(model.GetFullExtent().bottom, 10);
  EXPECT_EQ(model.GetFullExtent().left, 100) << "the extent only grows";
  EXPECT_EQ(model.CenterX(), 120);
  EXPECT_EQ(model.CenterY(), 25);
  EXPECT_EQ(model.GetSelectLayer(), 1);

  model.DeleteLayer(0);
  EXPECT_EQ(model.GetFullExtent().left, 100) << "deleting keeps the extent";
}

TEST(CMapModel, DragPanRecentresByTheMovement)
{
  TempDir dir;
  CMapModel model;
  ASSERT_NE(model.AddLayer(WriteBox(dir, "a", 100, 20, 120, 40).c_str()), nullptr);
  model.OnSize(800, 600);
  EXPECT_FALSE(model.DragPan(10, 10, 10, 10, 800, 600));
  EXPECT_EQ(model.CenterX(), 110);
  double expectedX = 0, expectedY = 0;
  model.PixelToGeo(400 + 10 - 110, 300 + 10 - 60, expectedX, expectedY);
  EXPECT_TRUE(model.DragPan(10, 10, 110, 60, 800, 600));
  EXPECT_EQ(model.CenterX(), expectedX);
  EXPECT_EQ(model.CenterY(), expectedY);
}

TEST(CMapModel, LayerListOperations)
{
  TempDir dir;
  CMapModel model;
  const std::string a = WriteBox(dir, "a", 0, 0, 1, 1);
  const std::string b = WriteBox(dir, "b", 0, 0, 2, 2);
  const std::string c = WriteBox(dir, "c", 0, 0, 3, 3);
  ILayer* layerA = model.AddLayer(a.c_str());
  ILayer* layerB = model.AddLayer(b.c_str());
  ILayer* layerC = model.AddLayer(c.c_str());
  ASSERT_TRUE(layerA && layerB && layerC);
  EXPECT_EQ(model.AddLayer(a.c_str()), nullptr) << "a path already loaded";
  EXPECT_EQ(model.GetLayerCount(), 3);
  // The same file spelled differently is another layer.
  EXPECT_NE(model.AddLayer((dir.Path() + "/./a.shp").c_str()), nullptr);
  model.DeleteLayer(3);

  EXPECT_EQ(model.MoveLayer(0, 2), 1);
  EXPECT_EQ(model.GetLayer(0), layerC) << "a swap, not an insertion";
  EXPECT_EQ(model.GetLayer(1), layerB);
  EXPECT_EQ(model.GetLayer(2), layerA);
  EXPECT_EQ(model.MoveLayer(1, 1), 1);
  EXPECT_EQ(model.MoveLayer(0, 3), 0);
  EXPECT_EQ(model.MoveLayer(-1, 0), 0);
  EXPECT_EQ(model.GetLayer(3), nullptr);

  model.SetSelectLayer(2);
  EXPECT_EQ(model.DeleteLayer(0), 1);
  EXPECT_EQ(model.GetSelectLayer(), 2) << "an earlier layer gone: the index now names the next one";
  EXPECT_EQ(model.DeleteLayer(5), 0);
  model.SetSelectLayer(1);
  EXPECT_EQ(model.DeleteLayer(1), 1);
  EXPECT_EQ(model.GetSelectLayer(), -1) << "the selected layer gone: no selection";
  model.DeleteAllLayers();
  EXPECT_EQ(model.GetLayerCount(), 0);
}

TEST(CMapModel, FailedLoadsAddNothing)
{
  TempDir dir;
  CMapModel model;
  const std::string good = WriteBox(dir, "good", 0, 0, 1, 1);
  const std::string longPath = "/" + std::string(300, 'x') + ".shp";
  EXPECT_EQ(model.AddLayer(longPath.c_str()), nullptr) << "longer than a path field";
  EXPECT_EQ(model.AddLayer(dir.File("missing.shp").c_str()), nullptr);
  EXPECT_EQ(model.AddLayer(nullptr), nullptr);

  // A broken attribute table (a missing one, like a missing index, is no failure: see the tests
  // of shapefiles other readers take).
  const std::string broken = dir.File("broken_dbf");
  WriteBox(dir, "broken_dbf", 0, 0, 1, 1);
  std::filesystem::resize_file(broken + ".dbf", 10);
  EXPECT_EQ(model.AddLayer((broken + ".shp").c_str()), nullptr);
  // A copy without an extension.
  std::filesystem::copy_file(good, dir.File("noextension"));
  EXPECT_EQ(model.AddLayer(dir.File("noextension").c_str()), nullptr);
  EXPECT_EQ(model.GetLayerCount(), 0);
  EXPECT_EQ(model.GetSelectLayer(), -1);
  EXPECT_EQ(model.GetFullExtent().right, 0) << "failures leave the extent alone";
  EXPECT_NE(model.AddLayer(good.c_str()), nullptr);
}

// An area's label is skipped without finding its point only when a label centred on any point
// of the area would find its place taken: checked against the place test at points all over
// random envelopes, with random boxes claimed.
TEST(CMapModel, AnAreaIsSkippedOnlyWhenEveryPointOfItFindsItsLabelsPlaceTaken)
{
  TempDir dir;
  CMapModel model;
  ASSERT_NE(model.AddLayer(WriteBox(dir, "box", 100, 20, 120, 40).c_str()), nullptr);
  model.OnSize(400, 300);
  model.ClampCenter(110, 30);
  std::mt19937 random(5);
  std::uniform_real_distribution<double> x(98, 122), y(18, 42), size(0.0, 0.6), share(0.0, 1.0);
  std::uniform_int_distribution<int> pixel(0, 399), extent(1, 30);
  int skipped = 0;
  for (int claim = 0; claim < 60; ++claim) {
    const int left = pixel(random), top = pixel(random) * 3 / 4;
    model.ClaimBox(left, top, left + extent(random), top + extent(random));
    for (int area = 0; area < 50; ++area) {
      ST_RECT envelope{};
      envelope.left = x(random);
      envelope.bottom = y(random);
      envelope.right = envelope.left + size(random);
      envelope.top = envelope.bottom + size(random);
      if (!model.IsLabelPlaceTakenThroughout(envelope, 12))
        continue;
      ++skipped;
      for (int sample = 0; sample < 40; ++sample) {
        const double px = envelope.left + share(random) * (envelope.right - envelope.left);
        const double py = envelope.bottom + share(random) * (envelope.top - envelope.bottom);
        ASSERT_TRUE(model.IsLabelPlaceTaken(px, py, false, 12)) << "a label at this point would have been placed";
      }
    }
  }
  EXPECT_GT(skipped, 100) << "the test skips areas at all";
}

// An area within one pixel has its label drawn without its point being found: every point of
// it must land on that pixel, at scales and centres where pixels fall at odd fractions.
TEST(CMapModel, EveryPointOfAnAreaWithinOnePixelLandsOnIt)
{
  TempDir dir;
  CMapModel model;
  ASSERT_NE(model.AddLayer(WriteBox(dir, "box", -120, -40, 120, 40).c_str()), nullptr);
  model.OnSize(400, 300);
  std::mt19937 random(11);
  std::uniform_real_distribution<double> x(-110, 110), y(-35, 35), share(0.0, 1.0), scale(2e5, 4e7);
  int within = 0, across = 0;
  for (int view = 0; view < 40; ++view) {
    model.SetScaleValue(scale(random));
    model.ClampCenter(x(random), y(random));
    double pixelX = 0, pixelY = 0, nextX = 0, nextY = 0;
    model.PixelToGeo(0, 0, pixelX, pixelY);
    model.PixelToGeo(1, 1, nextX, nextY);
    const double pixel = nextX - pixelX;
    const ST_RECT& visible = model.VisibleExtent();
    std::uniform_real_distribution<double> inX(visible.left, visible.right), inY(visible.bottom, visible.top);
    std::uniform_real_distribution<double> size(0.0, 1.5 * pixel);
    for (int area = 0; area < 200; ++area) {
      ST_RECT envelope{};
      envelope.left = inX(random);
      envelope.bottom = inY(random);
      envelope.right = envelope.left + size(random);
      envelope.top = envelope.bottom + size(random);
      if (!model.IsWithinOnePixel(envelope)) {
        ++across;
        continue;
      }
      ++within;
      int cornerX = 0, cornerY = 0;
      model.GeoToPixel(envelope.left, envelope.top, cornerX, cornerY);
      for (int sample = 0; sample < 20; ++sample) {
        int px = 0, py = 0;
        model.GeoToPixel(envelope.left + share(random) * (envelope.right - envelope.left),
                         envelope.bottom + share(random) * (envelope.top - envelope.bottom), px, py);
        ASSERT_EQ(px, cornerX);
        ASSERT_EQ(py, cornerY);
      }
    }
  }
  EXPECT_GT(within, 500);
  EXPECT_GT(across, 500);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_FALSE(model.IsWithinOnePixel(ST_RECT{1.0, 0.0, 1.0, 0.0})) << "a box turned inside out holds no point";
  EXPECT_FALSE(model.IsWithinOnePixel(ST_RECT{nan, nan, 1.0, 1.0}));
}

TEST(CMapModel, ASymbolIsPlacedExactlyWhenItsBoxIsFree)
{
  // Points, many of them on the pixels of points before, placed between claims of other boxes;
  // then again after a redraw, and again with symbols of another size: each is placed exactly
  // when its box is free at that moment.
  TempDir dir;
  CMapModel model;
  ASSERT_NE(model.AddLayer(WriteBox(dir, "box", 100, 20, 120, 40).c_str()), nullptr);
  model.OnSize(400, 300);
  model.ClampCenter(110, 30);
  std::mt19937 random(8);
  std::uniform_real_distribution<double> x(95, 125), y(15, 45);
  std::uniform_int_distribution<int> pixel(0, 399), extent(0, 20);
  std::vector<ST_POINT> points;
  for (int i = 0; i < 3000; ++i)
    points.push_back(i % 3 == 0 || points.empty() ? ST_POINT{x(random), y(random)}
                                                  : points[static_cast<size_t>(random() % points.size())]);
  int placed = 0, refused = 0;
  const auto placeAll = [&] {
    for (size_t i = 0; i < points.size(); ++i) {
      if (i % 50 == 0) {
        const int left = pixel(random), top = pixel(random) * 3 / 4;
        model.ClaimBox(left, top, left + extent(random), top + extent(random));  // a label, say
      }
      int px = 0, py = 0;
      model.GeoToPixel(points[i].x, points[i].y, px, py);
      const int left = px - model.SymbolWidth() / 2, top = py - model.SymbolHeight() / 2;
      const bool free = model.IsVisible(points[i].x, points[i].y) &&
                        model.IsBoxFree(left, top, left + model.SymbolWidth(), top + model.SymbolHeight());
      int placedLeft = 0, placedTop = 0;
      ASSERT_EQ(model.TakeSymbolPlace(points[i].x, points[i].y, placedLeft, placedTop), free) << i;
      placed += free;
      refused += !free;
    }
  };
  model.Render(nullptr, 0, 0);
  placeAll();
  const int placedFirst = placed;
  model.Invalidate();
  model.Render(nullptr, 0, 0);  // a redraw starts with nothing placed or tried
  placeAll();
  EXPECT_GT(placed, placedFirst) << "placed again after the redraw";
  model.SetPoiDC(ZMBitmap::CreateMemDc(12 * 3, 5), 3, 12, 5);
  placeAll();
  EXPECT_GT(placed, 2 * placedFirst) << "symbols of another size are tried afresh";
  EXPECT_GT(refused, 6000) << "most points find their place taken";
}
