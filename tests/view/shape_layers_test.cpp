// The view's shapefile layers: their own record reader, defaults, names, hit tests, and a
// record-by-record comparison with the formats library on the bundled samples.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "api/formats/shape_file.h"
#include "api/formats/shape_type.h"
#include "platform/system_calls.h"
#include "support/address_space.h"
#include "support/shapelib_writer.h"
#include "support/temp_dir.h"
#include "model/map_model.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"
#include "layers/user_poi_layer.h"

using namespace zamra::view;

using zamra_test::Square;
using zamra_test::TempDir;
using zamra_test::TestColumn;
using zamra_test::TestShape;
using zamra_test::WriteShapefile;

namespace {

TestShape PointShape(double x, double y) { return TestShape{{{{x, y}}}}; }
TestShape NullShape() { return TestShape{}; }

template <typename Layer>
Layer* Add(CMapModel& model, const std::string& shp)
{
  return dynamic_cast<Layer*>(model.AddLayer(shp.c_str()));
}

}  // namespace

TEST(ShapeLayers, DefaultsNamesAndSettings)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("cities"), SHPT_POINT, {PointShape(1, 2)}));
  ASSERT_TRUE(WriteShapefile(dir.File("roads"), SHPT_ARC, {TestShape{{{{0, 0}, {1, 1}}}}}));
  ASSERT_TRUE(WriteShapefile(dir.File("lands"), SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}}));
  CMapModel model;
  auto* points = Add<CPointLayer>(model, dir.File("cities.shp"));
  auto* lines = Add<CPolylineLayer>(model, dir.File("roads.shp"));
  auto* rings = Add<CPolygonLayer>(model, dir.File("lands.shp"));
  ASSERT_TRUE(points && lines && rings);
  EXPECT_EQ(lines->GetId(), points->GetId() + 1) << "serial numbers in order of construction";
  EXPECT_EQ(points->GetType(), 1);
  EXPECT_EQ(points->GetPointIndex(), 1);
  EXPECT_EQ(lines->GetPointIndex(), 0);
  lines->SetPointIndex(7);
  EXPECT_EQ(lines->GetPointIndex(), 0) << "only point layers keep a symbol";
  EXPECT_EQ(lines->GetLineColor(), RGB(200, 200, 150));
  EXPECT_EQ(rings->GetBkColor(), RGB(255, 255, 200));
  EXPECT_EQ(points->GetVisible(), 1);
  EXPECT_EQ(points->GetLabelVisible(), 1);
  double minimum = 0, maximum = 0;
  points->GetScaleRange(&minimum, &maximum);
  EXPECT_EQ(minimum, 30.0);
  EXPECT_EQ(maximum, 300000000.0) << "drawn at every scale the view allows";

  char text[MAX_PATH];
  points->GetName(text);
  EXPECT_STREQ(text, "cities.shp") << "the name follows the last slash";
  EXPECT_EQ(points->GetPath(text), static_cast<int>(dir.File("cities.shp").size()) + 1);
  EXPECT_EQ(std::string(text), dir.File("cities.shp"));

  COLORREF color = 0;
  int size = 0;
  const std::string longFace(60, 'F');
  points->SetLabelFont(RGB(1, 2, 3), longFace.c_str(), 20);
  char face[CShapeLayer::kFaceSize];
  points->GetLabelFont(&color, face, &size);
  EXPECT_EQ(std::strlen(face), 31u) << "face names are cut to the field";
  EXPECT_EQ(color, RGB(1, 2, 3));
  EXPECT_EQ(size, 20);
  EXPECT_EQ(points->LabelColumn(), 0) << "the first text column labels";
  EXPECT_EQ(points->SaveAsFile(text), 0);
}

