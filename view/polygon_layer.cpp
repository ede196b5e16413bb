// CPolygonLayer.
#include "polygon_layer.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi.h"

namespace {

constexpr double kTolerance = 0.00001;

}  // namespace

CPolygonLayer::CPolygonLayer(CMapModel* owner) : CPartLayer(owner, 5)
{
  SetLineWidth(1);
  SetLineColor(RGB(200, 200, 150));
  SetBkColor(RGB(255, 255, 200));
}

bool CPolygonLayer::IsInsideRing(const ST_POINT* ring, int count, double x, double y)
{
  int crossings = 0;
  for (int j = 0; j < count; ++j) {
    const ST_POINT& a = ring[j];
    const ST_POINT& b = ring[(j + 1) % count];
    if (!(std::max(a.x, b.x) >= x && std::min(a.y, b.y) <= y && std::max(a.y, b.y) >= y))
      continue;
    if (std::fabs(a.y - b.y) < kTolerance)
      continue;  // horizontal
    if (std::fabs(a.x - b.x) < kTolerance && std::fabs(y - std::min(a.y, b.y)) < kTolerance) {
      ++crossings;  // vertical edge met at its lower end
      continue;
    }
    const double crossingX = a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y);
    if (crossingX > x && std::fabs(y - std::max(a.y, b.y)) >= kTolerance)
      ++crossings;
  }
  return (crossings % 2) == 1;
}

int CPolygonLayer::HitTest(double x, double y)
{
  const ST_MPOLYGON* records = Records();
  for (int record = 0; record < RecordCount(); ++record) {
    // Inside means inside an odd number of the record's rings: a point in a hole is out, a
    // point on an island in the hole is in, whichever way the rings wind.
    bool inside = false;
    for (int p = 0; p < records[record].partCount; ++p) {
      const ST_POLYGON& ring = records[record].parts[p];
      const ST_RECT& box = ring.envelop;
      if (x < box.left || x > box.right || y < box.bottom || y > box.top)
        continue;
      if (IsInsideRing(ring.points, ring.pointCount, x, y))
        inside = !inside;
    }
    if (inside)
      return record;
  }
  return -1;
}

void CPolygonLayer::DrawShapes(HDC dc)
{
  // Polygons are outlined solid whatever the layer's line style.
  HPEN pen = CreatePen(0, Model()->DevicePenWidth(GetLineWidth()), GetLineColor());
  HBRUSH brush = CreateSolidBrush(GetBkColor());
  HGDIOBJ previousPen = SelectObject(dc, pen);
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  const ST_MPOLYGON* records = Records();
  for (int record = 0; record < RecordCount(); ++record) {
    if (records[record].partCount <= 0 || !Model()->IsVisibleIn(dc, records[record].envelop))
      continue;  // null shapes and records out of sight
    Model()->DrawRings(dc, records[record].parts, records[record].partCount, GetLineColor());
  }
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
  DeleteObject(brush);
  DeleteObject(pen);
}
