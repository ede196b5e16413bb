// Test data written with shapelib, an independent implementation of the shapefile formats.
// SPDX-License-Identifier: MIT
#pragma once

#include <shapefil.h>

#include <functional>
#include <string>
#include <vector>

#include "api/formats/shape_records.h"

namespace zamra_test {

// One shape: parts of points (a point shape is one part of one point; no parts is a null shape).
struct TestShape {
  std::vector<std::vector<ST_POINT>> parts;
};

struct TestColumn {
  std::string name;
  DBFFieldType type = FTString;
  int width = 20;
  int decimals = 0;
};

// Writes base.shp/.shx (shape type SHPT_POINT, SHPT_ARC or SHPT_POLYGON) and base.dbf with the
// columns and one row of text values per shape ("" leaves a number blank). False when shapelib
// refuses.
inline bool WriteShapefile(const std::string& base, int shapeType, const std::vector<TestShape>& shapes,
                           const std::vector<TestColumn>& columns = {{"name", FTString, 20, 0}},
                           const std::vector<std::vector<std::string>>& rows = {})
{
  SHPHandle shp = SHPCreate(base.c_str(), shapeType);
  DBFHandle dbf = DBFCreate((base + ".dbf").c_str());
  if (shp == nullptr || dbf == nullptr)
    return false;
  for (const TestColumn& column : columns)
    DBFAddField(dbf, column.name.c_str(), column.type, column.width, column.decimals);
  for (size_t i = 0; i < shapes.size(); ++i) {
    std::vector<double> xs, ys;
    std::vector<int> starts;
    for (const auto& part : shapes[i].parts) {
      starts.push_back(static_cast<int>(xs.size()));
      for (const ST_POINT& point : part) {
        xs.push_back(point.x);
        ys.push_back(point.y);
      }
    }
    SHPObject* object = shapes[i].parts.empty()
                            ? SHPCreateObject(SHPT_NULL, -1, 0, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr)
                            : SHPCreateObject(shapeType, -1, static_cast<int>(starts.size()), starts.data(), nullptr,
                                              static_cast<int>(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
    SHPWriteObject(shp, -1, object);
    SHPDestroyObject(object);
    for (size_t c = 0; c < columns.size(); ++c) {
      const std::string value = i < rows.size() && c < rows[i].size() ? rows[i][c] : "row" + std::to_string(i);
      if (columns[c].type != FTString && value.empty())
        DBFWriteNULLAttribute(dbf, static_cast<int>(i), static_cast<int>(c));  // a blank number
      else if (columns[c].type == FTString)
        DBFWriteStringAttribute(dbf, static_cast<int>(i), static_cast<int>(c), value.c_str());
      else if (columns[c].type == FTInteger)
        DBFWriteIntegerAttribute(dbf, static_cast<int>(i), static_cast<int>(c), std::stoi(value));
      else
        DBFWriteDoubleAttribute(dbf, static_cast<int>(i), static_cast<int>(c), std::stod(value));
    }
  }
  SHPClose(shp);
  DBFClose(dbf);
  return true;
}

// A closed square ring with corners (x, y) and (x + size, y + size), clockwise as shapefiles
// keep outer rings.
inline std::vector<ST_POINT> Square(double x, double y, double size)
{
  return {{x, y}, {x, y + size}, {x + size, y + size}, {x + size, y}, {x, y}};
}

// Writes base.shp/.shx/.dbf of `rows` points on a grid, 1000 to a row, with one text column
// "name" of width 12 holding name(record). Written point by point, so that a million rows do
// not sit in memory twice. False when shapelib refuses.
inline bool WriteNamedPoints(const std::string& base, int rows, const std::function<std::string(int)>& name)
{
  SHPHandle shp = SHPCreate(base.c_str(), SHPT_POINT);
  DBFHandle dbf = DBFCreate((base + ".dbf").c_str());
  bool written = shp != nullptr && dbf != nullptr && DBFAddField(dbf, "name", FTString, 12, 0) == 0;
  for (int i = 0; written && i < rows; ++i) {
    const double x = (i % 1000) * 0.1, y = (i / 1000) * 0.1;
    SHPObject* point = SHPCreateSimpleObject(SHPT_POINT, 1, &x, &y, nullptr);
    written = SHPWriteObject(shp, -1, point) >= 0 && DBFWriteStringAttribute(dbf, i, 0, name(i).c_str());
    SHPDestroyObject(point);
  }
  if (shp != nullptr)
    SHPClose(shp);
  if (dbf != nullptr)
    DBFClose(dbf);
  return written;
}

}  // namespace zamra_test