TEST(ShapeLayers, NullShapesKeepTheirPlace)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("p"), SHPT_POINT, {PointShape(10, 10), NullShape(), PointShape(20, 20)}));
  TestShape ring{{Square(0, 0, 4)}};
  ASSERT_TRUE(
      WriteShapefile(dir.File("g"), SHPT_POLYGON, {NullShape(), ring, NullShape(), TestShape{{Square(10, 10, 1)}}}));
  CMapModel model;
  auto* points = Add<CPointLayer>(model, dir.File("p.shp"));
  ASSERT_NE(points, nullptr) << "a point file with a null shape is walked by record lengths";
  EXPECT_EQ(points->RecordCount(), 3);
  double x0, y0, x1, y1;
  points->GetShapeRect(2, &x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 20) << "the record after the null shape is read where it is";
  EXPECT_EQ(y1, 20);
  points->GetShapeRect(1, &x0, &y0, &x1, &y1);
  EXPECT_EQ(x0, 10) << "a null shape's box is the layer's";
  EXPECT_EQ(x1, 20);
  EXPECT_EQ(points->HitTest(0, 0), -1) << "a null shape is never hit, though it reads as (0, 0)";
  EXPECT_EQ(points->HitTest(20.5, 20), 2);

  auto* polygons = Add<CPolygonLayer>(model, dir.File("g.shp"));
  ASSERT_NE(polygons, nullptr);
  EXPECT_EQ(polygons->RecordCount(), 4);
  EXPECT_EQ(polygons->HitTest(1, 1), 1);
  EXPECT_EQ(polygons->HitTest(10.5, 10.5), 3);
  polygons->GetShapeRect(2, &x0, &y0, &x1, &y1);
  EXPECT_EQ(x1, 11);
  EXPECT_EQ(polygons->Records()[2].partCount, 0);
}

TEST(ShapeLayers, PointsAfterRunsOfNullShapesAreReadWhereTheyLie)
{
  // Points are moved down over the file's bytes unless a run of null shapes (12 bytes against a
  // point's 28) would let a point overtake a record not yet read: 25 null shapes put the next
  // point's record right where its point goes, 40 put it behind, and 26 alone end before the
  // last point's place.
  TempDir dir;
  for (const int nulls : {25, 40, 26}) {
    std::vector<TestShape> shapes(static_cast<size_t>(nulls), NullShape());
    const int points = nulls == 26 ? 0 : 10;
    for (int i = 0; i < points; ++i)
      shapes.push_back(PointShape(100.0 + i, -50.0 - i));
    const std::string name = "n" + std::to_string(nulls);
    ASSERT_TRUE(WriteShapefile(dir.File(name), SHPT_POINT, shapes));
    for (const bool indexed : {true, false}) {
      if (!indexed)
        std::filesystem::remove(dir.File(name + ".shx"));
      CMapModel model;
      auto* layer = Add<CPointLayer>(model, dir.File(name + ".shp"));
      ASSERT_NE(layer, nullptr) << nulls;
      ASSERT_EQ(layer->RecordCount(), nulls + points);
      for (int i = 0; i < points; ++i) {
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        layer->GetShapeRect(nulls + i, &x0, &y0, &x1, &y1);
        EXPECT_EQ(x0, 100.0 + i) << nulls << " nulls, point " << i;
        EXPECT_EQ(y1, -50.0 - i) << nulls << " nulls, point " << i;
        EXPECT_EQ(layer->HitTest(100.0 + i, -50.0 - i), nulls + i);
      }
      EXPECT_EQ(layer->HitTest(0, 0), -1) << "null shapes stay null";
    }
  }
}

