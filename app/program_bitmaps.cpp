// The program's pictures, drawn with QPainter.
// SPDX-License-Identifier: MIT
#include "program_bitmaps.h"

#include <algorithm>
#include <cmath>

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>

#include "resource_ids.h"
#include "platform/resources.h"
#include "view/point_symbols.h"

namespace mapory {

namespace {

const QColor kToolbarMask(192, 192, 192);
const QColor kTypeMask(0, 0, 255);

void DrawGlobe(QPainter& painter, const QRectF& box)
{
  painter.setPen(QPen(QColor(20, 60, 120), box.width() / 24.0));
  painter.setBrush(QColor(70, 140, 220));
  painter.drawEllipse(box);
  // Two blobs of land, clipped to the sea.
  QPainterPath sea;
  sea.addEllipse(box);
  painter.save();
  painter.setClipPath(sea);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(60, 170, 80));
  const double w = box.width(), h = box.height();
  const double x = box.left(), y = box.top();
  painter.drawPolygon(QPolygonF({QPointF(x + 0.15 * w, y + 0.25 * h), QPointF(x + 0.45 * w, y + 0.15 * h),
                                 QPointF(x + 0.5 * w, y + 0.45 * h), QPointF(x + 0.3 * w, y + 0.7 * h),
                                 QPointF(x + 0.1 * w, y + 0.5 * h)}));
  painter.drawPolygon(QPolygonF({QPointF(x + 0.6 * w, y + 0.55 * h), QPointF(x + 0.9 * w, y + 0.45 * h),
                                 QPointF(x + 0.85 * w, y + 0.85 * h), QPointF(x + 0.6 * w, y + 0.9 * h)}));
  painter.restore();
}

// The three layer-type images, antialiased on a transparent strip.
QImage DrawTransparentLayerTypes()
{
  QImage strip(60, 20, QImage::Format_ARGB32_Premultiplied);
  strip.fill(Qt::transparent);
  QPainter painter(&strip);
  painter.setRenderHint(QPainter::Antialiasing);
  // 0: point.
  painter.setPen(QPen(QColor(120, 0, 0), 1));
  painter.setBrush(QColor(230, 60, 40));
  painter.drawEllipse(QRectF(5, 5, 10, 10));
  // 1: polyline.
  painter.setPen(QPen(QColor(30, 30, 30), 2));
  painter.drawPolyline(QPolygonF({QPointF(23, 15), QPointF(28, 6), QPointF(33, 13), QPointF(37, 4)}));
  // 2: polygon.
  painter.setPen(QPen(QColor(20, 90, 40), 1));
  painter.setBrush(QColor(90, 190, 110));
  painter.drawPolygon(QPolygonF({QPointF(43, 5), QPointF(55, 3), QPointF(57, 15), QPointF(46, 17)}));
  return strip;
}

// Bitmap 130 with pure blue for transparent. Edge pixels take the key or their own colour
// whole: blended with the key they would show as a blue fringe wherever the key is cut out.
QImage DrawLayerTypes()
{
  const QImage drawn = DrawTransparentLayerTypes().convertToFormat(QImage::Format_ARGB32);
  QImage strip(drawn.size(), QImage::Format_RGB888);
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x) {
      const QRgb pixel = drawn.pixel(x, y);
      strip.setPixelColor(x, y, qAlpha(pixel) < 128 ? kTypeMask : QColor(qRed(pixel), qGreen(pixel), qBlue(pixel)));
    }
  return strip;
}

QImage DrawCheckBoxes()
{
  QImage strip(40, 20, QImage::Format_RGB888);
  strip.fill(Qt::white);
  QPainter painter(&strip);
  for (int i = 0; i < 2; ++i) {
    const QRect box(i * 20 + 3, 3, 13, 13);
    painter.setPen(QColor(90, 90, 90));
    painter.setBrush(QColor(250, 250, 250));  // nearly white: white is the transparent colour
    painter.drawRect(box);
    if (i == 0) {  // image 0 is "on"
      painter.setRenderHint(QPainter::Antialiasing);
      painter.setPen(QPen(QColor(0, 110, 0), 2));
      painter.drawPolyline(QPolygonF({QPointF(5.5, 9.5), QPointF(8.5, 13), QPointF(14, 5.5)}));
      painter.setRenderHint(QPainter::Antialiasing, false);
    }
  }
  return strip;
}

