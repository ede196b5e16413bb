// ZMType against shapelib, an independent implementation: files written by shapelib's tools
// decode with ZMType, and files encoded with ZMType read back in shapelib and its shpdump.
// SPDX-License-Identifier: MIT
#include "api/formats/shape_type.h"

#include <gtest/gtest.h>
#include <shapefil.h>

#include <algorithm>
#include <string>
#include <vector>

#include "api/formats/polyline.h"
#include "support/temp_dir.h"

using zamra_test::RunCommand;
using zamra_test::TempDir;

namespace {

struct Record {
  int type = 0;
  std::vector<unsigned char> content;  // after the type
};

// Walks a .shp by its records' content lengths.
std::vector<Record> Records(const std::vector<unsigned char>& shp)
{
  std::vector<Record> records;
  size_t offset = 100;
  while (offset + 8 <= shp.size()) {
    const size_t length = 2 * static_cast<size_t>(ZMType::ReadEsriInt(shp.data() + offset + 4));
    offset += 8;
    if (length < 4 || offset + length > shp.size())
      break;
    Record record;
    record.type = ZMType::ReadInt(shp.data() + offset);
    record.content.assign(shp.begin() + static_cast<long>(offset) + 4,
                          shp.begin() + static_cast<long>(offset + length));
    records.push_back(std::move(record));
    offset += length;
  }
  return records;
}

std::string Quote(const std::string& path) { return "'" + path + "'"; }

}  // namespace

TEST(ShapelibCrossCheck, FilesWrittenByShapelibDecode)
{
  TempDir dir;
  const std::string polygons = dir.File("rings");
  const std::string lines = dir.File("lines");
  const std::string points = dir.File("points");
  int status = 0;
  RunCommand("shpcreate " + Quote(polygons) + " polygon && shpadd " + Quote(polygons) +
                 " 0 0 0 10 10 10 10 0 0 0 + 2 2 4 2 4 4 2 2 && shpadd " + Quote(polygons) + " 20 20 20 21 21 21 20 20",
             &status);
  ASSERT_EQ(status, 0) << "shapelib's tools are installed by scripts/setup";
  RunCommand("shpcreate " + Quote(lines) + " arc && shpadd " + Quote(lines) + " -1.5 2.25 3.5 -4.75", &status);
  ASSERT_EQ(status, 0);
  RunCommand("shpcreate " + Quote(points) + " point && shpadd " + Quote(points) + " 139.6917 35.6895 && shpadd " +
                 Quote(points) + " -0.1278 51.5074",
             &status);
  ASSERT_EQ(status, 0);

  tagShpHead head;
  ASSERT_TRUE(ZMType::ReadShpHead((polygons + ".shp").c_str(), &head));
  EXPECT_EQ(head.shapeType, 5);
  EXPECT_EQ(head.fileLength, static_cast<int>(zamra_test::ReadAll(polygons + ".shp").size()));
  EXPECT_EQ(head.envelop.left, 0);
  EXPECT_EQ(head.envelop.top, 21);

  const std::vector<unsigned char> polygonFile = zamra_test::ReadAll(polygons + ".shp");
  const std::vector<Record> rings = Records(polygonFile);
  ASSERT_EQ(rings.size(), 2u);
  ST_MPOLYGON first;
  ASSERT_TRUE(ZMType::ReadMPolygon(rings[0].content.data(), static_cast<int>(rings[0].content.size()), &first));
  ASSERT_EQ(first.partCount, 2);
  EXPECT_EQ(first.parts[0].pointCount, 5);
  EXPECT_EQ(first.parts[1].pointCount, 4);
  EXPECT_EQ(first.parts[1].points[1].x, 4);
  EXPECT_EQ(first.parts[1].points[1].y, 2);
  EXPECT_EQ(first.envelop.right, 10);
  const std::vector<unsigned char> shx = zamra_test::ReadAll(polygons + ".shx");
  EXPECT_EQ(shx.size(), 100u + 8 * 2) << "two index entries";
  EXPECT_EQ(2 * ZMType::ReadEsriInt(shx.data() + 108), 100 + 8 + 4 + static_cast<int>(rings[0].content.size()))
      << "the second record starts after the first";

  const std::vector<Record> arcs = Records(zamra_test::ReadAll(lines + ".shp"));
  ASSERT_EQ(arcs.size(), 1u);
  EXPECT_EQ(arcs[0].type, 3);
  ST_MPOLYLINE line;
  ASSERT_TRUE(ZMType::ReadMPolyline(arcs[0].content.data(), static_cast<int>(arcs[0].content.size()), &line));
  ASSERT_EQ(line.partCount, 1);
  EXPECT_EQ(line.parts[0].points[1].y, -4.75);
  EXPECT_EQ(line.envelop.bottom, -4.75);

  const std::vector<Record> places = Records(zamra_test::ReadAll(points + ".shp"));
  ASSERT_EQ(places.size(), 2u);
  ST_POINT tokyo;
  ZMType::ReadPoint(places[0].content.data(), &tokyo, 1);
  EXPECT_EQ(tokyo.x, 139.6917);
  EXPECT_EQ(tokyo.y, 35.6895);
}

