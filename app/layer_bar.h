// CLayerBar: the painted list of the map's layers inside the "Layer" bar. Row i shows layer
// i: visibility box, label box, type image and name. Clicks are reported to the main frame as
// posted messages; the frame changes the view and asks for a repaint. The bar is as tall as
// its rows: the frame holds it in a scroll area, so that every row can be reached.
// SPDX-License-Identifier: MIT
#pragma once

#include <QFont>
#include <QPixmap>
#include <QWidget>

class IZamraView;
class QMenu;

namespace mapory {

class CLayerBar final : public QWidget {
  Q_OBJECT
public:
  // `frame` receives the messages; `contextMenu` (the Layer menu, owned by the frame) opens
  // on a right click.
  CLayerBar(QWidget* frame, QMenu* contextMenu, QWidget* parent = nullptr);

  // The view whose layers are listed (owned by the map window); null lists nothing.
  void SetView(IZamraView* view) { m_view = view; }
  // Repaints the rows; after layers were added or removed, takes the height they need.
  void Refresh();

  // Row geometry in client pixels.
  static constexpr int kHeaderHeight = 20;
  static constexpr int kRowHeight = 30;

  QSize sizeHint() const override { return {200, 400}; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  QWidget* m_frame;
  QMenu* m_contextMenu;
  IZamraView* m_view = nullptr;
  QFont m_rowFont;
  QPixmap m_checkOn, m_checkOff;
  QPixmap m_typeImages[3];
};

}  // namespace mapory
