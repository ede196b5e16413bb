// CShapeWnd: hosting the map view.
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

#include "resource_ids.h"
#include "scale_bar.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "platform/system_paths.h"
#include "platform/window_message.h"

namespace mapory {

namespace {

constexpr unsigned long kChildVisibleStyle = 0x40000000UL | 0x10000000UL;  // child + visible

QStringList ShapeFiles(const QMimeData* data)
{
  QStringList files;
  if (data == nullptr)
    return files;
  // The .shx or .dbf of a shapefile stands for it: the view opens the .shp beside it. A .zip
  // brings the shapefiles in it. A .zip
  // brings the shapefiles in it.
  for (const QUrl& url : data->urls()) {
    const QString path = url.toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (!path.isEmpty() && (suffix == QLatin1String("shp") || suffix == QLatin1String("shx") ||
                            suffix == QLatin1String("dbf") || suffix == QLatin1String("zip")))
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

  // The symbol strip: a memory surface holding bitmap 143, handed to the view for good.
  HBITMAP symbols = LoadBitmapResource(nullptr, IDB_POINT_SYMBOLS);
  if (symbols != nullptr) {
    HDC strip = CreateCompatibleDC(nullptr);
    BITMAP size{};
    if (strip != nullptr && GetObjectA(symbols, sizeof size, &size) != 0 && size.bmHeight > 0) {
      SelectObject(strip, symbols);
      DeleteObject(symbols);  // freed with the surface, which now holds it
      m_view->SetPoiDC(strip, size.bmWidth / size.bmHeight, size.bmHeight, size.bmHeight);
    } else {
      if (strip != nullptr)
        DeleteDC(strip);
      DeleteObject(symbols);
    }
  }

  const QByteArray workspace = WorkspacePath();
  if (!workspace.isEmpty())
    m_view->LoadXml(workspace.constData());
}

CShapeWnd::~CShapeWnd()
{
  // The view's window is a child of this one; the view deletes it itself.
  m_view.reset();
}

QByteArray CShapeWnd::WorkspacePath()
{
  char folder[261] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  if (length == 0 || length >= sizeof folder)
    return {};
  return QByteArray(folder, int(length)) + kWorkspaceFileName;
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
