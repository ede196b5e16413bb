// CPolylineLayer.
// SPDX-License-Identifier: MIT
#include "layers/polyline_layer.h"

#include <cmath>

#include "drawing/label_point.h"
#include "platform/gdi.h"
#include "thematic/thematic_pens.h"

namespace zamra::view {

namespace {

bool InBox(const ST_RECT& box, double x, double y)
{
  return x >= box.left && x <= box.right && y >= box.bottom && y <= box.top;
}

double Distance(double ax, double ay, double bx, double by)
{
  return std::sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by));
}

}  // namespace

CPolylineLayer::CPolylineLayer(MapCanvas* canvas) : CPartLayer(canvas, 3)
{
  SetLineWidth(1);
  SetLineColor(RGB(200, 200, 150));
  SetLineStyle(0);
}

int CPolylineLayer::HitTest(double x, double y)
{
  const ST_MPOLYLINE* records = Records();
  for (int record = 0; record < RecordCount(); ++record) {
    for (int p = 0; p < records[record].partCount; ++p) {
      const ST_POLYLINE& part = records[record].parts[p];
      if (!InBox(part.envelop, x, y))
        continue;
      for (int i = 0; i + 1 < part.pointCount; ++i) {
        const ST_POINT& a = part.points[i];
        const ST_POINT& b = part.points[i + 1];
        // On the segment, the way through the point is no longer than the segment itself.
        if (std::fabs(Distance(x, y, a.x, a.y) + Distance(x, y, b.x, b.y) - Distance(a.x, a.y, b.x, b.y)) < 0.001)
          return record;
      }
    }
  }
  return -1;
}

void CPolylineLayer::DrawShapes(HDC dc)
{
  HPEN pen = CreatePen(GetLineStyle(), Canvas()->DevicePenWidth(GetLineWidth()), GetLineColor());
  HGDIOBJ previousPen = SelectObject(dc, pen);
  if (Thematic().IsActive()) {
    // Lines coloured by value: the layer's pen in each record's colour.
    ThematicPens pens(dc, Thematic(), GetLineStyle(), Canvas()->DevicePenWidth(GetLineWidth()));
    const ST_MPOLYLINE* records = Records();
    for (int record = 0; record < RecordCount(); ++record) {
      const ST_MPOLYLINE& target = records[record];
      if (target.partCount <= 0 || !Canvas()->IsVisibleIn(dc, target.envelop))
        continue;  // null shapes and records out of sight
      pens.Select(record);
      const COLORREF color = Thematic().ColorOf(record);
      for (int part = 0; part < target.partCount; ++part)
        Canvas()->DrawPart(dc, target.parts[part].points, target.parts[part].pointCount, target.parts[part].envelop,
                           false, color);
    }
  } else {
    DrawAllParts(dc, false);
  }
  SelectObject(dc, previousPen);
  DeleteObject(pen);
}

CShapeLayer::LabelAnchor CPolylineLayer::GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope)
{
  const LabelAnchor anchor = CPartLayer::GetLabelAnchor(record, point, envelope);
  return anchor == LabelAnchor::InEnvelope ? LabelAnchor::InArea : anchor;
}

ST_POINT CPolylineLayer::AreaLabelPoint(int record)
{
  return m_labelPoints.Get(record, RecordCount(), [this](int which) {
    const ST_MPOLYLINE& target = Records()[which];
    return PolylineLabelPoint(target.parts, target.partCount, target.envelop);
  });
}

}  // namespace zamra::view
