// ZMShapeFile and its point, polyline and polygon classes: the factory, loading (with files
// from shapelib and pyshp), adding, the written layout, round trips, null shapes, broken
// records and saving that never loses the trio already on disk.
// SPDX-License-Identifier: MIT
#include "api/formats/shape_file.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <shapefil.h>
#include <signal.h>        // SIGXFSZ
#include <sys/resource.h>  // RLIMIT_FSIZE

#include "api/formats/dbf_file.h"
#include "api/formats/polygon.h"
#include "api/formats/polyline.h"
#include "support/address_space.h"
#include "support/table_values.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::ReadAll;
using zamra_test::TempDir;
using zamra_test::WriteAll;

int BigAt(const std::vector<unsigned char>& bytes, size_t offset)
{
  return static_cast<int>(static_cast<std::uint32_t>(bytes[offset]) << 24 | bytes[offset + 1] << 16 |
                          bytes[offset + 2] << 8 | bytes[offset + 3]);
}

int LittleAt(const std::vector<unsigned char>& bytes, size_t offset)
{
  std::int32_t value;
  std::memcpy(&value, &bytes[offset], 4);
  return value;
}

// A shapefile trio written by shapelib: shapes given as parts of (x, y) lists; an empty list
// of parts writes a null shape. The .dbf gets `rows` rows of ID and NAME.
struct Shape {
  std::vector<std::vector<ST_POINT>> parts;
};

void WriteWithShapelib(const std::string& base, int shapeType, const std::vector<Shape>& shapes, int rows)
{
  SHPHandle shp = SHPCreate(base.c_str(), shapeType);
  ASSERT_NE(shp, nullptr);
  for (const Shape& shape : shapes) {
    std::vector<int> starts;
    std::vector<double> xs;
    std::vector<double> ys;
    for (const auto& part : shape.parts) {
      starts.push_back(static_cast<int>(xs.size()));
      for (const ST_POINT& point : part) {
        xs.push_back(point.x);
        ys.push_back(point.y);
      }
    }
    SHPObject* object = shape.parts.empty()
                            ? SHPCreateSimpleObject(SHPT_NULL, 0, nullptr, nullptr, nullptr)
                            : SHPCreateObject(shapeType, -1,
                                              shapeType == SHPT_POINT ? 0 : static_cast<int>(starts.size()),
                                              starts.data(), nullptr, static_cast<int>(xs.size()), xs.data(), ys.data(),
                                              nullptr, nullptr);
    SHPWriteObject(shp, -1, object);
    SHPDestroyObject(object);
  }
  SHPClose(shp);
  DBFHandle dbf = DBFCreate((base + ".dbf").c_str());
  ASSERT_NE(dbf, nullptr);
  DBFAddField(dbf, "ID", FTInteger, 6, 0);
  DBFAddField(dbf, "NAME", FTString, 12, 0);
  for (int row = 0; row < rows; ++row) {
    DBFWriteIntegerAttribute(dbf, row, 0, row + 1);
    DBFWriteStringAttribute(dbf, row, 1, ("Shape " + std::to_string(row + 1)).c_str());
  }
  DBFClose(dbf);
}

std::vector<Shape> ThreePoints() { return {{{{{1.0, 2.0}}}}, {{{{3.5, -4.25}}}}, {{{{100.0, 60.0}}}}}; }

