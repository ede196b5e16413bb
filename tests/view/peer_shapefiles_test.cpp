// Shapefiles that other readers (shapelib, pyshp, GDAL) read and that the map view once refused
// or misread: a .shp without its .dbf, a field of width 0, a .prj without formulas, the .cpg
// spellings GDAL hands to iconv, multipatch surfaces, a path without a folder and a path to the
// .shx or .dbf of a trio. Where GDAL's tools are cheap to ask, the test compares with them.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "api/formats/dbf_file.h"
#include "shape_core/text_code_page.h"
#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "model/map_model.h"
#include "layers/polygon_layer.h"
#include "layers/shape_layer.h"

using namespace zamra::view;

using zamra_test::RunCommand;
using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

std::string Cell(ILayer* layer, int row, int column)
{
  char text[ZMDataView::kTextSize] = "";
  static_cast<CShapeLayer*>(layer)->LayerDataView()->GetItemText(row, column, text, sizeof text);
  return text;
}

// The value of field `field` in each feature GDAL reads from `path` ("(null)" for none).
std::vector<std::string> OgrValues(const std::string& path, const std::string& field)
{
  int status = -1;
  const std::string output = RunCommand("ogrinfo -ro -al -q '" + path + "' 2>&1", &status);
  EXPECT_EQ(status, 0) << output;
  std::vector<std::string> values;
  const std::string key = "  " + field + " (";
  size_t start = 0;
  while (start < output.size()) {
    const size_t end = std::min(output.find('\n', start), output.size());
    const std::string line = output.substr(start, end - start);
    if (line.compare(0, key.size(), key) == 0) {
      const size_t equals = line.find(" = ");
      values.push_back(equals == std::string::npos ? std::string() : line.substr(equals + 3));
    }
    start = end + 1;
  }
  return values;
}

// The number of features GDAL counts in `path`.
int OgrFeatureCount(const std::string& path)
{
  int status = -1;
  const std::string output = RunCommand("ogrinfo -ro -so -al '" + path + "' 2>&1", &status);
  const size_t at = output.find("Feature Count: ");
  return status == 0 && at != std::string::npos ? std::stoi(output.substr(at + 15)) : -1;
}

struct RawField {
  std::string name;
  char letter;
  int width;
};

// A dBASE III table written byte by byte, so that it can hold what writers refuse to make.
void WriteRawDbf(const std::string& path, const std::vector<RawField>& fields,
                 const std::vector<std::vector<std::string>>& rows)
{
  int recordLength = 1;
  for (const RawField& field : fields)
    recordLength += field.width;
  std::vector<unsigned char> bytes(32, 0);
  bytes[0] = 3;
  bytes[1] = 126, bytes[2] = 1, bytes[3] = 1;
  const auto put32 = [&](size_t at, std::uint32_t value) { std::memcpy(&bytes[at], &value, 4); };
  const auto put16 = [&](size_t at, std::uint16_t value) { std::memcpy(&bytes[at], &value, 2); };
  put32(4, static_cast<std::uint32_t>(rows.size()));
  put16(8, static_cast<std::uint16_t>(32 + 32 * fields.size() + 1));
  put16(10, static_cast<std::uint16_t>(recordLength));
  for (const RawField& field : fields) {
    std::vector<unsigned char> descriptor(32, 0);
    std::memcpy(descriptor.data(), field.name.data(), std::min<size_t>(field.name.size(), 10));
    descriptor[11] = static_cast<unsigned char>(field.letter);
    descriptor[16] = static_cast<unsigned char>(field.width);
    bytes.insert(bytes.end(), descriptor.begin(), descriptor.end());
  }
  bytes.push_back(0x0D);
  for (const auto& row : rows) {
    bytes.push_back(' ');
    for (size_t column = 0; column < fields.size(); ++column) {
      std::string text = column < row.size() ? row[column] : "";
      text.resize(static_cast<size_t>(fields[column].width), ' ');
      bytes.insert(bytes.end(), text.begin(), text.end());
    }
  }
  bytes.push_back(0x1A);
  zamra_test::WriteAll(path, bytes);
}

// Three squares 0..1, 5..6 and 9..10, named a, b and c.
void WriteSquares(const std::string& base)
{
  ASSERT_TRUE(WriteShapefile(base, SHPT_POLYGON,
                             {TestShape{{Square(0, 0, 1)}}, TestShape{{Square(5, 5, 1)}}, TestShape{{Square(9, 9, 1)}}},
                             {{"name", FTString, 10, 0}}, {{"a"}, {"b"}, {"c"}}));
}

}  // namespace

