// CMeasureTool: measuring on the map. While its command is on, left clicks on the map add the
// points of a path, a double click ends it, a click on its first point closes it into a shape,
// and Escape cancels it (a second Escape turns the tool off). Dragging still pans and the wheel
// still zooms. The path is drawn over the map in the window only; the status bar and a small
// panel show the last segment, the whole length and, for a closed shape, the area: geodesic on
// the WGS 84 ellipsoid when the map is in longitude/latitude, plain geometry in the layers' own
// units otherwise.
// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include <QLabel>  // QPointer<QLabel> needs the whole class
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QPointF>
#include <QString>

class IZamraView;
class QAction;
class QDockWidget;
class QWidget;

namespace mapory {

class CMeasurePanel;

// What a path measures; lengths in metres and areas in square metres when `geodesic`, in the
// map's units and their squares otherwise.
struct MeasureResult {
  bool geodesic = true;
  bool valid = false;  // false: nothing to measure, or a point PROJ cannot take
  double segment = 0.0;
  double total = 0.0;
  bool closed = false;
  double area = 0.0;  // closed shapes only
};

class CMeasureTool final : public QObject {
  Q_OBJECT
public:
  // Measures on `view`'s map, taking clicks in `viewWindow` (the view's own window), and tells
  // the measure in `messagePane` (the status bar's message pane, which gets its text back when
  // the tool goes off). The command and panel are made here and belong to `frame`, which
  // places them.
  CMeasureTool(IZamraView* view, QWidget* viewWindow, QLabel* messagePane, QWidget* frame);
  ~CMeasureTool() override;

  // The checkable command that turns the tool on and off.
  QAction* Action() const { return m_action; }
  // The panel's dock, hidden while the tool is off.
  QDockWidget* Dock() const { return m_dock; }
  CMeasurePanel* Panel() const { return m_panel; }
  // The status bar pane that tells the measure while the tool is on.
  QLabel* StatusLabel() const { return m_statusLabel; }

  bool IsActive() const { return m_active; }
  // The path's points (geographic), the pointer's point not included.
  const std::vector<QPointF>& Points() const { return m_points; }
  bool IsFinished() const { return m_finished; }
  // What is shown now: the path so far, up to the pointer while it is being drawn.
  const MeasureResult& Result() const { return m_result; }
  // Forgets the path and clears the map's line; the tool stays on.
  void Cancel();

  // The path through `lonLat` (longitude, latitude pairs) on the WGS 84 ellipsoid, or with
  // `geodesic` false in the plane of the numbers; the last segment is the one before the last
  // point.
  static MeasureResult Measure(const std::vector<QPointF>& points, bool closed, bool geodesic);
  // A length or area for people: metres below a kilometre, else kilometres; square metres below a
  // hectare, hectares below a square kilometre, else square kilometres. Without `geodesic`, the
  // number in map units.
  static QString LengthText(double length, bool geodesic);
  static QString AreaText(double area, bool geodesic);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void setActive(bool on);
  void click(const QPoint& at);
  void finish();
  // Hands the view the line, measures it and shows the result.
  void update();
  // Whether every layer's numbers can be longitude/latitude degrees.
  bool mapInDegrees() const;

  IZamraView* m_view;
  QPointer<QWidget> m_viewWindow;  // the view's window, which may go before the tool
  QAction* m_action = nullptr;
  QDockWidget* m_dock = nullptr;
  CMeasurePanel* m_panel = nullptr;
  QPointer<QLabel> m_statusLabel;
  QString m_statusBefore;  // the pane's text before the tool came on
  bool m_active = false;
  std::vector<QPointF> m_points;
  bool m_hovering = false;  // the pointer is over the map while the path is drawn
  QPointF m_pointer;
  bool m_finished = false;
  bool m_closed = false;
  bool m_pressed = false;
  QPoint m_pressAt;
  bool m_ignoreRelease = false;  // the release after a double click ends nothing more
  MeasureResult m_result;
};

}  // namespace mapory
