// Rendering checked pixel by pixel: fills, outlines, holes, symbols with their transparent
// key, the placement grid between symbols and labels, scale ranges.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <climits>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "model/map_model.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "drawing/text_fields.h"
#include "layers/user_poi_layer.h"
#include "layers/user_shape_layers.h"

using namespace zamra::view;

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kSymbolBlue = RGB(0, 0, 255);
const std::vector<zamra_test::TestColumn> kNameColumn = {{"name", FTString, 40, 0}};

// A strip of two 8 x 8 symbols: a blue square with a red (transparent) centre, and a green one.
HDC MakeStrip()
{
  HDC strip = ZMBitmap::CreateMemDc(16, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool centre = (x % 8) >= 3 && (x % 8) <= 4 && y >= 3 && y <= 4;
      SetPixel(strip, x, y, centre ? kRed : (x < 8 ? kSymbolBlue : RGB(0, 255, 0)));
    }
  return strip;
}

// At the default scale of 1:30,000,000 a degree is about 12.8 pixels: the test shapes fit the
// 200 x 200 surface.
class Rendering : public ::testing::Test {
protected:
  void SetUp() override
  {
    m_model.OnSize(200, 200);
    m_target = ZMBitmap::CreateMemDc(200, 200);
  }
  void TearDown() override { DeleteDC(m_target); }

  COLORREF At(int x, int y) { return GetPixel(m_model.GetSurface(), x, y); }
  int Pixel(double geoX, double geoY, bool wantX)
  {
    int px = 0, py = 0;
    m_model.GeoToPixel(geoX, geoY, px, py);
    return wantX ? px : py;
  }
  void Redraw()
  {
    m_model.Invalidate();
    ASSERT_EQ(m_model.Render(m_target, 0, 0), 1);
  }

  TempDir m_dir;
  CMapModel m_model;
  HDC m_target = nullptr;
};

}  // namespace

