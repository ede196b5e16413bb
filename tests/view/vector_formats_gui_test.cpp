// Formats other than the shapefile, read through GDAL into the same layers: the samples converted
// by ogr2ogr into each format read to the same records, vertices and cells as the shapefiles and
// draw the same pixels; sources with several tables or kinds give one layer each; exact values of
// typed fields; coordinate systems; damaged files of each family refused with a status.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "model/map_model.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"
#include "layers/shape_layer.h"
#include "view/izamra_view.h"
#include "view/vector_source.h"

using namespace zamra::view;

using zamra_test::ReadAll;
using zamra_test::RunCommand;
using zamra_test::TempDir;
using zamra_test::WriteAll;

namespace {

using Ring = std::vector<ST_POINT>;
using Shape = std::vector<Ring>;  // a record's parts (a point record: one part of its points)

std::vector<Shape> ShapesOf(ILayer* layer)
{
  std::vector<Shape> shapes;
  auto* shapeLayer = static_cast<CShapeLayer*>(layer);
  if (auto* points = dynamic_cast<CPointLayer*>(layer)) {
    for (int record = 0; record < points->RecordCount(); ++record)
      shapes.push_back(points->HasGeometry(record) ? Shape{Ring{points->Points()[points->FirstPoint(record)]}}
                                                   : Shape{});
    return shapes;
  }
  auto take = [&](const auto* records) {
    for (int record = 0; record < shapeLayer->RecordCount(); ++record) {
      Shape shape;
      for (int part = 0; part < records[record].partCount; ++part)
        shape.emplace_back(records[record].parts[part].points,
                           records[record].parts[part].points + records[record].parts[part].pointCount);
      // Readers may group a polygon's rings otherwise than the file listed them.
      std::sort(shape.begin(), shape.end(), [](const Ring& a, const Ring& b) {
        return a.size() != b.size() ? a.size() < b.size() : a[0].x != b[0].x ? a[0].x < b[0].x : a[0].y < b[0].y;
      });
      shapes.push_back(std::move(shape));
    }
  };
  if (auto* polygons = dynamic_cast<CPolygonLayer*>(layer))
    take(polygons->Records());
  else if (auto* lines = dynamic_cast<CPolylineLayer*>(layer))
    take(lines->Records());
  return shapes;
}

std::string Cell(ILayer* layer, int row, int column)
{
  char text[ZMDataView::kTextSize] = "";
  static_cast<CShapeLayer*>(layer)->LayerDataView()->GetItemText(row, column, text, sizeof text);
  return text;
}

std::string ColumnName(ILayer* layer, int column)
{
  char type = 0, flag = 0, name[40] = "";
  int length = 0;
  layer->GetDataView()->GetColumn(column, type, length, name, nullptr, flag);
  return name;
}

::testing::AssertionResult SameShapes(const std::vector<Shape>& expected, const std::vector<Shape>& actual,
                                      double tolerance)
{
  if (expected.size() != actual.size())
    return ::testing::AssertionFailure() << expected.size() << " records expected, " << actual.size() << " read";
  for (size_t record = 0; record < expected.size(); ++record) {
    if (expected[record].size() != actual[record].size()) {
      auto failure = ::testing::AssertionFailure() << "record " << record << ": " << expected[record].size()
                                                   << " parts expected, " << actual[record].size() << " read;";
      for (const Ring& ring : expected[record])
        failure << " " << ring.size() << "@" << ring[0].x << "," << ring[0].y;
      failure << " /";
      for (const Ring& ring : actual[record])
        failure << " " << ring.size() << "@" << ring[0].x << "," << ring[0].y;
      return failure;
    }
    for (size_t part = 0; part < expected[record].size(); ++part) {
      const Ring& a = expected[record][part];
      const Ring& b = actual[record][part];
      if (a.size() != b.size())
        return ::testing::AssertionFailure()
               << "record " << record << " part " << part << ": " << a.size() << " vertices expected, " << b.size();
      for (size_t i = 0; i < a.size(); ++i)
        if (std::fabs(a[i].x - b[i].x) > tolerance || std::fabs(a[i].y - b[i].y) > tolerance)
          return ::testing::AssertionFailure()
                 << "record " << record << " part " << part << " vertex " << i << ": (" << a[i].x << ", " << a[i].y
                 << ") expected, (" << b[i].x << ", " << b[i].y << ") read";
    }
  }
  return ::testing::AssertionSuccess();
}

// The picture the model draws of its layers, whole.
std::vector<COLORREF> Picture(CMapModel& model)
{
  model.OnSize(400, 240);
  model.ClampCenter(0, 0);
  EXPECT_EQ(model.SetScaleValue(150000000), 1);
  model.Invalidate();
  HDC target = ZMBitmap::CreateMemDc(400, 240);
  EXPECT_EQ(model.Render(target, 0, 0), 1);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 400; ++x)
      pixels.push_back(GetPixel(model.GetSurface(), x, y));
  DeleteDC(target);
  return pixels;
}

