// The drawing subset's own objects, shared by its parts (contexts, objects, drawing, block
// copies): the objects behind the handles, their registry, and small helpers.
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <atomic>
#include <cmath>  // ceil
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_set>
#include <vector>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QScreen>

#include "platform/application_kind.h"
#include "platform/code_page.h"
#include "gdi_raster.h"
#include "platform/gdi.h"

namespace zamra::gdi_internal {

enum class Kind { Bitmap, Pen, Brush, Font };

class DeviceContext;

class GdiObject {
public:
  GdiObject(Kind kind, bool stock) : m_kind(kind), m_stock(stock) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  Kind GetKind() const { return m_kind; }
  bool IsStock() const { return m_stock; }

  int selectCount = 0;
  bool deletePending = false;

private:
  Kind m_kind;
  bool m_stock;
};

class BitmapObject final : public GdiObject {
public:
  // `ownsMemory` false: a second view of another picture's memory, which stays its owner's.
  BitmapObject(unsigned char* memory, int width, int height, int stride, bool bottomUp, bool stock,
               bool ownsMemory = true)
      : GdiObject(Kind::Bitmap, stock), m_memory(memory), m_width(width), m_height(height), m_stride(stride),
        m_bottomUp(bottomUp), m_ownsMemory(ownsMemory), m_image(memory, width, height, stride, QImage::Format_BGR888)
  {}
  ~BitmapObject() override
  {
    if (m_ownsMemory)
      std::free(m_memory);
  }

  unsigned char* Bits() { return m_memory; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int Stride() const { return m_stride; }
  bool BottomUp() const { return m_bottomUp; }
  // Never copied: a second reference would make the painter detach and draw into a copy.
  QImage& Image() { return m_image; }

  // Address of the pixel at (x, y) counted from the top-left of the picture.
  unsigned char* PixelAt(int x, int y)
  {
    const int row = m_bottomUp ? m_height - 1 - y : y;
    return m_memory + static_cast<std::size_t>(row) * m_stride + static_cast<std::size_t>(x) * 3;
  }

  DeviceContext* owner = nullptr;

private:
  unsigned char* m_memory;
  int m_width;
  int m_height;
  int m_stride;
  bool m_bottomUp;
  bool m_ownsMemory;
  QImage m_image;
};

class PenObject final : public GdiObject {
public:
  PenObject(int style, int width, COLORREF color, bool stock) : GdiObject(Kind::Pen, stock), m_color(color & 0xFFFFFF)
  {
    const QColor qcolor(GetRValue(color), GetGValue(color), GetBValue(color));
    if (style == PS_NULL) {
      m_pen = QPen(Qt::NoPen);
      return;
    }
    // Width 0 is Qt's one-pixel cosmetic pen, which keeps the fast line path.
    const int pixels = std::max(1, width);
    m_pen = QPen(qcolor, pixels <= 1 ? 0 : pixels);
    // Thin solid lines cover both end points (the drawing calls take the last one back out,
    // whatever the direction); wide ones get round ends and joins.
    m_thin = pixels <= 1 && style != PS_DASH && style != PS_DOT && style != PS_DASHDOT && style != PS_DASHDOTDOT;
    m_pen.setCapStyle(pixels <= 1 ? (m_thin ? Qt::SquareCap : Qt::FlatCap) : Qt::RoundCap);
    m_pen.setJoinStyle(pixels <= 1 ? Qt::MiterJoin : Qt::RoundJoin);
    switch (style) {
    case PS_DASH:
      m_pen.setDashPattern({18, 6});
      break;
    case PS_DOT:
      m_pen.setDashPattern({3, 3});
      break;
    case PS_DASHDOT:
      m_pen.setDashPattern({9, 6, 3, 6});
      break;
    case PS_DASHDOTDOT:
      m_pen.setDashPattern({9, 3, 3, 3, 3, 3});
      break;
    default:
      break;
    }
  }
  const QPen& Pen() const { return m_pen; }
  bool IsNull() const { return m_pen.style() == Qt::NoPen; }
  // A one-pixel solid pen, whose lines must leave their end point undrawn.
  bool IsThinSolid() const { return m_thin; }
  COLORREF Color() const { return m_color; }

private:
  QPen m_pen;
  COLORREF m_color;
  bool m_thin = false;
};

class BrushObject final : public GdiObject {
public:
  BrushObject(bool null, COLORREF color, bool stock)
      : GdiObject(Kind::Brush, stock),
        m_brush(null ? QBrush(Qt::NoBrush) : QBrush(QColor(GetRValue(color), GetGValue(color), GetBValue(color)))),
        m_null(null), m_color(color & 0xFFFFFF)
  {}
  const QBrush& Brush() const { return m_brush; }
  bool IsNull() const { return m_null; }
  COLORREF Color() const { return m_color; }

private:
  QBrush m_brush;
  bool m_null;
  COLORREF m_color;
};

class FontObject final : public GdiObject {
public:
  FontObject(const LOGFONTA& font, bool stock)
      : GdiObject(Kind::Font, stock), m_description(font), m_height(font.lfHeight)
  {
    // A logical font holds at most 31 characters of face name before its terminator.
    std::size_t length = 0;
    while (length < LF_FACESIZE - 1 && font.lfFaceName[length] != '\0')
      ++length;
    m_face = std::string(font.lfFaceName, length);
    m_bold = font.lfWeight >= 600;
    m_italic = font.lfItalic != 0;
    m_underline = font.lfUnderline != 0;
  }

