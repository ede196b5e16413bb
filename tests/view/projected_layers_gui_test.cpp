// Layers in projected and other coordinate systems, loaded by the map view: their vertices land
// on WGS 84 longitude/latitude, identify finds records there, a record outside the system's
// domain becomes a null shape, files without a usable .prj keep their numbers, and a projected
// layer is drawn in its place over a world layer.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QWidget>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "support/projected_samples.h"
#include "support/temp_dir.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "model/map_model.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"

using namespace zamra::view;

using zamra_test::GroundMetres;
using zamra_test::KnownVertex;
using zamra_test::ReadKnownVertices;
using zamra_test::TempDir;

namespace {

// Every vertex of a point or part layer with the record it belongs to, in file order.
std::vector<KnownVertex> LayerVertices(CShapeLayer* layer)
{
  std::vector<KnownVertex> vertices;
  auto addParts = [&](const auto* records) {
    for (int record = 0; record < layer->RecordCount(); ++record)
      for (int part = 0; part < records[record].partCount; ++part)
        for (int i = 0; i < records[record].parts[part].pointCount; ++i)
          vertices.push_back(
              {record, records[record].parts[part].points[i].x, records[record].parts[part].points[i].y});
  };
  if (auto* points = dynamic_cast<CPointLayer*>(layer)) {
    for (int record = 0; record < layer->RecordCount(); ++record)
      for (std::int64_t i = points->FirstPoint(record);
           points->HasGeometry(record) && i < points->FirstPoint(record + 1); ++i)
        vertices.push_back({record, points->Points()[i].x, points->Points()[i].y});
  } else if (auto* polygons = dynamic_cast<CPolygonLayer*>(layer)) {
    addParts(polygons->Records());
  } else if (auto* lines = dynamic_cast<CPolylineLayer*>(layer)) {
    addParts(lines->Records());
  }
  return vertices;
}

std::string CellText(ILayer* layer, int row)
{
  char text[ZMDataView::kTextSize] = "";
  layer->GetDataView()->GetItemValue(row, 0, text);
  return text;
}

class ProjectedLayers : public ::testing::Test {
protected:
  static void SetUpTestSuite()
  {
    s_dir = new TempDir;
    s_writeError = zamra_test::WriteProjectedSamples(*s_dir);
  }
  static void TearDownTestSuite()
  {
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(s_writeError.empty()) << s_writeError; }

  static std::string Shp(const char* name) { return s_dir->File(std::string(name) + ".shp"); }
  CShapeLayer* Add(const char* name) { return static_cast<CShapeLayer*>(m_model.AddLayer(Shp(name).c_str())); }

  static TempDir* s_dir;
  static std::string s_writeError;
  CMapModel m_model;
};

TempDir* ProjectedLayers::s_dir = nullptr;
std::string ProjectedLayers::s_writeError;

}  // namespace