struct Format {
  const char* name;       // ogr2ogr's driver
  const char* extension;  // of the file it writes
  const char* options;    // more of ogr2ogr's arguments
  double tolerance;       // text formats write 15 significant digits; MapInfo a grid of its bounds
  bool attributes;        // whether the format keeps the samples' fields as they are
  bool pointsOnly;        // formats of waypoints, or that cut lines at 180 degrees
};

const Format kFormats[] = {
    {"GPKG", ".gpkg", "-nlt PROMOTE_TO_MULTI", 0.0, true, false},
    {"FlatGeobuf", ".fgb", "-nlt PROMOTE_TO_MULTI -lco SPATIAL_INDEX=NO", 0.0, true, false},  // in file order
    {"GeoJSON", ".geojson", "-lco RFC7946=NO -lco COORDINATE_PRECISION=17", 0.0, true, false},
    {"GeoJSONSeq", ".geojsons", "", 1e-6, true, true},
    {"KML", ".kml", "", 1e-9, false, false},
    {"GPX", ".gpx", "", 1e-9, true, true},
    {"MapInfo File", ".tab", "", 1e-6, true, false},
    {"CSV", ".csv", "-lco GEOMETRY=AS_WKT", 1e-9, true, false},
    {"GML", ".gml", "", 1e-9, true, false},
};

class VectorFormats : public ::testing::Test {
protected:
  static void SetUpTestSuite() { s_dir = new TempDir; }
  static void TearDownTestSuite()
  {
    delete s_dir;
    s_dir = nullptr;
  }

  // The sample converted, or "" when ogr2ogr failed.
  static std::string Convert(const std::string& sample, const Format& format, const std::string& extra = "")
  {
    const std::string out = s_dir->File(sample + "_" + std::to_string(s_count++) + format.extension);
    int status = -1;
    const std::string output = RunCommand("ogr2ogr -f '" + std::string(format.name) + "' " + format.options + " " +
                                              extra + " '" + out + "' '" ZAMRA_SAMPLES_DIR "/" + sample + ".shp' 2>&1",
                                          &status);
    EXPECT_EQ(status, 0) << output;
    return status == 0 ? out : std::string();
  }

  static TempDir* s_dir;
  static int s_count;
};

TempDir* VectorFormats::s_dir = nullptr;
int VectorFormats::s_count = 0;

}  // namespace

