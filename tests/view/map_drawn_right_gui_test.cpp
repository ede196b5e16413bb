// The world map drawn as a reader expects it: rings across ±180° drawn and hit as their pieces,
// labels on the land they name and inside the map, in a face that exists.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "api/base/bitmap.h"
#include "api/geometry/geometry.h"
#include "platform/font_faces.h"
#include "platform/gdi.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "coordinates/antimeridian.h"
#include "drawing/label_point.h"
#include "model/map_model.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"
#include "drawing/text_fields.h"

using namespace zamra::view;

using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
const char* const kCountries = ZAMRA_SAMPLES_DIR "/world_countries.shp";
const char* const kBorders = ZAMRA_SAMPLES_DIR "/world_borders.shp";

int RecordNamed(CShapeLayer* layer, const char* name)
{
  char text[256];
  for (int record = 0; record < layer->RecordCount(); ++record)
    if (layer->GetLabelText(record, text, sizeof text) && std::strcmp(text, name) == 0)
      return record;
  return -1;
}

double TwiceArea(const std::vector<ST_POINT>& ring)
{
  double sum = 0.0;
  for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    sum += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
  return sum;
}

// How far a point is from the nearest segment of a polyline.
double DistanceToLine(const ST_MPOLYLINE& line, const ST_POINT& point)
{
  double nearest = INFINITY;
  for (int p = 0; p < line.partCount; ++p)
    for (int i = 1; i < line.parts[p].pointCount; ++i) {
      const ST_POINT& a = line.parts[p].points[i - 1];
      const ST_POINT& b = line.parts[p].points[i];
      const double dx = b.x - a.x, dy = b.y - a.y, squared = dx * dx + dy * dy;
      const double t = squared > 0 ? std::clamp(((point.x - a.x) * dx + (point.y - a.y) * dy) / squared, 0.0, 1.0)
                                   : 0.0;
      nearest = std::min(nearest, std::hypot(a.x + t * dx - point.x, a.y + t * dy - point.y));
    }
  return nearest;
}

// The whole world in a 1000-pixel-wide map: scale such that 360 degrees take 1000 pixels.
void ShowWorld(CMapModel& model)
{
  model.OnSize(1000, 520);
  ASSERT_EQ(model.SetScaleValue(360.0 * CMapModel::kMetersPerDegreeX * CMapModel::kPixelsPerMeter / 1000.0), 1);
  model.ClampCenter(0, 0);
}

}  // namespace

TEST(Antimeridian, RingsAreCutIntoTheirPiecesOnEitherSide)
{
  // Fiji's eastern islands as Natural Earth stores them: a ring that steps from 179.4 to -180.
  const std::vector<ST_POINT> fiji = {{-180.0, -16.07}, {180.0, -16.07},  {179.41, -16.38},  {178.6, -16.64},
                                      {179.36, -16.8},  {-180.0, -16.56}, {-179.79, -16.02}, {-180.0, -16.07}};
  const auto pieces = CutRingAtAntimeridian(fiji.data(), static_cast<int>(fiji.size()));
  ASSERT_EQ(pieces.size(), 2u);
  double area = 0.0;
  for (const auto& piece : pieces) {
    double left = piece[0].x, right = piece[0].x;
    for (const ST_POINT& point : piece) {
      left = std::min(left, point.x);
      right = std::max(right, point.x);
    }
    EXPECT_LT(right - left, 2.0) << "each piece stays on its side of 180 degrees";
    area += std::fabs(TwiceArea(piece));
  }
  // The same ring moved east of 180 degrees whole: its area is what the pieces cover together.
  std::vector<ST_POINT> east = fiji;
  for (ST_POINT& point : east)
    point.x += point.x < 0 ? 360.0 : 0.0;
  EXPECT_NEAR(area, std::fabs(TwiceArea(east)), 1e-9) << "the pieces cover the islands, not a band round the world";

  // A ring round the south pole whose longitudes run once through 360 degrees (Antarctica's):
  // closed along the pole, it covers everything south of its coast.
  std::vector<ST_POINT> polar;
  for (int longitude = -180; longitude <= 180; longitude += 10)
    polar.push_back({static_cast<double>(longitude), -70.0 - (longitude % 20 == 0 ? 2.0 : 0.0)});
  polar.push_back(polar.front());
  const auto polarPieces = CutRingAtAntimeridian(polar.data(), static_cast<int>(polar.size()));
  ASSERT_EQ(polarPieces.size(), 1u);
  const ST_POINT southPole{0.0, -89.0};
  const ST_POINT north{0.0, -60.0};
  const auto& closed = polarPieces[0];
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&southPole, closed.data(), static_cast<int>(closed.size())), 1);
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&north, closed.data(), static_cast<int>(closed.size())), 0);

  // Rings that stay on one side are not touched.
  const std::vector<ST_POINT> square = {{10, 10}, {10, 20}, {20, 20}, {20, 10}, {10, 10}};
  EXPECT_TRUE(CutRingAtAntimeridian(square.data(), 5).empty());
}