TEST(PeerShapefiles, AShpWithoutItsDbfLoadsWithATableOfRecordNumbersOnly)
{
  TempDir dir;
  WriteSquares(dir.File("squares"));
  std::filesystem::remove(dir.File("squares.dbf"));
  ASSERT_EQ(OgrFeatureCount(dir.File("squares.shp")), 3) << "GDAL reads it";
  CMapModel model;
  ILayer* layer = model.AddLayer(dir.File("squares.shp").c_str());
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->GetDataView()->GetRowCount(), 3);
  EXPECT_EQ(layer->GetDataView()->GetColumnCount(), 0);
  EXPECT_EQ(layer->HitTest(5.5, 5.5), 1);
  EXPECT_EQ(layer->HitTest(9.5, 9.5), 2);
  char text[ZMDataView::kTextSize] = "x";
  layer->GetDataView()->GetItemValue(1, 0, text);
  EXPECT_STREQ(text, "") << "no column to read";

  // A .dbf that is there but broken still refuses the layer: its table would be wrong.
  zamra_test::WriteAll(dir.File("squares.dbf"), {3, 0, 0});
  CMapModel other;
  EXPECT_EQ(other.AddLayer(dir.File("squares.shp").c_str()), nullptr);
}

TEST(PeerShapefiles, AFieldOfWidthZeroIsAnEmptyColumnAndTheOthersAreRead)
{
  TempDir dir;
  WriteSquares(dir.File("squares"));
  const std::vector<std::vector<std::string>> rows = {{"alpha", "", "12"}, {"beta", "", "345"}, {"gamma", "", "6"}};
  WriteRawDbf(dir.File("squares.dbf"), {{"NAME", 'C', 8}, {"EMPTY", 'C', 0}, {"POP", 'N', 6}}, rows);
  const std::vector<std::string> gdalNames = OgrValues(dir.File("squares.dbf"), "NAME");
  const std::vector<std::string> gdalEmpty = OgrValues(dir.File("squares.dbf"), "EMPTY");
  const std::vector<std::string> gdalPop = OgrValues(dir.File("squares.dbf"), "POP");
  ASSERT_EQ(gdalNames.size(), 3u) << "GDAL reads the table";

  CMapModel model;
  ILayer* layer = model.AddLayer(dir.File("squares.shp").c_str());
  ASSERT_NE(layer, nullptr);
  ASSERT_EQ(layer->GetDataView()->GetColumnCount(), 3);
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Cell(layer, row, 0), gdalNames[static_cast<size_t>(row)]);
    EXPECT_EQ(Cell(layer, row, 1), "");
    EXPECT_EQ(gdalEmpty[static_cast<size_t>(row)], "(null)");
    EXPECT_EQ(Cell(layer, row, 2), gdalPop[static_cast<size_t>(row)]);
  }
  // A width-0 field at the end and one of a binary kind (whose values would be read as 8
  // bytes) are as empty.
  WriteRawDbf(dir.File("binary.dbf"), {{"B", 'B', 0}, {"NAME", 'C', 4}, {"I", 'I', 0}}, {{"", "one"}, {"", "two"}});
  std::unique_ptr<ZMDataView> table(ZMDbfFile::LoadFile(dir.File("binary.dbf").c_str()));
  ASSERT_NE(table, nullptr);
  char text[ZMDataView::kTextSize];
  table->GetItemValue(1, 1, text, sizeof text);
  EXPECT_STREQ(text, "two");
  zm_variant value;
  table->GetItemValue(1, 0, value);
  EXPECT_EQ(value.type, ZM_VAR_NULL);
  table->GetItemValue(0, 2, value);
  EXPECT_EQ(value.type, ZM_VAR_NULL);
}

