// CPolylineLayer: a layer of polyline records, drawn with the layer's pen.
// SPDX-License-Identifier: MIT
#pragma once

#include "drawing/label_point.h"
#include "layers/part_layer.h"

namespace zamra::view {

class CPolylineLayer final : public CPartLayer<ST_MPOLYLINE> {
public:
  explicit CPolylineLayer(MapCanvas* canvas);

  // The first record (in record order) with a segment through the point, within 0.001 of
  // detour; boxes are tested first.
  int HitTest(double x, double y) override;
  void DrawShapes(HDC dc) override;

protected:
  // Labels go halfway along the longest part (see PolylineLabelPoint), worked out once a record.
  LabelAnchor GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope) override;
  ST_POINT AreaLabelPoint(int record) override;

private:
  LabelPointCache m_labelPoints;
};

}  // namespace zamra::view