TEST(Antimeridian, LinesAreCutAtTheCrossingLatitude)
{
  const std::vector<ST_POINT> line = {{170, 0}, {178, 10}, {-178, 20}, {-170, 20}};
  const auto pieces = CutLineAtAntimeridian(line.data(), static_cast<int>(line.size()));
  ASSERT_EQ(pieces.size(), 2u);
  ASSERT_EQ(pieces[0].size(), 3u);
  EXPECT_EQ(pieces[0].back().x, 180.0);
  EXPECT_DOUBLE_EQ(pieces[0].back().y, 15.0);
  EXPECT_EQ(pieces[1].front().x, -180.0);
  EXPECT_DOUBLE_EQ(pieces[1].front().y, 15.0);
  EXPECT_EQ(pieces[1].back().x, -170.0);
  EXPECT_TRUE(CutLineAtAntimeridian(line.data(), 2).empty());
}

// The bundled samples at Full Map: no band of fill or line across the world, Chukotka is Russia.
TEST(Antimeridian, TheSampleWorldHasNoBandsAndChukotkaIsRussia)
{
  CMapModel model;
  model.SetDrawingThreads(1);
  ASSERT_NE(model.AddLayer(kCountries), nullptr);
  ASSERT_NE(model.AddLayer(kBorders), nullptr);
  model.GetLayer(0)->SetLabelVisible(0);  // the borders' labels only
  ShowWorld(model);
  ASSERT_EQ(model.Render(nullptr, 0, 0), 1);
  // Fiji's outline is labelled on its islands, not at the middle of a box round the world.
  int px = 0, py = 0;
  model.GeoToPixel(0.0, -17.0, px, py);
  EXPECT_FALSE(model.Placement().AnyClaimed(px - 5, py - 12, px + 5, py)) << "a label off Angola";
  model.GeoToPixel(178.5, -17.5, px, py);
  EXPECT_TRUE(model.Placement().AnyClaimed(px - 20, py - 20, std::min(px + 20, model.SurfaceWidth() - 1), py + 20));
  // France's border, French Guiana's with it, is labelled on its line, not in the Atlantic
  // at the middle of its box (shown 60 degrees wide, where no other label comes near).
  auto* borders = static_cast<CPolylineLayer*>(model.GetLayer(1));
  const int france = RecordNamed(borders, "France");
  ASSERT_GE(france, 0);
  const ST_RECT& franceBox = borders->Records()[france].envelop;
  const double centreX = (franceBox.left + franceBox.right) * 0.5, centreY = (franceBox.top + franceBox.bottom) * 0.5;
  ASSERT_EQ(model.SetScaleValue(60.0 * CMapModel::kMetersPerDegreeX * CMapModel::kPixelsPerMeter / 1000.0), 1);
  model.ClampCenter(centreX, centreY);
  ASSERT_EQ(model.Render(nullptr, 0, 0), 1);
  model.GeoToPixel(centreX, centreY, px, py);
  EXPECT_FALSE(model.Placement().AnyClaimed(px - 5, py - 5, px + 5, py + 5)) << "France's label in the Atlantic";
  ShowWorld(model);
  model.GetLayer(1)->SetLabelVisible(0);
  model.Invalidate();
  ASSERT_EQ(model.Render(nullptr, 0, 0), 1);
  int left = 0, top = 0, right = 0, bottom = 0;
  model.GeoToPixel(-180, 90, left, top);
  model.GeoToPixel(180, -60, right, bottom);  // Antarctica lies south of -60
  const int worldWidth = right - left;
  for (int y = std::max(top, 0); y < bottom; ++y) {
    int run = 0, longest = 0;
    for (int x = 0; x < model.SurfaceWidth(); ++x) {
      run = GetPixel(model.GetSurface(), x, y) == kWhite ? 0 : run + 1;
      longest = std::max(longest, run);
    }
    ASSERT_LT(longest, worldWidth * 9 / 10) << "row " << y << " is drawn across the world";
  }

  CShapeLayer* countries = model.GetLayer(0);
  const int russia = RecordNamed(countries, "Russia");
  ASSERT_GE(russia, 0);
  EXPECT_EQ(countries->HitTest(-175.0, 67.0), russia) << "Chukotka, east of 180 degrees";
  EXPECT_EQ(countries->HitTest(100.0, 62.0), russia) << "Siberia";
  EXPECT_EQ(countries->HitTest(0.0, 62.0), -1) << "the Norwegian Sea, inside Russia's box";
  const int fiji = RecordNamed(countries, "Fiji");
  EXPECT_EQ(countries->HitTest(178.0, -17.8), fiji);
  EXPECT_EQ(countries->HitTest(0.0, -17.0), -1) << "off Angola, inside Fiji's box";
}