TEST_F(VectorFormats, TheSamplesInEachFormatReadAndDrawAsTheShapefiles)
{
  ASSERT_TRUE(ZamraVectorSource::IsAvailable());
  for (const char* sample : {"world_countries", "world_borders", "world_cities"}) {
    CMapModel shapefileModel;
    ILayer* shapefile = shapefileModel.AddLayer((std::string(ZAMRA_SAMPLES_DIR "/") + sample + ".shp").c_str());
    ASSERT_NE(shapefile, nullptr);
    shapefile->SetBkColor(RGB(200, 40, 40));
    shapefile->SetLabelVisible(0);
    const std::vector<Shape> expected = ShapesOf(shapefile);
    const std::vector<COLORREF> expectedPicture = Picture(shapefileModel);
    for (const Format& format : kFormats) {
      if (format.pointsOnly && shapefile->GetType() != 1)
        continue;
      SCOPED_TRACE(std::string(sample) + " as " + format.name);
      const std::string path = Convert(sample, format);
      ASSERT_FALSE(path.empty());
      CMapModel model;
      ILayer* layer = model.AddLayer(path.c_str());
      ASSERT_NE(layer, nullptr);
      EXPECT_EQ(layer->GetType(), shapefile->GetType());
      char layerPath[260] = "";
      layer->GetPath(layerPath);
      EXPECT_EQ(std::string(layerPath), path) << "a source of one layer is named by its own path";
      EXPECT_TRUE(SameShapes(expected, ShapesOf(layer), format.tolerance));
      std::string formatName, system;
      ASSERT_TRUE(ZamraVectorSource::DescribeLayer(layer, formatName, system));
      EXPECT_FALSE(formatName.empty());
      EXPECT_NE(formatName, "ESRI Shapefile");
      // A CSV file names no coordinate system: its numbers are taken as they are.
      EXPECT_EQ(static_cast<CShapeLayer*>(layer)->Projection().coordinates,
                std::string(format.name) == "CSV" ? LayerCoordinates::NoPrj : LayerCoordinates::LongitudeLatitude);
      if (format.attributes) {
        IDataView* table = layer->GetDataView();
        IDataView* original = shapefile->GetDataView();
        ASSERT_EQ(table->GetRowCount(), original->GetRowCount());
        // Formats may add columns of their own (an id); the samples' columns come by name.
        for (int column = 0; column < original->GetColumnCount(); ++column) {
          int found = -1;
          for (int candidate = 0; candidate < table->GetColumnCount(); ++candidate)
            if (ColumnName(layer, candidate) == ColumnName(shapefile, column))
              found = candidate;
          ASSERT_GE(found, 0) << ColumnName(shapefile, column);
          for (int row = 0; row < original->GetRowCount(); ++row)
            ASSERT_EQ(Cell(layer, row, found), Cell(shapefile, row, column)) << "row " << row;
        }
      }
      layer->SetBkColor(RGB(200, 40, 40));
      layer->SetLabelVisible(0);
      if (format.tolerance == 0.0) {
        EXPECT_TRUE(Picture(model) == expectedPicture) << "the same pixels";
      }
    }
  }
}

