// CLegendBar: rows built from the view's layers and their thematic styles, painted with QPainter.
// SPDX-License-Identifier: MIT
#include "legend_bar.h"

#include <algorithm>
#include <vector>

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

#include "resource_ids.h"
#include "resource_table.h"
#include "thematic_panel.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

namespace mapory {

namespace {

constexpr int kMargin = 6;
constexpr int kSymbolWidth = 22;
constexpr int kSymbolHeight = 14;
constexpr int kEntryIndent = 16;
constexpr int kGap = 6;
constexpr int kNameSize = 260;
constexpr int kColumnNameSize = 40;

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QString Text(const char* key) { return CResourceTable::Current().Text(QString::fromLatin1(key)); }

// The point symbols as the map draws them, red see-through, for rows of point layers.
const QImage& SymbolStrip()
{
  static const QImage strip = [] {
    HBITMAP bitmap = LoadBitmapResource(nullptr, IDB_POINT_SYMBOLS);
    if (bitmap == nullptr)
      return QImage();
    QImage image = ImageFromBitmap(bitmap).convertToFormat(QImage::Format_ARGB32);
    DeleteObject(bitmap);
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, y) == qRgb(255, 0, 0))
          image.setPixel(x, y, qRgba(0, 0, 0, 0));
    return image;
  }();
  return strip;
}

}  // namespace

CLegendBar::CLegendBar(QWidget* parent) : QWidget(parent)
{
  setObjectName(QStringLiteral("legend"));
  setBackgroundRole(QPalette::Base);
  setAutoFillBackground(true);
}

void CLegendBar::SetView(IZamraView* view)
{
  m_view = view;
  Refresh();
}

std::vector<CLegendBar::Row> CLegendBar::RowsOf(IZamraView& view)
{
  std::vector<Row> rows;
  IZamraViewExtras* extras = IZamraViewExtras::Of(&view);
  for (int index = 0; index < view.GetLayerCount(); ++index) {
    ILayer* layer = view.GetLayerByIndex(index);
    if (layer == nullptr || !layer->GetVisible())
      continue;  // hidden layers are not on the map
    char name[kNameSize] = "";
    layer->GetName(name);
    Row row;
    row.kind = Row::Layer;
    row.text = QString::fromLocal8Bit(name);
    row.layerType = layer->GetType();
    row.fill = layer->GetBkColor();
    row.line = layer->GetLineColor();
    row.lineWidth = std::clamp(layer->GetLineWidth(), 1, 5);
    row.pointSymbol = layer->GetPointIndex();
    ZMThematicStyle style;
    const bool thematic = extras != nullptr && extras->GetLayerThematicStyle(layer, &style) &&
                          style.mode != ZMThematicStyle::kSingle;
    row.drawSymbol = !thematic;
    rows.push_back(row);
    if (!thematic)
      continue;
    Row column = row;
    column.kind = Row::Column;
    column.drawSymbol = false;
    char type = 0, flag = 0;
    int length = 0;
    char columnName[kColumnNameSize] = "";
    if (layer->GetDataView() != nullptr && style.column < layer->GetDataView()->GetColumnCount())
      layer->GetDataView()->GetColumn(style.column, type, length, columnName, nullptr, flag);
    columnName[kColumnNameSize - 1] = '\0';
    column.text = QString::fromLocal8Bit(columnName);
    rows.push_back(column);
    const auto addEntry = [&](const QString& text, COLORREF colour) {
      Row entry = row;
      entry.kind = Row::Entry;
      entry.text = text;
      entry.thematic = true;
      entry.drawSymbol = true;
      // The colour by value is the fill of areas and the colour of lines and markers.
      entry.fill = colour;
      if (row.layerType == ZM_LAYER_POLYLINE)
        entry.line = colour;
      rows.push_back(entry);
    };
    for (const ZMThematicEntry& item : style.entries)
      addEntry(style.mode == ZMThematicStyle::kClasses ? CThematicPanel::RangeText(item.lower, item.upper)
                                                       : QString::fromUtf8(item.value),
               item.color);
    if (style.hasOther)
      addEntry(Text("legend_other"), style.otherColor);
    if (style.hasNull)
      addEntry(Text("legend_null"), style.nullColor);
  }
  return rows;
}

void CLegendBar::Refresh()
{
  m_rows = m_view != nullptr ? RowsOf(*m_view) : std::vector<Row>();
  setMinimumHeight(RowsHeight(m_rows, font(), this));
  updateGeometry();
  update();
}

QStringList CLegendBar::RowTexts() const
{
  QStringList texts;
  for (const Row& row : m_rows)
    texts << row.text;
  return texts;
}

QSize CLegendBar::sizeHint() const
{
  // Measuring text changes nothing of the widget.
  return {200, std::max(200, RowsHeight(m_rows, font(), const_cast<CLegendBar*>(this)))};
}

int CLegendBar::TextLeft(const Row& row)
{
  const int indent = kMargin + (row.kind == Row::Layer ? 0 : kEntryIndent);
  // Column names, and names of layers whose rows of colours follow, have no symbol before them.
  return row.kind == Row::Column || !row.drawSymbol ? indent : indent + kSymbolWidth + kGap;
}