TEST(ShapelibCrossCheck, FilesEncodedByZMTypeReadInShapelib)
{
  TempDir dir;
  // Two polylines: one of two lines, one of a single line.
  std::vector<ST_MPOLYLINE*> shapes = {ZMPolyline::NewMPolyline(), ZMPolyline::NewMPolyline()};
  const ST_POINT a{-3.25, 1}, b{2, 7.5}, c{4, 4}, d{5, 5}, e{6, 6.125}, f{100, -100}, g{101, -99};
  ZMPolyline::AddPolyline(shapes[0]);
  ZMPolyline::AddPoint(shapes[0], &a, -1, -1);
  ZMPolyline::AddPoint(shapes[0], &b, -1, -1);
  ZMPolyline::AddPolyline(shapes[0]);
  for (const ST_POINT* p : {&c, &d, &e})
    ZMPolyline::AddPoint(shapes[0], p, -1, -1);
  ZMPolyline::AddPolyline(shapes[1]);
  ZMPolyline::AddPoint(shapes[1], &f, -1, -1);
  ZMPolyline::AddPoint(shapes[1], &g, -1, -1);

  std::vector<unsigned char> shp(100), shx(100);
  ST_RECT all = shapes[0]->envelop;
  all.left = std::min(all.left, shapes[1]->envelop.left);
  all.right = std::max(all.right, shapes[1]->envelop.right);
  all.top = std::max(all.top, shapes[1]->envelop.top);
  all.bottom = std::min(all.bottom, shapes[1]->envelop.bottom);
  for (size_t i = 0; i < shapes.size(); ++i) {
    const int size = ZMType::GetMPolylineSize(shapes[i]);
    const size_t offset = shp.size();
    shp.resize(offset + 8 + 4 + static_cast<size_t>(size));
    ZMType::WriteEsriInt(shp.data() + offset, static_cast<int>(i) + 1);
    ZMType::WriteEsriInt(shp.data() + offset + 4, (4 + size) / 2);
    ZMType::WriteInt(shp.data() + offset + 8, 3);
    ZMType::WriteMPolyline(shp.data() + offset + 12, shapes[i]);
    shx.resize(shx.size() + 8);
    ZMType::WriteEsriInt(shx.data() + shx.size() - 8, static_cast<int>(offset / 2));
    ZMType::WriteEsriInt(shx.data() + shx.size() - 4, (4 + size) / 2);
  }
  tagShpHead head;
  head.shapeType = 3;
  head.version = 1000;
  head.envelop = all;
  head.fileLength = static_cast<int>(shp.size());
  ASSERT_TRUE(ZMType::WriteShpHead(shp.data(), &head));
  head.fileLength = static_cast<int>(shx.size());
  ASSERT_TRUE(ZMType::WriteShpHead(shx.data(), &head));
  const std::string base = dir.File("ours");
  zamra_test::WriteAll(base + ".shp", shp);
  zamra_test::WriteAll(base + ".shx", shx);

  SHPHandle handle = SHPOpen(base.c_str(), "rb");
  ASSERT_NE(handle, nullptr);
  int count = 0, type = 0;
  double minimum[4], maximum[4];
  SHPGetInfo(handle, &count, &type, minimum, maximum);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(type, SHPT_ARC);
  EXPECT_EQ(minimum[0], -3.25);
  EXPECT_EQ(maximum[1], 7.5);
  for (int i = 0; i < count; ++i) {
    SHPObject* object = SHPReadObject(handle, i);
    ASSERT_NE(object, nullptr);
    ASSERT_EQ(object->nParts, shapes[i]->partCount);
    int vertex = 0;
    for (int part = 0; part < object->nParts; ++part) {
      EXPECT_EQ(object->panPartStart[part], vertex);
      for (int j = 0; j < shapes[i]->parts[part].pointCount; ++j, ++vertex) {
        EXPECT_EQ(object->padfX[vertex], shapes[i]->parts[part].points[j].x);
        EXPECT_EQ(object->padfY[vertex], shapes[i]->parts[part].points[j].y);
      }
    }
    EXPECT_EQ(object->nVertices, vertex);
    EXPECT_EQ(object->dfXMin, shapes[i]->envelop.left);
    EXPECT_EQ(object->dfYMax, shapes[i]->envelop.top);
    SHPDestroyObject(object);
  }
  SHPClose(handle);

  int status = 0;
  const std::string dump = RunCommand("shpdump " + Quote(base + ".shp"), &status);
  EXPECT_EQ(status, 0);
  EXPECT_NE(dump.find("nVertices=5, nParts=2"), std::string::npos) << dump;
  EXPECT_NE(dump.find("(6,6.125, 0)"), std::string::npos) << dump;
  for (ST_MPOLYLINE* shape : shapes)
    delete shape;
}