TEST_F(ProjectedLayers, VerticesLandWithinAMetreOfTheirLongitudeLatitude)
{
  // UTM polygons in metres, State Plane points in US feet, lines on the Tokyo datum (about 400 m
  // from WGS 84 there: only a datum shift puts them within a metre).
  for (const char* name : {"utm33_polygons", "utm33_multipoints", "stateplane_points", "tokyo_lines"}) {
    SCOPED_TRACE(name);
    CShapeLayer* layer = Add(name);
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->Projection().coordinates, LayerCoordinates::Transformed);
    EXPECT_FALSE(layer->Projection().systemName.empty());
    const std::vector<KnownVertex> known = ReadKnownVertices(Shp(name));
    const std::vector<KnownVertex> loaded = LayerVertices(layer);
    ASSERT_FALSE(known.empty());
    ASSERT_EQ(loaded.size(), known.size());
    double minLon = known[0].lon, maxLon = known[0].lon, minLat = known[0].lat, maxLat = known[0].lat;
    for (size_t i = 0; i < known.size(); ++i) {
      EXPECT_EQ(loaded[i].record, known[i].record);
      EXPECT_LT(GroundMetres(loaded[i].lon, loaded[i].lat, known[i].lon, known[i].lat), 1.0)
          << "vertex " << i << " at " << loaded[i].lon << ", " << loaded[i].lat;
      minLon = std::min(minLon, known[i].lon);
      maxLon = std::max(maxLon, known[i].lon);
      minLat = std::min(minLat, known[i].lat);
      maxLat = std::max(maxLat, known[i].lat);
    }
    // The layer's box, and the map's extent and centre, are in longitude/latitude too.
    double left, bottom, right, top;
    layer->GetRect(&left, &bottom, &right, &top);
    EXPECT_LT(GroundMetres(left, bottom, minLon, minLat), 1.0);
    EXPECT_LT(GroundMetres(right, top, maxLon, maxLat), 1.0);
    EXPECT_DOUBLE_EQ(m_model.GetFullExtent().left, left);
    EXPECT_DOUBLE_EQ(m_model.GetFullExtent().top, top);
    EXPECT_DOUBLE_EQ(m_model.CenterX(), (left + right) * 0.5);
    EXPECT_DOUBLE_EQ(m_model.CenterY(), (top + bottom) * 0.5);
    m_model.DeleteAllLayers();
  }
}

TEST_F(ProjectedLayers, IdentifyAndRecordBoxesUseLongitudeLatitude)
{
  CShapeLayer* squares = Add("utm33_polygons");
  CShapeLayer* points = Add("stateplane_points");
  CShapeLayer* lines = Add("tokyo_lines");
  ASSERT_TRUE(squares && points && lines);
  // The middle of each 0.02-degree square, and a point between them.
  EXPECT_EQ(CellText(squares, squares->HitTest(13.40, 52.52)), "Berlin");
  EXPECT_EQ(CellText(squares, squares->HitTest(16.37, 48.21)), "Vienna");
  EXPECT_EQ(CellText(squares, squares->HitTest(14.42, 50.08)), "Prague");
  EXPECT_EQ(squares->HitTest(15.0, 50.0), -1);
  EXPECT_EQ(CellText(points, points->HitTest(-73.9857, 40.7484)), "Empire State");
  EXPECT_EQ(CellText(points, points->HitTest(-74.0445, 40.6892)), "Liberty");
  // Halfway along the first segment of each street.
  EXPECT_EQ(CellText(lines, lines->HitTest(139.7495, 35.69475)), "Yasukuni");
  EXPECT_EQ(CellText(lines, lines->HitTest(139.7665, 35.6690)), "Harumi");

  // The box a table row centres the map on.
  double left, bottom, right, top;
  squares->GetShapeRect(1, &left, &bottom, &right, &top);
  EXPECT_LT(GroundMetres(left, bottom, 16.36, 48.20), 1.0);
  EXPECT_LT(GroundMetres(right, top, 16.38, 48.22), 1.0);
  points->GetShapeRect(2, &left, &bottom, &right, &top);
  EXPECT_LT(GroundMetres(left, bottom, -73.778925, 40.641311), 1.0);
  EXPECT_DOUBLE_EQ(left, right);
}