TEST_F(VectorFormats, AGeoPackageWithTwoTablesAndAGeoJsonWithMixedKindsGiveOneLayerEach)
{
  const Format gpkg = kFormats[0];
  const std::string package = s_dir->File("two.gpkg");
  int status = -1;
  RunCommand("ogr2ogr -f GPKG '" + package +
                 "' '" ZAMRA_SAMPLES_DIR "/world_countries.shp' -nln countries -nlt PROMOTE_TO_MULTI 2>&1",
             &status);
  ASSERT_EQ(status, 0);
  RunCommand("ogr2ogr -update -f GPKG '" + package + "' '" ZAMRA_SAMPLES_DIR "/world_cities.shp' -nln cities 2>&1",
             &status);
  ASSERT_EQ(status, 0);
  (void)gpkg;
  std::vector<ZamraVectorLayer> layers;
  ASSERT_EQ(ZamraVectorSource::ListLayers(package, layers), ZamraVectorStatus::Ok);
  ASSERT_EQ(layers.size(), 2u);
  EXPECT_EQ(layers[0].table, "countries");
  EXPECT_EQ(layers[0].type, 5);
  EXPECT_EQ(layers[0].title, "countries (polygons)");
  EXPECT_EQ(layers[1].title, "cities (points)");
  CMapModel model;
  EXPECT_EQ(model.AddLayer(package.c_str()), nullptr) << "the host chooses among several";
  ILayer* countries = model.AddLayer(layers[0].path.c_str());
  ILayer* cities = model.AddLayer(layers[1].path.c_str());
  ASSERT_TRUE(countries && cities);
  EXPECT_EQ(countries->GetDataView()->GetRowCount(), 177);
  EXPECT_EQ(cities->GetDataView()->GetRowCount(), 243);
  char name[260] = "";
  cities->GetName(name);
  EXPECT_STREQ(name, "cities");
  EXPECT_EQ(model.AddLayer(layers[1].path.c_str()), nullptr) << "loaded already";

  // Points, lines and polygons in one collection of features, and one collection of two kinds.
  const std::string mixed = s_dir->File("mixed.geojson");
  std::ofstream(mixed) << R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"name":"a"},"geometry":{"type":"Point","coordinates":[1,2]}},
{"type":"Feature","properties":{"name":"b"},"geometry":{"type":"LineString","coordinates":[[0,0],[3,3]]}},
{"type":"Feature","properties":{"name":"c"},"geometry":{"type":"MultiPoint","coordinates":[[5,5],[6,6]]}},
{"type":"Feature","properties":{"name":"d"},"geometry":{"type":"GeometryCollection","geometries":[
  {"type":"Point","coordinates":[7,7]},
  {"type":"Polygon","coordinates":[[[0,0],[0,1],[1,1],[1,0],[0,0]]]}]}},
{"type":"Feature","properties":{"name":"e"},"geometry":null}]})";
  ASSERT_EQ(ZamraVectorSource::ListLayers(mixed, layers), ZamraVectorStatus::Ok);
  ASSERT_EQ(layers.size(), 3u);
  EXPECT_EQ(layers[0].title, "mixed (points)");
  EXPECT_EQ(layers[1].title, "mixed (lines)");
  EXPECT_EQ(layers[2].title, "mixed (polygons)");
  EXPECT_EQ(layers[1].path, mixed + "|mixed|lines");
  ILayer* points = model.AddLayer(layers[0].path.c_str());
  ILayer* lines = model.AddLayer(layers[1].path.c_str());
  ILayer* polygons = model.AddLayer(layers[2].path.c_str());
  ASSERT_TRUE(points && lines && polygons);
  ASSERT_EQ(points->GetDataView()->GetRowCount(), 3);
  EXPECT_EQ(Cell(points, 0, 0), "a");
  EXPECT_EQ(Cell(points, 1, 0), "c");
  EXPECT_EQ(Cell(points, 2, 0), "d");
  auto* pointLayer = static_cast<CPointLayer*>(points);
  EXPECT_EQ(pointLayer->FirstPoint(2) - pointLayer->FirstPoint(1), 2) << "a multipoint keeps its points";
  ASSERT_EQ(lines->GetDataView()->GetRowCount(), 1);
  EXPECT_EQ(Cell(lines, 0, 0), "b");
  ASSERT_EQ(polygons->GetDataView()->GetRowCount(), 1);
  EXPECT_EQ(Cell(polygons, 0, 0), "d");
  const std::vector<Shape> square = ShapesOf(polygons);
  ASSERT_EQ(square.size(), 1u);
  ASSERT_EQ(square[0].size(), 1u);
  ASSERT_EQ(square[0][0].size(), 5u);
  EXPECT_EQ(square[0][0][1].x, 0.0) << "as written";
  EXPECT_EQ(square[0][0][1].y, 1.0);
  char layerName[260] = "";
  lines->GetName(layerName);
  EXPECT_STREQ(layerName, "mixed (lines)");
}