void DrawToolbarImage(QPainter& painter, int index)
{
  painter.save();
  painter.translate(index * 32, 0);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPen outline(QColor(40, 40, 40), 1.2);
  switch (index) {
  case 0:  // add layer: a folder
    painter.setPen(outline);
    painter.setBrush(QColor(240, 200, 80));
    painter.drawPolygon(
        QPolygonF({QPointF(3, 8), QPointF(12, 8), QPointF(14, 11), QPointF(29, 11), QPointF(29, 27), QPointF(3, 27)}));
    painter.setBrush(QColor(60, 170, 80));
    painter.drawEllipse(QRectF(18, 3, 12, 12));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(QPointF(24, 5.5), QPointF(24, 12.5));
    painter.drawLine(QPointF(20.5, 9), QPointF(27.5, 9));
    break;
  case 1:  // save as bmp: a disk
    painter.setPen(outline);
    painter.setBrush(QColor(50, 80, 160));
    painter.drawRect(QRectF(4, 4, 24, 24));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(9, 4, 14, 9));
    painter.setBrush(QColor(220, 220, 220));
    painter.drawRect(QRectF(8, 18, 16, 10));
    break;
  case 2:  // show properties: a table
    painter.setPen(outline);
    painter.setBrush(QColor(255, 255, 220));
    painter.drawRect(QRectF(3, 5, 26, 22));
    painter.setBrush(QColor(120, 150, 200));
    painter.drawRect(QRectF(3, 5, 26, 6));
    for (int y = 16; y < 27; y += 5)
      painter.drawLine(QPointF(3, y), QPointF(29, y));
    painter.drawLine(QPointF(12, 5), QPointF(12, 27));
    break;
  case 3:  // show map: a folded map
    painter.setPen(outline);
    painter.setBrush(QColor(240, 235, 200));
    painter.drawPolygon(QPolygonF({QPointF(3, 7), QPointF(11, 4), QPointF(20, 7), QPointF(29, 4), QPointF(29, 25),
                                   QPointF(20, 28), QPointF(11, 25), QPointF(3, 28)}));
    painter.drawLine(QPointF(11, 4), QPointF(11, 25));
    painter.drawLine(QPointF(20, 7), QPointF(20, 28));
    painter.setPen(QPen(QColor(200, 40, 40), 2));
    painter.drawPolyline(QPolygonF({QPointF(6, 20), QPointF(13, 14), QPointF(19, 18), QPointF(26, 10)}));
    break;
  case 4:  // tile horizontally: two windows one above the other
  case 5:  // tile vertically: two windows side by side
    painter.setPen(outline);
    for (int k = 0; k < 2; ++k) {
      const QRectF window = index == 4 ? QRectF(4, 4 + k * 12.5, 24, 11) : QRectF(4 + k * 12.5, 4, 11, 24);
      painter.setBrush(Qt::white);
      painter.drawRect(window);
      painter.setBrush(QColor(50, 90, 170));
      painter.drawRect(QRectF(window.left(), window.top(), window.width(), 3));
    }
    break;
  case 6:  // full map: the globe in a frame of corner marks
    DrawGlobe(painter, QRectF(7, 7, 18, 18));
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    for (const QPointF& corner : {QPointF(3, 3), QPointF(29, 3), QPointF(29, 29), QPointF(3, 29)}) {
      const double dx = corner.x() < 16 ? 5 : -5, dy = corner.y() < 16 ? 5 : -5;
      painter.drawLine(corner, corner + QPointF(dx, 0));
      painter.drawLine(corner, corner + QPointF(0, dy));
    }
    break;
  case 7:  // goto: a cross-hair
    painter.setPen(QPen(QColor(200, 30, 30), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(7, 7, 18, 18));
    painter.drawLine(QPointF(16, 3), QPointF(16, 12));
    painter.drawLine(QPointF(16, 20), QPointF(16, 29));
    painter.drawLine(QPointF(3, 16), QPointF(12, 16));
    painter.drawLine(QPointF(20, 16), QPointF(29, 16));
    break;
  case 8:  // website: the globe with a pointer
    DrawGlobe(painter, QRectF(3, 3, 22, 22));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({QPointF(18, 15), QPointF(28, 25), QPointF(23, 25), QPointF(25, 30), QPointF(23, 31),
                                   QPointF(21, 26), QPointF(18, 29)}));
    break;
  default: {  // about: a question mark in a speech bubble
    painter.setPen(outline);
    painter.setBrush(QColor(255, 250, 210));
    painter.drawEllipse(QRectF(3, 3, 26, 22));
    painter.drawPolygon(QPolygonF({QPointF(9, 22), QPointF(7, 30), QPointF(15, 24)}));
    QFont font;
    font.setPixelSize(18);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(30, 60, 150));
    painter.drawText(QRectF(3, 3, 26, 22), Qt::AlignCenter, QStringLiteral("?"));
    break;
  }
  }
  painter.restore();
}

