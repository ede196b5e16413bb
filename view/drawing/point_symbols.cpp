// The point symbols hosts hand the map view.
// SPDX-License-Identifier: MIT
#include "view/point_symbols.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPolygonF>

#include "platform/gdi.h"

namespace {

constexpr int kSymbolCount = 16;
const QColor kTransparentRed(255, 0, 0);  // the view leaves pure red transparent

}  // namespace

int ZamraPointSymbolSide(int tile, double ratio)
{
  if (!(ratio > 0.0) || ratio > 16.0)
    ratio = 1.0;  // no ratio a screen has: the plain size
  return std::max(1, static_cast<int>(std::lround(tile * ratio)));
}

QImage ZamraPointSymbolStrip(int tile, int inset, double ratio)
{
  tile = std::max(tile, 1);
  const int side = ZamraPointSymbolSide(tile, ratio);
  QImage strip(kSymbolCount * side, side, QImage::Format_RGB888);
  strip.fill(kTransparentRed);
  QPainter painter(&strip);
  // The same drawing at every ratio, at the tile's own resolution.
  if (side != tile)
    painter.scale(side / double(tile), side / double(tile));
  const QColor colours[] = {QColor(30, 30, 30), QColor(0, 90, 200), QColor(0, 140, 60), QColor(160, 0, 140)};
  for (int i = 0; i < kSymbolCount; ++i) {
    const QRectF box(i * tile + inset, inset, tile - 2 * inset, tile - 2 * inset);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(colours[i % 4]);
    switch (i / 4) {
    case 0:
      painter.drawEllipse(box);
      break;
    case 1:
      painter.drawRect(box);
      break;
    case 2:
      painter.drawPolygon(QPolygonF({QPointF(box.center().x(), box.top()), box.bottomRight(), box.bottomLeft()}));
      break;
    default:
      painter.drawPolygon(QPolygonF({QPointF(box.center().x(), box.top()), QPointF(box.right(), box.center().y()),
                                     QPointF(box.center().x(), box.bottom()), QPointF(box.left(), box.center().y())}));
      break;
    }
  }
  return strip;
}

HDC ZamraSymbolStripContext(const QImage& strip)
{
  HBITMAP symbols = CreateBitmapFromImage(strip);
  HDC context = symbols != nullptr ? CreateCompatibleDC(nullptr) : nullptr;
  if (context == nullptr || SelectObject(context, symbols) == nullptr) {
    if (context != nullptr)
      DeleteDC(context);
    if (symbols != nullptr)
      DeleteObject(symbols);
    return nullptr;
  }
  DeleteObject(symbols);  // freed with the context, which now holds it
  return context;
}
