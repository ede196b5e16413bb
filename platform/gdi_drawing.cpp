// The drawing subset: lines, areas, text and pixels over Qt's raster engine.
// SPDX-License-Identifier: MIT
#include "platform/gdi.h"

#include "gdi_internal.h"

using namespace zamra::gdi_internal;

// --- Drawing -----------------------------------------------------------------------------

namespace {

// Whether the context's lines and areas are ours to draw: a picture, a solid one-pixel pen or
// none, a solid brush or none, no smoothing. Wide, dashed, smooth and paint-device drawing stays
// Qt's.
bool DrawsOwnShapes(DeviceContext& dc, RasterTarget& target)
{
  return !dc.smooth && dc.pen != nullptr && (dc.pen->IsNull() || dc.pen->IsThinSolid()) && dc.brush != nullptr &&
         dc.RasterTargetOf(target);
}

// Areas filled and outlined by our own drawing; each ring is closed.
void DrawOwnRings(DeviceContext& dc, const RasterTarget& target, const POINT* points, const int* counts, int rings)
{
  if (!dc.brush->IsNull())
    FillRings(target, points, counts, rings, dc.fillMode != ALTERNATE, dc.brush->Color(), dc.rasterScratch);
  if (dc.pen->IsNull())
    return;
  const POINT* ring = points;
  for (int r = 0; r < rings; ring += counts[r], ++r)
    DrawThinPath(target, ring, counts[r], true, dc.pen->Color());
}

}  // namespace

BOOL SetSmoothDrawing(HDC handle, BOOL smooth)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  dc->smooth = smooth != FALSE;
  if (dc->painter.isActive())
    dc->painter.setRenderHint(QPainter::Antialiasing, dc->smooth);
  return TRUE;
}

BOOL MoveToEx(HDC handle, int x, int y, POINT* previous)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  if (previous != nullptr)
    *previous = dc->position;
  dc->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC handle, int x, int y)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  const POINT from = dc->position;
  dc->position = POINT{x, y};
  RasterTarget target;
  if (DrawsOwnShapes(*dc, target)) {
    if (!dc->pen->IsNull())
      DrawThinLine(target, from, POINT{x, y}, dc->pen->Color());
    return TRUE;
  }
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const int flip = dc->FlipHeight();
  const auto mapY = [flip](int value) { return flip != 0 ? flip - 1 - value : value; };
  EndPixelKeeper keeper(dc, POINT{x, y}, false);
  painter->drawLine(QPoint(from.x, mapY(from.y)), QPoint(x, mapY(y)));
  return TRUE;
}

// Rows of filled areas. Pixel rows flip to h - 1 - y so that the outline lands on the
// vertices' pixels; without an outline, the area flip h - y keeps the filled rows exactly
// those of the picture.
class AreaRows final {
public:
  explicit AreaRows(DeviceContext& dc)
  {
    const int flip = dc.FlipHeight();
    m_offset = flip == 0 ? 0 : (dc.pen != nullptr && !dc.pen->IsNull() ? flip - 1 : flip);
    m_sign = flip == 0 ? 1 : -1;
  }
  int Map(int y) const { return m_offset + m_sign * y; }

private:
  int m_offset = 0;
  int m_sign = 1;
};

BOOL Polygon(HDC handle, const POINT* points, int count)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || points == nullptr || count < 2)
    return FALSE;
  RasterTarget target;
  if (DrawsOwnShapes(*dc, target)) {
    DrawOwnRings(*dc, target, points, &count, 1);
    return TRUE;
  }
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const AreaRows rows(*dc);
  std::vector<QPoint>& mapped = dc->scratch;
  mapped.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    mapped[static_cast<std::size_t>(i)] = QPoint(points[i].x, rows.Map(points[i].y));
  painter->drawPolygon(mapped.data(), count, dc->fillMode == ALTERNATE ? Qt::OddEvenFill : Qt::WindingFill);
  return TRUE;
}

