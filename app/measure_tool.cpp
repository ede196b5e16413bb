// CMeasureTool.
// SPDX-License-Identifier: MIT
#include "measure_tool.h"

#include <cmath>

#include <QAction>
#include <QDockWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QWidget>

#include "measure_panel.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "view/geodesic_measure.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

namespace mapory {

namespace {

const CResourceTable& Texts() { return CResourceTable::Current(); }

constexpr int kClickSlop = 3;  // window pixels a press may move and still be a click, not a pan
constexpr int kCloseSlop = 6;  // window pixels from the first point at which a click closes the shape
constexpr double kSquareMetresPerHectare = 1.0e4;
constexpr double kSquareMetresPerSquareKilometre = 1.0e6;

// A ruler laid across the button, drawn here like the program's other pictures.
QIcon RulerIcon()
{
  QPixmap picture(64, 64);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.translate(32, 32);
  painter.rotate(-45);
  painter.setPen(QPen(QColor(90, 60, 0), 3));
  painter.setBrush(QColor(250, 200, 60));
  painter.drawRect(QRectF(-30, -10, 60, 20));
  for (int tick = 0; tick < 9; ++tick) {
    const double x = -24 + tick * 6;
    painter.drawLine(QPointF(x, -10), QPointF(x, tick % 2 == 0 ? 0 : -4));
  }
  painter.end();
  return QIcon(picture);
}

QString Number(double value, int decimals) { return QString::number(value, 'f', decimals); }

}  // namespace

CMeasureTool::CMeasureTool(IZamraView* view, QWidget* viewWindow, QLabel* messagePane, QWidget* frame)
    : QObject(frame), m_view(view), m_viewWindow(viewWindow), m_statusLabel(messagePane)
{
  m_action = new QAction(RulerIcon(), Texts().Text(QStringLiteral("measure")), frame);
  m_action->setObjectName(QString::number(ID_MEASURE));
  m_action->setCheckable(true);
  m_action->setStatusTip(Texts().Text(QStringLiteral("measure_tip")));
  m_action->setToolTip(Texts().Text(QStringLiteral("measure_title")));
  connect(m_action, &QAction::toggled, this, &CMeasureTool::setActive);

  m_dock = new QDockWidget(Texts().Text(QStringLiteral("measure_title")), frame);
  m_dock->setObjectName(QStringLiteral("measureDock"));
  m_dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  m_panel = new CMeasurePanel(m_dock);
  m_dock->setWidget(m_panel);
  m_dock->hide();
  connect(m_panel->ClearButton(), &QPushButton::clicked, this, &CMeasureTool::Cancel);
}

CMeasureTool::~CMeasureTool()
{
  if (m_viewWindow != nullptr)
    m_viewWindow->removeEventFilter(this);
}

void CMeasureTool::setActive(bool on)
{
  if (on == m_active || m_viewWindow == nullptr)
    return;
  m_active = on;
  if (on && m_statusLabel)
    m_statusBefore = m_statusLabel->text();
  Cancel();
  if (on) {
    m_viewWindow->installEventFilter(this);
    m_viewWindow->setCursor(Qt::CrossCursor);
  } else {
    m_viewWindow->removeEventFilter(this);
    m_viewWindow->setCursor(Qt::ArrowCursor);
  }
  m_dock->setVisible(on);
  if (!on && m_statusLabel)
    m_statusLabel->setText(m_statusBefore);
  if (m_action->isChecked() != on)
    m_action->setChecked(on);
}

void CMeasureTool::Cancel()
{
  m_points.clear();
  m_hovering = false;
  m_finished = false;
  m_closed = false;
  m_pressed = false;
  m_ignoreRelease = false;
  update();
}

bool CMeasureTool::eventFilter(QObject* watched, QEvent* event)
{
  if (watched != m_viewWindow || !m_active)
    return QObject::eventFilter(watched, event);
  switch (event->type()) {
  case QEvent::MouseButtonPress: {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      m_pressed = true;
      m_pressAt = mouse->position().toPoint();
      m_ignoreRelease = false;
    }
    return false;  // the view may start a pan
  }
  case QEvent::MouseButtonRelease: {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
      return false;
    const QPoint at = mouse->position().toPoint();
    const bool isClick = m_pressed && (at - m_pressAt).manhattanLength() <= kClickSlop;
    m_pressed = false;
    if (m_ignoreRelease)
      m_ignoreRelease = false;
    else if (isClick)
      click(at);
    return false;  // the view ends its pan
  }
  case QEvent::MouseButtonDblClick:
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
      return false;
    finish();
    m_pressed = false;
    m_ignoreRelease = true;
    return true;  // the view would take it for a press and start a pan
  case QEvent::MouseMove: {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->buttons() == Qt::NoButton && !m_points.empty() && !m_finished) {
      const QPoint at = mouse->position().toPoint();
      double x = 0, y = 0;
      m_view->ViewToGeo(at.x(), at.y(), x, y);
      m_pointer = QPointF(x, y);
      m_hovering = true;
      update();
    }
    return false;
  }
  case QEvent::Leave:
    if (m_hovering) {
      m_hovering = false;
      update();
    }
    return false;
  case QEvent::KeyPress:
    if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      if (m_points.empty())
        setActive(false);  // nothing left to cancel: the tool goes
      else
        Cancel();
      return true;
    }
    return false;
  default:
    return false;
  }
}