int CLegendBar::RowsHeight(const std::vector<Row>& rows, const QFont& font, QPaintDevice* device)
{
  const int line = std::max(QFontMetrics(font, device).height(), kSymbolHeight) + 4;
  return rows.empty() ? 0 : kMargin * 2 + line * static_cast<int>(rows.size());
}

int CLegendBar::RowsWidth(const std::vector<Row>& rows, const QFont& font, QPaintDevice* device)
{
  int widest = 0;
  QFont bold = font;
  bold.setBold(true);
  QFont italic = font;
  italic.setItalic(true);
  for (const Row& row : rows) {
    const QFontMetrics metrics(row.kind == Row::Layer ? bold : row.kind == Row::Column ? italic : font, device);
    widest = std::max(widest, TextLeft(row) + metrics.horizontalAdvance(row.text));
  }
  return widest + 2 * kMargin;
}

int CLegendBar::PaintRows(QPainter& painter, const std::vector<Row>& rows, const QFont& font, int width)
{
  const int line = std::max(QFontMetrics(font, painter.device()).height(), kSymbolHeight) + 4;
  QFont bold = font;
  bold.setBold(true);
  QFont italic = font;
  italic.setItalic(true);
  int top = kMargin;
  for (const Row& row : rows) {
    const int indent = kMargin + (row.kind == Row::Layer ? 0 : kEntryIndent);
    const QRect symbol(indent, top + (line - kSymbolHeight) / 2, kSymbolWidth, kSymbolHeight);
    if (row.drawSymbol && row.kind != Row::Column) {
      painter.save();
      if (row.layerType == ZM_LAYER_POINT) {
        const QImage& strip = SymbolStrip();
        const int side = strip.height();
        if (!row.thematic && side > 0 && row.pointSymbol >= 0 && (row.pointSymbol + 1) * side <= strip.width()) {
          const QImage tile = strip.copy(row.pointSymbol * side, 0, side, side)
                                  .scaled(kSymbolHeight, kSymbolHeight, Qt::KeepAspectRatio, Qt::SmoothTransformation);
          painter.drawImage(symbol.left() + (kSymbolWidth - tile.width()) / 2, symbol.top(), tile);
        } else {
          painter.setRenderHint(QPainter::Antialiasing);
          painter.setPen(QPen(QColor(64, 64, 64), 1));
          painter.setBrush(ToQColor(row.fill));
          painter.drawEllipse(QRectF(symbol.center().x() - 5.5, symbol.center().y() - 5.5, 11, 11));
        }
      } else if (row.layerType == ZM_LAYER_POLYLINE) {
        painter.setPen(QPen(ToQColor(row.line), row.lineWidth + (row.thematic ? 1 : 0)));
        painter.drawLine(symbol.left(), symbol.center().y(), symbol.right(), symbol.center().y());
      } else {
        painter.setPen(QPen(ToQColor(row.line), 1));
        painter.setBrush(ToQColor(row.fill));
        painter.drawRect(symbol.adjusted(0, 0, -1, -1));
      }
      painter.restore();
    }
    painter.setFont(row.kind == Row::Layer ? bold : row.kind == Row::Column ? italic : font);
    painter.setPen(Qt::black);
    const int textLeft = TextLeft(row);
    painter.drawText(QRect(textLeft, top, std::max(0, width - textLeft - kMargin), line),
                     Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, row.text);
    top += line;
  }
  return top + kMargin;
}

void CLegendBar::paintEvent(QPaintEvent*)
{
  QPainter painter(this);
  PaintRows(painter, m_rows, font(), width());
}

QImage CLegendBar::Picture(IZamraView& view, const QFont& font, double ratio)
{
  const std::vector<Row> rows = RowsOf(view);
  if (rows.empty())
    return QImage();
  // Measured on a picture like the one painted, whose resolution may differ from the screen's.
  QImage measure(1, 1, QImage::Format_RGB32);
  measure.setDevicePixelRatio(ratio);
  const QSize size(RowsWidth(rows, font, &measure), RowsHeight(rows, font, &measure));
  QImage picture(size * ratio, QImage::Format_RGB32);
  picture.setDevicePixelRatio(ratio);
  picture.fill(Qt::white);
  QPainter painter(&picture);
  painter.setPen(QColor(128, 128, 128));
  painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
  PaintRows(painter, rows, font, size.width());
  return picture;
}

void CLegendBar::AddToViewMenus(const QList<QMenu*>& menus, QAction* toggle)
{
  const QString layerBar = QString::number(ID_VIEW_LAYERBAR);
  for (QMenu* menu : menus) {
    bool hasLayerBar = false;
    for (QAction* action : menu->actions()) {
      if (action->menu() != nullptr)
        AddToViewMenus({action->menu()}, toggle);
      hasLayerBar = hasLayerBar || action->objectName() == layerBar;
    }
    if (hasLayerBar) {
      menu->addSeparator();
      menu->addAction(toggle);  // after the menu's own entries, as other added entries are
    }
  }
}

}  // namespace mapory