  const std::string& Face() const { return m_face; }
  const LOGFONTA& Description() const { return m_description; }

  // Built on first use: fonts need the application's font database.
  const QFont& Font()
  {
    if (m_resolved)
      return m_font;
    m_resolved = true;
    if (!m_face.empty()) {
      const std::u16string face = ToUtf16(m_face);
      m_font.setFamily(QString::fromUtf16(face.data(), static_cast<qsizetype>(face.size())));
    }
    m_font.setBold(m_bold);
    m_font.setItalic(m_italic);
    m_font.setUnderline(m_underline);
    if (m_height < 0) {
      m_font.setPixelSize(std::max(1, -m_height));
    } else {
      // A positive height is the whole cell (ascent + descent): scale the em to fit it.
      const int cell = m_height == 0 ? 16 : m_height;
      m_font.setPixelSize(cell);
      const int measured = QFontMetrics(m_font).height();
      if (measured > cell)
        m_font.setPixelSize(std::max(1, cell * cell / measured));
    }
    return m_font;
  }

private:
  LOGFONTA m_description;
  int m_height;
  std::string m_face;
  bool m_bold = false;
  bool m_italic = false;
  bool m_underline = false;
  bool m_resolved = false;
  QFont m_font;
};

class DeviceContext final {
public:
  DeviceContext() = default;
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;

  BitmapObject* bitmap = nullptr;
  PenObject* pen = nullptr;
  BrushObject* brush = nullptr;
  FontObject* font = nullptr;
  QPaintDevice* device = nullptr;
  bool ownsDevice = false;
  // Coordinates count the device's own pixels, whatever its device pixel ratio.
  bool devicePixels = false;
  // A band context: its own view of another context's picture, drawn on in rows bandTop ..
  // bandBottom - 1 (from the top) only.
  std::unique_ptr<BitmapObject> bandPicture;
  int bandTop = 0;
  int bandBottom = std::numeric_limits<int>::max();
  // Lines and areas antialiased through Qt instead of drawn pixel-exact by our own raster code.
  bool smooth = false;

  COLORREF bkColor = RGB(255, 255, 255);
  COLORREF textColor = RGB(0, 0, 0);
  int bkMode = OPAQUE;
  int fillMode = ALTERNATE;
  POINT position{0, 0};

  QPainter painter;
  bool penDirty = true;
  bool brushDirty = true;
  bool backgroundDirty = true;
  std::vector<QPoint> scratch;
  RasterScratch rasterScratch;

  // The picture drawn on, or null (the stock picture, or a paint device instead).
  BitmapObject* Picture() { return bitmap != nullptr && !bitmap->IsStock() ? bitmap : nullptr; }

  int Width()
  {
    if (BitmapObject* picture = Picture())
      return picture->Width();
    return device != nullptr ? DeviceLength(device->width()) : 0;
  }
  int Height()
  {
    if (BitmapObject* picture = Picture())
      return picture->Height();
    return device != nullptr ? DeviceLength(device->height()) : 0;
  }

  // A paint device's pixel ratio as this context counts: 1 unless it counts device pixels.
  qreal DeviceRatio() const { return devicePixels && device != nullptr ? device->devicePixelRatioF() : 1.0; }
  // A length the device reports in this context's units. A widget reports window pixels, which
  // count as their device pixels up to a fractional last one; images and pixmaps report their
  // own pixels already.
  int DeviceLength(int length) const
  {
    const qreal ratio = DeviceRatio();
    if (ratio == 1.0 || device->devType() != QInternal::Widget)
      return length;
    return static_cast<int>(std::ceil(length * ratio - 1e-9));
  }