BOOL PolyPolygon(HDC handle, const POINT* points, const int* counts, int polygons)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || points == nullptr || counts == nullptr || polygons < 1)
    return FALSE;
  for (int ring = 0; ring < polygons; ++ring)
    if (counts[ring] < 2)
      return FALSE;
  if (polygons == 1)
    return Polygon(handle, points, counts[0]);
  RasterTarget target;
  if (DrawsOwnShapes(*dc, target)) {
    DrawOwnRings(*dc, target, points, counts, polygons);
    return TRUE;
  }
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const AreaRows rows(*dc);
  QPainterPath path;
  path.setFillRule(dc->fillMode == ALTERNATE ? Qt::OddEvenFill : Qt::WindingFill);
  const POINT* ring = points;
  for (int part = 0; part < polygons; ring += counts[part], ++part) {
    path.moveTo(ring[0].x, rows.Map(ring[0].y));
    for (int i = 1; i < counts[part]; ++i)
      path.lineTo(ring[i].x, rows.Map(ring[i].y));
    path.closeSubpath();
  }
  painter->drawPath(path);
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || points == nullptr || count < 2)
    return FALSE;
  RasterTarget target;
  if (DrawsOwnShapes(*dc, target)) {
    if (!dc->pen->IsNull())
      DrawThinPath(target, points, count, false, dc->pen->Color());
    return TRUE;
  }
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const int flip = dc->FlipHeight();
  const int offset = flip == 0 ? 0 : flip - 1;
  const int sign = flip == 0 ? 1 : -1;
  std::vector<QPoint>& mapped = dc->scratch;
  mapped.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    mapped[static_cast<std::size_t>(i)] = QPoint(points[i].x, offset + sign * points[i].y);
  const POINT& last = points[count - 1];
  EndPixelKeeper keeper(dc, last, count > 2 && last.x == points[0].x && last.y == points[0].y);
  painter->drawPolyline(mapped.data(), count);
  return TRUE;
}

BOOL Rectangle(HDC handle, int left, int top, int right, int bottom)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  if (right < left)
    std::swap(left, right);
  if (bottom < top)
    std::swap(top, bottom);
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const bool outlined = dc->pen != nullptr && !dc->pen->IsNull();
  // Without an outline the filled area is one pixel narrower and shorter.
  const int fillRight = outlined ? right : right - 1;
  const int fillBottom = outlined ? bottom : bottom - 1;
  const int flip = dc->FlipHeight();
  if (dc->brush != nullptr && dc->brush->Brush().style() != Qt::NoBrush && fillRight > left && fillBottom > top) {
    const int areaTop = flip != 0 ? flip - fillBottom : top;
    painter->fillRect(QRect(left, areaTop, fillRight - left, fillBottom - top), dc->brush->Brush());
  }
  if (outlined && right - left >= 1 && bottom - top >= 1) {
    const auto mapY = [flip](int value) { return flip != 0 ? flip - 1 - value : value; };
    const QPoint corners[4] = {QPoint(left, mapY(top)), QPoint(right - 1, mapY(top)),
                               QPoint(right - 1, mapY(bottom - 1)), QPoint(left, mapY(bottom - 1))};
    painter->save();
    painter->setBrush(Qt::NoBrush);
    painter->drawPolygon(corners, 4);
    painter->restore();
  }
  return TRUE;
}

BOOL ExtTextOutW(HDC handle, int x, int y, UINT options, const RECT* rect, const WCHAR* text, UINT count,
                 const int* /*dx*/)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  if ((options & ETO_OPAQUE) != 0 && rect != nullptr && rect->right > rect->left && rect->bottom > rect->top) {
    RasterTarget target;
    if (dc->RasterTargetOf(target)) {
      FillBox(target, *rect, dc->bkColor);  // a whole picture cleared in a few milliseconds less
    } else {
      QPainter* painter = dc->Painter();
      if (painter == nullptr)
        return FALSE;
      const int flip = dc->FlipHeight();
      const int top = flip != 0 ? flip - rect->bottom : rect->top;
      painter->fillRect(QRect(rect->left, top, rect->right - rect->left, rect->bottom - rect->top),
                        ToQColor(dc->bkColor));
    }
  }
  if (text == nullptr || count == 0)
    return TRUE;
  const QString string = ToQString(text, static_cast<int>(std::min<UINT>(count, std::numeric_limits<int>::max())));
  return DrawText(dc,
                  [&](QPainter& painter) {
                    const bool clipped = (options & ETO_CLIPPED) != 0 && rect != nullptr;
                    if (clipped) {
                      painter.save();  // a band's own clip comes back afterwards
                      painter.setClipRect(
                          QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
                          Qt::IntersectClip);
                    }
                    painter.drawText(QPoint(x, y + QFontMetrics(painter.font()).ascent()), string);
                    if (clipped)
                      painter.restore();
                  })
             ? TRUE
             : FALSE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx)
{
  if (text == nullptr || count == 0)
    return ExtTextOutW(dc, x, y, options, rect, nullptr, 0, dx);
  const std::u16string wide = AnsiToUtf16(text, static_cast<int>(std::min<UINT>(count, 0x7FFFFFFF)));
  return ExtTextOutW(dc, x, y, options, rect, wide.c_str(), static_cast<UINT>(wide.size()), dx);
}

