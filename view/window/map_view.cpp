// CMapView: the view interface over the model, and the window's event handling.
// SPDX-License-Identifier: MIT
#include "window/map_view.h"

#include <cmath>  // isfinite
#include <cstdint>
#include <new>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "platform/window_message.h"
#include "window/layer_loads.h"
#include "model/map_model.h"
#include "window/map_window.h"
#include "layers/shape_layer.h"
#include "layers/user_poi_layer.h"
#include "layers/user_shape_layers.h"
#include "window/workspace_load.h"

using namespace zamra::view;

namespace zamra::view {

namespace {

// Packs a client pixel as the notification's parameter: y in the high 16 bits, x in the low.
LPARAM PackPoint(int x, int y)
{
  return static_cast<LPARAM>((static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF));
}

}  // namespace

}  // namespace zamra::view

IZamraView* IZamraView::GetInstance() { return new (std::nothrow) CMapView(); }

// Placeholders of the interface: the view overrides every one.
int IZamraView::Create(HINSTANCE, unsigned long, unsigned long, int, int, int, int, HWND, unsigned) { return 0; }
int IZamraView::LoadXml(const char*) { return 0; }
int IZamraView::SaveXml(const char*) { return 0; }
void IZamraView::MoveWindow(int, int, int, int, int) {}
ILayer* IZamraView::AddLayer(const char*) { return nullptr; }
ILayer* IZamraView::GetLayerByIndex(int) { return nullptr; }
int IZamraView::GetLayerCount() { return 0; }
int IZamraView::MoveLayer(int, int) { return 0; }
int IZamraView::DeleteLayer(int) { return 0; }
int IZamraView::GetSelectLayer() { return -1; }
void IZamraView::SetSelectLayer(int) {}
IUserPolygonLayer* IZamraView::GetUserPolygonLayer() { return nullptr; }
IUserPOILayer* IZamraView::GetUserPoiLayer() { return nullptr; }
IUserPolylineLayer* IZamraView::GetUserPolylineLayer() { return nullptr; }
void IZamraView::SetView(int, int) {}
void IZamraView::GetView(int&, int&) {}
void IZamraView::SetPoiDC(HDC, int, int, int) {}
void IZamraView::SetCenter(double, double) {}
void IZamraView::GetCenter(double&, double&) {}
void IZamraView::SetScale(double) {}
double IZamraView::GetScale() { return 0.0; }
void IZamraView::ViewToGeo(int, int, double&, double&) {}
void IZamraView::Refresh() {}
void IZamraView::Draw(HDC, int, int, int, int) {}