::testing::AssertionResult SameParts(const ST_MPOLYGON* record, const std::vector<std::vector<ST_POINT>>& parts)
{
  if (record == nullptr)
    return ::testing::AssertionFailure() << "no record";
  if (record->partCount != static_cast<int>(parts.size()))
    return ::testing::AssertionFailure() << record->partCount << " parts instead of " << parts.size();
  for (size_t part = 0; part < parts.size(); ++part) {
    const ST_POLYGON& ring = record->parts[part];
    if (ring.pointCount != static_cast<int>(parts[part].size()))
      return ::testing::AssertionFailure() << "part " << part << " has " << ring.pointCount << " points";
    for (size_t index = 0; index < parts[part].size(); ++index)
      if (ring.points[index].x != parts[part][index].x || ring.points[index].y != parts[part][index].y)
        return ::testing::AssertionFailure() << "part " << part << " point " << index << " is (" << ring.points[index].x
                                             << ", " << ring.points[index].y << ")";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameParts(const ST_MPOLYLINE* record, const std::vector<std::vector<ST_POINT>>& parts)
{
  return SameParts(reinterpret_cast<const ST_MPOLYGON*>(record), parts);  // the same layout
}

std::unique_ptr<ZMShapeFile> Open(const std::string& path)
{
  return std::unique_ptr<ZMShapeFile>(ZMShapeFile::GetInstance(path.c_str()));
}

std::string CellText(ZMDataView* table, int row, int column)
{
  char text[ZMDataView::kTextSize];
  table->GetItemValue(row, column, text, sizeof text);
  return text;
}

TEST(ShapeFile, FactoryRefusesNamesAndHeadersItCannotUse)
{
  TempDir dir;
  WriteWithShapelib(dir.File("points"), SHPT_POINT, ThreePoints(), 3);
  EXPECT_FALSE(Open(dir.File("points")));       // no "."
  EXPECT_FALSE(Open(dir.File("missing.shp")));  // no .shx
  std::filesystem::create_directory(dir.File("folder.d"));
  EXPECT_FALSE(Open(dir.File("folder.d/points")));  // the "." belongs to the folder

  std::vector<unsigned char> shx = ReadAll(dir.File("points.shx"));
  shx[32] = 8;  // multipoint
  WriteAll(dir.File("points.shx"), shx);
  EXPECT_FALSE(Open(dir.File("points.shp")));

  // A .shx that names another type than its .shp.
  WriteWithShapelib(dir.File("mixed"), SHPT_POINT, ThreePoints(), 3);
  shx = ReadAll(dir.File("mixed.shx"));
  shx[32] = 5;
  WriteAll(dir.File("mixed.shx"), shx);
  EXPECT_FALSE(Open(dir.File("mixed.shp")));
}

TEST(ShapeFile, EveryShapeLoadsWhateverRowsTheDbfHas)
{
  TempDir dir;
  WriteWithShapelib(dir.File("three"), SHPT_POINT, ThreePoints(), 3);
  auto three = Open(dir.File("three.shp"));
  ASSERT_TRUE(three);
  EXPECT_EQ(three->GetShapeType(), 1);
  ASSERT_EQ(three->GetRecordCount(), 3);
  auto* points = static_cast<ZMShapePointFile*>(three.get());
  EXPECT_EQ(points->GetShape(1)->x, 3.5);
  EXPECT_EQ(points->GetShape(1)->y, -4.25);
  EXPECT_EQ(points->GetShape(3), nullptr);
  EXPECT_EQ(points->GetShape(-1), nullptr);
  EXPECT_EQ(CellText(three->GetDataView(), 2, 1), "Shape 3");
  ST_RECT box;
  three->GetEnvelop(&box);
  EXPECT_EQ(box.left, 1.0);
  EXPECT_EQ(box.right, 100.0);
  EXPECT_EQ(box.top, 60.0);
  EXPECT_EQ(box.bottom, -4.25);

  // A .dbf with fewer rows: every shape loads, the missing rows are blank.
  WriteWithShapelib(dir.File("two"), SHPT_POINT, ThreePoints(), 2);
  auto two = Open(dir.File("two.shp"));
  ASSERT_TRUE(two);
  EXPECT_EQ(two->GetRecordCount(), 3);
  EXPECT_EQ(two->GetDataView()->GetRowCount(), 3);
  EXPECT_EQ(CellText(two->GetDataView(), 1, 1), "Shape 2");
  EXPECT_EQ(CellText(two->GetDataView(), 2, 1), "");

  WriteWithShapelib(dir.File("four"), SHPT_POINT, ThreePoints(), 4);  // more rows than shapes
  EXPECT_FALSE(Open(dir.File("four.shp")));

  // Loading again replaces what the object holds.
  ASSERT_TRUE(three->Load(dir.File("three.shp").c_str()));
  EXPECT_EQ(three->GetRecordCount(), 3);
  EXPECT_EQ(points->GetShape(2)->x, 100.0);
  EXPECT_FALSE(three->Load(dir.File("four.shp").c_str()));
  EXPECT_EQ(three->GetRecordCount(), 0);
  EXPECT_EQ(points->GetShape(0), nullptr);
}

TEST(ShapeFile, AddedPointsWidenTheBoxAndSaveInTheStatedLayout)
{
  TempDir dir;
  ZMShapePointFile file;
  const ST_POINT first{2, 5};
  const ST_POINT second{4, 1};
  ASSERT_TRUE(file.AddShape(&first));
  ASSERT_TRUE(file.AddShape(&second));
  EXPECT_FALSE(file.AddShape(nullptr));
  EXPECT_EQ(file.GetRecordCount(), 2);
  ST_RECT box;
  file.GetEnvelop(&box);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.right, 4);
  EXPECT_EQ(box.top, 5);
  EXPECT_EQ(box.bottom, 1);

  ASSERT_TRUE(file.Save(dir.File("two.shp").c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir.File("two.dbf")));  // no table, no .dbf
  const std::vector<unsigned char> shp = ReadAll(dir.File("two.shp"));
  const std::vector<unsigned char> shx = ReadAll(dir.File("two.shx"));
  ASSERT_EQ(shp.size(), 156u);
  EXPECT_EQ(BigAt(shp, 0), 9994);
  EXPECT_EQ(BigAt(shp, 24), 78);
  EXPECT_EQ(LittleAt(shp, 28), 1000);
  EXPECT_EQ(LittleAt(shp, 32), 1);
  EXPECT_EQ(BigAt(shp, 100), 1);
  EXPECT_EQ(BigAt(shp, 104), 10);
  EXPECT_EQ(LittleAt(shp, 108), 1);
  EXPECT_EQ(BigAt(shp, 128), 2);
  ASSERT_EQ(shx.size(), 116u);
  EXPECT_EQ(BigAt(shx, 24), 58);
  EXPECT_EQ(BigAt(shx, 100), 50);
  EXPECT_EQ(BigAt(shx, 104), 10);
  EXPECT_EQ(BigAt(shx, 108), 64);
  EXPECT_EQ(BigAt(shx, 112), 10);
}

TEST(ShapeFile, PolylineRecordsCarryTheirContentLength)
{
  TempDir dir;
  ZMShapePolylineFile file;
  std::unique_ptr<ST_MPOLYLINE> line(ZMPolyline::NewMPolyline());
  ZMPolyline::AddPolyline(line.get());
  const ST_POINT a{0, 0};
  const ST_POINT b{3, 4};
  ZMPolyline::AddPoint(line.get(), &a, -1, -1);
  ZMPolyline::AddPoint(line.get(), &b, -1, -1);
  ZMPolyline::UpdateEnvelop(line.get());
  ASSERT_TRUE(file.AddShape(line.get()));
  ASSERT_TRUE(file.Save(dir.File("line.shp").c_str()));
  const std::vector<unsigned char> shp = ReadAll(dir.File("line.shp"));
  const std::vector<unsigned char> shx = ReadAll(dir.File("line.shx"));
  ASSERT_EQ(shp.size(), 100u + 88);
  EXPECT_EQ(BigAt(shp, 24), 94);
  EXPECT_EQ(BigAt(shp, 104), 40);
  EXPECT_EQ(LittleAt(shp, 108), 3);
  EXPECT_EQ(BigAt(shx, 100), 50);
  EXPECT_EQ(BigAt(shx, 104), 40);
}

TEST(ShapeFile, DataViewAndRemoveAllKeepWhatTheyShould)
{
  ZMShapePolygonFile file;
  ZMDataView* table = file.GetDataView();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->GetColumnCount(), 1);
  EXPECT_EQ(file.GetDataView(), table);

  std::unique_ptr<ST_MPOLYGON> ring(ZMPolygon::NewMPolygon());
  ZMPolygon::AddPolygon(ring.get());
  for (const ST_POINT& point : {ST_POINT{0, 0}, ST_POINT{0, 1}, ST_POINT{1, 1}, ST_POINT{0, 0}})
    ZMPolygon::AddPoint(ring.get(), &point, -1, -1);
  ZMPolygon::UpdateEnvelop(ring.get());
  ASSERT_TRUE(file.AddShape(ring.get()));
  table->SetColumn(0, ZM_VAR_STRING, 8, "NAME", nullptr, 1);
  table->AddRow();
  ring->parts[0].points[0].x = 99;  // the file holds its own copy
  EXPECT_EQ(file.GetShape(0)->parts[0].points[0].x, 0);

  file.RemoveAll();
  EXPECT_EQ(file.GetRecordCount(), 0);
  EXPECT_EQ(file.GetShape(0), nullptr);
  EXPECT_EQ(table->GetRowCount(), 0);
  EXPECT_EQ(table->GetColumnCount(), 1);
  ST_RECT box;
  file.GetEnvelop(&box);
  EXPECT_EQ(box.right, 1);
  EXPECT_EQ(box.top, 1);
}