TEST_F(VectorFormats, FieldsKeepTheirExactValuesAndCurvesAndProjectionsAreResolved)
{
  const std::string typed = s_dir->File("typed.geojson");
  std::ofstream(typed) << R"({"type":"FeatureCollection","features":[
{"type":"Feature","properties":{"big":9007199254740993,"small":-7,"real":0.1,"day":"2024-05-01",
 "moment":"2024-05-01T13:45:30.250Z","list":[1,2,3],"words":["a","b\"c"],
 "a_rather_long_field_name_for_dbase":"日本語のテキスト","empty":null},
 "geometry":{"type":"Point","coordinates":[10.5,20.25,99]}},
{"type":"Feature","properties":{"big":-9223372036854775807,"small":2147483647,"real":1e300,"day":null,
 "moment":null,"list":[],"words":[],"a_rather_long_field_name_for_dbase":"","empty":null},
 "geometry":{"type":"Point","coordinates":[-1,-2]}}]})";
  CMapModel model;
  ILayer* layer = model.AddLayer(typed.c_str());
  ASSERT_NE(layer, nullptr);
  IDataView* table = layer->GetDataView();
  ASSERT_EQ(table->GetRowCount(), 2);
  std::vector<std::string> names;
  for (int column = 0; column < table->GetColumnCount(); ++column)
    names.push_back(ColumnName(layer, column));
  auto column = [&](const char* name) {
    const auto found = std::find(names.begin(), names.end(), name);
    EXPECT_NE(found, names.end()) << name;
    return static_cast<int>(found - names.begin());
  };
  EXPECT_EQ(Cell(layer, 0, column("big")), "9007199254740993");
  EXPECT_EQ(Cell(layer, 1, column("big")), "-9223372036854775807");
  EXPECT_EQ(Cell(layer, 1, column("small")), "2147483647");
  zm_variant value;
  table->GetItemValue(0, column("real"), value);
  ASSERT_EQ(value.type, ZM_VAR_DOUBLE);
  double real = 0;
  std::memcpy(&real, value.data, 8);
  EXPECT_EQ(real, 0.1);
  table->GetItemValue(1, column("real"), value);
  std::memcpy(&real, value.data, 8);
  EXPECT_EQ(real, 1e300);
  EXPECT_EQ(Cell(layer, 0, column("day")), "2024-05-01");
  EXPECT_EQ(Cell(layer, 1, column("day")), "");
  EXPECT_EQ(Cell(layer, 0, column("moment")), "2024-05-01T13:45:30.250Z");
  EXPECT_EQ(Cell(layer, 0, column("list")), "[1,2,3]");
  EXPECT_EQ(Cell(layer, 0, column("words")), R"(["a","b\"c"])");
  EXPECT_EQ(Cell(layer, 0, column("a_rather_long_field_name_for_dbase")), "日本語のテキスト");
  table->GetItemValue(0, column("empty"), value);
  EXPECT_NE(value.type, ZM_VAR_DOUBLE);
  const std::vector<Shape> shapes = ShapesOf(layer);
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0][0][0].x, 10.5) << "z dropped";
  EXPECT_EQ(shapes[0][0][0].y, 20.25);

  // A circular arc in a GeoPackage in UTM zone 33N: linearised, then transformed by PROJ.
  const std::string csv = s_dir->File("arc.csv");
  std::ofstream(csv) << "WKT,name\n"
                        "\"CIRCULARSTRING(500000 5000000,501000 5001000,502000 5000000)\",arc\n";
  const std::string package = s_dir->File("arc.gpkg");
  int status = -1;
  const std::string output = RunCommand("ogr2ogr -f GPKG -a_srs EPSG:32633 -nlt CIRCULARSTRING '" + package + "' '" +
                                            csv + "' -oo GEOM_POSSIBLE_NAMES=WKT -oo KEEP_GEOM_COLUMNS=NO 2>&1",
                                        &status);
  ASSERT_EQ(status, 0) << output;
  ILayer* arc = model.AddLayer(package.c_str());
  ASSERT_NE(arc, nullptr);
  EXPECT_EQ(arc->GetType(), 3);
  EXPECT_EQ(static_cast<CShapeLayer*>(arc)->Projection().coordinates, LayerCoordinates::Transformed);
  std::string formatName, system;
  ASSERT_TRUE(ZamraVectorSource::DescribeLayer(arc, formatName, system));
  EXPECT_EQ(formatName, "GeoPackage");
  EXPECT_NE(system.find("UTM zone 33N"), std::string::npos) << system;
  const std::vector<Shape> arcShapes = ShapesOf(arc);
  ASSERT_EQ(arcShapes.size(), 1u);
  ASSERT_EQ(arcShapes[0].size(), 1u);
  EXPECT_GT(arcShapes[0][0].size(), 10u) << "an arc becomes many short lines";
  for (const ST_POINT& point : arcShapes[0][0]) {
    EXPECT_NEAR(point.x, 15.0, 0.05);
    EXPECT_NEAR(point.y, 45.12, 0.05);
  }
}

