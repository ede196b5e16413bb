// CMapWindow: the view's child window. It turns Qt's paint, resize, mouse, wheel and focus
// events into calls of MapWindowEvents, which the view implements: the window knows nothing
// else of it.
// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

#include "window/map_window_events.h"

namespace zamra::view {

class CMapWindow final : public QWidget {
public:
  CMapWindow(MapWindowEvents* view, QWidget* parent);
  ~CMapWindow() override;

protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

private:
  MapWindowEvents* m_view;  // not owned: the view owns this window
};

}  // namespace zamra::view