TEST(ShapeFile, NullShapesKeepTheirPlaceAndSaveBackAsNull)
{
  TempDir dir;
  const std::vector<std::vector<ST_POINT>> square = {{{0, 0}, {0, 2}, {2, 2}, {2, 0}, {0, 0}}};
  const std::vector<std::vector<ST_POINT>> holed = {{{10, 10}, {10, 20}, {20, 20}, {20, 10}, {10, 10}},
                                                    {{12, 12}, {14, 12}, {14, 14}, {12, 14}, {12, 12}}};
  WriteWithShapelib(dir.File("gaps"), SHPT_POLYGON, {{square}, {}, {holed}, {}}, 4);
  auto file = Open(dir.File("gaps.shp"));
  ASSERT_TRUE(file);
  auto* polygons = dynamic_cast<ZMShapePolygonFile*>(file.get());
  ASSERT_NE(polygons, nullptr);
  ASSERT_EQ(file->GetRecordCount(), 4);
  EXPECT_TRUE(SameParts(polygons->GetShape(0), square));
  EXPECT_EQ(polygons->GetShape(1), nullptr);
  EXPECT_TRUE(SameParts(polygons->GetShape(2), holed));
  EXPECT_EQ(polygons->GetShape(3), nullptr);

  ASSERT_TRUE(file->Save(dir.File("again.shp").c_str()));
  SHPHandle shp = SHPOpen(dir.File("again.shp").c_str(), "rb");
  ASSERT_NE(shp, nullptr);
  int entities = 0;
  SHPGetInfo(shp, &entities, nullptr, nullptr, nullptr);
  ASSERT_EQ(entities, 4);
  const int expectedTypes[] = {SHPT_POLYGON, SHPT_NULL, SHPT_POLYGON, SHPT_NULL};
  for (int index = 0; index < 4; ++index) {
    SHPObject* object = SHPReadObject(shp, index);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->nSHPType, expectedTypes[index]) << index;
    if (index == 2) {
      ASSERT_EQ(object->nParts, 2);
      ASSERT_EQ(object->nVertices, 10);
      EXPECT_EQ(object->panPartStart[1], 5);
      EXPECT_EQ(object->padfX[6], 14);
      EXPECT_EQ(object->padfY[8], 14);
    }
    SHPDestroyObject(object);
  }
  SHPClose(shp);
}

