// CPolygonLayer: a layer of polygon records; the rings of a record fill as one area, so that
// inner rings are holes.
#pragma once

#include "part_layer.h"

class CPolygonLayer final : public CPartLayer<ST_MPOLYGON> {
public:
  explicit CPolygonLayer(CMapModel* model);

  // The first record whose rings hold the point an odd number of times by the crossing rule
  // (a point in a hole is outside); ring boxes are tested first.
  int HitTest(double x, double y) override;
  void DrawShapes(HDC dc) override;

  // The crossing rule: odd crossings to the right of the point mean inside. Edges that are
  // horizontal within 0.00001 are skipped, and a crossing at an edge's upper end is not counted.
  static bool IsInsideRing(const ST_POINT* ring, int count, double x, double y);
};
