// CPolygonLayer: a layer of polygon records; the rings of a record fill as one area, so that
// inner rings are holes.
#pragma once

#include <vector>

#include "part_layer.h"

class CPolygonLayer final : public CPartLayer<ST_MPOLYGON> {
public:
  explicit CPolygonLayer(CMapModel* model);

  // The first record whose rings hold the point an odd number of times by the crossing rule
  // (a point in a hole is outside); ring boxes are tested first.
  int HitTest(double x, double y) override;
  void DrawShapes(HDC dc) override;

  // The crossing rule of ZMGeometry::IsPointOnPolygon: odd crossings to the right of the point
  // mean inside; an edge counts when exactly one of its ends lies above the point.
  static bool IsInsideRing(const ST_POINT* ring, int count, double x, double y);

protected:
  // Labels go inside the area (see PolygonLabelPoint), worked out once a record.
  LabelAnchor GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope) override;
  ST_POINT AreaLabelPoint(int record) override;

private:
  std::vector<ST_POINT> m_labelPoints;  // by record, on first need; not a number until then
};