TEST(ShapeFile, BrokenRecordsAreRefusedInsteadOfReadPastTheirBytes)
{
  TempDir dir;
  const std::vector<std::vector<ST_POINT>> line = {{{0, 0}, {1, 1}, {2, 0}}};
  WriteWithShapelib(dir.File("good"), SHPT_ARC, {{line}, {line}}, 2);
  const std::vector<unsigned char> good = ReadAll(dir.File("good.shp"));
  ASSERT_TRUE(Open(dir.File("good.shp")));
  const size_t second = 100 + 8 + 4 + 40 + 4 + 48;  // where the second record starts

  const auto tryBroken = [&](const char* what, std::vector<unsigned char> bytes) {
    std::filesystem::copy_file(dir.File("good.dbf"), dir.File("bad.dbf"),
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(dir.File("good.shx"), dir.File("bad.shx"),
                               std::filesystem::copy_options::overwrite_existing);
    WriteAll(dir.File("bad.shp"), bytes);
    EXPECT_FALSE(Open(dir.File("bad.shp"))) << what;
  };
  std::vector<unsigned char> bytes = good;
  bytes.resize(good.size() - 20);
  tryBroken("the last record is cut short", bytes);
  bytes = good;
  bytes[100 + 8 + 4 + 36] = 0x7F;  // point count of the first record
  tryBroken("a point count beyond the record", bytes);
  bytes = good;
  bytes[100 + 8 + 4 + 32] = 0xFF;  // a negative part count
  bytes[100 + 8 + 4 + 35] = 0xFF;
  tryBroken("a negative part count", bytes);
  bytes = good;
  bytes[second + 4] = 0x7F;  // content length of the second record
  tryBroken("a content length beyond the file", bytes);
  bytes = good;
  bytes[second + 8] = 5;  // a polygon inside a polyline file
  tryBroken("a record of another type", bytes);
  bytes = good;
  bytes[24] = 0;
  bytes[28] = 0xE9;  // version 1001
  tryBroken("a header with another version", bytes);
  bytes.assign(good.begin(), good.begin() + 60);
  tryBroken("a file shorter than its header", bytes);
}

TEST(ShapeFile, PyshpFilesLoadWithTheirGeometryAndValues)
{
  TempDir dir;
  const std::string script = R"(
import shapefile, sys
w = shapefile.Writer(sys.argv[1], shapeType=shapefile.POLYLINE)
w.field('NAME', 'C', 16)
w.field('LANES', 'N', 4, 0)
w.field('SPEED', 'N', 8, 2)
w.line([[[0.5, 1.5], [2.0, 3.0], [4.0, 1.0]], [[10.0, 10.0], [11.0, 12.5]]])
w.record('Ring road', 4, 88.5)
w.null()
w.record('Missing', 0, 0)
w.line([[[-3.0, -4.0], [-1.0, -2.0]]])
w.record('Side street', 1, 30.25)
w.close()
)";
  WriteAll(dir.File("make.py"), std::vector<unsigned char>(script.begin(), script.end()));
  int status = -1;
  const std::string output = zamra_test::RunCommand(
      "/usr/bin/python3 '" + dir.File("make.py") + "' '" + dir.File("roads") + "' 2>&1", &status);
  ASSERT_EQ(status, 0) << output;

  auto file = Open(dir.File("roads.shp"));
  ASSERT_TRUE(file);
  auto* lines = dynamic_cast<ZMShapePolylineFile*>(file.get());
  ASSERT_NE(lines, nullptr);
  ASSERT_EQ(file->GetRecordCount(), 3);
  EXPECT_TRUE(SameParts(lines->GetShape(0), {{{0.5, 1.5}, {2.0, 3.0}, {4.0, 1.0}}, {{10.0, 10.0}, {11.0, 12.5}}}));
  EXPECT_EQ(lines->GetShape(1), nullptr);
  EXPECT_TRUE(SameParts(lines->GetShape(2), {{{-3.0, -4.0}, {-1.0, -2.0}}}));
  ZMDataView* table = file->GetDataView();
  EXPECT_EQ(CellText(table, 0, 0), "Ring road");
  EXPECT_EQ(CellText(table, 0, 1), "4");
  EXPECT_EQ(CellText(table, 0, 2), "88.500000");
  EXPECT_EQ(CellText(table, 2, 2), "30.250000");
}

