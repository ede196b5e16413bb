// CMapView: the extras a host may ask for beside IZamraView: pixels of geographic points, the
// ground length of a pixel, the outline of an identified record, per-layer code pages and the
// pixel ratio of the pictures.
// SPDX-License-Identifier: MIT
#include "window/map_view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/code_page.h"
#include "platform/gdi.h"
#include "model/map_model.h"
#include "window/map_window.h"
#include "layers/part_layer.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"

using namespace zamra::view;

namespace zamra::view {

namespace {

const COLORREF kHighlightColor = RGB(255, 0, 255);  // magenta: no default style uses it
constexpr int kHighlightWidth = 3;
constexpr int kPointMargin = 3;  // the box around a point reaches this far past its symbol

// Every part of a record as an open or closed line, shifted by (dx, dy).
template <typename Multi>
void OutlineParts(const CMapModel& model, HDC dc, const Multi& record, bool closed, int dx, int dy)
{
  std::vector<POINT> pixels;
  for (int part = 0; part < record.partCount; ++part) {
    const auto& line = record.parts[part];
    if (line.pointCount <= 0 || line.points == nullptr)
      continue;  // nothing to outline
    pixels.clear();
    for (int i = 0; i < line.pointCount; ++i) {
      int x = 0, y = 0;
      model.GeoToPixel(line.points[i].x, line.points[i].y, x, y);
      pixels.push_back(POINT{x + dx, y + dy});
    }
    if (closed)
      pixels.push_back(pixels.front());
    Polyline(dc, pixels.data(), static_cast<int>(pixels.size()));
  }
}

}  // namespace

}  // namespace zamra::view

IZamraViewExtras* IZamraViewExtras::Of(IZamraView* view) { return dynamic_cast<CMapView*>(view); }

namespace zamra::view {

void CMapView::GeoToView(double x, double y, int& px, int& py)
{
  px = py = 0;
  if (m_model)
    m_model->GeoToWindow(x, y, px, py);
}

double CMapView::GetGroundLengthPerPixel() { return m_model ? m_model->Scale() / CMapModel::kPixelsPerMeter : 0.0; }

CShapeLayer* CMapView::HeldLayer(ILayer* layer) const
{
  if (!m_model || layer == nullptr)
    return nullptr;
  for (int i = 0; i < m_model->GetLayerCount(); ++i)
    if (m_model->GetLayer(i) == layer)
      return m_model->GetLayer(i);
  return nullptr;
}

void CMapView::SetHighlight(ILayer* layer, int record)
{
  CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr || record < 0 || record >= held->RecordCount()) {
    held = nullptr;
    record = -1;
  }
  m_highlightLayer = held;
  m_highlightRecord = record;
  if (m_window)
    m_window->update();
}

ILayer* CMapView::GetHighlightLayer() { return HeldLayer(m_highlightLayer); }

int CMapView::GetHighlightRecord() { return HeldLayer(m_highlightLayer) != nullptr ? m_highlightRecord : -1; }

void CMapView::DrawHighlight(HDC dc, int dx, int dy)
{
  CShapeLayer* layer = HeldLayer(m_highlightLayer);
  const int record = m_highlightRecord;
  if (layer == nullptr || record < 0 || record >= layer->RecordCount() || !layer->GetVisible())
    return;  // nothing outlined, or the layer is hidden
  HPEN pen = CreatePen(PS_SOLID, m_model->DevicePenWidth(kHighlightWidth), kHighlightColor);
  HGDIOBJ previous = SelectObject(dc, pen);
  if (auto* polygons = dynamic_cast<CPolygonLayer*>(layer)) {
    OutlineParts(*m_model, dc, polygons->Records()[record], true, dx, dy);
  } else if (auto* lines = dynamic_cast<CPolylineLayer*>(layer)) {
    OutlineParts(*m_model, dc, lines->Records()[record], false, dx, dy);
  } else if (auto* points = dynamic_cast<CPointLayer*>(layer); points != nullptr && points->HasGeometry(record)) {
    const int halfWidth = m_model->SymbolWidth() / 2 + m_model->DeviceLength(kPointMargin);
    const int halfHeight = m_model->SymbolHeight() / 2 + m_model->DeviceLength(kPointMargin);
    for (std::int64_t i = points->FirstPoint(record); i < points->FirstPoint(record + 1); ++i) {
      int x = 0, y = 0;
      m_model->GeoToPixel(points->Points()[i].x, points->Points()[i].y, x, y);
      x += dx;
      y += dy;
      const POINT box[5] = {{x - halfWidth, y - halfHeight},
                            {x + halfWidth, y - halfHeight},
                            {x + halfWidth, y + halfHeight},
                            {x - halfWidth, y + halfHeight},
                            {x - halfWidth, y - halfHeight}};
      Polyline(dc, box, 5);
    }
  }
  SelectObject(dc, previous);
  DeleteObject(pen);
}