TEST(ShapeLayers, BrokenRecordsFailWholeCutFilesKeepTheirCompleteRecords)
{
  TempDir dir;
  ASSERT_TRUE(
      WriteShapefile(dir.File("g"), SHPT_POLYGON, {TestShape{{Square(0, 0, 1)}}, TestShape{{Square(5, 5, 1)}}}));
  const std::vector<unsigned char> shp = zamra_test::ReadAll(dir.File("g.shp"));
  const std::vector<unsigned char> shx = zamra_test::ReadAll(dir.File("g.shx"));
  CMapModel model;
  auto variant = [&](const std::string& name, std::vector<unsigned char> shpBytes,
                     std::vector<unsigned char> shxBytes) {
    zamra_test::WriteAll(dir.File(name + ".shp"), shpBytes);
    zamra_test::WriteAll(dir.File(name + ".shx"), shxBytes);
    std::filesystem::copy_file(dir.File("g.dbf"), dir.File(name + ".dbf"));
    return dynamic_cast<CShapeLayer*>(model.AddLayer(dir.File(name + ".shp").c_str()));
  };
  CShapeLayer* truncated = variant("truncated", std::vector<unsigned char>(shp.begin(), shp.end() - 8), shx);
  ASSERT_NE(truncated, nullptr) << "a cut file keeps the records before the cut";
  EXPECT_EQ(truncated->RecordCount(), 1);
  EXPECT_EQ(truncated->DamagedFrom(), 1);
  EXPECT_EQ(truncated->HitTest(0.5, 0.5), 0);
  EXPECT_EQ(truncated->HitTest(5.5, 5.5), -1) << "the record running past the end is never read";
  std::vector<unsigned char> otherType = shx;
  ZMType::WriteInt(otherType.data() + 32, 3);
  CShapeLayer* mismatch = variant("mismatch", shp, otherType);
  ASSERT_NE(mismatch, nullptr) << "an index of another shape type: the .shp is trusted";
  EXPECT_EQ(mismatch->RecordCount(), 2);
  std::vector<unsigned char> lying = shp;
  ZMType::WriteInt(lying.data() + 100 + 8 + 36 + 4, 1000);  // first record: 1000 points
  EXPECT_EQ(variant("lying", lying, shx), nullptr) << "counts beyond the content length";
  std::vector<unsigned char> falling = shp;
  ZMType::WriteInt(falling.data() + 100 + 8 + 36, 2);       // two parts ...
  ZMType::WriteInt(falling.data() + 100 + 8 + 44 + 4, -1);  // ... whose second starts before the first
  EXPECT_EQ(variant("falling", falling, shx), nullptr);
  EXPECT_EQ(variant("short", std::vector<unsigned char>(shp.begin(), shp.begin() + 60), shx), nullptr);
  std::vector<unsigned char> longer = shx;  // the index claims a third record the .shp lacks
  longer.resize(longer.size() + 8);
  CShapeLayer* more = variant("more", shp, longer);
  ASSERT_NE(more, nullptr) << "an index that disagrees with the .shp: the .shp is walked";
  EXPECT_EQ(more->RecordCount(), 2);
  EXPECT_EQ(more->DamagedFrom(), -1);
  EXPECT_EQ(model.GetLayerCount(), 3);
  EXPECT_NE(model.AddLayer(dir.File("g.shp").c_str()), nullptr);
}

// A .shp of many read chunks, which the table's thread helps to read once the table is in: every
// point arrives, and a read that fails in any chunk fails the layer, never half of it.
TEST(ShapeLayers, LargeFilesReadByTwoThreadsArriveWholeOrNotAtAll)
{
  TempDir dir;
  std::vector<TestShape> shapes;
  for (int i = 0; i < 300; ++i) {
    std::vector<ST_POINT> ring;
    for (int k = 0; k < 2000; ++k) {
      const double angle = -6.283185307179586 * k / 2000;
      ring.push_back(ST_POINT{i + std::cos(angle) * 0.4, (i % 17) + std::sin(angle) * 0.4});
    }
    ring.push_back(ring.front());
    shapes.push_back(TestShape{{ring}});
  }
  ASSERT_TRUE(WriteShapefile(dir.File("big"), SHPT_POLYGON, shapes));
  ASSERT_GT(std::filesystem::file_size(dir.File("big.shp")), 9u << 20) << "more than two chunks of 4 MiB";
  CMapModel model;
  auto* layer = Add<CPolygonLayer>(model, dir.File("big.shp"));
  ASSERT_NE(layer, nullptr);
  ASSERT_EQ(layer->RecordCount(), 300);
  EXPECT_EQ(layer->VertexCount(), 300 * 2001);
  for (int i = 0; i < 300; i += 37) {
    const ST_MPOLYGON& record = layer->Records()[i];
    ASSERT_EQ(record.partCount, 1);
    EXPECT_NEAR(record.parts[0].points[500].y, (i % 17) - 0.4, 1e-9) << "record " << i;
    EXPECT_NEAR(record.envelop.left, i - 0.4, 1e-9);
  }
  for (int skip : {0, 1, 2}) {
    CMapModel failing;
    zamra::sys::ScopedCallFailure failure(zamra::sys::Call::kPRead, EIO, skip);
    EXPECT_EQ(failing.AddLayer(dir.File("big.shp").c_str()), nullptr) << "a read failing after " << skip;
    EXPECT_EQ(failing.GetLayerCount(), 0);
  }
  CMapModel again;
  EXPECT_NE(again.AddLayer(dir.File("big.shp").c_str()), nullptr) << "reads work again";
}