TEST(ShapeFile, SavedPolygonsReadBackInShapelibAndPyshp)
{
  TempDir dir;
  ZMShapePolygonFile file;
  ZMDataView* table = file.GetDataView();
  table->InitColumn(2);
  table->SetColumn(0, ZM_VAR_INT, 8, "ID", nullptr, 1);
  table->SetColumn(1, ZM_VAR_STRING, 16, "NAME", nullptr, 1);
  for (int index = 0; index < 20; ++index) {
    std::unique_ptr<ST_MPOLYGON> polygon(ZMPolygon::NewMPolygon());
    ZMPolygon::AddPolygon(polygon.get());
    const double x = index * 3.0;
    for (const ST_POINT& point :
         {ST_POINT{x, 0}, ST_POINT{x, 2}, ST_POINT{x + 2, 2}, ST_POINT{x + 2, 0}, ST_POINT{x, 0}})
      ZMPolygon::AddPoint(polygon.get(), &point, -1, -1);
    ZMPolygon::UpdateEnvelop(polygon.get());
    ASSERT_TRUE(file.AddShape(polygon.get()));
    const int row = table->AddRow();
    ASSERT_TRUE(table->SetItemValue(row, 0, zamra_test::IntValue(index)));
    ASSERT_TRUE(table->SetItemValue(row, 1, zamra_test::TextValue("Plot " + std::to_string(index))));
  }
  ASSERT_TRUE(file.Save(dir.File("plots.shp").c_str()));

  SHPHandle shp = SHPOpen(dir.File("plots.shp").c_str(), "rb");
  ASSERT_NE(shp, nullptr);
  int entities = 0;
  int type = 0;
  double minimum[4];
  double maximum[4];
  SHPGetInfo(shp, &entities, &type, minimum, maximum);
  EXPECT_EQ(entities, 20);
  EXPECT_EQ(type, SHPT_POLYGON);
  EXPECT_EQ(minimum[0], 0);
  EXPECT_EQ(maximum[0], 59);
  for (int index = 0; index < 20; ++index) {
    SHPObject* object = SHPReadObject(shp, index);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->nVertices, 5);
    EXPECT_EQ(object->padfX[2], index * 3.0 + 2);
    EXPECT_EQ(object->padfY[1], 2);
    SHPDestroyObject(object);
  }
  SHPClose(shp);
  DBFHandle dbf = DBFOpen(dir.File("plots.dbf").c_str(), "rb");
  ASSERT_NE(dbf, nullptr);
  EXPECT_EQ(DBFGetRecordCount(dbf), 20);
  EXPECT_STREQ(DBFReadStringAttribute(dbf, 19, 1), "Plot 19");
  DBFClose(dbf);

  const std::string script = R"(