TEST_F(VectorFormats, DamagedFilesOfEachFamilyAreRefusedWithAStatus)
{
  std::vector<std::string> damaged;
  for (const Format& format : kFormats) {
    const std::string path = Convert(format.pointsOnly ? "world_cities" : "world_countries", format);
    ASSERT_FALSE(path.empty());
    std::vector<unsigned char> bytes = ReadAll(path);
    // Cut in the middle, and a run of bytes overwritten a quarter of the way in.
    std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() / 2));
    const std::string cutPath = s_dir->File(std::string("cut_") + format.name + format.extension);
    WriteAll(cutPath, cut);
    damaged.push_back(cutPath);
    for (size_t i = bytes.size() / 4; i < bytes.size() / 4 + 64 && i < bytes.size(); ++i)
      bytes[i] = static_cast<unsigned char>(0xA5 ^ i);
    const std::string garbledPath = s_dir->File(std::string("garbled_") + format.name + format.extension);
    WriteAll(garbledPath, bytes);
    damaged.push_back(garbledPath);
  }
  const std::string empty = s_dir->File("empty.geojson");
  std::ofstream{empty};
  damaged.push_back(empty);
  damaged.push_back(s_dir->File("missing.gpkg"));
  for (const std::string& path : damaged) {
    SCOPED_TRACE(path);
    CMapModel model;
    ILayer* layer = model.AddLayer(path.c_str());
    if (layer != nullptr)
      continue;  // some damage still reads (a text format cut after a whole feature)
    const ZamraVectorStatus status = ZamraVectorSource::CheckLayer(path);
    EXPECT_NE(status, ZamraVectorStatus::Ok);
    EXPECT_NE(status, ZamraVectorStatus::NoGdal);
  }
  // A ring across 180 degrees with a vertex far off the earth (what a damaged FlatGeobuf gave):
  // loaded as written, not cut into billions of windows.
  const std::string faraway = s_dir->File("faraway.geojson");
  std::ofstream(faraway)
      << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
         R"("geometry":{"type":"Polygon","coordinates":[[[170,0],[-170,1],[-7.7e11,2],[170,0]]]}}]})";
  CMapModel model;
  ILayer* far = model.AddLayer(faraway.c_str());
  ASSERT_NE(far, nullptr);
  const std::vector<Shape> farShapes = ShapesOf(far);
  ASSERT_EQ(farShapes.size(), 1u);
  ASSERT_EQ(farShapes[0].size(), 1u);
  EXPECT_EQ(farShapes[0][0].size(), 4u);
  std::vector<ZamraVectorLayer> layers;
  EXPECT_EQ(ZamraVectorSource::ListLayers(s_dir->File("missing.gpkg"), layers), ZamraVectorStatus::CannotOpen);
  EXPECT_TRUE(layers.empty());
}