void CMeasureTool::click(const QPoint& at)
{
  if (m_finished)
    Cancel();  // a click after the end starts a new path
  if (m_points.size() >= 3) {
    int firstX = 0, firstY = 0;
    if (IZamraViewExtras* extras = IZamraViewExtras::Of(m_view))
      extras->GeoToView(m_points.front().x(), m_points.front().y(), firstX, firstY);
    if ((at - QPoint(firstX, firstY)).manhattanLength() <= kCloseSlop) {
      m_closed = true;
      m_finished = true;
      m_hovering = false;
      update();
      return;
    }
  }
  double x = 0, y = 0;
  m_view->ViewToGeo(at.x(), at.y(), x, y);
  m_points.emplace_back(x, y);
  m_pointer = m_points.back();
  m_hovering = true;
  update();
}

void CMeasureTool::finish()
{
  if (m_finished || m_points.size() < 2)
    return;  // a single point measures nothing: the path goes on
  m_finished = true;
  m_hovering = false;
  update();
}

bool CMeasureTool::mapInDegrees() const
{
  for (int i = 0; i < m_view->GetLayerCount(); ++i) {
    double left = 0, bottom = 0, right = 0, top = 0;
    if (ILayer* layer = m_view->GetLayerByIndex(i))
      layer->GetRect(&left, &bottom, &right, &top);
    if (left < -180.0 || right > 180.0 || bottom < -90.0 || top > 90.0)
      return false;
  }
  return true;
}

void CMeasureTool::update()
{
  std::vector<QPointF> path = m_points;
  if (m_hovering && !m_finished && !path.empty())
    path.push_back(m_pointer);
  if (IZamraViewExtras* extras = IZamraViewExtras::Of(m_view)) {
    std::vector<double> xy;
    xy.reserve(path.size() * 2);
    for (const QPointF& point : path) {
      xy.push_back(point.x());
      xy.push_back(point.y());
    }
    extras->SetSketch(xy.data(), static_cast<int>(path.size()), m_closed ? 1 : 0);
  }
  const bool geodesic = mapInDegrees();
  m_result = Measure(path, m_closed, geodesic);
  m_panel->Show(m_result);
  if (!m_active || !m_statusLabel)
    return;
  QString status;
  if (path.size() < 2)
    status = Texts().Text(QStringLiteral("measure_start"));
  else if (!m_result.valid)
    status = Texts().Text(ZamraGeodesic::IsAvailable() ? QStringLiteral("measure_outside")
                                                       : QStringLiteral("measure_no_proj"));
  else if (m_result.closed)
    status = Texts()
                 .Text(QStringLiteral("measure_status_area"))
                 .arg(LengthText(m_result.segment, geodesic), LengthText(m_result.total, geodesic),
                      AreaText(m_result.area, geodesic));
  else
    status = Texts()
                 .Text(QStringLiteral("measure_status"))
                 .arg(LengthText(m_result.segment, geodesic), LengthText(m_result.total, geodesic));
  m_statusLabel->setText(status);
}

MeasureResult CMeasureTool::Measure(const std::vector<QPointF>& points, bool closed, bool geodesic)
{
  MeasureResult result;
  result.geodesic = geodesic;
  result.closed = closed && points.size() >= 3;
  if (points.size() < 2)
    return result;
  const QPointF& from = points[points.size() - 2];
  const QPointF& to = points.back();
  if (geodesic) {
    std::vector<double> lonLat;
    lonLat.reserve(points.size() * 2);
    for (const QPointF& point : points) {
      lonLat.push_back(point.x());
      lonLat.push_back(point.y());
    }
    if (!ZamraGeodesic::Distance(from.x(), from.y(), to.x(), to.y(), result.segment) ||
        !ZamraGeodesic::Measure(lonLat.data(), static_cast<int>(points.size()), result.closed, result.total,
                                result.area))
      return MeasureResult{};
  } else {
    result.segment = std::hypot(to.x() - from.x(), to.y() - from.y());
    double twiceArea = 0.0;  // the shoelace sum
    const size_t edges = result.closed ? points.size() : points.size() - 1;
    for (size_t i = 0; i < edges; ++i) {
      const QPointF& a = points[i];
      const QPointF& b = points[(i + 1) % points.size()];
      result.total += std::hypot(b.x() - a.x(), b.y() - a.y());
      twiceArea += a.x() * b.y() - b.x() * a.y();
    }
    result.area = result.closed ? std::fabs(twiceArea) / 2.0 : 0.0;
    if (!std::isfinite(result.total) || !std::isfinite(result.area))
      return MeasureResult{};
  }
  result.geodesic = geodesic;
  result.valid = true;
  return result;
}

QString CMeasureTool::LengthText(double length, bool geodesic)
{
  if (!geodesic)
    return Texts().Text(QStringLiteral("measure_units")).arg(Number(length, 3));
  if (length < 1000.0)
    return Texts().Text(QStringLiteral("measure_m")).arg(Number(length, 1));
  return Texts().Text(QStringLiteral("measure_km")).arg(Number(length / 1000.0, 3));
}

QString CMeasureTool::AreaText(double area, bool geodesic)
{
  if (!geodesic)
    return Texts().Text(QStringLiteral("measure_square_units")).arg(Number(area, 3));
  if (area < kSquareMetresPerHectare)
    return Texts().Text(QStringLiteral("measure_m2")).arg(Number(area, 1));
  if (area < kSquareMetresPerSquareKilometre)
    return Texts().Text(QStringLiteral("measure_ha")).arg(Number(area / kSquareMetresPerHectare, 2));
  return Texts().Text(QStringLiteral("measure_km2")).arg(Number(area / kSquareMetresPerSquareKilometre, 3));
}

}  // namespace mapory