import shapefile, sys
r = shapefile.Reader(sys.argv[1])
for shape, record in zip(r.shapes(), r.records()):
    print(len(shape.points), shape.points[2][0], record[1].strip())
)";
  WriteAll(dir.File("read.py"), std::vector<unsigned char>(script.begin(), script.end()));
  int status = -1;
  const std::string output = zamra_test::RunCommand(
      "/usr/bin/python3 '" + dir.File("read.py") + "' '" + dir.File("plots") + "' 2>&1", &status);
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("5 2.0 Plot 0\n"), std::string::npos) << output;
  EXPECT_NE(output.find("5 59.0 Plot 19\n"), std::string::npos) << output;

  const std::string dump = zamra_test::RunCommand("shpdump '" + dir.File("plots.shp") + "' 2>&1", &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(dump.find("Shape:19"), std::string::npos) << dump.substr(0, 300);
}

TEST(ShapeFile, LoadSaveLoadKeepsShapesColumnsAndCells)
{
  TempDir dir;
  const std::vector<std::vector<ST_POINT>> a = {{{1, 1}, {2, 3}, {4, 2}}, {{5, 5}, {6, 6}}};
  const std::vector<std::vector<ST_POINT>> b = {{{-1, -1}, {-2, -3}}};
  WriteWithShapelib(dir.File("first"), SHPT_ARC, {{a}, {}, {b}}, 3);
  auto once = Open(dir.File("first.shp"));
  ASSERT_TRUE(once);
  ASSERT_TRUE(once->Save(dir.File("second.shp").c_str()));
  auto twice = Open(dir.File("second.shp"));
  ASSERT_TRUE(twice);
  ASSERT_EQ(twice->GetRecordCount(), 3);
  auto* lines = static_cast<ZMShapePolylineFile*>(twice.get());
  EXPECT_TRUE(SameParts(lines->GetShape(0), a));
  EXPECT_EQ(lines->GetShape(1), nullptr);
  EXPECT_TRUE(SameParts(lines->GetShape(2), b));
  ST_RECT first;
  ST_RECT second;
  once->GetEnvelop(&first);
  twice->GetEnvelop(&second);
  EXPECT_EQ(std::memcmp(&first, &second, sizeof first), 0);
  ZMDataView* before = once->GetDataView();
  ZMDataView* after = twice->GetDataView();
  ASSERT_EQ(after->GetColumnCount(), before->GetColumnCount());
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < before->GetColumnCount(); ++column)
      EXPECT_EQ(CellText(after, row, column), CellText(before, row, column));
}

std::set<std::string> Names(const TempDir& dir)
{
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    names.insert(entry.path().filename().string());
  return names;
}

