// Shapefiles as they come from data portals and other programs, read by the map view: Z and M
// types, multipoints, files without an index or with one that disagrees, files cut short,
// empty header boxes and records of a foreign type. Files are written by pyshp and shapelib.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "api/formats/shape_type.h"
#include "support/python_script.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "model/map_model.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"

using namespace zamra::view;

using zamra_test::ReadAll;
using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestShape;
using zamra_test::WriteAll;
using zamra_test::WriteShapefile;

namespace {

// Every Z, M and multipoint kind, two records each, named after the kind. Points at (10, 20) and
// (30, 40); multipoints {(1, 1), (10, 10)} and {(20, 20)}; lines (0, 0)-(10, 0) and
// (0, 5)-(10, 5); polygons: the square 0..10 and the square 20..30. Measures include pyshp's
// "no measure".
const char* const kWriteEveryKind = R"(
import shapefile, sys
folder = sys.argv[1]
def square(x):
    return [[x, x], [x, x + 10], [x + 10, x + 10], [x + 10, x], [x, x]]
def write(name, kind, shapes):
    w = shapefile.Writer(folder + '/' + name, shapeType=kind)
    w.field('name', 'C', 20)
    for i, add in enumerate(shapes):
        add(w)
        w.record(name + str(i))
    w.close()
write('pointz', shapefile.POINTZ, [lambda w: w.pointz(10, 20, 5, 1), lambda w: w.pointz(30, 40, 6)])
write('pointm', shapefile.POINTM, [lambda w: w.pointm(10, 20, 7), lambda w: w.pointm(30, 40, None)])
write('multipoint', shapefile.MULTIPOINT, [lambda w: w.multipoint([[1, 1], [10, 10]]), lambda w: w.multipoint([[20, 20]])])
write('multipointz', shapefile.MULTIPOINTZ, [lambda w: w.multipointz([[1, 1, 3], [10, 10, 4]]), lambda w: w.multipointz([[20, 20, 0]])])
write('multipointm', shapefile.MULTIPOINTM, [lambda w: w.multipointm([[1, 1, None], [10, 10, 2]]), lambda w: w.multipointm([[20, 20, 1]])])
write('polylinez', shapefile.POLYLINEZ, [lambda w: w.linez([[[0, 0, 1], [10, 0, 2]]]), lambda w: w.linez([[[0, 5, 0], [10, 5, 0]]])])
write('polylinem', shapefile.POLYLINEM, [lambda w: w.linem([[[0, 0, None], [10, 0, 3]]]), lambda w: w.linem([[[0, 5, 1], [10, 5, 1]]])])
write('polygonz', shapefile.POLYGONZ, [lambda w: w.polyz([[p + [1] for p in square(0)]]), lambda w: w.polyz([[p + [2] for p in square(20)]])])
write('polygonm', shapefile.POLYGONM, [lambda w: w.polym([[p + [None] for p in square(0)]]), lambda w: w.polym([[p + [5] for p in square(20)]])])
)";

struct Kind {
  const char* name;
  int fileType;
  int layerType;
  ST_POINT hitFirst, hitSecond, miss;
};

const Kind kKinds[] = {
    {"pointz", 11, 1, {10.5, 20}, {30, 40.5}, {20, 30}},  {"pointm", 21, 1, {10.5, 20}, {30, 40.5}, {20, 30}},
    {"multipoint", 8, 1, {10.2, 10}, {20, 20}, {5, 5}},   {"multipointz", 18, 1, {1, 1.3}, {20, 20}, {5, 5}},
    {"multipointm", 28, 1, {10, 10}, {20.5, 20}, {5, 5}}, {"polylinez", 13, 3, {5, 0}, {5, 5}, {5, 2}},
    {"polylinem", 23, 3, {2, 0}, {7, 5}, {5, 2}},         {"polygonz", 15, 5, {5, 5}, {25, 25}, {15, 15}},
    {"polygonm", 25, 5, {1, 9}, {29, 21}, {15, 15}},
};

std::string CellText(ILayer* layer, int row)
{
  char text[ZMDataView::kTextSize] = "";
  layer->GetDataView()->GetItemValue(row, 0, text);
  return text;
}

// Makes a copy of base.shp/.shx/.dbf as name.*, with the .shp and .shx bytes given.
std::string Variant(const TempDir& dir, const std::string& base, const std::string& name,
                    const std::vector<unsigned char>& shp, const std::vector<unsigned char>* shx)
{
  WriteAll(dir.File(name + ".shp"), shp);
  if (shx != nullptr)
    WriteAll(dir.File(name + ".shx"), *shx);
  std::filesystem::copy_file(dir.File(base + ".dbf"), dir.File(name + ".dbf"));
  return dir.File(name + ".shp");
}

}  // namespace