  bool IsBand() const { return bandPicture != nullptr; }
  // Whether drawing may touch picture row `y` (from the top).
  bool InBand(int y) const { return y >= bandTop && y < bandBottom; }

  // The band's rows in the painter's device coordinates (memory rows of the picture).
  QRect BandClip()
  {
    BitmapObject* picture = Picture();
    const int rows = bandBottom - bandTop;
    const int first = picture->BottomUp() ? picture->Height() - bandBottom : bandTop;
    return QRect(0, first, picture->Width(), rows);
  }

  // The picture's drawable rows for our own drawing; false for the stock picture and paint
  // devices, which go through Qt.
  bool RasterTargetOf(RasterTarget& target)
  {
    BitmapObject* picture = Picture();
    if (picture == nullptr)
      return false;
    target.memory = picture->Bits();
    target.width = picture->Width();
    target.height = picture->Height();
    target.stride = picture->Stride();
    target.bottomUp = picture->BottomUp();
    target.firstRow = std::max(bandTop, 0);
    target.endRow = std::min(bandBottom, picture->Height());
    return true;
  }

  // Bottom-up pictures are drawn through a flip: pixel rows map to h - 1 - y, areas to h - y.
  int FlipHeight()
  {
    BitmapObject* picture = Picture();
    return picture != nullptr && picture->BottomUp() ? picture->Height() : 0;
  }

  // The painter, begun on first use with the selected pen, brush and background applied.
  QPainter* Painter()
  {
    if (!painter.isActive()) {
      QPaintDevice* target = Picture() != nullptr ? static_cast<QPaintDevice*>(&Picture()->Image()) : device;
      if (target == nullptr || !painter.begin(target))
        return nullptr;
      painter.setRenderHint(QPainter::Antialiasing, smooth);
      // Undo the device's scaling: a pixel drawn here is one of the device's own.
      if (const qreal ratio = DeviceRatio(); ratio != 1.0)
        painter.setWorldTransform(QTransform::fromScale(1.0 / ratio, 1.0 / ratio));
      if (IsBand())
        painter.setClipRect(BandClip());
      penDirty = brushDirty = backgroundDirty = true;
    }
    if (penDirty) {
      painter.setPen(pen != nullptr ? pen->Pen() : QPen(Qt::black, 0));
      penDirty = false;
    }
    if (brushDirty) {
      painter.setBrush(brush != nullptr ? brush->Brush() : QBrush(Qt::white));
      brushDirty = false;
    }
    if (backgroundDirty) {
      painter.setBackgroundMode(bkMode == OPAQUE ? Qt::OpaqueMode : Qt::TransparentMode);
      painter.setBackground(QBrush(QColor(GetRValue(bkColor), GetGValue(bkColor), GetBValue(bkColor))));
      backgroundDirty = false;
    }
    return &painter;
  }