// A trio copied from another system comes as .SHP, .SHX and .DBF: a save replaces those very
// files, so that the next load reads the new table and not the old one beside new shapes. A
// companion found only in the other letter case keeps its name; a new trio takes the .shp's.
TEST(ShapeFile, SavingReplacesTheCompanionsLoadFinds)
{
  namespace fs = std::filesystem;
  TempDir dir;
  WriteWithShapelib(dir.File("A"), SHPT_POINT, ThreePoints(), 3);
  for (const char* extension : {"shp", "shx", "dbf"}) {
    std::string upper = extension;
    for (char& c : upper)
      c = static_cast<char>(c - 'a' + 'A');
    fs::rename(dir.File(std::string("A.") + extension), dir.File("A." + upper));
  }
  auto file = Open(dir.File("A.SHP"));
  ASSERT_TRUE(file);
  const ST_POINT added{7, 8};
  ASSERT_TRUE(static_cast<ZMShapePointFile*>(file.get())->AddShape(&added));
  ZMDataView* table = file->GetDataView();
  ASSERT_EQ(table->AddRow(), 3);
  ASSERT_TRUE(table->SetItemValue(3, 1, zamra_test::TextValue("Added")));
  ASSERT_TRUE(file->Save(dir.File("A.SHP").c_str()));
  EXPECT_EQ(Names(dir), (std::set<std::string>{"A.DBF", "A.SHP", "A.SHX"}));
  auto again = Open(dir.File("A.SHP"));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->GetRecordCount(), 4);
  EXPECT_EQ(again->GetDataView()->GetRowCount(), 4);
  EXPECT_EQ(CellText(again->GetDataView(), 3, 1), "Added");

  fs::rename(dir.File("A.SHX"), dir.File("A.shx"));
  fs::rename(dir.File("A.DBF"), dir.File("A.dbf"));
  ASSERT_TRUE(again->GetDataView()->SetItemValue(0, 1, zamra_test::TextValue("Changed")));
  ASSERT_TRUE(again->Save(dir.File("A.SHP").c_str()));
  EXPECT_EQ(Names(dir), (std::set<std::string>{"A.SHP", "A.dbf", "A.shx"}));
  auto third = Open(dir.File("A.SHP"));
  ASSERT_TRUE(third);
  EXPECT_EQ(CellText(third->GetDataView(), 0, 1), "Changed");

  ASSERT_TRUE(third->Save(dir.File("B.SHP").c_str()));
  EXPECT_TRUE(fs::exists(dir.File("B.SHX")));
  EXPECT_TRUE(fs::exists(dir.File("B.DBF")));
  EXPECT_FALSE(third->Save(dir.File("C.SHX").c_str())) << "it would be its own .SHX";
  EXPECT_FALSE(fs::exists(dir.File("C.SHX")));
}

// A shape whose copy memory cannot hold is not added, not even without its parts.
TEST(ShapeFile, AShapeMemoryCannotHoldIsNotAdded)
{
  if (zamra_test::kAddressSanitizer)
    GTEST_SKIP() << "AddressSanitizer cannot run under an address-space limit";
  ZMShapePolygonFile file;
  std::unique_ptr<ST_MPOLYGON> polygon(ZMPolygon::NewMPolygon());
  const std::vector<std::vector<ST_POINT>> parts = {{{0, 0}, {0, 1}, {1, 1}, {0, 0}}, {{5, 5}}};
  for (int part = 0; part < 2; ++part) {
    ZMPolygon::AddPolygon(polygon.get());
    for (const ST_POINT& point : parts[static_cast<size_t>(part)])
      ZMPolygon::AddPoint(polygon.get(), &point, part, -1);
  }
  ZMPolygon::UpdateEnvelop(polygon.get());
  ASSERT_TRUE(file.AddShape(polygon.get()));
  // 4 GB of points claimed; the count is never followed, as the allocation comes first.
  polygon->parts[1].pointCount = 1 << 28;
  bool added = true;
  {
    zamra_test::AddressSpaceLimit limit(std::int64_t{64} << 20);
    ASSERT_TRUE(limit.Limited());
    added = file.AddShape(polygon.get());
  }
  polygon->parts[1].pointCount = 1;
  EXPECT_FALSE(added);
  EXPECT_EQ(file.GetRecordCount(), 1);
  EXPECT_EQ(file.GetShape(1), nullptr);
  ASSERT_TRUE(file.AddShape(polygon.get())) << "with the memory back the same shape is added";
  EXPECT_TRUE(SameParts(file.GetShape(1), parts));
}

class ShapeFileSaving : public ::testing::Test {
protected:
  void SetUp() override
  {
    WriteWithShapelib(m_dir.File("trio"), SHPT_POINT, ThreePoints(), 3);
    for (const char* extension : {".shp", ".shx", ".dbf"})
      m_before.push_back(ReadAll(m_dir.File(std::string("trio") + extension)));
  }

