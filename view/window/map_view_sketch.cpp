// CMapView: the line a tool draws over the map in the window only (the measure tool's path).
// SPDX-License-Identifier: MIT
#include "window/map_view.h"

#include <cmath>

#include "platform/gdi.h"
#include "model/map_model.h"
#include "window/map_window.h"

namespace zamra::view {

namespace {

const COLORREF kSketchColor = RGB(255, 112, 0);  // orange: apart from the outline's magenta and the default styles
constexpr int kSketchWidth = 2;
constexpr int kMarkHalfSize = 3;  // window pixels from a point's mark to its edge

}  // namespace

int CMapView::SetSketch(const double* xy, int count, int closed)
{
  if (count < 0 || (count > 0 && xy == nullptr))
    return 0;
  for (int i = 0; i < 2 * count; ++i)
    if (!std::isfinite(xy[i]))
      return 0;
  m_sketch.assign(xy, xy + 2 * static_cast<size_t>(count));
  m_sketchClosed = closed != 0 && count > 2;
  if (m_window)
    m_window->update();
  return 1;
}

int CMapView::GetSketchPointCount() { return static_cast<int>(m_sketch.size() / 2); }

void CMapView::DrawSketch(HDC dc, int dx, int dy)
{
  if (m_sketch.empty() || !m_model)
    return;
  std::vector<POINT> pixels;
  pixels.reserve(m_sketch.size() / 2 + 1);
  for (size_t i = 0; i + 1 < m_sketch.size(); i += 2) {
    int x = 0, y = 0;
    m_model->GeoToPixel(m_sketch[i], m_sketch[i + 1], x, y);
    pixels.push_back(POINT{x + dx, y + dy});
  }
  if (m_sketchClosed)
    pixels.push_back(pixels.front());
  HPEN pen = CreatePen(PS_SOLID, m_model->DevicePenWidth(kSketchWidth), kSketchColor);
  HBRUSH brush = CreateSolidBrush(kSketchColor);
  HGDIOBJ previousPen = SelectObject(dc, pen);
  if (pixels.size() > 1)
    Polyline(dc, pixels.data(), static_cast<int>(pixels.size()));
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  const int half = m_model->DeviceLength(kMarkHalfSize);
  for (size_t i = 0; i < m_sketch.size() / 2; ++i)
    Rectangle(dc, pixels[i].x - half, pixels[i].y - half, pixels[i].x + half + 1, pixels[i].y + half + 1);
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
  DeleteObject(brush);
  DeleteObject(pen);
}

}  // namespace zamra::view