TEST(ShapeLayers, LayersWithoutTextColumnsHaveNoLabels)
{
  TempDir dir;
  ASSERT_TRUE(
      WriteShapefile(dir.File("n"), SHPT_POINT, {PointShape(1, 1)}, {TestColumn{"count", FTInteger, 9, 0}}, {{"42"}}));
  CMapModel model;
  auto* layer = Add<CPointLayer>(model, dir.File("n.shp"));
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->LabelColumn(), -1);
  char text[16] = "x";
  EXPECT_FALSE(layer->GetLabelText(0, text, sizeof text));
  char value[ZMDataView::kTextSize];
  layer->GetDataView()->GetItemValue(0, 0, value);
  EXPECT_STREQ(value, "42");
}

TEST(HitTests, PointsTiesAndTolerance)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("p"), SHPT_POINT, {PointShape(100, 30), PointShape(101, 30)}));
  CMapModel model;
  ILayer* layer = model.AddLayer(dir.File("p.shp").c_str());
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->HitTest(100.4, 30), 0);
  EXPECT_EQ(layer->HitTest(100.6, 30), 1);
  EXPECT_EQ(layer->HitTest(100.5, 30), 0) << "exactly between: the earlier";
  EXPECT_EQ(layer->HitTest(103, 30), -1) << "squared distance 4 is beyond 2";
  EXPECT_EQ(layer->HitTest(102, 31), 1) << "squared distance 2 is still a hit";
}

TEST(HitTests, PolylinesOnAndOffTheirSegments)
{
  TempDir dir;
  ASSERT_TRUE(WriteShapefile(dir.File("l"), SHPT_ARC,
                             {TestShape{{{{0, 0}, {10, 0}}}}, TestShape{{{{20, 20}, {21, 21}}, {{0, 5}, {10, 5}}}}}));
  CMapModel model;
  ILayer* layer = model.AddLayer(dir.File("l.shp").c_str());
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->HitTest(5, 0), 0);
  EXPECT_EQ(layer->HitTest(5, 0.01), -1) << "0.01 off the segment";
  EXPECT_EQ(layer->HitTest(11, 0), -1) << "on the line through the segment, beyond its end";
  EXPECT_EQ(layer->HitTest(3, 5), 1) << "the second part of the second record";
}

