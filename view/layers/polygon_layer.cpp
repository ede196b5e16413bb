// CPolygonLayer.
// SPDX-License-Identifier: MIT
#include "layers/polygon_layer.h"

#include "api/geometry/geometry.h"
#include "platform/gdi.h"
#include "drawing/label_point.h"
#include "thematic/thematic_pens.h"

namespace zamra::view {

CPolygonLayer::CPolygonLayer(MapCanvas* canvas) : CPartLayer(canvas, 5)
{
  SetLineWidth(1);
  SetLineColor(RGB(200, 200, 150));
  SetBkColor(RGB(255, 255, 200));
}

bool CPolygonLayer::IsInsideRing(const ST_POINT* ring, int count, double x, double y)
{
  const ST_POINT point{x, y};
  return ZMGeometry::IsPointOnPolygon(&point, ring, count) == 1;
}

template <typename Visit>
void CPolygonLayer::ForEachPolygon(int record, Visit visit) const
{
  const int partCount = Records()[record].partCount;
  const auto* starts = static_cast<size_t>(record) < m_polygonStarts.size()
                           ? &m_polygonStarts[static_cast<size_t>(record)]
                           : nullptr;
  // A record whose parts were replaced since (cut at ±180°, lost to its projection) is one area.
  if (starts == nullptr || starts->size() != static_cast<size_t>(partCount)) {
    if (partCount > 0)
      visit(0, partCount);
    return;
  }
  int first = 0;
  for (int part = 1; part <= partCount; ++part)
    if (part == partCount || (*starts)[static_cast<size_t>(part)]) {
      if (!visit(first, part - first))
        return;
      first = part;
    }
}

int CPolygonLayer::HitTest(double x, double y)
{
  const ST_MPOLYGON* records = Records();
  for (int record = 0; record < RecordCount(); ++record) {
    // Inside means inside an odd number of a polygon's rings: a point in a hole is out, a
    // point on an island in the hole is in, whichever way the rings wind.
    bool hit = false;
    ForEachPolygon(record, [&](int first, int count) {
      bool inside = false;
      for (int p = first; p < first + count; ++p) {
        const ST_POLYGON& ring = records[record].parts[p];
        const ST_RECT& box = ring.envelop;
        if (x < box.left || x > box.right || y < box.bottom || y > box.top)
          continue;
        if (IsInsideRing(ring.points, ring.pointCount, x, y))
          inside = !inside;
      }
      hit = inside;
      return !hit;
    });
    if (hit)
      return record;
  }
  return -1;
}

void CPolygonLayer::DrawShapes(HDC dc)
{
  // Polygons are outlined solid whatever the layer's line style.
  HPEN pen = CreatePen(0, Canvas()->DevicePenWidth(GetLineWidth()), GetLineColor());
  HBRUSH brush = CreateSolidBrush(GetBkColor());
  HGDIOBJ previousPen = SelectObject(dc, pen);
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  {
    ThematicBrushes thematic(dc, Thematic());  // fills by value, when the layer has them
    const ST_MPOLYGON* records = Records();
    for (int record = 0; record < RecordCount(); ++record) {
      if (records[record].partCount <= 0 || !Canvas()->IsVisibleIn(dc, records[record].envelop))
        continue;  // null shapes and records out of sight
      thematic.Select(record);
      ForEachPolygon(record, [&](int first, int count) {
        Canvas()->DrawRings(dc, records[record].parts + first, count, GetLineColor());
        return true;
      });
    }
  }  // the layer's brush is back
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

CShapeLayer::LabelAnchor CPolygonLayer::GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope)
{
  const LabelAnchor anchor = CPartLayer::GetLabelAnchor(record, point, envelope);
  return anchor == LabelAnchor::InEnvelope ? LabelAnchor::InArea : anchor;
}

ST_POINT CPolygonLayer::AreaLabelPoint(int record)
{
  return m_labelPoints.Get(record, RecordCount(), [this](int which) {
    const ST_MPOLYGON& target = Records()[which];
    return PolygonLabelPoint(target.parts, target.partCount, target.envelop);
  });
}

}  // namespace zamra::view
