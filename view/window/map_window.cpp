// CMapWindow: Qt events to view handling.
// SPDX-License-Identifier: MIT
#include "window/map_window.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QWheelEvent>

#include "platform/gdi.h"

namespace zamra::view {

CMapWindow::CMapWindow(MapWindowEvents* view, QWidget* parent) : QWidget(parent), m_view(view)
{
  setWindowTitle(QStringLiteral("zamraview"));
  setAttribute(Qt::WA_OpaquePaintEvent);  // every paint covers the whole window: no erasing
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);  // moves without a button reach the view too
  setFocusPolicy(Qt::StrongFocus);
  setCursor(Qt::ArrowCursor);
}

CMapWindow::~CMapWindow() = default;

bool CMapWindow::event(QEvent* event)
{
  // A move to a screen of another density: the map is drawn anew at its pixel ratio.
  if (event->type() == QEvent::ScreenChangeInternal) {
    m_view->FollowWindowRatio();
    update();
  }
  return QWidget::event(event);
}

void CMapWindow::paintEvent(QPaintEvent*)
{
  m_view->FollowWindowRatio();  // whatever changed the ratio, the picture follows before it shows
  // The surface is in device pixels: copied to the window pixel for pixel, not scaled up.
  HDC dc = CreateDCForDevicePixels(this, false);
  m_view->OnPaint(dc, GetDeviceCaps(dc, HORZRES), GetDeviceCaps(dc, VERTRES));
  DeleteDC(dc);
}

void CMapWindow::resizeEvent(QResizeEvent* event)
{
  m_view->FollowWindowRatio();
  m_view->OnSize(event->size().width(), event->size().height());
  QWidget::resizeEvent(event);
}

void CMapWindow::mouseMoveEvent(QMouseEvent* event)
{
  const QPoint at = event->position().toPoint();
  m_view->OnMouseMove(at.x(), at.y());
  event->accept();
}

void CMapWindow::mousePressEvent(QMouseEvent* event)
{
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    m_view->OnLeftPress(at.x(), at.y());
    if (m_view->IsDragging())
      setCursor(Qt::SizeAllCursor);
    return;
  }
  QWidget::mousePressEvent(event);
}

void CMapWindow::mouseReleaseEvent(QMouseEvent* event)
{
  const QPoint at = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    const bool wasDragging = m_view->IsDragging();
    m_view->OnLeftRelease(at.x(), at.y());
    if (wasDragging)
      setCursor(Qt::ArrowCursor);
    event->accept();
  } else if (event->button() == Qt::RightButton) {
    m_view->OnRightRelease(at.x(), at.y());
  } else {
    QWidget::mouseReleaseEvent(event);
  }
}

void CMapWindow::wheelEvent(QWheelEvent* event)
{
  // Only vertical rotation zooms: a horizontal or touchpad-only scroll has no vertical angle,
  // and its sign must not be read as "backward". Touchpads may give pixels without an angle.
  int rotation = event->angleDelta().y();
  if (rotation == 0)
    rotation = event->pixelDelta().y();
  if (rotation == 0) {
    event->ignore();
    return;
  }
  m_view->OnWheel(rotation);
  event->accept();
}

}  // namespace zamra::view