QImage DrawToolbar()
{
  QImage strip(320, 32, QImage::Format_RGB888);
  strip.fill(kToolbarMask);
  QPainter painter(&strip);
  for (int i = 0; i < 10; ++i)
    DrawToolbarImage(painter, i);
  return strip;
}

}  // namespace

QImage PointSymbolStrip(double ratio) { return ZamraPointSymbolStrip(kPointSymbolSize, 2, ratio); }

int PointSymbolSize(double ratio) { return ZamraPointSymbolSide(kPointSymbolSize, ratio); }

namespace {

// Sixteen 12 x 12 symbols: four shapes (disc, square, triangle, diamond) in four colours.
QImage DrawPointSymbols() { return PointSymbolStrip(1.0); }

}  // namespace

QImage DrawProgramIcon(int size)
{
  QImage icon(size, size, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / 32.0, size / 32.0);
  DrawGlobe(painter, QRectF(1, 3, 28, 28));
  // A map pin over the globe.
  painter.setPen(QPen(QColor(110, 0, 0), 1));
  painter.setBrush(QColor(220, 40, 40));
  QPainterPath pin;
  pin.moveTo(22, 17);
  pin.cubicTo(17, 11, 16, 8, 16, 6.5);
  pin.arcTo(QRectF(16, 1, 12, 11), 180, -180);
  pin.cubicTo(28, 8, 27, 11, 22, 17);
  painter.drawPath(pin);
  painter.setBrush(Qt::white);
  painter.drawEllipse(QRectF(20, 4.5, 4, 4));
  return icon;
}

QIcon ProgramIcon()
{
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128})
    icon.addPixmap(QPixmap::fromImage(DrawProgramIcon(size)));
  return icon;
}

void RegisterProgramBitmaps()
{
  RegisterBitmapResource(IDR_MAINFRAME, DrawProgramIcon(32));
  RegisterBitmapResource(IDB_LAYER_TYPES, DrawLayerTypes());
  RegisterBitmapResource(IDB_CHECKS, DrawCheckBoxes());
  RegisterBitmapResource(IDB_TOOLBAR, DrawToolbar());
  RegisterBitmapResource(IDB_POINT_SYMBOLS, DrawPointSymbols());
}

QImage ProgramBitmap(int id)
{
  switch (id) {
  case IDR_MAINFRAME:
    return DrawProgramIcon(32);
  case IDB_LAYER_TYPES:
    return DrawLayerTypes();
  case IDB_CHECKS:
    return DrawCheckBoxes();
  case IDB_TOOLBAR:
    return DrawToolbar();
  case IDB_POINT_SYMBOLS:
    return DrawPointSymbols();
  default:
    return {};
  }
}

QPixmap LayerTypeImage(int index)
{
  if (index < 0 || index > 2)
    return {};
  return QPixmap::fromImage(DrawTransparentLayerTypes().copy(index * 20, 0, 20, 20));
}

QPixmap MaskedStripImage(int id, int index, int side, QRgb maskColour)
{
  const QImage image = ProgramBitmap(id).copy(index * side, 0, side, side);
  QPixmap pixmap = QPixmap::fromImage(image);
  pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(maskColour, Qt::MaskInColor)));
  return pixmap;
}

}  // namespace mapory