  // Called before touching the pixels directly or changing the picture.
  void EndPainting()
  {
    if (painter.isActive())
      painter.end();
  }
};

// Every live handle, so that a stale or foreign one is refused instead of followed.
inline std::mutex g_registryMutex;
inline std::unordered_set<const void*>& LiveObjects()
{
  static auto* objects = new std::unordered_set<const void*>();
  return *objects;
}
inline std::unordered_set<const void*>& LiveContexts()
{
  static auto* contexts = new std::unordered_set<const void*>();
  return *contexts;
}

template <typename T>
T* Register(std::unordered_set<const void*>& set, T* object)
{
  std::lock_guard<std::mutex> lock(g_registryMutex);
  set.insert(object);
  return object;
}

inline void Unregister(std::unordered_set<const void*>& set, const void* object)
{
  std::lock_guard<std::mutex> lock(g_registryMutex);
  set.erase(object);
}

// Bumped by every DeleteDC: a context checked since the last bump is still alive, so the hot
// drawing calls on one context skip the locked look-up.
inline std::atomic<std::uint64_t> g_contextEpoch{0};

inline DeviceContext* AsContext(HDC dc)
{
  if (dc == nullptr)
    return nullptr;
  thread_local HDC t_checked = nullptr;
  thread_local std::uint64_t t_checkedEpoch = 0;
  const std::uint64_t epoch = g_contextEpoch.load(std::memory_order_acquire);
  if (dc == t_checked && epoch == t_checkedEpoch)
    return reinterpret_cast<DeviceContext*>(dc);
  std::lock_guard<std::mutex> lock(g_registryMutex);
  if (LiveContexts().count(dc) == 0)
    return nullptr;
  t_checked = dc;
  t_checkedEpoch = epoch;
  return reinterpret_cast<DeviceContext*>(dc);
}

inline GdiObject* AsObject(HGDIOBJ object)
{
  if (object == nullptr)
    return nullptr;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  return LiveObjects().count(object) != 0 ? reinterpret_cast<GdiObject*>(object) : nullptr;
}

inline BitmapObject* AsBitmap(HGDIOBJ object)
{
  GdiObject* found = AsObject(object);
  return found != nullptr && found->GetKind() == Kind::Bitmap ? static_cast<BitmapObject*>(found) : nullptr;
}

inline FontObject* AsFont(HGDIOBJ object)
{
  GdiObject* found = AsObject(object);
  return found != nullptr && found->GetKind() == Kind::Font ? static_cast<FontObject*>(found) : nullptr;
}

inline HDC ToHandle(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }
inline HGDIOBJ ToHandle(GdiObject* object) { return reinterpret_cast<HGDIOBJ>(object); }

inline void FreeObject(GdiObject* object)
{
  Unregister(LiveObjects(), object);
  delete object;
}

// Takes the object out of one context; frees it when its deletion was waiting for that.
inline void Deselect(GdiObject* object, DeviceContext* dc)
{
  if (object == nullptr || object->IsStock())
    return;
  if (object->GetKind() == Kind::Bitmap && static_cast<BitmapObject*>(object)->owner == dc)
    static_cast<BitmapObject*>(object)->owner = nullptr;
  if (--object->selectCount == 0 && object->deletePending)
    FreeObject(object);
}

inline bool ValidPictureSize(long long width, long long height, int* stride)
{
  if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() / 3)
    return false;
  const long long rowBytes = ((width * 24 + 31) >> 3) & ~3LL;
  if (rowBytes * height > std::numeric_limits<int>::max())
    return false;
  *stride = static_cast<int>(rowBytes);
  return true;
}

inline BitmapObject* NewPicture(int width, int height, bool bottomUp, bool stock = false)
{
  int stride = 0;
  if (!ValidPictureSize(width, height, &stride))
    return nullptr;
  auto* memory = static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(stride) * height, 1));
  if (memory == nullptr)
    return nullptr;
  try {
    return new BitmapObject(memory, width, height, stride, bottomUp, stock);
  } catch (const std::bad_alloc&) {
    std::free(memory);
    return nullptr;
  }
}

struct StockObjects {
  GdiObject* objects[DEFAULT_GUI_FONT + 1] = {};
  BitmapObject* picture = nullptr;
};

inline const StockObjects& Stock()
{
  static const StockObjects* stock = [] {
    auto* made = new StockObjects();
    const auto brush = [](COLORREF color) { return new BrushObject(false, color, true); };
    made->objects[WHITE_BRUSH] = brush(RGB(255, 255, 255));
    made->objects[LTGRAY_BRUSH] = brush(RGB(192, 192, 192));
    made->objects[GRAY_BRUSH] = brush(RGB(128, 128, 128));
    made->objects[DKGRAY_BRUSH] = brush(RGB(64, 64, 64));
    made->objects[BLACK_BRUSH] = brush(RGB(0, 0, 0));
    made->objects[NULL_BRUSH] = new BrushObject(true, 0, true);
    made->objects[WHITE_PEN] = new PenObject(PS_SOLID, 1, RGB(255, 255, 255), true);
    made->objects[BLACK_PEN] = new PenObject(PS_SOLID, 1, RGB(0, 0, 0), true);
    made->objects[NULL_PEN] = new PenObject(PS_NULL, 1, 0, true);
    LOGFONTA font{};
    font.lfHeight = 16;
    made->objects[SYSTEM_FONT] = new FontObject(font, true);
    font.lfHeight = -12;
    made->objects[DEFAULT_GUI_FONT] = new FontObject(font, true);
    made->picture = NewPicture(1, 1, true, true);
    for (GdiObject* object : made->objects)
      if (object != nullptr)
        Register(LiveObjects(), object);
    Register(LiveObjects(), static_cast<GdiObject*>(made->picture));
    return made;
  }();
  return *stock;
}