TEST_F(ProjectedLayers, ARecordOutsideTheSystemsDomainBecomesANullShape)
{
  auto* layer = dynamic_cast<CPolygonLayer*>(Add("utm33_polygons"));
  ASSERT_NE(layer, nullptr);
  ASSERT_EQ(layer->RecordCount(), 4);
  EXPECT_EQ(layer->Projection().droppedRecords, 1);
  EXPECT_EQ(layer->Records()[3].partCount, 0);
  EXPECT_EQ(CellText(layer, 3), "Outside") << "its attributes stay in their row";
  // Its box is the layer's, and the layer's holds only the three squares.
  double left, bottom, right, top, recordLeft, recordBottom, recordRight, recordTop;
  layer->GetRect(&left, &bottom, &right, &top);
  layer->GetShapeRect(3, &recordLeft, &recordBottom, &recordRight, &recordTop);
  EXPECT_EQ(recordLeft, left);
  EXPECT_EQ(recordTop, top);
  EXPECT_LT(GroundMetres(left, bottom, 13.39, 48.20), 1.0);
  EXPECT_LT(GroundMetres(right, top, 16.38, 52.53), 1.0);
  // The part of that ring that lay in the domain is not hit either.
  EXPECT_EQ(layer->HitTest(13.791, 45.174), -1);

  // A multipoint with a point outside: neither its good point nor anything is hit there.
  auto* points = dynamic_cast<CPointLayer*>(Add("utm33_multipoints"));
  ASSERT_NE(points, nullptr);
  EXPECT_EQ(points->Projection().droppedRecords, 1);
  EXPECT_FALSE(points->HasGeometry(1));
  EXPECT_EQ(points->HitTest(15.0, 45.14), -1);
  EXPECT_EQ(points->HitTest(0.0, 0.0), -1);
  EXPECT_EQ(points->HitTest(14.42, 50.08), 0);
}

TEST_F(ProjectedLayers, FilesWithoutAUsablePrjKeepTheirNumbers)
{
  const struct {
    const char* name;
    LayerCoordinates coordinates;
  } cases[] = {{"wgs84_polygons", LayerCoordinates::LongitudeLatitude},
               {"bad_prj_polygons", LayerCoordinates::UnreadablePrj},
               {"noprj_polygons", LayerCoordinates::NoPrj}};
  for (const auto& each : cases) {
    SCOPED_TRACE(each.name);
    CShapeLayer* layer = Add(each.name);
    ASSERT_NE(layer, nullptr) << "a .prj never stops a layer from loading";
    EXPECT_EQ(layer->Projection().coordinates, each.coordinates);
    EXPECT_EQ(layer->Projection().droppedRecords, 0);
    const std::vector<KnownVertex> known = ReadKnownVertices(Shp(each.name));
    const std::vector<KnownVertex> loaded = LayerVertices(layer);
    ASSERT_EQ(loaded.size(), known.size());
    for (size_t i = 0; i < known.size(); ++i) {
      EXPECT_EQ(loaded[i].lon, known[i].lon) << "taken exactly as written";
      EXPECT_EQ(loaded[i].lat, known[i].lat);
    }
  }
}

TEST_F(ProjectedLayers, AProjectedLayerIsDrawnInPlaceOverAWorldLayer)
{
  constexpr COLORREF kWorld = RGB(0, 160, 0);
  constexpr COLORREF kSquares = RGB(220, 0, 0);
  ILayer* world = m_model.AddLayer(ZAMRA_SAMPLES_DIR "/world_countries.shp");
  ASSERT_NE(world, nullptr);
  const ST_RECT worldExtent = m_model.GetFullExtent();
  CShapeLayer* squares = Add("utm33_polygons");
  ASSERT_NE(squares, nullptr);
  world->SetBkColor(kWorld);
  squares->SetBkColor(kSquares);
  // The squares lie inside Europe: the map's extent stays the world's.
  EXPECT_EQ(m_model.GetFullExtent().left, worldExtent.left);
  EXPECT_EQ(m_model.GetFullExtent().right, worldExtent.right);
  EXPECT_EQ(m_model.GetFullExtent().top, worldExtent.top);
  EXPECT_EQ(m_model.GetFullExtent().bottom, worldExtent.bottom);

  // About 19 pixels to a 0.02-degree square.
  m_model.OnSize(300, 300);
  ASSERT_EQ(m_model.SetScaleValue(400000), 1);
  HDC target = ZMBitmap::CreateMemDc(300, 300);
  auto at = [&](double lon, double lat) {
    int px = 0, py = 0;
    m_model.GeoToPixel(lon, lat, px, py);
    return GetPixel(m_model.GetSurface(), px, py);
  };
  for (const auto& city : {std::pair{13.40, 52.52}, std::pair{16.37, 48.21}, std::pair{14.42, 50.08}}) {
    m_model.ClampCenter(city.first, city.second);
    m_model.Invalidate();
    ASSERT_EQ(m_model.Render(target, 0, 0), 1);
    EXPECT_EQ(at(city.first, city.second), kSquares) << city.first << ", " << city.second;
    // Just outside the square, in the same country: the world layer shows.
    EXPECT_EQ(at(city.first, city.second + 0.02), kWorld);
    EXPECT_EQ(at(city.first - 0.02, city.second), kWorld);
  }
  DeleteDC(target);
}