TEST(ShapeFileVariants, ZAndMTypesAndMultipointsAreReadAsTheirPlainForms)
{
  TempDir dir;
  int status = -1;
  const std::string output = zamra_test::RunPython(dir, kWriteEveryKind, "'" + dir.Path() + "'", &status);
  ASSERT_EQ(status, 0) << output;
  CMapModel model;
  for (const Kind& kind : kKinds) {
    SCOPED_TRACE(kind.name);
    tagShpHead head;
    ASSERT_TRUE(ZMType::ReadShpHead(dir.File(std::string(kind.name) + ".shp").c_str(), &head));
    EXPECT_EQ(head.shapeType, kind.fileType) << "pyshp wrote the kind asked for";
    ILayer* layer = model.AddLayer(dir.File(std::string(kind.name) + ".shp").c_str());
    ASSERT_NE(layer, nullptr);
    EXPECT_EQ(layer->GetType(), kind.layerType);
    EXPECT_EQ(layer->HitTest(kind.hitFirst.x, kind.hitFirst.y), 0);
    EXPECT_EQ(layer->HitTest(kind.hitSecond.x, kind.hitSecond.y), 1);
    EXPECT_EQ(layer->HitTest(kind.miss.x, kind.miss.y), -1);
    EXPECT_EQ(CellText(layer, 1), std::string(kind.name) + "1");
  }
}

TEST(ShapeFileVariants, AMultipointIsOneFeatureAtEachOfItsPoints)
{
  TempDir dir;
  int status = -1;
  const std::string output = zamra_test::RunPython(dir, kWriteEveryKind, "'" + dir.Path() + "'", &status);
  ASSERT_EQ(status, 0) << output;
  CMapModel model;
  auto* layer = dynamic_cast<CPointLayer*>(model.AddLayer(dir.File("multipointz.shp").c_str()));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->RecordCount(), 2);
  EXPECT_EQ(layer->HitTest(1, 1), 0) << "hit at its first point";
  EXPECT_EQ(layer->HitTest(10, 10.5), 0) << "and at its second";
  double x0, y0, x1, y1;
  layer->GetShapeRect(0, &x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 1);
  EXPECT_EQ(y0, 1);
  EXPECT_EQ(x1, 10);
  EXPECT_EQ(y1, 10) << "the box of its points";
  layer->GetRect(&x0, &y0, &x1, &y1);
  EXPECT_EQ(x1, 20);
  EXPECT_EQ(layer->Points()[layer->FirstPoint(0)].x, 1) << "labelled at the first point";
}

TEST(ShapeFileVariants, WithoutAnIndexOrWithADisagreeingOneTheShpIsWalked)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("g"), SHPT_POLYGON,
                             {TestShape{{Square(0, 0, 1)}}, TestShape{}, TestShape{{Square(5, 5, 1)}}}));
  const std::vector<unsigned char> shp = ReadAll(dir.File("g.shp"));
  const std::vector<unsigned char> shx = ReadAll(dir.File("g.shx"));
  CMapModel model;

  auto* alone = dynamic_cast<CShapeLayer*>(model.AddLayer(Variant(dir, "g", "alone", shp, nullptr).c_str()));
  ASSERT_NE(alone, nullptr) << "no .shx";
  EXPECT_EQ(alone->RecordCount(), 3);
  EXPECT_EQ(alone->HitTest(5.5, 5.5), 2);

  std::vector<unsigned char> wrongOffset = shx;
  ZMType::WriteEsriInt(wrongOffset.data() + 100 + 8 * 2, 60);  // the third entry points into the first record
  auto* offsets = dynamic_cast<CShapeLayer*>(model.AddLayer(Variant(dir, "g", "offsets", shp, &wrongOffset).c_str()));
  ASSERT_NE(offsets, nullptr);
  EXPECT_EQ(offsets->HitTest(5.5, 5.5), 2);

  std::vector<unsigned char> fewer(shx.begin(), shx.end() - 8);  // the index lost its last entry
  auto* shorter = dynamic_cast<CShapeLayer*>(model.AddLayer(Variant(dir, "g", "fewer", shp, &fewer).c_str()));
  ASSERT_NE(shorter, nullptr);
  EXPECT_EQ(shorter->RecordCount(), 3) << "the .shp knows of more records than its index";

  // Padding between two records, which only the index knows to step over.
  std::vector<unsigned char> gapped = shp;
  const size_t secondRecord = 100 + 8 + 2 * static_cast<size_t>(ZMType::ReadEsriInt(shp.data() + 100 + 4));
  gapped.insert(gapped.begin() + static_cast<long>(secondRecord), 16, 0);
  ZMType::WriteEsriInt(gapped.data() + 24, static_cast<int>(gapped.size() / 2));
  std::vector<unsigned char> gappedIndex = shx;
  for (int entry = 1; entry < 3; ++entry) {
    unsigned char* offset = gappedIndex.data() + 100 + 8 * entry;
    ZMType::WriteEsriInt(offset, ZMType::ReadEsriInt(offset) + 8);
  }
  auto* gaps = dynamic_cast<CShapeLayer*>(model.AddLayer(Variant(dir, "g", "gapped", gapped, &gappedIndex).c_str()));
  ASSERT_NE(gaps, nullptr);
  EXPECT_EQ(gaps->RecordCount(), 3);
  EXPECT_EQ(gaps->DamagedFrom(), -1);
  EXPECT_EQ(gaps->HitTest(5.5, 5.5), 2);
}