TEST(HitTests, PolygonsHolesAndVertices)
{
  TempDir dir;
  std::vector<ST_POINT> hole = {{2, 2}, {4, 2}, {4, 4}, {2, 4}, {2, 2}};
  std::vector<ST_POINT> diamond = {{20, 0}, {18, 2}, {20, 4}, {22, 2}, {20, 0}};
  ASSERT_TRUE(WriteShapefile(dir.File("g"), SHPT_POLYGON, {TestShape{{Square(0, 0, 6), hole}}, TestShape{{diamond}}}));
  CMapModel model;
  ILayer* layer = model.AddLayer(dir.File("g.shp").c_str());
  ASSERT_NE(layer, nullptr);
  EXPECT_EQ(layer->HitTest(1, 1), 0);
  EXPECT_EQ(layer->HitTest(3, 3), -1) << "a point in the hole is outside the polygon";
  EXPECT_EQ(layer->HitTest(7, 3), -1);
  EXPECT_EQ(layer->HitTest(19, 2), 1) << "at the height of two vertices, counted once";
  EXPECT_EQ(layer->HitTest(30, 2), -1);
  EXPECT_TRUE(CPolygonLayer::IsInsideRing(diamond.data(), 5, 20, 3.999));
  EXPECT_FALSE(CPolygonLayer::IsInsideRing(diamond.data(), 5, 17, 2));
  // Just below, at and above the side vertices' height (closer than a metre in degrees): inside.
  for (double offset : {-1e-6, -1e-9, 0.0, 1e-9, 1e-6}) {
    EXPECT_EQ(layer->HitTest(19.5, 2 + offset), 1) << offset;
    EXPECT_EQ(layer->HitTest(21.9, 2 + offset), 1) << offset;
    EXPECT_EQ(layer->HitTest(17.9, 2 + offset), -1) << offset;
  }
}

TEST(HitTests, PointsOfInterestNearestToTheBoxCentre)
{
  CMapModel model;
  CUserPoiLayer layer(&model);
  layer.AddPoi(1, "far", 10, 1.0, 1.0, 0);
  layer.AddPoi(2, "near", 20, 0.4, 0.5, 0);
  layer.AddPoi(3, "outside", 30, 5.0, 5.0, 0);
  int key = -1, value = -1;
  EXPECT_EQ(layer.FindPoi(0, 0, 1, 1, &key, &value), 1);
  EXPECT_EQ(key, 2);
  EXPECT_EQ(value, 20);
  key = value = -7;
  EXPECT_EQ(layer.FindPoi(2, 2, 3, 3, &key, &value), 0);
  EXPECT_EQ(key, -7) << "a miss leaves the outputs";

  char name[CUserPoiLayer::kNameSize];
  double x = 0, y = 0;
  int symbol = 0;
  EXPECT_EQ(layer.UpdatePoi(2, "a name longer than twenty-three characters", 21, 0.5, 0.5, 3), 1);
  EXPECT_EQ(layer.GetPoi(2, name, &value, &x, &y, &symbol), 1);
  EXPECT_EQ(std::strlen(name), 23u);
  EXPECT_EQ(symbol, 3);
  EXPECT_EQ(layer.RemovePoi(9), 0);
  EXPECT_EQ(layer.RemovePoisByValue(30), 1);
  EXPECT_EQ(layer.ItemCount(), 2);
  EXPECT_EQ(layer.RemovePoi(-1), 1);
  EXPECT_EQ(layer.ItemCount(), 0);
}

// On a map in metres zoomed out, the click box spans kilometres: an item inside it is found
// however far (in map units) it lies from the box's centre.
TEST(HitTests, PointsOfInterestFarFromTheBoxCentreInMetres)
{
  CMapModel model;
  CUserPoiLayer layer(&model);
  layer.AddPoi(1, "depot", 10, 512000.0, 4650000.0, 0);
  layer.AddPoi(2, "outside", 20, 530000.0, 4650000.0, 0);
  int key = -1, value = -1;
  // A 24-pixel box at 500 m a pixel, its centre 4 km from the item.
  EXPECT_EQ(layer.FindPoi(510000.0, 4644000.0, 522000.0, 4656000.0, &key, &value), 1);
  EXPECT_EQ(key, 1);
  EXPECT_EQ(value, 10);
}

// An item memory cannot hold is not added, and the layer says so (0) instead of throwing.
TEST(HitTests, APointOfInterestMemoryCannotHoldAnswersZero)
{
  if (zamra_test::kAddressSanitizer || zamra_test::kThreadSanitizer)
    GTEST_SKIP() << "the sanitizers' allocators cannot fail one allocation under an address-space limit";
  CMapModel model;
  CUserPoiLayer layer(&model);
  // 2^20 items fill the layer's storage to the brim (some 56 MB), so that the next one needs
  // twice that at once.
  constexpr int kItems = 1 << 20;
  for (int key = 0; key < kItems; ++key)
    ASSERT_EQ(layer.AddPoi(key, "poi", 0, key, 0.0, 0), 1);
  int added = -1;
  {
    zamra_test::AddressSpaceLimit limit(std::int64_t{16} << 20);
    ASSERT_TRUE(limit.Limited());
    added = layer.AddPoi(kItems, "one more", 0, 0.0, 0.0, 0);
  }
  EXPECT_EQ(added, 0);
  EXPECT_EQ(layer.ItemCount(), kItems);
  EXPECT_EQ(layer.AddPoi(kItems, "one more", 0, 0.0, 0.0, 0), 1) << "with the memory back it is added";
}