int CMapView::SetDevicePixelRatio(double ratio)
{
  if (!m_model || !m_model->SetPixelRatio(ratio))
    return 0;
  if (m_window)
    m_window->update();
  return 1;
}

double CMapView::GetDevicePixelRatio() { return m_model ? m_model->PixelRatio() : 1.0; }

void CMapView::SetSmoothDrawing(int smooth)
{
  if (!m_model || m_model->SmoothDrawing() == (smooth != 0))
    return;
  m_model->SetSmoothDrawing(smooth != 0);
  Refresh();
}

int CMapView::GetSmoothDrawing() { return m_model && m_model->SmoothDrawing() ? 1 : 0; }

int CMapView::SetLayerCodePage(ILayer* layer, unsigned codePage)
{
  CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr || held->LayerDataView() == nullptr)
    return 0;
  // A code page iconv cannot convert would turn every text into nothing.
  if (codePage != 0 && MultiByteToWideChar(codePage, 0, "A", 1, nullptr, 0) <= 0)
    return 0;
  held->LayerDataView()->SetCodePageOverride(codePage);
  held->Thematic().Reapply(*held->LayerDataView());  // categories are texts, read anew
  if (m_model)
    m_model->Invalidate();
  return 1;
}

unsigned CMapView::GetLayerCodePage(ILayer* layer)
{
  CShapeLayer* held = HeldLayer(layer);
  return held != nullptr && held->LayerDataView() != nullptr ? held->LayerDataView()->CodePageOverride() : 0;
}

unsigned CMapView::GetLayerFileCodePage(ILayer* layer)
{
  CShapeLayer* held = HeldLayer(layer);
  return held != nullptr && held->LayerDataView() != nullptr ? held->LayerDataView()->FileCodePage() : 0;
}

int CMapView::GetLayerCoordinates(ILayer* layer, char* system, int size, int* droppedRecords)
{
  const CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr)
    return -1;
  const LayerProjectionInfo& info = held->Projection();
  if (system != nullptr && size > 0) {
    const size_t length = std::min(info.systemName.size(), static_cast<size_t>(size - 1));
    std::memcpy(system, info.systemName.data(), length);
    system[length] = '\0';
  }
  if (droppedRecords != nullptr)
    *droppedRecords = info.droppedRecords;
  switch (info.coordinates) {
  case LayerCoordinates::NoPrj:
    return ZM_COORDINATES_NONE_NAMED;
  case LayerCoordinates::UnreadablePrj:
    return ZM_COORDINATES_UNREADABLE;
  case LayerCoordinates::Transformed:
    return ZM_COORDINATES_TRANSFORMED;
  case LayerCoordinates::LongitudeLatitude:
    break;
  }
  return ZM_COORDINATES_LONLAT;
}

int CMapView::GetLayersExtent(double* minX, double* minY, double* maxX, double* maxY)
{
  bool any = false;
  double box[4] = {};
  for (int i = 0; i < GetLayerCount(); ++i) {
    ILayer* layer = GetLayerByIndex(i);
    if (layer == nullptr)
      continue;  // a gap in the list adds nothing to the extent
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    layer->GetRect(&x0, &y0, &x1, &y1);
    box[0] = any ? std::min(box[0], x0) : x0;
    box[1] = any ? std::min(box[1], y0) : y0;
    box[2] = any ? std::max(box[2], x1) : x1;
    box[3] = any ? std::max(box[3], y1) : y1;
    any = true;
  }
  if (!any || minX == nullptr || minY == nullptr || maxX == nullptr || maxY == nullptr)
    return any ? 1 : 0;
  *minX = box[0];
  *minY = box[1];
  *maxX = box[2];
  *maxY = box[3];
  return 1;
}

double CMapView::GetScaleToFit(double minX, double minY, double maxX, double maxY)
{
  if (!std::isfinite(minX) || !std::isfinite(minY) || !std::isfinite(maxX) || !std::isfinite(maxY))
    return -1.0;
  // The window's span in geographic units at the present scale, which the scale divides.
  const double scale = GetScale();
  int width = 0, height = 0;
  GetView(width, height);
  double gx0 = 0, gy0 = 0, gx1 = 0, gy1 = 0;
  ViewToGeo(0, height, gx0, gy0);
  ViewToGeo(width, 0, gx1, gy1);
  if (!(gx1 > gx0) || !(gy1 > gy0))
    return -1.0;
  const double fx = (maxX - minX) * scale / (gx1 - gx0);
  const double fy = (maxY - minY) * scale / (gy1 - gy0);
  return fx > fy ? fx : fy;
}

}  // namespace zamra::view