TEST_F(Rendering, PolygonFillOutlineHolesAndIslands)
{
  // An outer ring, a hole wound the same way as the outer ring (wrongly), and an island in it.
  std::vector<ST_POINT> hole = Square(3, 3, 4);
  std::vector<ST_POINT> island = Square(4.5, 4.5, 1);
  ASSERT_TRUE(WriteShapefile(m_dir.File("g"), SHPT_POLYGON, {TestShape{{Square(0, 0, 10), hole, island}}}));
  auto* layer = dynamic_cast<CPolygonLayer*>(m_model.AddLayer(m_dir.File("g.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  layer->SetLineColor(RGB(0, 0, 0));
  layer->SetBkColor(RGB(0, 128, 0));
  layer->SetLabelVisible(0);
  Redraw();
  EXPECT_EQ(At(Pixel(2, 2, true), Pixel(2, 2, false)), RGB(0, 128, 0));
  EXPECT_EQ(At(Pixel(3.8, 5, true), Pixel(3.8, 5, false)), kWhite) << "the hole shows the background";
  EXPECT_EQ(At(Pixel(6.2, 4, true), Pixel(6.2, 4, false)), kWhite);
  EXPECT_EQ(At(Pixel(5, 5, true), Pixel(5, 5, false)), RGB(0, 128, 0)) << "the island in the hole is filled";
  EXPECT_EQ(At(Pixel(3, 5, true), Pixel(3, 5, false)), RGB(0, 0, 0)) << "the hole is outlined";
  EXPECT_EQ(layer->HitTest(1, 1), 0);
  EXPECT_EQ(layer->HitTest(3.8, 5), -1) << "a point in the hole is not in the polygon";
  EXPECT_EQ(layer->HitTest(5, 5), 0) << "a point on the island is";
  const int left = Pixel(0, 5, true);
  EXPECT_EQ(At(left, 100), RGB(0, 0, 0)) << "the outline";
  EXPECT_EQ(At(left - 3, 100), kWhite) << "outside stays white";

  // A cached surface is copied, not redrawn.
  EXPECT_EQ(m_model.Render(m_target, 0, 0), 0);
  EXPECT_EQ(GetPixel(m_target, Pixel(2, 2, true), Pixel(2, 2, false)), RGB(0, 128, 0));

  // Out of the layer's scale range nothing is drawn.
  layer->SetScaleRange(30, 1000000);
  Redraw();
  EXPECT_EQ(At(Pixel(2, 2, true), Pixel(2, 2, false)), kWhite);
}

TEST_F(Rendering, SymbolsTheirKeyAndThePlacementGrid)
{
  ASSERT_TRUE(WriteShapefile(m_dir.File("p"), SHPT_POINT,
                             {TestShape{{{{0, 0}}}}, TestShape{{{{0.001, 0}}}}, TestShape{{{{1, 1}}}}}, kNameColumn,
                             {{"first"}, {"second"}, {"a label long enough to be tested"}}));
  auto* layer = dynamic_cast<CPointLayer*>(m_model.AddLayer(m_dir.File("p.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  layer->SetPointIndex(0);
  m_model.SetPoiDC(MakeStrip(), 2, 8, 8);
  m_model.ClampCenter(0.5, 0.5);
  Redraw();
  const int x0 = Pixel(0, 0, true), y0 = Pixel(0, 0, false);
  EXPECT_EQ(At(x0 - 3, y0 - 3), kSymbolBlue) << "the symbol's body";
  EXPECT_EQ(At(x0, y0), kWhite) << "its red centre is transparent";
  // The second point lies a pixel away: its symbol would overlap and is not drawn, so the
  // column right of the first symbol stays white.
  EXPECT_EQ(At(x0 + 5, y0), kWhite);
  EXPECT_NE(At(Pixel(1, 1, true) - 3, Pixel(1, 1, false) - 3), kWhite) << "the far point's symbol";
  // Labels go under their symbols and claim the grid after them.
  const PlacementGrid& grid = m_model.Placement();
  EXPECT_TRUE(grid.IsClaimed(x0, y0));

  // Indices from a hostile workspace, far past either end of the strip: nothing is copied
  // (and nothing overflows on the way), but the places are still taken.
  for (const int index : {INT_MAX, INT_MIN, -1, 2}) {
    layer->SetPointIndex(index);
    Redraw();
    EXPECT_EQ(At(x0 - 3, y0 - 3), kWhite) << index;
    EXPECT_TRUE(m_model.Placement().IsClaimed(x0, y0)) << index;
  }
}

TEST_F(Rendering, BoxesOffTheSurfaceAreNeitherFreeNorClaimed)
{
  EXPECT_FALSE(m_model.IsBoxFree(-50, 10, -1, 20)) << "wholly left of the surface";
  EXPECT_FALSE(m_model.IsBoxFree(10, 201, 20, 220));
  EXPECT_TRUE(m_model.IsBoxFree(190, 10, 260, 20)) << "tested on its visible part";
  m_model.ClaimBox(190, 10, 260, 20);
  EXPECT_FALSE(m_model.IsBoxFree(195, 15, 196, 16));
  EXPECT_TRUE(m_model.IsBoxFree(180, 20, 189, 30)) << "touching boxes do not block each other";
  EXPECT_FALSE(m_model.IsBoxFree(180, 19, 190, 30));
}

TEST_F(Rendering, LabelsAvoidSymbolsAndFollowByteLengths)
{
  ASSERT_TRUE(WriteShapefile(m_dir.File("p"), SHPT_POINT, {TestShape{{{{0, 0}}}}}, kNameColumn, {{"abcd"}}));
  auto* layer = dynamic_cast<CPointLayer*>(m_model.AddLayer(m_dir.File("p.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  layer->SetLabelFont(RGB(0, 0, 0), "DejaVu Sans", 10);
  Redraw();
  // 4 bytes x 10 pixels: the box spans 20 pixels either side, under the 24-pixel symbol box.
  const int px = Pixel(0, 0, true), py = Pixel(0, 0, false);
  const PlacementGrid& grid = m_model.Placement();
  EXPECT_TRUE(grid.IsClaimed(px - 19, py + 12 + 5));
  EXPECT_FALSE(grid.IsClaimed(px - 21, py + 12 + 5));
  bool inked = false;
  for (int y = py + 12; y < py + 22; ++y)
    for (int x = px - 20; x < px + 20; ++x)
      inked = inked || At(x, y) != kWhite;
  EXPECT_TRUE(inked) << "the label text is drawn in its box";

  // A user point of interest with its symbol where the label would go: labels never cover symbols.
  m_model.SetPoiDC(MakeStrip(), 2, 8, 8);
  m_model.GetUserPoiLayer()->AddPoi(1, "", 0, 0, 0, 0);  // a blue symbol on the layer's green one
  m_model.GetUserPoiLayer()->labelVisible = 0;
  Redraw();
  EXPECT_EQ(At(px - 3, py - 3), RGB(0, 255, 0)) << "the layer's symbol wins over the user's";
}

TEST_F(Rendering, ChineseLabelsTakeTwoColumnsACharacterAndAreInked)
{
  // "北京" in GBK, named by the .cpg: four bytes in the file, six in UTF-8, four columns on screen.
  ASSERT_TRUE(
      WriteShapefile(m_dir.File("p"), SHPT_POINT, {TestShape{{{{0, 0}}}}}, kNameColumn, {{"\xB1\xB1\xBE\xA9"}}));
  zamra_test::WriteAll(m_dir.File("p.cpg"), {'G', 'B', 'K'});
  auto* layer = dynamic_cast<CPointLayer*>(m_model.AddLayer(m_dir.File("p.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  layer->SetLabelFont(RGB(0, 0, 0), "Noto Sans CJK SC", 10);
  Redraw();
  const int px = Pixel(0, 0, true), py = Pixel(0, 0, false);
  const PlacementGrid& grid = m_model.Placement();
  EXPECT_TRUE(grid.IsClaimed(px - 19, py + 12 + 5));
  EXPECT_FALSE(grid.IsClaimed(px - 21, py + 12 + 5)) << "the box of four columns, not of six UTF-8 bytes";
  bool inked = false;
  for (int y = py + 12; y < py + 22; ++y)
    for (int x = px - 20; x < px + 20; ++x)
      inked = inked || At(x, y) != kWhite;
  EXPECT_TRUE(inked);
}

TEST_F(Rendering, MultipointsShowASymbolAtEachPoint)
{
  TempDir dir;
  int status = -1;
  const std::string script = "import shapefile, sys\n"
                             "w = shapefile.Writer(sys.argv[1], shapeType=shapefile.MULTIPOINTZ)\n"
                             "w.field('name', 'C', 20)\n"
                             "w.multipointz([[0, 0, 1], [3, 3, 2]])\n"
                             "w.record('pair')\n"
                             "w.close()\n";
  const std::string out = zamra_test::RunPython(dir, script, "'" + m_dir.File("m") + "'", &status);
  ASSERT_EQ(status, 0) << out;
  auto* layer = dynamic_cast<CPointLayer*>(m_model.AddLayer(m_dir.File("m.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  layer->SetPointIndex(0);
  layer->SetLabelVisible(0);
  m_model.SetPoiDC(MakeStrip(), 2, 8, 8);
  m_model.ClampCenter(1.5, 1.5);
  Redraw();
  EXPECT_EQ(At(Pixel(0, 0, true) - 3, Pixel(0, 0, false) - 3), kSymbolBlue) << "the first point";
  EXPECT_EQ(At(Pixel(3, 3, true) - 3, Pixel(3, 3, false) - 3), kSymbolBlue) << "the second point";
  EXPECT_EQ(At(Pixel(1.5, 1.5, true), Pixel(1.5, 1.5, false)), kWhite) << "nothing between them";
}

TEST_F(Rendering, UserShapesInTheLayerStyleOrTheirOwn)
{
  // Rings of 8 degrees (about 100 pixels) left and right of the centre (0, 0).
  ST_POINT left[] = {{-9, -4}, {-9, 4}, {-1, 4}, {-1, -4}, {-9, -4}};
  ST_POINT right[] = {{1, -4}, {1, 4}, {9, 4}, {9, -4}, {1, -4}};
  ST_POLYGON ring;
  ring.pointCount = 5;
  ring.points = left;
  CUserPolygonLayer* polygons = m_model.GetUserPolygonLayer();
  polygons->SetStyle(0, RGB(0, 0, 0), 1, RGB(0, 200, 0));
  polygons->AddShape(1, 0, "", &ring, 0, 0, RGB(9, 9, 9), 1, RGB(255, 0, 255));
  ring.points = right;
  polygons->AddShape(2, 0, "", &ring, 1, 0, RGB(0, 0, 0), 1, RGB(0, 0, 200));
  ring.points = nullptr;  // the layer copied the points; the caller keeps its own
  ST_POLYLINE line;
  ST_POINT across[] = {{-9, 6}, {9, 6}};
  line.pointCount = 2;
  line.points = across;
  m_model.GetUserPolylineLayer()->AddShape(3, 0, "", &line, 1, 0, RGB(200, 0, 0), 1);
  line.points = nullptr;
  Redraw();
  EXPECT_EQ(At(Pixel(-5, 0, true), Pixel(-5, 0, false)), RGB(0, 200, 0)) << "the layer's fill";
  EXPECT_EQ(At(Pixel(5, 0, true), Pixel(5, 0, false)), RGB(0, 0, 200)) << "the item's own fill";
  EXPECT_EQ(At(Pixel(0, 6, true), Pixel(0, 6, false)), RGB(200, 0, 0)) << "the line's own pen";
}

TEST_F(Rendering, ShapesWithinAPixelLeaveThatPixelInThePenColour)
{
  // At 1:30,000,000 a thousandth of a degree is a hundredth of a pixel.
  ASSERT_TRUE(WriteShapefile(m_dir.File("a"), SHPT_POLYGON, {TestShape{{Square(1.0001, 1.0001, 0.001)}}}));
  ASSERT_TRUE(WriteShapefile(m_dir.File("l"), SHPT_ARC, {TestShape{{{{-2.0001, -2.0001}, {-2.0002, -2.0009}}}}}));
  ILayer* areas = m_model.AddLayer(m_dir.File("a.shp").c_str());
  ILayer* lines = m_model.AddLayer(m_dir.File("l.shp").c_str());
  ASSERT_TRUE(areas != nullptr && lines != nullptr);
  areas->SetLineColor(RGB(10, 20, 30));
  lines->SetLineColor(RGB(200, 0, 100));
  m_model.ClampCenter(0, 0);
  Redraw();
  EXPECT_EQ(At(Pixel(1.0001, 1.0001, true), Pixel(1.0001, 1.0001, false)), RGB(10, 20, 30));
  EXPECT_EQ(At(Pixel(1.0001, 1.0001, true) + 1, Pixel(1.0001, 1.0001, false)), kWhite) << "one pixel only";
  EXPECT_EQ(At(Pixel(-2.0001, -2.0001, true), Pixel(-2.0001, -2.0001, false)), RGB(200, 0, 100));
  EXPECT_EQ(At(Pixel(-2.0001, -2.0001, true), Pixel(-2.0001, -2.0001, false) - 1), kWhite);
}

namespace {

// Random shapes from a fixed seed, spread over about 40 x 30 degrees round (0, 0).
class RandomShapes {
public:
  explicit RandomShapes(unsigned seed) : m_random(seed) {}

  double Uniform(double low, double high) { return std::uniform_real_distribution<double>(low, high)(m_random); }

  // A closed ring of `vertices` points round (x, y) at wandering radii, as wide as `radius`.
  std::vector<ST_POINT> Ring(double x, double y, double radius, int vertices)
  {
    std::vector<ST_POINT> ring;
    for (int i = 0; i < vertices; ++i) {
      const double angle = -6.283185307179586 * i / vertices;  // clockwise, as outer rings go
      const double r = radius * Uniform(0.4, 1.0);
      ring.push_back({x + r * std::cos(angle), y + r * std::sin(angle)});
    }
    ring.push_back(ring.front());
    return ring;
  }

  // An open line of `vertices` points wandering from (x, y) in steps up to `step`.
  std::vector<ST_POINT> Walk(double x, double y, double step, int vertices)
  {
    std::vector<ST_POINT> line{{x, y}};
    for (int i = 1; i < vertices; ++i)
      line.push_back({line.back().x + Uniform(-step, step), line.back().y + Uniform(-step, step)});
    return line;
  }

private:
  std::mt19937 m_random;
};

}  // namespace

// Shapes of every kind that cross the middle of the surface, where the bands meet, drawn by one
// thread and then by two (each its own band): the same picture pixel for pixel, at several
// scales and centres.
TEST_F(Rendering, TwoDrawingThreadsDrawThePictureOfOne)
{
  RandomShapes shapes(17);
  std::vector<TestShape> polygons, lines, points;
  for (int i = 0; i < 160; ++i) {
    const double x = shapes.Uniform(-20, 20), y = shapes.Uniform(-15, 15), radius = shapes.Uniform(0.02, 5);
    TestShape shape{{shapes.Ring(x, y, radius, 3 + i % 45)}};
    if (i % 4 == 0)
      shape.parts.push_back(shapes.Ring(x, y, radius / 3, 3 + i % 7));  // a hole
    polygons.push_back(shape);
  }
  for (int i = 0; i < 160; ++i)
    lines.push_back(TestShape{{shapes.Walk(shapes.Uniform(-20, 20), shapes.Uniform(-15, 15), 1.5, 2 + i % 30)}});
  for (int i = 0; i < 300; ++i)
    points.push_back(TestShape{{{{shapes.Uniform(-20, 20), shapes.Uniform(-15, 15)}}}});
  ASSERT_TRUE(WriteShapefile(m_dir.File("areas"), SHPT_POLYGON, polygons));
  ASSERT_TRUE(WriteShapefile(m_dir.File("lines"), SHPT_ARC, lines));
  ASSERT_TRUE(WriteShapefile(m_dir.File("dashes"), SHPT_ARC, lines));
  ASSERT_TRUE(WriteShapefile(m_dir.File("points"), SHPT_POINT, points));
  ASSERT_TRUE(WriteShapefile(m_dir.File("outlines"), SHPT_POLYGON, polygons));
  // Bottom to top: thin outlines, symbols between layers, wide and dashed pens, labels on all.
  ILayer* areas = m_model.AddLayer(m_dir.File("areas.shp").c_str());
  ILayer* lineLayer = m_model.AddLayer(m_dir.File("lines.shp").c_str());
  ILayer* pointLayer = m_model.AddLayer(m_dir.File("points.shp").c_str());
  ILayer* dashes = m_model.AddLayer(m_dir.File("dashes.shp").c_str());
  ILayer* outlines = m_model.AddLayer(m_dir.File("outlines.shp").c_str());
  ASSERT_TRUE(areas && lineLayer && pointLayer && dashes && outlines);
  areas->SetBkColor(RGB(120, 200, 120));
  lineLayer->SetLineWidth(3);
  lineLayer->SetLineColor(RGB(200, 40, 40));
  pointLayer->SetPointIndex(1);
  dashes->SetLineStyle(3);
  dashes->SetLineColor(RGB(40, 40, 200));
  outlines->SetLineWidth(5);
  outlines->SetBkColor(RGB(250, 250, 160));
  for (ILayer* layer : {areas, lineLayer, pointLayer, dashes, outlines})
    layer->SetLabelFont(RGB(0, 0, 0), "DejaVu Sans", 9);
  m_model.SetPoiDC(MakeStrip(), 2, 8, 8);

  struct View {
    int width, height;
    double scale, x, y;
  };
  const View views[] = {{640, 480, 30000000, 0, 0},
                        {640, 480, 9000000, 3, -2},
                        {641, 477, 60000000, 0, 0},
                        {300, 700, 15000000, -4, 5},
                        {640, 480, 2000000, 1, 0.5}};
  for (const View& view : views) {
    m_model.OnSize(view.width, view.height);
    ASSERT_EQ(m_model.SetScaleValue(view.scale), 1);
    m_model.ClampCenter(view.x, view.y);
    unsigned char* bits = nullptr;
    HDC picture = ZMBitmap::CreateMemDc(view.width, view.height, &bits);
    ASSERT_NE(picture, nullptr);
    const size_t bytes = static_cast<size_t>(ZMBitmap::GetWidthByteSize24(view.width)) * view.height;
    const auto drawWith = [&](int threads) {
      m_model.SetDrawingThreads(threads);
      m_model.Invalidate();
      m_model.Render(picture, 0, 0);
      return std::vector<unsigned char>(bits, bits + bytes);
    };
    const std::vector<unsigned char> one = drawWith(1);
    const std::vector<unsigned char> two = drawWith(2);
    DeleteDC(picture);
    EXPECT_EQ(m_model.GetDrawingThreads(), 2);
    size_t inked = 0, differing = 0;
    for (size_t i = 0; i < bytes; ++i) {
      inked += one[i] != 255;
      differing += one[i] != two[i];
    }
    EXPECT_GT(inked, bytes / 20) << "the picture at scale " << view.scale << " shows the shapes";
    EXPECT_EQ(differing, 0u) << "bytes that differ at scale " << view.scale << ", " << view.width << " x "
                             << view.height;
  }
}

// Labels are placed first and drawn afterwards, band by band: a row of labels whose boxes cross
// the row where two bands meet, in two layers of different fonts and colours, Latin and Chinese,
// drawn by one thread and by two.
TEST_F(Rendering, LabelsAcrossTheBandSeamDrawAsByOneThread)
{
  const int width = 400, height = 300;
  m_model.OnSize(width, height);
  double left = 0, right = 0, unused = 0;
  m_model.PixelToGeo(0, 0, left, unused);
  m_model.PixelToGeo(width, 0, right, unused);
  const double y = 0.0;
  std::vector<TestShape> latin, chinese;
  std::vector<std::vector<std::string>> latinNames, chineseNames;
  for (int i = 0; i < 8; ++i) {
    const double x = left + (right - left) * (i + 0.5) / 8;
    (i % 2 == 0 ? latin : chinese).push_back(TestShape{{{{x, y}}}});
    if (i % 2 == 0)
      latinNames.push_back({"Wg" + std::to_string(i)});
    else
      chineseNames.push_back({"\xE5\x8C\x97\xE4\xBA\xAC"});  // "北京" in UTF-8
  }
  latin.push_back(TestShape{{{{(left + right) / 2, y - 30}}}});  // off the surface, so that the centre can move
  latinNames.push_back({"far"});
  ASSERT_TRUE(WriteShapefile(m_dir.File("latin"), SHPT_POINT, latin, kNameColumn, latinNames));
  ASSERT_TRUE(WriteShapefile(m_dir.File("chinese"), SHPT_POINT, chinese, kNameColumn, chineseNames));
  zamra_test::WriteAll(m_dir.File("chinese.cpg"), {'U', 'T', 'F', '-', '8'});
  ILayer* latinLayer = m_model.AddLayer(m_dir.File("latin.shp").c_str());
  ILayer* chineseLayer = m_model.AddLayer(m_dir.File("chinese.shp").c_str());
  ASSERT_TRUE(latinLayer && chineseLayer);
  latinLayer->SetLabelFont(RGB(200, 0, 0), "DejaVu Sans", 10);
  chineseLayer->SetLabelFont(RGB(0, 0, 160), "Noto Sans CJK SC", 10);
  // Label boxes hang 12 pixels (half a symbol) under their points and are 10 rows tall: points
  // on row 133 put rows 145 .. 154 of their labels across the seam at row 150.
  double top = 0, next = 0;
  m_model.PixelToGeo(0, 0, unused, top);
  m_model.PixelToGeo(0, 1, unused, next);
  m_model.ClampCenter((left + right) / 2, y - 17 * (top - next));
  const int row = Pixel(left, y, false);
  ASSERT_TRUE(row + 12 <= 147 && row + 22 >= 153) << "labels from row " << row + 12 << " to " << row + 21;

  unsigned char* bits = nullptr;
  HDC picture = ZMBitmap::CreateMemDc(width, height, &bits);
  ASSERT_NE(picture, nullptr);
  const size_t stride = static_cast<size_t>(ZMBitmap::GetWidthByteSize24(width));
  const auto drawWith = [&](int threads) {
    m_model.SetDrawingThreads(threads);
    m_model.Invalidate();
    m_model.Render(picture, 0, 0);
    return std::vector<unsigned char>(bits, bits + stride * height);
  };
  const std::vector<unsigned char> one = drawWith(1);
  const std::vector<unsigned char> two = drawWith(2);
  EXPECT_EQ(one, two) << "labels drawn in two bands differ from one thread's";
  // Both colours are inked on both sides of the seam.
  int redAbove = 0, redBelow = 0, blueAbove = 0, blueBelow = 0;
  for (int labelRow = row + 12; labelRow < row + 22; ++labelRow)
    for (int x = 0; x < width; ++x) {
      const COLORREF colour = GetPixel(m_model.GetSurface(), x, labelRow);
      const bool red = GetRValue(colour) > GetBValue(colour) + 60;
      const bool blue = GetBValue(colour) > GetRValue(colour) + 60;
      (labelRow < 150 ? redAbove : redBelow) += red;
      (labelRow < 150 ? blueAbove : blueBelow) += blue;
    }
  EXPECT_GT(redAbove, 0);
  EXPECT_GT(redBelow, 0);
  EXPECT_GT(blueAbove, 0);
  EXPECT_GT(blueBelow, 0);
  DeleteDC(picture);
}

// A label drawn after placing keeps the font and colour its layer selected: the very pixels
// drawing the text at once into its box gives.
TEST_F(Rendering, LabelsDrawnAfterPlacingKeepTheirFontAndColour)
{
  ASSERT_TRUE(WriteShapefile(m_dir.File("p"), SHPT_POINT, {TestShape{{{{0, 0}}}}}, kNameColumn, {{"Quay"}}));
  ILayer* layer = m_model.AddLayer(m_dir.File("p.shp").c_str());
  ASSERT_NE(layer, nullptr);
  layer->SetLabelFont(RGB(20, 120, 40), "DejaVu Serif", 14);
  Redraw();
  // Four columns of 14 pixels, centred under the point, 12 pixels (half a symbol) below it.
  const int px = Pixel(0, 0, true), py = Pixel(0, 0, false);
  RECT box{px - 28, py + 12, px + 28, py + 26};
  HDC direct = ZMBitmap::CreateMemDc(200, 200);
  ASSERT_NE(direct, nullptr);
  const RECT all{0, 0, 200, 200};
  SetBkColor(direct, kWhite);
  ExtTextOutA(direct, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  {
    LabelFont font(direct, "DejaVu Serif", 14, RGB(20, 120, 40));
    DrawTextW(direct, u"Quay", 4, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  int inked = 0, differing = 0;
  for (int y = box.top; y < box.bottom; ++y)
    for (int x = box.left; x < box.right; ++x) {
      inked += GetPixel(direct, x, y) != kWhite;
      differing += GetPixel(direct, x, y) != At(x, y);
    }
  DeleteDC(direct);
  EXPECT_GT(inked, 20);
  EXPECT_EQ(differing, 0);
}

TEST_F(Rendering, PointsCulledThroughTheirGridDrawWhatAPlainPassDraws)
{
  // The same points as a point file, which large layers cull through a grid of cells, and as a
  // multipoint file of one point a record, which is culled point by point: the same pictures.
  RandomShapes shapes(23);
  std::vector<TestShape> points;
  std::vector<std::vector<std::string>> names;
  for (int i = 0; i < 6000; ++i) {
    points.push_back(TestShape{{{{shapes.Uniform(-20, 20), shapes.Uniform(-15, 15)}}}});
    names.push_back({"n" + std::to_string(i % 97)});
  }
  ASSERT_TRUE(WriteShapefile(m_dir.File("single"), SHPT_POINT, points, kNameColumn, names));
  ASSERT_TRUE(WriteShapefile(m_dir.File("multi"), SHPT_MULTIPOINT, points, kNameColumn, names));
  CMapModel plain;
  ILayer* gridded = m_model.AddLayer(m_dir.File("single.shp").c_str());
  ILayer* multi = plain.AddLayer(m_dir.File("multi.shp").c_str());
  ASSERT_TRUE(gridded && multi);
  for (CMapModel* model : {&m_model, &plain}) {
    model->SetPoiDC(MakeStrip(), 2, 8, 8);
    model->OnSize(640, 480);
  }
  gridded->SetLabelFont(RGB(0, 0, 0), "DejaVu Sans", 9);
  multi->SetLabelFont(RGB(0, 0, 0), "DejaVu Sans", 9);
  unsigned char* bits = nullptr;
  HDC picture = ZMBitmap::CreateMemDc(640, 480, &bits);
  ASSERT_NE(picture, nullptr);
  const size_t bytes = static_cast<size_t>(ZMBitmap::GetWidthByteSize24(640)) * 480;
  const auto draw = [&](CMapModel& model, double scale, double x, double y) {
    model.SetScaleValue(scale);
    model.ClampCenter(x, y);
    model.Invalidate();
    model.Render(picture, 0, 0);
    return std::vector<unsigned char>(bits, bits + bytes);
  };
  // Zoomed in (the grid), the whole layer (no grid), and zoomed in again after it.
  const double views[][3] = {{3000000, 0, 0}, {5000000, -17, 12}, {30000000, 0, 0}, {2000000, 15, -10}};
  for (const auto& view : views) {
    const std::vector<unsigned char> fromGrid = draw(m_model, view[0], view[1], view[2]);
    const std::vector<unsigned char> fromAll = draw(plain, view[0], view[1], view[2]);
    size_t inked = 0;
    for (unsigned char byte : fromGrid)
      inked += byte != 255;
    EXPECT_GT(inked, 3000u) << "symbols show at scale " << view[0];
    EXPECT_TRUE(fromGrid == fromAll) << "scale " << view[0];
  }
  DeleteDC(picture);
}
