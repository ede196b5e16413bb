// CPolygonLayer: a layer of polygon records; the rings of a record fill as one area, so that
// inner rings are holes.
// SPDX-License-Identifier: MIT
#pragma once

#include <utility>
#include <vector>

#include "drawing/label_point.h"
#include "layers/part_layer.h"

namespace zamra::view {

class CPolygonLayer final : public CPartLayer<ST_MPOLYGON> {
public:
  explicit CPolygonLayer(MapCanvas* canvas);

  // The first record whose rings hold the point an odd number of times by the crossing rule
  // (a point in a hole is outside); ring boxes are tested first. A record read from surfaces
  // is hit when any one of its polygons (a triangle, a ring with its holes) holds the point.
  int HitTest(double x, double y) override;
  void DrawShapes(HDC dc) override;

  // The crossing rule of ZMGeometry::IsPointOnPolygon: odd crossings to the right of the point
  // mean inside; an edge counts when exactly one of its ends lies above the point.
  static bool IsInsideRing(const ST_POINT* ring, int count, double x, double y);

protected:
  void KeepPolygonStarts(PolygonStarts starts) override { m_polygonStarts = std::move(starts); }
  // Labels go inside the area (see PolygonLabelPoint), worked out once a record.
  LabelAnchor GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope) override;
  ST_POINT AreaLabelPoint(int record) override;

private:
  // Calls visit(first, count) for each polygon of record `record`: its rings first .. first +
  // count - 1 fill as one area. One polygon of all rings unless the record came from surfaces.
  template <typename Visit>
  void ForEachPolygon(int record, Visit visit) const;

  LabelPointCache m_labelPoints;
  PolygonStarts m_polygonStarts;  // by record, for layers read from surfaces; empty otherwise
};

}  // namespace zamra::view