// Every country's label point lies on the country itself: Japan's on Honshu rather than in the
// Sea of Japan, Fiji's and Russia's on their largest pieces.
TEST(LabelPoints, EveryCountryIsLabelledOnItsOwnLand)
{
  CMapModel model;
  ASSERT_NE(model.AddLayer(kCountries), nullptr);
  auto* countries = static_cast<CPolygonLayer*>(model.GetLayer(0));
  int moved = 0;
  for (int record = 0; record < countries->RecordCount(); ++record) {
    const ST_MPOLYGON& shape = countries->Records()[record];
    const ST_POINT point = PolygonLabelPoint(shape.parts, shape.partCount, shape.envelop);
    EXPECT_EQ(countries->HitTest(point.x, point.y), record) << "record " << record;
    moved += point.x != (shape.envelop.left + shape.envelop.right) * 0.5;
  }
  EXPECT_GT(moved, 10) << "islands and crescents move off their box's centre";
  const ST_MPOLYGON& japan = countries->Records()[RecordNamed(countries, "Japan")];
  const ST_POINT japanLabel = PolygonLabelPoint(japan.parts, japan.partCount, japan.envelop);
  EXPECT_GT(japanLabel.x, 135.0);  // on Honshu, east of the Sea of Japan
  const ST_MPOLYGON& fiji = countries->Records()[RecordNamed(countries, "Fiji")];
  const ST_POINT fijiLabel = PolygonLabelPoint(fiji.parts, fiji.partCount, fiji.envelop);
  EXPECT_GT(fijiLabel.x, 176.0);
  EXPECT_LT(fijiLabel.y, -16.0);
  EXPECT_GT(fijiLabel.y, -19.0);

  // The farthest point of a C from its edges lies in its thick back, not at its box's centre.
  const std::vector<ST_POINT> c = {{0, 0}, {0, 10}, {10, 10}, {10, 8}, {3, 8}, {3, 2}, {10, 2}, {10, 0}, {0, 0}};
  ST_POLYGON ring;
  ring.pointCount = static_cast<int>(c.size());
  ring.points = new ST_POINT[c.size()];
  std::copy(c.begin(), c.end(), ring.points);
  ring.envelop = ST_RECT{0, 10, 10, 0};
  const ST_POINT inC = PolygonLabelPoint(&ring, 1, ring.envelop);
  EXPECT_NEAR(inC.x, 1.5, 0.2);
  EXPECT_EQ(ZMGeometry::IsPointOnPolygon(&inC, ring.points, ring.pointCount), 1);
}

// A line's label sits halfway along its longest part: on every sample border (France's with
// French Guiana, not in the Atlantic between them), and at the middle of an L's length.
TEST(LabelPoints, EveryBorderIsLabelledOnItsOwnLine)
{
  CMapModel model;
  ASSERT_NE(model.AddLayer(kBorders), nullptr);
  auto* borders = static_cast<CPolylineLayer*>(model.GetLayer(0));
  int offCentre = 0;
  for (int record = 0; record < borders->RecordCount(); ++record) {
    const ST_MPOLYLINE& shape = borders->Records()[record];
    if (shape.partCount == 0)
      continue;
    const ST_POINT point = PolylineLabelPoint(shape.parts, shape.partCount, shape.envelop);
    EXPECT_LT(DistanceToLine(shape, point), 1e-9) << "record " << record;
    offCentre += point.x != (shape.envelop.left + shape.envelop.right) * 0.5;
  }
  EXPECT_GT(offCentre, 10);

  ST_POLYLINE l;
  l.pointCount = 3;
  l.points = new ST_POINT[3]{{0, 10}, {0, 0}, {4, 0}};
  l.envelop = ST_RECT{0, 10, 4, 0};
  const ST_POINT middle = PolylineLabelPoint(&l, 1, l.envelop);
  EXPECT_DOUBLE_EQ(middle.x, 0.0);
  EXPECT_DOUBLE_EQ(middle.y, 3.0);  // 7 of 14 along: 7 down the stem
}