TEST(ShapeFileVariants, AFileCutInARecordKeepsTheRecordsBeforeIt)
{
  TempDir dir;
  ASSERT_TRUE(
      WriteShapefile(dir.File("p"), SHPT_POINT, {TestShape{{{{1, 1}}}}, TestShape{{{{5, 5}}}}, TestShape{{{{9, 9}}}}}));
  const std::vector<unsigned char> shp = ReadAll(dir.File("p.shp"));
  const std::vector<unsigned char> shx = ReadAll(dir.File("p.shx"));
  CMapModel model;
  // The third record loses half of its y.
  const std::vector<unsigned char> cut(shp.begin(), shp.end() - 4);
  auto* layer = dynamic_cast<CPointLayer*>(model.AddLayer(Variant(dir, "p", "cut", cut, &shx).c_str()));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->RecordCount(), 2);
  EXPECT_EQ(layer->DamagedFrom(), 2);
  EXPECT_EQ(layer->HitTest(5, 5), 1);
  EXPECT_EQ(layer->HitTest(9, 9), -1) << "the cut record is not read";

  int status = -1;
  const std::string out = zamra_test::RunCommand(
      std::string(ZAMRA_TOOLS_DIR) + "/shpinfo '" + dir.File("cut.shp") + "' 2>&1", &status);
  EXPECT_EQ(status, 1) << out;
  EXPECT_NE(out.find("damaged   from record 3"), std::string::npos) << out;
  EXPECT_NE(out.find("walked    2 records"), std::string::npos) << out;
}

TEST(ShapeFileVariants, AnEmptyOrUnreadableHeaderBoxIsTakenFromTheRecords)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("g"), SHPT_POLYGON,
                             {TestShape{}, TestShape{{Square(2, 3, 4)}}, TestShape{{Square(-5, 1, 1)}}}));
  const std::vector<unsigned char> shp = ReadAll(dir.File("g.shp"));
  const std::vector<unsigned char> shx = ReadAll(dir.File("g.shx"));
  CMapModel model;
  std::vector<unsigned char> zeroed = shp, zeroedIndex = shx;
  std::fill(zeroed.begin() + 36, zeroed.begin() + 68, 0);
  std::fill(zeroedIndex.begin() + 36, zeroedIndex.begin() + 68, 0);
  std::vector<unsigned char> notANumber = shp;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ZMType::WriteDouble(notANumber.data() + 52, nan);
  for (auto [name, bytes, index] : {std::tuple{"zeroed", zeroed, zeroedIndex}, std::tuple{"nan", notANumber, shx}}) {
    SCOPED_TRACE(name);
    ILayer* layer = model.AddLayer(Variant(dir, "g", name, bytes, &index).c_str());
    ASSERT_NE(layer, nullptr);
    double left, bottom, right, top;
    layer->GetRect(&left, &bottom, &right, &top);
    EXPECT_EQ(left, -5);
    EXPECT_EQ(bottom, 1);
    EXPECT_EQ(right, 6);
    EXPECT_EQ(top, 7);
    layer->GetShapeRect(0, &left, &bottom, &right, &top);
    EXPECT_EQ(right, 6) << "a null shape's box is the layer's";
  }
  EXPECT_EQ(model.GetFullExtent().left, -5);
  EXPECT_EQ(model.GetFullExtent().top, 7);
}

TEST(ShapeFileVariants, ARecordOfAForeignTypeIsANullShape)
{
  TempDir dir;
  ASSERT_TRUE(
      WriteShapefile(dir.File("g"), SHPT_POLYGON,
                     {TestShape{{Square(0, 0, 1)}}, TestShape{{Square(5, 5, 1)}}, TestShape{{Square(9, 9, 1)}}}));
  std::vector<unsigned char> shp = ReadAll(dir.File("g.shp"));
  const std::vector<unsigned char> shx = ReadAll(dir.File("g.shx"));
  const size_t secondRecord = 100 + 8 + 2 * static_cast<size_t>(ZMType::ReadEsriInt(shp.data() + 100 + 4));
  ZMType::WriteInt(shp.data() + secondRecord + 8, 3);  // a polyline among polygons
  CMapModel model;
  auto* layer = dynamic_cast<CPolygonLayer*>(model.AddLayer(Variant(dir, "g", "mixed", shp, &shx).c_str()));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->RecordCount(), 3);
  EXPECT_EQ(layer->Records()[1].partCount, 0);
  EXPECT_EQ(layer->HitTest(5.5, 5.5), -1);
  EXPECT_EQ(layer->HitTest(9.5, 9.5), 2) << "the records after it are where they were";
  EXPECT_EQ(layer->HitTest(0.5, 0.5), 0);
}

TEST(ShapeFileVariants, TypesWithoutAPlainFormAreRefused)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("g"), SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}}));
  std::vector<unsigned char> shp = ReadAll(dir.File("g.shp"));
  ZMType::WriteInt(shp.data() + 32, 7);  // a code no writer defines
  CMapModel model;
  EXPECT_EQ(model.AddLayer(Variant(dir, "g", "patch", shp, nullptr).c_str()), nullptr);
  EXPECT_EQ(model.GetLayerCount(), 0);
}