int DrawTextW(HDC handle, const WCHAR* text, int count, RECT* rect, UINT format)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || rect == nullptr || text == nullptr || !zamra::platform::HaveGuiApplication())
    return 0;
  const QString string = ToQString(text, count);
  const QFont font = dc->font != nullptr ? dc->font->Font() : QFont();
  const QFontMetrics metrics(font);
  if ((format & DT_CALCRECT) != 0) {
    rect->right = rect->left + metrics.horizontalAdvance(string);
    rect->bottom = rect->top + metrics.height();
    return metrics.height();
  }
  int flags = Qt::TextSingleLine;
  flags |= (format & DT_CENTER) != 0 ? Qt::AlignHCenter : (format & DT_RIGHT) != 0 ? Qt::AlignRight : Qt::AlignLeft;
  flags |= (format & DT_VCENTER) != 0 ? Qt::AlignVCenter : (format & DT_BOTTOM) != 0 ? Qt::AlignBottom : Qt::AlignTop;
  if ((format & DT_NOCLIP) != 0)
    flags |= Qt::TextDontClip;
  const QRect box(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  const bool drawn = DrawText(dc, [&](QPainter& painter) { painter.drawText(box, flags, string); });
  return drawn ? metrics.height() : 0;
}

int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format)
{
  if (text == nullptr)
    return 0;
  const std::u16string wide = AnsiToUtf16(text, count);
  return DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), rect, format);
}

COLORREF GetPixel(HDC handle, int x, int y)
{
  DeviceContext* dc = AsContext(handle);
  BitmapObject* picture = dc != nullptr ? dc->Picture() : nullptr;
  if (picture == nullptr || x < 0 || y < 0 || x >= picture->Width() || y >= picture->Height())
    return CLR_INVALID;
  dc->EndPainting();
  const unsigned char* pixel = picture->PixelAt(x, y);
  return RGB(pixel[2], pixel[1], pixel[0]);
}

COLORREF SetPixel(HDC handle, int x, int y, COLORREF color)
{
  DeviceContext* dc = AsContext(handle);
  BitmapObject* picture = dc != nullptr ? dc->Picture() : nullptr;
  if (picture == nullptr || x < 0 || y < 0 || x >= picture->Width() || y >= picture->Height() || !dc->InBand(y))
    return CLR_INVALID;
  dc->EndPainting();
  unsigned char* pixel = picture->PixelAt(x, y);
  pixel[0] = GetBValue(color);
  pixel[1] = GetGValue(color);
  pixel[2] = GetRValue(color);
  return color & 0x00FFFFFF;
}

BOOL SetPixelV(HDC handle, int x, int y, COLORREF color)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  if (x < 0 || y < 0 || x >= dc->Width() || y >= dc->Height() || !dc->InBand(y))
    return TRUE;
  if (BitmapObject* picture = dc->Picture()) {
    // Written in place: ending the painter for it, as SetPixel does, costs far more than a pixel.
    unsigned char* pixel = picture->PixelAt(x, y);
    pixel[0] = GetBValue(color);
    pixel[1] = GetGValue(color);
    pixel[2] = GetRValue(color);
    return TRUE;
  }
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const int flip = dc->FlipHeight();
  painter->fillRect(QRect(x, flip != 0 ? flip - 1 - y : y, 1, 1), ToQColor(color));
  return TRUE;
}