// A label whose box the map's edge would cut is moved inside; one whose middle is off the map
// is left out.
TEST(LabelPoints, LabelsCutByTheEdgeMoveInsideOrAreLeftOut)
{
  TempDir dir;
  // Three small squares: far left, just inside the right edge, beyond it.
  ASSERT_TRUE(
      WriteShapefile(dir.File("edge"), SHPT_POLYGON,
                     {TestShape{{zamra_test::Square(-1.0, 0.0, 0.5)}}, TestShape{{zamra_test::Square(6.0, 0.0, 0.5)}},
                      TestShape{{zamra_test::Square(9.0, 0.0, 0.5)}}},
                     {{"name", FTString, 40, 0}}, {{""}, {"WWWWWWWW"}, {"WWWWWWWW"}}));
  CMapModel model;
  model.SetDrawingThreads(1);
  ILayer* layer = model.AddLayer(dir.File("edge.shp").c_str());
  ASSERT_NE(layer, nullptr);
  layer->SetBkColor(kWhite);
  layer->SetLineColor(kWhite);
  model.OnSize(200, 200);
  ASSERT_EQ(model.SetScaleValue(3000000), 1);  // about 128 pixels a degree
  model.ClampCenter(6.25 - 90.0 / 128.4, 0.25);
  int px = 0, py = 0;
  model.GeoToPixel(6.25, 0.25, px, py);
  ASSERT_GT(px, 180);
  ASSERT_LT(px, 200);
  ASSERT_EQ(model.Render(nullptr, 0, 0), 1);
  int leftmostInk = 200;
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 200; ++x)
      if (GetPixel(model.GetSurface(), x, y) != kWhite)
        leftmostInk = std::min(leftmostInk, x);
  // Eight columns of 12 pixels: 96 pixels wide, so moved inside it starts at 104, where cut by
  // the edge it would have started near 142.
  EXPECT_LT(leftmostInk, 125) << "the label near the edge is drawn whole, moved inside";
  EXPECT_GE(leftmostInk, 100);
  EXPECT_TRUE(model.Placement().AnyClaimed(104, 0, 110, 199));
  EXPECT_FALSE(model.Placement().AnyClaimed(0, 0, 100, 199)) << "the label beyond the edge is left out";
}

// The default label face is an installed sans-serif face; a workspace's face that is missing
// here keeps its name and draws as the default does.
TEST(LabelFaces, TheDefaultFaceExistsAndStandsInForMissingOnes)
{
  const std::string face = DefaultLabelFace();
  ASSERT_FALSE(face.empty());
  EXPECT_TRUE(zamra::platform::IsFaceInstalled(face.c_str()));
  EXPECT_FALSE(zamra::platform::IsFaceInstalled("simsun"));
  EXPECT_EQ(DrawnLabelFace("simsun"), face);
  EXPECT_EQ(DrawnLabelFace(face.c_str()), face);

  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("a"), SHPT_POLYGON, {TestShape{{zamra_test::Square(0, 0, 4)}}},
                             {{"name", FTString, 40, 0}}, {{"Label"}}));
  CMapModel model;
  model.SetDrawingThreads(1);
  ILayer* layer = model.AddLayer(dir.File("a.shp").c_str());
  ASSERT_NE(layer, nullptr);
  char stored[32] = "";
  layer->GetLabelFont(nullptr, stored, nullptr);
  EXPECT_EQ(std::string(stored), face) << "a new layer names the face it draws with";
  model.OnSize(200, 100);
  model.ClampCenter(2, 2);
  ASSERT_EQ(model.Render(nullptr, 0, 0), 1);
  const auto picture = [&model] {
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 100; ++y)
      for (int x = 0; x < 200; ++x)
        pixels.push_back(GetPixel(model.GetSurface(), x, y));
    return pixels;
  };
  const std::vector<COLORREF> withDefault = picture();
  layer->SetLabelFont(0, "simsun", 12);
  model.Invalidate();
  ASSERT_EQ(model.Render(nullptr, 0, 0), 1);
  layer->GetLabelFont(nullptr, stored, nullptr);
  EXPECT_STREQ(stored, "simsun");
  EXPECT_EQ(picture(), withDefault);
}
