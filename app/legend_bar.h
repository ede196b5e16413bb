// CLegendBar: the painted legend inside the "Legend" bar: each visible layer in drawing order
// with its symbol, or, for a layer coloured by value, its column and the colour of each category
// or class with its value or range. It shows the view as it is at each Refresh; the frame asks
// for one after every change of style, order or visibility. The same drawing goes into the
// corner of exported pictures.
// SPDX-License-Identifier: MIT
#pragma once

#include <vector>

#include <QImage>
#include <QStringList>
#include <QWidget>

#include "platform/win_types.h"

class IZamraView;
class QAction;
class QMenu;
class QPaintDevice;
class QPainter;

namespace mapory {

class CLegendBar final : public QWidget {
  Q_OBJECT
public:
  explicit CLegendBar(QWidget* parent = nullptr);

  // The view whose layers are shown (owned by the map window); null shows nothing.
  void SetView(IZamraView* view);
  // Reads the layers and styles anew, takes the height they need and repaints.
  void Refresh();
  // The texts of the rows now shown, top to bottom (layer names, column names, values, ranges).
  QStringList RowTexts() const;

  QSize sizeHint() const override;

  // The legend of `view` on white with a thin frame, drawn at `ratio` device pixels a pixel in
  // `font`; a null image when no layer is visible.
  static QImage Picture(IZamraView& view, const QFont& font, double ratio);
  // Puts `toggle` at the end of every menu (and submenu) that has the Layer Bar entry.
  static void AddToViewMenus(const QList<QMenu*>& menus, QAction* toggle);

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  // One line of the legend: a layer, the column it is coloured by, or one of its colours.
  struct Row {
    enum Kind { Layer, Column, Entry };
    Kind kind = Layer;
    QString text;
    int layerType = 0;
    bool drawSymbol = true;
    bool thematic = false;  // points coloured by value are markers, not symbols
    COLORREF fill = 0;
    COLORREF line = 0;
    int lineWidth = 1;
    int pointSymbol = 0;
  };

  static std::vector<Row> RowsOf(IZamraView& view);
  // Paints the rows from the top left corner of `painter`'s area; the height used.
  static int PaintRows(QPainter& painter, const std::vector<Row>& rows, const QFont& font, int width);
  // The size of the rows in `font` as `device` measures text.
  static int RowsHeight(const std::vector<Row>& rows, const QFont& font, QPaintDevice* device);
  static int RowsWidth(const std::vector<Row>& rows, const QFont& font, QPaintDevice* device);
  // Where a row's text starts.
  static int TextLeft(const Row& row);

  IZamraView* m_view = nullptr;
  std::vector<Row> m_rows;
};

}  // namespace mapory
