// The plain records in which the system holds geometry: a point, a bounding box, one line or
// ring, and a multi-part polyline or polygon; and the decoded main header of .shp/.shx files.
//
// A record owns its arrays and releases them with itself. Records are not copied by value
// (that would release the same arrays twice); ZMPolyline::CopyTo and ZMPolygon::CopyTo make
// deep copies.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

struct ST_POINT {
  double x = 0.0;
  double y = 0.0;
};

// Member order differs from the shapefile box order (minimum x, minimum y, maximum x, maximum y).
struct ST_RECT {
  double left = 0.0;    // minimum x
  double right = 0.0;   // maximum x
  double top = 0.0;     // maximum y
  double bottom = 0.0;  // minimum y
};

// One line of a polyline.
struct ST_POLYLINE {
  std::int32_t pointCount = 0;
  ST_POINT* points = nullptr;  // owned; null when empty (or kept after its last point is removed)
  ST_RECT envelop;             // as last computed

  ST_POLYLINE() = default;
  ~ST_POLYLINE() { delete[] points; }
  ST_POLYLINE(const ST_POLYLINE&) = delete;
  ST_POLYLINE& operator=(const ST_POLYLINE&) = delete;
};

// One ring of a polygon; the same layout as a line.
struct ST_POLYGON {
  std::int32_t pointCount = 0;
  ST_POINT* points = nullptr;  // owned; null when empty (or kept after its last point is removed)
  ST_RECT envelop;             // as last computed

  ST_POLYGON() = default;
  ~ST_POLYGON() { delete[] points; }
  ST_POLYGON(const ST_POLYGON&) = delete;
  ST_POLYGON& operator=(const ST_POLYGON&) = delete;
};

// A polyline of one or more lines.
struct ST_MPOLYLINE {
  ST_POLYLINE* parts = nullptr;  // owned array of partCount lines; null when there are none
  std::int32_t partCount = 0;
  ST_RECT envelop;  // box of all parts, as last computed

  ST_MPOLYLINE() = default;
  ~ST_MPOLYLINE() { delete[] parts; }
  ST_MPOLYLINE(const ST_MPOLYLINE&) = delete;
  ST_MPOLYLINE& operator=(const ST_MPOLYLINE&) = delete;
};

// A polygon of one or more rings; the same layout as a polyline.
struct ST_MPOLYGON {
  ST_POLYGON* parts = nullptr;  // owned array of partCount rings; null when there are none
  std::int32_t partCount = 0;
  ST_RECT envelop;  // box of all parts, as last computed

  ST_MPOLYGON() = default;
  ~ST_MPOLYGON() { delete[] parts; }
  ST_MPOLYGON(const ST_MPOLYGON&) = delete;
  ST_MPOLYGON& operator=(const ST_MPOLYGON&) = delete;
};

// The decoded 100-byte main header of .shp and .shx files.
struct tagShpHead {
  std::int32_t shapeType = 0;   // 1 point, 3 polyline, 5 polygon are the ones ZMShapeFile loads
  std::int32_t fileCode = 0;    // 9994 in a valid header
  std::int32_t fileLength = 0;  // total file length in bytes (stored in 16-bit words)
  std::int32_t version = 0;     // 1000 in a valid header
  ST_RECT envelop;              // box of all shapes in the file
};