TEST(VectorSourcePaths, ShapefilesAndArchivesStayWithTheViewsOwnReader)
{
  EXPECT_FALSE(ZamraVectorSource::IsVectorSource("/data/roads.shp"));
  EXPECT_FALSE(ZamraVectorSource::IsVectorSource("/data/roads.SHX"));
  EXPECT_FALSE(ZamraVectorSource::IsVectorSource("/data/roads.dbf"));
  EXPECT_FALSE(ZamraVectorSource::IsVectorSource("/data/roads.zip"));
  EXPECT_TRUE(ZamraVectorSource::IsVectorSource("/data/roads.gpkg"));
  EXPECT_TRUE(ZamraVectorSource::IsVectorSource("/data/roads.kmz"));
  std::string source, table;
  int type = 0;
  ASSERT_TRUE(ZamraVectorSource::SplitLayerPath("/data/city.gpkg|main|roads|lines", source, table, type));
  EXPECT_EQ(source, "/data/city.gpkg");
  EXPECT_EQ(table, "main|roads");
  EXPECT_EQ(type, 3);
  EXPECT_EQ(ZamraVectorSource::LayerPath(source, table, type), "/data/city.gpkg|main|roads|lines");
  EXPECT_FALSE(ZamraVectorSource::SplitLayerPath("/data/city.gpkg|roads|curves", source, table, type));
  EXPECT_TRUE(source.empty());
}

TEST_F(VectorFormats, AWorkspaceKeepsTheFileTheTableAndTheKind)
{
  const std::string package = s_dir->File("workspace.gpkg");
  int status = -1;
  RunCommand("ogr2ogr -f GPKG '" + package +
                 "' '" ZAMRA_SAMPLES_DIR "/world_countries.shp' -nln countries -nlt PROMOTE_TO_MULTI 2>&1",
             &status);
  ASSERT_EQ(status, 0);
  RunCommand("ogr2ogr -update -f GPKG '" + package + "' '" ZAMRA_SAMPLES_DIR "/world_cities.shp' -nln cities 2>&1",
             &status);
  ASSERT_EQ(status, 0);
  const std::string single = Convert("world_borders", kFormats[1]);
  ASSERT_FALSE(single.empty());
  const std::string workspace = s_dir->File("workspace.xml");
  std::vector<std::string> paths{ZamraVectorSource::LayerPath(package, "cities", 1), single};
  {
    std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
    ASSERT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, nullptr, 2001), 1);
    for (const std::string& path : paths)
      ASSERT_NE(view->AddLayer(path.c_str()), nullptr) << path;
    view->GetLayerByIndex(0)->SetLineColor(RGB(1, 2, 3));
    ASSERT_EQ(view->SaveXml(workspace.c_str()), 1);
  }
  // The workspace is UTF-16; its paths here are ASCII.
  const std::vector<unsigned char> bytes = ReadAll(workspace);
  std::string text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    text += bytes[i + 1] == 0 ? static_cast<char>(bytes[i]) : '?';
  const size_t first = text.find("<layer ");
  const size_t second = text.find("<layer ", first + 1);
  ASSERT_NE(second, std::string::npos) << text;
  const std::string one = text.substr(first, second - first), two = text.substr(second);
  EXPECT_LT(one.find("path="), one.find("source=\"" + package + "\"")) << "after the path";
  EXPECT_NE(one.find("table=\"cities\""), std::string::npos) << one;
  EXPECT_NE(one.find("kind=\"points\""), std::string::npos) << one;
  EXPECT_NE(two.find("source=\"" + single + "\""), std::string::npos) << two;
  EXPECT_NE(two.find("table=\"world_borders\""), std::string::npos) << two;
  EXPECT_EQ(two.find("kind="), std::string::npos) << "a file of one layer stands for it";
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  ASSERT_EQ(view->Create(nullptr, 0, 0, 0, 0, 600, 400, nullptr, 2001), 1);
  ASSERT_EQ(view->LoadXml(workspace.c_str()), 1);
  ASSERT_EQ(view->GetLayerCount(), 2);
  for (int index = 0; index < 2; ++index) {
    char path[260] = "";
    view->GetLayerByIndex(index)->GetPath(path);
    EXPECT_EQ(std::string(path), paths[static_cast<size_t>(index)]);
  }
  EXPECT_EQ(view->GetLayerByIndex(0)->GetLineColor(), RGB(1, 2, 3));
}
