// CShapeWnd: hosting the map view.
// SPDX-License-Identifier: MIT
#include "shape_wnd.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QUrl>

#include "program_bitmaps.h"
#include "resource_ids.h"
#include "scale_bar.h"
#include "vector_files.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/window_message.h"
#include "view/point_symbols.h"

namespace mapory {

namespace {

constexpr unsigned long kChildVisibleStyle = 0x40000000UL | 0x10000000UL;  // child + visible

QStringList ShapeFiles(const QMimeData* data)
{
  QStringList files;
  if (data == nullptr)
    return files;
  // The .shx or .dbf of a shapefile stands for it: the view opens the .shp beside it. A .zip
  // brings the shapefiles in it; files of the other vector formats are read through GDAL.
  for (const QUrl& url : data->urls()) {
    const QString path = url.toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!path.isEmpty() && (suffix == QLatin1String("shp") || suffix == QLatin1String("shx") ||
                            suffix == QLatin1String("dbf") || IsVectorFileName(path)))
      files << path;
  }
  return files;
}

}  // namespace

CShapeWnd::CShapeWnd(QWidget* frame, QWidget* parent) : QWidget(parent), m_frame(frame)
{
  setAttribute(Qt::WA_OpaquePaintEvent);  // the view's window covers the whole client area
  setAcceptDrops(true);
  resize(600, 400);

  m_view.reset(IZamraView::GetInstance());
  if (!m_view)
    return;
  m_view->Create(nullptr, kChildVisibleStyle, 0, 0, 0, 600, 400, this, ID_VIEW_WINDOW);
  // The view's window is this window's only child so far: watch it for the pointer.
  const QList<QWidget*> children = findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  if (!children.isEmpty()) {
    m_viewWindow = children.constFirst();
    m_viewWindow->installEventFilter(this);
  }
  m_scaleBar = new CScaleBar(m_view.get(), this);
  HandSymbolStrip();
}

CShapeWnd::~CShapeWnd()
{
  // The view's window is a child of this one; the view deletes it itself.
  m_view.reset();
}

void CShapeWnd::HandSymbolStrip()
{
  // The view draws at its window's device pixels: the strip comes at the same ratio.
  const double ratio = m_viewWindow != nullptr ? m_viewWindow->devicePixelRatioF() : devicePixelRatioF();
  if (!m_view || ratio == m_symbolRatio)
    return;
  const QImage image = PointSymbolStrip(ratio);
  const int side = image.height();
  HDC strip = ZamraSymbolStripContext(image);
  if (strip == nullptr)
    return;
  m_view->SetPoiDC(strip, image.width() / side, side, side);  // the view owns it from now on
  m_symbolRatio = ratio;
}

void CShapeWnd::FollowClientSize()
{
  if (!m_view)
    return;
  auto* subWindow = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (subWindow != nullptr && subWindow->isMinimized())
    m_view->SetView(0, 0);
  else
    m_view->SetView(width(), height());
}

bool CShapeWnd::event(QEvent* event)
{
  if (event->type() == WindowMessageEvent::EventType()) {
    const auto* message = static_cast<WindowMessageEvent*>(event);
    if (message->Message() == ZM_VIEW_NOTIFY) {
      if (m_scaleBar != nullptr)
        m_scaleBar->update();  // the scale or the layers may have changed
      PostMessage(m_frame, message->Message(), message->WParam(), message->LParam());
      return true;
    }
  }
  if (event->type() == QEvent::ParentChange) {
    // Minimising the MDI child changes its state, not this window's size.
    if (auto* subWindow = qobject_cast<QMdiSubWindow*>(parentWidget()))
      connect(subWindow, &QMdiSubWindow::windowStateChanged, this, &CShapeWnd::FollowClientSize, Qt::UniqueConnection);
  }
  return QWidget::event(event);
}

bool CShapeWnd::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == m_viewWindow) {
    // Before the view paints at a new pixel ratio, its symbols are redrawn at it.
    if (event->type() == QEvent::Paint || event->type() == QEvent::ScreenChangeInternal) {
      const double before = m_symbolRatio;
      HandSymbolStrip();
      if (m_symbolRatio != before && event->type() == QEvent::ScreenChangeInternal)
        m_view->Refresh();
    }
    if (event->type() == QEvent::MouseMove) {
      const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
      emit pointerMoved(at.x(), at.y());
    } else if (event->type() == QEvent::Leave) {
      emit pointerLeft();
    }
  }
  return QWidget::eventFilter(watched, event);  // the view handles every event itself
}

void CShapeWnd::resizeEvent(QResizeEvent* event)
{
  QWidget::resizeEvent(event);
  FollowClientSize();
  if (m_scaleBar != nullptr)
    m_scaleBar->FollowParent();
}

void CShapeWnd::paintEvent(QPaintEvent*) {}

void CShapeWnd::closeEvent(QCloseEvent* event) { event->ignore(); }

void CShapeWnd::dragEnterEvent(QDragEnterEvent* event)
{
  if (!ShapeFiles(event->mimeData()).isEmpty())
    event->acceptProposedAction();
}

void CShapeWnd::dropEvent(QDropEvent* event)
{
  const QStringList files = ShapeFiles(event->mimeData());
  if (files.isEmpty())
    return;
  event->acceptProposedAction();
  emit shapeFilesDropped(files);
}

}  // namespace mapory