namespace {

bool CrossesTheAntimeridian(const ST_MPOLYGON& shape)
{
  for (int part = 0; part < shape.partCount; ++part)
    for (int i = 1; i < shape.parts[part].pointCount; ++i)
      if (std::fabs(shape.parts[part].points[i].x - shape.parts[part].points[i - 1].x) > 180.0)
        return true;
  return false;
}

}  // namespace

// The view reads shapefiles with its own parser; the formats library must agree record for
// record, but for those it draws as their pieces on either side of 180 degrees.
TEST(ShapeLayers, AgreeWithTheFormatsLibraryOnTheSamples)
{
  for (const char* name : {"world_countries", "world_borders", "world_cities"}) {
    const std::string shp = std::string(ZAMRA_SAMPLES_DIR) + "/" + name + ".shp";
    CMapModel model;
    auto* layer = dynamic_cast<CShapeLayer*>(model.AddLayer(shp.c_str()));
    ASSERT_NE(layer, nullptr) << name;
    std::unique_ptr<ZMShapeFile> file(ZMShapeFile::GetInstance(shp.c_str()));
    ASSERT_NE(file, nullptr) << name;
    ASSERT_EQ(file->GetRecordCount(), layer->RecordCount()) << name;
    int cut = 0;
    for (int record = 0; record < layer->RecordCount(); ++record) {
      if (auto* points = dynamic_cast<CPointLayer*>(layer)) {
        const ST_POINT* expected = static_cast<ZMShapePointFile*>(file.get())->GetShape(record);
        ASSERT_NE(expected, nullptr);
        EXPECT_EQ(points->Points()[record].x, expected->x);
        EXPECT_EQ(points->Points()[record].y, expected->y);
        continue;
      }
      const ST_MPOLYGON* ours = layer->GetType() == 5 ? &dynamic_cast<CPolygonLayer*>(layer)->Records()[record]
                                                      : reinterpret_cast<const ST_MPOLYGON*>(
                                                            &dynamic_cast<CPolylineLayer*>(layer)->Records()[record]);
      const ST_MPOLYGON* theirs = layer->GetType() == 5
                                      ? static_cast<ZMShapePolygonFile*>(file.get())->GetShape(record)
                                      : reinterpret_cast<const ST_MPOLYGON*>(
                                            static_cast<ZMShapePolylineFile*>(file.get())->GetShape(record));
      ASSERT_NE(theirs, nullptr);
      if (CrossesTheAntimeridian(*theirs)) {
        ++cut;  // drawn as its pieces on either side of 180 degrees
        continue;
      }
      ASSERT_EQ(ours->partCount, theirs->partCount) << name << " record " << record;
      EXPECT_EQ(ours->envelop.left, theirs->envelop.left);
      EXPECT_EQ(ours->envelop.top, theirs->envelop.top);
      for (int part = 0; part < ours->partCount; ++part) {
        ASSERT_EQ(ours->parts[part].pointCount, theirs->parts[part].pointCount);
        EXPECT_EQ(0, std::memcmp(ours->parts[part].points, theirs->parts[part].points,
                                 sizeof(ST_POINT) * static_cast<size_t>(ours->parts[part].pointCount)))
            << name << " record " << record << " part " << part;
      }
    }
    EXPECT_EQ(cut, layer->GetType() == 1 ? 0 : 3) << name << ": Fiji, Russia and Antarctica";
  }
}