TEST_F(ProjectedLayers, AWorkspaceBringsTheLayerBackInLongitudeLatitude)
{
  QWidget host;
  auto newView = [&host] {
    std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
    EXPECT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, &host, 2001), 1);
    return view;
  };
  std::unique_ptr<IZamraView> first = newView();
  ILayer* layer = first->AddLayer(Shp("utm33_polygons").c_str());
  ASSERT_NE(layer, nullptr);
  double left, bottom, right, top;
  layer->GetRect(&left, &bottom, &right, &top);
  first->SetCenter(14.42, 50.08);
  const std::string workspace = s_dir->File("workspace.xml");
  ASSERT_EQ(first->SaveXml(workspace.c_str()), 1);

  std::unique_ptr<IZamraView> second = newView();
  ASSERT_EQ(second->LoadXml(workspace.c_str()), 1);
  ASSERT_EQ(second->GetLayerCount(), 1);
  double again[4];
  second->GetLayerByIndex(0)->GetRect(&again[0], &again[1], &again[2], &again[3]);
  EXPECT_EQ(again[0], left);
  EXPECT_EQ(again[1], bottom);
  EXPECT_EQ(again[2], right);
  EXPECT_EQ(again[3], top);
  double x = 0, y = 0;
  second->GetCenter(x, y);
  EXPECT_DOUBLE_EQ(x, 14.42) << "the saved centre is a longitude, inside the layer's extent";
  EXPECT_DOUBLE_EQ(y, 50.08);
}

TEST_F(ProjectedLayers, TheViewsExtrasSayHowEachLayersCoordinatesWereTaken)
{
  QWidget host;
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  ASSERT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, &host, 2001), 1);
  IZamraViewExtras* extras = IZamraViewExtras::Of(view.get());
  ASSERT_NE(extras, nullptr);
  ILayer* transformed = view->AddLayer(Shp("utm33_polygons").c_str());
  ILayer* unread = view->AddLayer(Shp("bad_prj_polygons").c_str());
  ILayer* bare = view->AddLayer(Shp("noprj_polygons").c_str());
  ASSERT_TRUE(transformed && unread && bare);

  char system[256] = "";
  int dropped = -1;
  EXPECT_EQ(extras->GetLayerCoordinates(transformed, system, sizeof system, &dropped), ZM_COORDINATES_TRANSFORMED);
  EXPECT_EQ(dropped, 1);
  const std::string name = system;
  ASSERT_GT(name.size(), 4u);
  char cut[5] = "xxxx";
  EXPECT_EQ(extras->GetLayerCoordinates(transformed, cut, sizeof cut, nullptr), ZM_COORDINATES_TRANSFORMED);
  EXPECT_EQ(std::string(cut), name.substr(0, 4)) << "cut to the room given, terminated";
  EXPECT_EQ(extras->GetLayerCoordinates(unread, nullptr, 0, &dropped), ZM_COORDINATES_UNREADABLE);
  EXPECT_EQ(dropped, 0);
  EXPECT_EQ(extras->GetLayerCoordinates(bare, system, sizeof system, nullptr), ZM_COORDINATES_NONE_NAMED);
  EXPECT_STREQ(system, "");

  // A layer of another view is not this view's to describe.
  CMapModel other;
  ILayer* foreign = other.AddLayer(Shp("utm33_polygons").c_str());
  ASSERT_NE(foreign, nullptr);
  EXPECT_EQ(extras->GetLayerCoordinates(foreign, system, sizeof system, &dropped), -1);
  EXPECT_EQ(extras->GetLayerCoordinates(nullptr, system, sizeof system, &dropped), -1);
}