namespace zamra::view {

CMapView::CMapView() = default;

CMapView::~CMapView()
{
  // The host may have destroyed the window already with its own; QPointer knows.
  delete m_window.data();
  if (m_backBuffer != nullptr)
    DeleteDC(m_backBuffer);
}

int CMapView::Create(HINSTANCE, unsigned long style, unsigned long, int x, int y, int width, int height, HWND parent,
                     unsigned id)
{
  constexpr unsigned long kVisible = 0x10000000UL;  // the window style bit that shows a window
  if (m_window)
    return 1;
  try {
    auto* window = new CMapWindow(this, parent);
    window->setProperty("zamraWindowId", id);
    m_window = window;
    OnCreate();
    FollowWindowRatio();
    window->setGeometry(x, y, width, height);
    OnSize(width, height);  // the model knows its size from the start, shown or not
    if (style & kVisible)
      window->show();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return m_window ? 1 : 0;
}

void CMapView::OnCreate()
{
  m_loads.reset();  // their layers would belong to the model that goes
  m_workspaceLoad.reset();
  m_model = std::make_unique<CMapModel>();
}

HDC CMapView::BackBuffer(int width, int height)
{
  if (m_backBuffer != nullptr && width == m_backBufferWidth && height == m_backBufferHeight)
    return m_backBuffer;
  if (m_backBuffer != nullptr)
    DeleteDC(m_backBuffer);
  m_backBuffer = width > 0 && height > 0 ? ZMBitmap::CreateMemDc(width, height) : nullptr;
  m_backBufferWidth = m_backBuffer != nullptr ? width : 0;
  m_backBufferHeight = m_backBuffer != nullptr ? height : 0;
  return m_backBuffer;
}

void CMapView::OnSize(int width, int height)
{
  if (!m_model)
    return;
  m_model->OnSize(width, height);
}

void CMapView::FollowWindowRatio()
{
  if (!m_model || !m_window)
    return;
  const double ratio = m_window->devicePixelRatioF();
  if (ratio == m_windowRatio)
    return;
  m_windowRatio = ratio;
  m_model->SetPixelRatio(ratio);
}

void CMapView::OnPaint(HDC windowDC, int width, int height)
{
  if (!m_model || BackBuffer(width, height) == nullptr)
    return;
  // The drag so far in surface pixels.
  const double ratio = m_model->PixelRatio();
  const int dx = m_dragging ? static_cast<int>(std::lround((m_dragLastX - m_dragStartX) * ratio)) : 0;
  const int dy = m_dragging ? static_cast<int>(std::lround((m_dragLastY - m_dragStartY) * ratio)) : 0;
  const int surfaceWidth = m_model->SurfaceWidth(), surfaceHeight = m_model->SurfaceHeight();
  if (m_dragging || (ratio != 1.0 && (surfaceWidth < width || surfaceHeight < height))) {
    // While dragging, the cached picture follows the mouse; the map is redrawn on release. A
    // surface of whole window pixels at a fractional ratio may leave a device pixel uncovered.
    const RECT all{0, 0, width, height};
    SetBkColor(m_backBuffer, RGB(255, 255, 255));
    ExtTextOutA(m_backBuffer, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  }
  m_model->Render(m_backBuffer, dx, dy);
  DrawHighlight(m_backBuffer, dx, dy);
  DrawSketch(m_backBuffer, dx, dy);
  // The centre cross, with the buffer's default one-pixel black pen: arms of 4 window pixels.
  const int centreX = ratio == 1.0 ? width / 2 : m_model->HalfWidth();
  const int centreY = ratio == 1.0 ? height / 2 : m_model->HalfHeight();
  const int arm = m_model->DeviceLength(4);
  MoveToEx(m_backBuffer, centreX - arm, centreY, nullptr);
  LineTo(m_backBuffer, centreX + arm + 1, centreY);
  MoveToEx(m_backBuffer, centreX, centreY - arm, nullptr);
  LineTo(m_backBuffer, centreX, centreY + arm + 1);
  BitBlt(windowDC, 0, 0, width, height, m_backBuffer, 0, 0, SRCCOPY);
}

void CMapView::OnMouseMove(int x, int y)
{
  // No focus on a mere move: in a host with several windows that would activate the map
  // whenever the pointer crosses it. A press focuses the window; the wheel needs no focus.
  if (m_dragging) {
    m_dragLastX = x;
    m_dragLastY = y;
    if (m_window)
      m_window->update();
  }
}

void CMapView::OnLeftPress(int x, int y)
{
  if (!m_model)
    return;
  if (CUserPoiLayer* pois = m_model->GetUserPoiLayer()) {
    // A symbol-sized box around the press, in geographic coordinates.
    const double px = x * m_model->PixelRatio(), py = y * m_model->PixelRatio();
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    m_model->PixelToGeo(px - m_model->SymbolWidth() / 2, py + m_model->SymbolHeight() / 2, minX, minY);
    m_model->PixelToGeo(px + m_model->SymbolWidth() / 2, py - m_model->SymbolHeight() / 2, maxX, maxY);
    int key = 0, value = 0;
    if (pois->FindPoi(minX, minY, maxX, maxY, &key, &value)) {
      pois->SetSelectedPoi(key);
      Refresh();
      Notify(NOTIFY_POI_CLICKED, key);
      return;
    }
  }
  m_dragStartX = m_dragLastX = x;
  m_dragStartY = m_dragLastY = y;
  m_dragging = true;  // Qt keeps the mouse on this window until the release
}

void CMapView::OnLeftRelease(int x, int y)
{
  if (!m_dragging || !m_model)
    return;
  m_dragLastX = x;
  m_dragLastY = y;
  int width = 0, height = 0;
  GetView(width, height);
  if (m_model->DragPan(m_dragStartX, m_dragStartY, x, y, width, height))
    Notify(NOTIFY_CENTER_CHANGED, 0);
  else
    Notify(NOTIFY_CLICK, PackPoint(x, y));
  m_dragging = false;
  if (m_window)
    m_window->update();
}

void CMapView::OnRightRelease(int x, int y) { Notify(NOTIFY_RIGHT_CLICK, PackPoint(x, y)); }

void CMapView::OnWheel(int rotation)
{
  if (!m_model)
    return;
  SetScale(m_model->WheelScale(rotation));
  Refresh();
}

void CMapView::Notify(WPARAM code, LPARAM parameter)
{
  if (m_window && m_window->parentWidget() != nullptr)
    PostMessage(m_window->parentWidget(), ZM_VIEW_NOTIFY, code, parameter);
}

void CMapView::MoveWindow(int x, int y, int width, int height, int repaint)
{
  if (!m_window)
    return;
  m_window->setGeometry(x, y, width, height);
  if (!m_window->isVisible())
    OnSize(m_window->width(), m_window->height());
  if (repaint)
    m_window->update();
}

ILayer* CMapView::AddLayer(const char* shpPath) { return m_model ? m_model->AddLayer(shpPath) : nullptr; }
ILayer* CMapView::GetLayerByIndex(int index) { return m_model ? m_model->GetLayer(index) : nullptr; }
int CMapView::GetLayerCount() { return m_model ? m_model->GetLayerCount() : 0; }

int CMapView::MoveLayer(int a, int b)
{
  const int moved = m_model ? m_model->MoveLayer(a, b) : 0;
  if (moved)
    Refresh();
  return moved;
}

int CMapView::DeleteLayer(int index)
{
  if (m_model && m_highlightLayer != nullptr && m_model->GetLayer(index) == m_highlightLayer)
    SetHighlight(nullptr, -1);  // the outline goes with its layer
  const int deleted = m_model ? m_model->DeleteLayer(index) : 0;
  if (deleted)
    Refresh();
  return deleted;
}

int CMapView::GetSelectLayer() { return m_model ? m_model->GetSelectLayer() : -1; }
void CMapView::SetSelectLayer(int index)
{
  if (m_model)
    m_model->SetSelectLayer(index);
}
IUserPolygonLayer* CMapView::GetUserPolygonLayer() { return m_model ? m_model->GetUserPolygonLayer() : nullptr; }
IUserPOILayer* CMapView::GetUserPoiLayer() { return m_model ? m_model->GetUserPoiLayer() : nullptr; }
IUserPolylineLayer* CMapView::GetUserPolylineLayer() { return m_model ? m_model->GetUserPolylineLayer() : nullptr; }

void CMapView::SetView(int width, int height)
{
  if (!m_window)
    return;
  m_window->resize(width, height);
  // A hidden window gets its resize event only when shown; the model must know the size now.
  if (!m_window->isVisible())
    OnSize(m_window->width(), m_window->height());
}

void CMapView::GetView(int& width, int& height)
{
  width = m_window ? m_window->width() : 0;
  height = m_window ? m_window->height() : 0;
}

void CMapView::SetPoiDC(HDC strip, int count, int width, int height)
{
  if (m_model)
    m_model->SetPoiDC(strip, count, width, height);
  else if (strip != nullptr)
    DeleteDC(strip);  // the view owns what it is handed, even before it has a window
}

void CMapView::SetCenter(double x, double y)
{
  // Any finite centre is taken (data west of Greenwich, south of the equator, or in metres);
  // the model keeps it inside the full extent.
  if (!m_model || !std::isfinite(x) || !std::isfinite(y))
    return;
  m_model->ClampCenter(x, y);
  Notify(NOTIFY_CENTER_CHANGED, 0);
}

void CMapView::GetCenter(double& x, double& y)
{
  if (!m_model)
    return;
  x = m_model->CenterX();
  y = m_model->CenterY();
}

void CMapView::SetScale(double scale)
{
  // Whole numbers only, cut toward zero; what the model refuses (beyond its largest scale,
  // which grows for layers whose numbers are not degrees) leaves the scale as it was.
  double whole = 0.0;
  if (scale >= 0.0 && std::isfinite(scale))
    whole = std::trunc(scale);
  if (!m_model)
    return;
  m_model->SetScaleValue(whole);
  Notify(NOTIFY_SCALE_CHANGED, 0);
}

double CMapView::GetScale() { return m_model ? m_model->Scale() : 0.0; }

void CMapView::ViewToGeo(int x, int y, double& gx, double& gy)
{
  if (m_model)
    m_model->WindowToGeo(x, y, gx, gy);
}

void CMapView::Refresh()
{
  if (!m_model)
    return;
  m_model->Invalidate();
  if (m_window && m_window->isVisible())
    m_window->update();
}

void CMapView::Draw(HDC dc, int x, int y, int, int)
{
  if (!m_model)
    return;
  m_model->Invalidate();
  m_model->Render(dc, x, y);
}

QWidget* CMapView::Window() const { return m_window.data(); }

}  // namespace zamra::view