  // Saves under a file size limit, which makes write fail as a full disk would.
  bool SaveWithLimit(ZMShapeFile& file, rlim_t limit)
  {
    struct rlimit saved {};
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit limited = saved;
    limited.rlim_cur = limit;
    signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    const bool result = file.Save(m_dir.File("trio.shp").c_str());
    setrlimit(RLIMIT_FSIZE, &saved);
    return result;
  }

  ::testing::AssertionResult TrioUnchanged()
  {
    int index = 0;
    for (const char* extension : {".shp", ".shx", ".dbf"})
      if (ReadAll(m_dir.File(std::string("trio") + extension)) != m_before[static_cast<size_t>(index++)])
        return ::testing::AssertionFailure() << extension << " changed";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path()))
      files += entry.is_regular_file() ? 1 : 0;
    if (files != 3)
      return ::testing::AssertionFailure() << files << " files in the folder";
    return ::testing::AssertionSuccess();
  }

  // A point file of `count` points with a table of one wide text column.
  static std::unique_ptr<ZMShapePointFile> BigPointFile(int count, int textWidth)
  {
    auto file = std::make_unique<ZMShapePointFile>();
    ZMDataView* table = file->GetDataView();
    table->SetColumn(0, ZM_VAR_STRING, textWidth, "NOTE", nullptr, 1);
    for (int index = 0; index < count; ++index) {
      const ST_POINT point{static_cast<double>(index), 1.0};
      file->AddShape(&point);
      table->AddRow();
    }
    return file;
  }

  TempDir m_dir;
  std::vector<std::vector<unsigned char>> m_before;
};

TEST_F(ShapeFileSaving, AFullDiskDuringTheShpKeepsTheOldTrio)
{
  auto file = BigPointFile(2000, 4);  // a .shp of 56 KB
  EXPECT_FALSE(SaveWithLimit(*file, 32 * 1024));
  EXPECT_TRUE(TrioUnchanged());
}

TEST_F(ShapeFileSaving, AFullDiskDuringTheDbfKeepsTheOldTrio)
{
  auto file = BigPointFile(200, 250);  // a .shp of 5.7 KB, a .dbf of 50 KB
  EXPECT_FALSE(SaveWithLimit(*file, 32 * 1024));
  EXPECT_TRUE(TrioUnchanged());
  EXPECT_TRUE(SaveWithLimit(*file, 1024 * 1024));  // with room, the same save succeeds
  auto loaded = Open(m_dir.File("trio.shp"));
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->GetRecordCount(), 200);
}

TEST_F(ShapeFileSaving, AFolderInPlaceOfACompanionStopsTheSaveBeforeAnythingMoves)
{
  std::filesystem::remove(m_dir.File("trio.dbf"));
  std::filesystem::create_directory(m_dir.File("trio.dbf"));
  m_before[2].clear();
  auto file = BigPointFile(10, 8);
  EXPECT_FALSE(file->Save(m_dir.File("trio.shp").c_str()));
  EXPECT_EQ(ReadAll(m_dir.File("trio.shp")), m_before[0]);
  EXPECT_EQ(ReadAll(m_dir.File("trio.shx")), m_before[1]);
}

TEST_F(ShapeFileSaving, ShapesBeyondTheFormatsLimitAreRefusedBeforeAnythingIsWritten)
{
  ZMShapePolylineFile file;
  std::unique_ptr<ST_MPOLYLINE> line(ZMPolyline::NewMPolyline());
  ZMPolyline::AddPolyline(line.get());
  const ST_POINT point{1, 1};
  ZMPolyline::AddPoint(line.get(), &point, -1, -1);
  ASSERT_TRUE(file.AddShape(line.get()));
  // 200 million points would need 3.2 GB: more than the 2^31 - 1 words a .shp can address.
  // The count is never followed to the points: the size is checked before anything is read.
  ST_MPOLYLINE* held = file.GetShape(0);
  const int realCount = held->parts[0].pointCount;
  held->parts[0].pointCount = 200000000;
  EXPECT_FALSE(file.Save(m_dir.File("trio.shp").c_str()));
  held->parts[0].pointCount = realCount;
  EXPECT_TRUE(TrioUnchanged());
}

}  // namespace
