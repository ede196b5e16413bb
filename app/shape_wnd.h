// CShapeWnd: the "Map" child window. It hosts the map view's window, keeps it as large as its
// own client area, loads the workspace (CWorkspaceFile) into it and forwards its notifications to the frame.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QStringList>
#include <QWidget>

#include "view/izamra_view.h"

namespace mapory {

class CScaleBar;

class CShapeWnd final : public QWidget {
  Q_OBJECT
public:
  // `frame` receives the view's notifications, unchanged.
  explicit CShapeWnd(QWidget* frame, QWidget* parent = nullptr);
  ~CShapeWnd() override;

  // The view of the whole run; owned by this window.
  IZamraView* View() const { return m_view.get(); }

  // Gives the view the new client size; a minimised window gives 0 x 0.
  void FollowClientSize();

  // The view's own window (null when the view could not make one).
  QWidget* ViewWindow() const { return m_viewWindow; }
  CScaleBar* ScaleBar() const { return m_scaleBar; }

signals:
  // Shapefiles dropped on the map, as local paths.
  void shapeFilesDropped(const QStringList& paths);
  // The pointer moved over the map to (x, y) in the view's client pixels; or it left the map.
  void pointerMoved(int x, int y);
  void pointerLeft();

protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  // Hands the view the point symbols drawn at its window's pixel ratio, unless it has them.
  void HandSymbolStrip();

  QWidget* m_frame;
  std::unique_ptr<IZamraView> m_view;
  bool m_minimised = false;
  QWidget* m_viewWindow = nullptr;
  CScaleBar* m_scaleBar = nullptr;
  double m_symbolRatio = 0.0;  // the pixel ratio of the strip the view holds; 0 before one
};

}  // namespace mapory