TEST(PeerShapefiles, APrjWithoutFormulasLeavesTheNumbersAsTheyAre)
{
  TempDir dir;
  WriteSquares(dir.File("squares"));
  std::ofstream(dir.File("squares.prj"))
      << R"(PROJCS["unnamed",GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563]],)"
         R"(PRIMEM["Greenwich",0],UNIT["degree",0.0174532925199433]],PROJECTION["Unknown projection"],UNIT["metre",1]])";
  CMapModel model;
  auto* layer = dynamic_cast<CShapeLayer*>(model.AddLayer(dir.File("squares.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->Projection().coordinates, LayerCoordinates::UnreadablePrj);
  EXPECT_EQ(layer->Projection().droppedRecords, 0);
  EXPECT_EQ(layer->HitTest(0.5, 0.5), 0);
  EXPECT_EQ(layer->HitTest(9.5, 9.5), 2);
  double left = 0, bottom = 0, right = 0, top = 0;
  layer->GetRect(&left, &bottom, &right, &top);
  EXPECT_EQ(left, 0.0);
  EXPECT_EQ(top, 10.0);
}

TEST(PeerShapefiles, EveryCpgSpellingGdalReadsNamesItsCodePage)
{
  struct Spelling {
    const char* cpg;
    unsigned codePage;
    bool gdalReadsIt;  // GDAL passes some spellings to iconv, which does not know them all
  };
  const Spelling spellings[] = {
      {"latin2", 28592, true}, {"ISO8859-2", 28592, true},    {"8859_2", 28592, false}, {"ISO-8859-2", 28592, true},
      {"L2", 28592, true},     {"ISO-LATIN-2", 28592, false}, {"cp1250", 1250, true},   {"windows-1250", 1250, true},
      {"1250", 1250, true},    {"ANSI 1250", 1250, false},    {"latin9", 28605, true},  {"ISO8859-13", 28603, true},
      {"latin5", 28599, true}, {"greek", 28597, true},        {"koi8r", 20866, true},   {"KOI8-U", 21866, true},
      {"big5", 950, true},     {"UTF8", 65001, true},         {"utf-8", 65001, true},   {"macintosh", 10000, true},
      {"TIS-620", 874, false}, {"LDID/87", 1252, false},      {"cp866", 866, true},
  };
  // The same letters in each family's bytes: "ąę" / "Ωλ" / "Жя" / "中文" / "é" / "ก".
  const std::map<unsigned, std::pair<std::string, std::string>> samples = {
      {28592, {"\xB1\xEA", "ąę"}}, {1250, {"\xB9\xEA", "ąę"}},  {28605, {"\xE9\xA4", "é€"}},
      {28603, {"\xE0\xE6", "ąę"}}, {28599, {"\xFD\xFE", "ış"}}, {28597, {"\xD9\xEB", "Ωλ"}},
      {20866, {"\xF6\xD1", "Жя"}}, {21866, {"\xA4\xA7", "єї"}}, {950, {"\xA4\xA4\xA4\xE5", "中文"}},
      {65001, {"\xC3\xA9", "é"}},  {10000, {"\x8E", "é"}},      {874, {"\xA1", "ก"}},
      {1252, {"\xE9", "é"}},       {866, {"\x86\xEF", "Жя"}},
  };
  TempDir dir;
  int file = 0;
  for (const Spelling& spelling : spellings) {
    SCOPED_TRACE(spelling.cpg);
    EXPECT_EQ(zamra::shape::CodePageOfName(spelling.cpg), spelling.codePage);
    const auto& [bytes, text] = samples.at(spelling.codePage);
    const std::string base = dir.File("t" + std::to_string(++file));
    ASSERT_TRUE(
        WriteShapefile(base, SHPT_POINT, {TestShape{{{{1, 1}}}}}, {TestColumn{"name", FTString, 20, 0}}, {{bytes}}));
    std::ofstream(base + ".cpg", std::ios::binary) << spelling.cpg;
    CMapModel model;
    ILayer* layer = model.AddLayer((base + ".shp").c_str());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(Cell(layer, 0, 0), text);
    if (spelling.gdalReadsIt) {
      EXPECT_EQ(OgrValues(base + ".dbf", "name"), std::vector<std::string>{text}) << "as GDAL reads it";
    }
  }
}

TEST(PeerShapefiles, APathWithoutAFolderNamesItsLayer)
{
  TempDir dir;
  WriteSquares(dir.File("states"));
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  CMapModel model;
  ILayer* layer = model.AddLayer("states.shp");
  std::filesystem::current_path(before);
  ASSERT_NE(layer, nullptr);
  char name[260] = "?";
  layer->GetName(name);
  EXPECT_STREQ(name, "states.shp");
}

TEST(PeerShapefiles, ThePathOfTheShxOrDbfOpensTheShapefile)
{
  TempDir dir;
  WriteSquares(dir.File("squares"));
  WriteSquares(dir.File("UPPER"));
  for (const char* extension : {".shp", ".shx", ".dbf"}) {
    std::filesystem::rename(dir.File(std::string("UPPER") + extension),
                            dir.File(std::string("UPPER") + std::string(extension == std::string(".shp")   ? ".SHP"
                                                                        : extension == std::string(".shx") ? ".SHX"
                                                                                                           : ".DBF")));
  }
  for (const std::string& named : {dir.File("squares.shx"), dir.File("squares.dbf"), dir.File("UPPER.DBF")}) {
    SCOPED_TRACE(named);
    CMapModel model;
    ILayer* layer = model.AddLayer(named.c_str());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetType(), 5);
    char path[260] = {};
    layer->GetPath(path);
    const std::string expected = named.substr(0, named.size() - 4) + (named.back() == 'F' ? ".SHP" : ".shp");
    EXPECT_EQ(std::string(path), expected);
    EXPECT_EQ(layer->HitTest(5.5, 5.5), 1);
    EXPECT_EQ(Cell(layer, 2, 0), "c");
    EXPECT_EQ(model.AddLayer(expected.c_str()), nullptr) << "the same layer, loaded already";
  }
  // A .dbf alone is still no layer.
  std::filesystem::remove(dir.File("squares.shp"));
  CMapModel model;
  EXPECT_EQ(model.AddLayer(dir.File("squares.dbf").c_str()), nullptr);
}

TEST(PeerShapefiles, NumbersThatCannotBeDegreesGrowTheLargestScale)
{
  TempDir dir;
  // A UTM-like layer in metres without a .prj: 400 km wide, 1000 km tall.
  ASSERT_TRUE(
      WriteShapefile(dir.File("utm"), SHPT_POLYGON,
                     {TestShape{{Square(300000, 4000000, 400000)}}, TestShape{{Square(500000, 4900000, 100000)}}}));
  CMapModel model;
  auto* layer = dynamic_cast<CShapeLayer*>(model.AddLayer(dir.File("utm.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  EXPECT_FALSE(layer->InLongitudeLatitude());
  const double largest = model.LargestScale();
  EXPECT_GT(largest, CMapModel::kMaxScale);
  // At the largest scale the layer's height (the longer side) fits in less than 300 pixels.
  ASSERT_EQ(model.SetScaleValue(largest), 1);
  const double pixelsTall = 1000000.0 * CMapModel::kMetersPerDegreeY / largest * CMapModel::kPixelsPerMeter;
  EXPECT_LT(pixelsTall, 300.0);
  EXPECT_GT(pixelsTall, 100.0);
  EXPECT_TRUE(layer->IsInScaleRange(largest)) << "drawn there";
  EXPECT_EQ(model.SetScaleValue(largest * 1.01), 0);

  // World data keeps the largest scale it had.
  CMapModel world;
  ASSERT_TRUE(WriteShapefile(dir.File("world"), SHPT_POLYGON, {TestShape{{Square(-180, -90, 180)}}}));
  ASSERT_NE(world.AddLayer(dir.File("world.shp").c_str()), nullptr);
  EXPECT_EQ(world.LargestScale(), CMapModel::kMaxScale);
  EXPECT_EQ(world.SetScaleValue(CMapModel::kMaxScale * 1.01), 0);
}

namespace {

struct PatchPart {
  int type;
  std::vector<ST_POINT> points;
};

// A multipatch file written by shapelib, one record per entry, with a "name" column.
void WriteMultipatch(const std::string& base,
                     const std::vector<std::pair<std::string, std::vector<PatchPart>>>& records)
{
  SHPHandle shp = SHPCreate(base.c_str(), SHPT_MULTIPATCH);
  DBFHandle dbf = DBFCreate((base + ".dbf").c_str());
  ASSERT_TRUE(shp != nullptr && dbf != nullptr);
  DBFAddField(dbf, "name", FTString, 12, 0);
  for (size_t i = 0; i < records.size(); ++i) {
    std::vector<double> xs, ys, zs;
    std::vector<int> starts, types;
    for (const PatchPart& part : records[i].second) {
      starts.push_back(static_cast<int>(xs.size()));
      types.push_back(part.type);
      for (const ST_POINT& point : part.points) {
        xs.push_back(point.x);
        ys.push_back(point.y);
        zs.push_back(static_cast<double>(part.type));  // heights differ by part
      }
    }
    SHPObject* object = SHPCreateObject(SHPT_MULTIPATCH, -1, static_cast<int>(starts.size()), starts.data(),
                                        types.data(), static_cast<int>(xs.size()), xs.data(), ys.data(), zs.data(),
                                        nullptr);
    SHPWriteObject(shp, -1, object);
    SHPDestroyObject(object);
    DBFWriteStringAttribute(dbf, static_cast<int>(i), 0, records[i].first.c_str());
  }
  SHPClose(shp);
  DBFClose(dbf);
}

std::vector<ST_POINT> Box(double x, double y, double size)
{
  return {{x, y}, {x, y + size}, {x + size, y + size}, {x + size, y}, {x, y}};
}

}  // namespace

TEST(PeerShapefiles, MultipatchSurfacesAreHitAndDrawnAsThePolygonsTheyCover)
{
  TempDir dir;
  WriteMultipatch(
      dir.File("patch"),
      {
          {"strip", {{SHPP_TRISTRIP, {{0, 0}, {0, 2}, {2, 0}, {2, 2}}}}},
          {"fan", {{SHPP_TRIFAN, {{11, 1}, {10, 0}, {12, 0}, {12, 2}, {10, 2}, {10, 0}}}}},
          {"rings", {{SHPP_OUTERRING, Box(20, 0, 6)}, {SHPP_INNERRING, Box(22, 2, 2)}}},
          // A floor with a hole and a roof over it: as one area the two would cancel out.
          {"box", {{SHPP_FIRSTRING, Box(30, 0, 6)}, {SHPP_RING, Box(32, 2, 2)}, {SHPP_FIRSTRING, Box(30, 0, 6)}}},
          {"unknown", {{9, Box(40, 0, 2)}}},
          {"triangles", {{6, {{50, 0}, {50, 2}, {52, 0}, {53, 0}, {53, 2}, {55, 0}}}}},
          {"null", {}},
      });
  CMapModel model;
  auto* layer = dynamic_cast<CPolygonLayer*>(model.AddLayer(dir.File("patch.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  ASSERT_EQ(layer->RecordCount(), 7);
  EXPECT_EQ(layer->HitTest(0.5, 0.5), 0);
  EXPECT_EQ(layer->HitTest(1.5, 1.5), 0);
  EXPECT_EQ(layer->HitTest(10.2, 1.0), 1);
  EXPECT_EQ(layer->HitTest(21.0, 3.0), 2);
  EXPECT_EQ(layer->HitTest(23.0, 3.0), -1) << "the inner ring is a hole";
  EXPECT_EQ(layer->HitTest(33.0, 3.0), 3) << "under the roof";
  EXPECT_EQ(layer->HitTest(41.0, 1.0), -1) << "a part of unknown type is left out";
  EXPECT_EQ(layer->HitTest(50.5, 0.5), 5);
  EXPECT_EQ(layer->HitTest(52.5, 1.5), -1) << "between the two triangles of the list";
  EXPECT_EQ(Cell(layer, 5, 0), "triangles");
  EXPECT_EQ(layer->Records()[6].partCount, 0);

  // GDAL's reading of the same file, each polygon a feature of its own, hits the same records.
  int status = -1;
  const std::string output = RunCommand("ogr2ogr -f 'ESRI Shapefile' -explodecollections -nlt POLYGON -dim XY '" +
                                            dir.File("gdal.shp") + "' '" + dir.File("patch.shp") + "' 2>&1",
                                        &status);
  ASSERT_EQ(status, 0) << output;
  ILayer* gdal = model.AddLayer(dir.File("gdal.shp").c_str());
  ASSERT_NE(gdal, nullptr);
  int compared = 0, hits = 0;
  for (double y = -0.877; y < 7; y += 0.31)
    for (double x = -0.877; x < 56; x += 0.31) {
      const int ours = layer->HitTest(x, y);
      const int theirs = gdal->HitTest(x, y);
      ASSERT_EQ(ours < 0 ? std::string() : Cell(layer, ours, 0), theirs < 0 ? std::string() : Cell(gdal, theirs, 0))
          << "at " << x << ", " << y;
      ++compared;
      hits += ours >= 0 ? 1 : 0;
    }
  EXPECT_GT(hits, compared / 10);
}