inline DeviceContext* NewContext()
{
  auto* dc = new (std::nothrow) DeviceContext();
  if (dc == nullptr)
    return nullptr;
  const StockObjects& stock = Stock();
  dc->bitmap = stock.picture;
  dc->pen = static_cast<PenObject*>(stock.objects[BLACK_PEN]);
  dc->brush = static_cast<BrushObject*>(stock.objects[WHITE_BRUSH]);
  dc->font = static_cast<FontObject*>(stock.objects[SYSTEM_FONT]);
  return Register(LiveContexts(), dc);
}

// Keeps the pixel at a line's end point as it was before the line: lines leave their end
// point undrawn, in whichever direction they run. Qt's own thin-line caps cut a fixed end.
class EndPixelKeeper final {
public:
  // `drawnElsewhere`: another part of the same path covers the end pixel anyway.
  EndPixelKeeper(DeviceContext* dc, POINT end, bool drawnElsewhere)
  {
    BitmapObject* picture = dc->Picture();
    // A pixel outside a band is another thread's: the line cannot reach it anyway.
    if (drawnElsewhere || picture == nullptr || dc->pen == nullptr || !dc->pen->IsThinSolid() || end.x < 0 ||
        end.y < 0 || end.x >= picture->Width() || end.y >= picture->Height() || !dc->InBand(end.y))
      return;
    m_pixel = picture->PixelAt(end.x, end.y);
    std::memcpy(m_saved, m_pixel, 3);
  }
  ~EndPixelKeeper()
  {
    if (m_pixel != nullptr)
      std::memcpy(m_pixel, m_saved, 3);
  }
  EndPixelKeeper(const EndPixelKeeper&) = delete;
  EndPixelKeeper& operator=(const EndPixelKeeper&) = delete;

private:
  unsigned char* m_pixel = nullptr;
  unsigned char m_saved[3] = {};
};

inline QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

// A block clipped to both pictures; false when nothing is left.
struct Block {
  int x, y, sx, sy, width, height;
};

inline bool ClipBlock(Block& block, int targetWidth, int targetHeight, int sourceWidth, int sourceHeight)
{
  long long x = block.x, y = block.y, sx = block.sx, sy = block.sy;
  long long width = block.width, height = block.height;
  const auto clipStart = [&](long long& a, long long& b, long long& length) {
    const long long shift = std::max({0LL, -a, -b});
    a += shift;
    b += shift;
    length -= shift;
  };
  clipStart(x, sx, width);
  clipStart(y, sy, height);
  width = std::min({width, targetWidth - x, sourceWidth - sx});
  height = std::min({height, targetHeight - y, sourceHeight - sy});
  if (width <= 0 || height <= 0)
    return false;
  block = Block{static_cast<int>(x),  static_cast<int>(y),     static_cast<int>(sx),
                static_cast<int>(sy), static_cast<int>(width), static_cast<int>(height)};
  return true;
}

// A top-down copy of a block of a picture, for drawing on paint devices.
inline QImage CopyBlock(BitmapObject* picture, int x, int y, int width, int height)
{
  QImage copy(width, height, QImage::Format_BGR888);
  if (copy.isNull())
    return copy;
  for (int row = 0; row < height; ++row)
    std::memcpy(copy.scanLine(row), picture->PixelAt(x, y + row), static_cast<std::size_t>(width) * 3);
  return copy;
}

inline QString ToQString(const WCHAR* text, int count)
{
  if (text == nullptr)
    return QString();
  if (count < 0) {
    count = 0;
    while (text[count] != 0)
      ++count;
  }
  return QString::fromUtf16(text, count);
}

inline std::u16string AnsiToUtf16(const char* text, int count)
{
  if (text == nullptr)
    return std::u16string();
  const std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
  return ToUtf16(std::string(text, length));
}

// Runs text drawing in picture coordinates; a bottom-up picture needs the flip transform.
template <typename Draw>
bool DrawText(DeviceContext* dc, Draw draw)
{
  if (!zamra::platform::HaveGuiApplication())
    return false;
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return false;
  const int flip = dc->FlipHeight();
  if (flip != 0)
    painter->setTransform(QTransform(1, 0, 0, -1, 0, flip));
  painter->setFont(dc->font != nullptr ? dc->font->Font() : QFont());
  painter->setPen(ToQColor(dc->textColor));
  dc->penDirty = true;
  draw(*painter);
  if (flip != 0)
    painter->resetTransform();
  return true;
}

}  // namespace zamra::gdi_internal
