// The drawing subset over Qt's raster engine: a QImage wraps each picture's memory in place.
#include "platform/gdi.h"

#include <algorithm>
#include <atomic>
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

namespace {

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
  {
  }
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
  PenObject(int style, int width, COLORREF color, bool stock) : GdiObject(Kind::Pen, stock)
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

private:
  QPen m_pen;
  bool m_thin = false;
};

class BrushObject final : public GdiObject {
public:
  BrushObject(bool null, COLORREF color, bool stock)
      : GdiObject(Kind::Brush, stock),
        m_brush(null ? QBrush(Qt::NoBrush)
                     : QBrush(QColor(GetRValue(color), GetGValue(color), GetBValue(color))))
  {
  }
  const QBrush& Brush() const { return m_brush; }

private:
  QBrush m_brush;
};

class FontObject final : public GdiObject {
public:
  FontObject(const LOGFONTA& font, bool stock) : GdiObject(Kind::Font, stock), m_height(font.lfHeight)
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
  // A band context: its own view of another context's picture, drawn on in rows bandTop ..
  // bandBottom - 1 (from the top) only.
  std::unique_ptr<BitmapObject> bandPicture;
  int bandTop = 0;
  int bandBottom = std::numeric_limits<int>::max();

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

  // The picture drawn on, or null (the stock picture, or a paint device instead).
  BitmapObject* Picture() { return bitmap != nullptr && !bitmap->IsStock() ? bitmap : nullptr; }

  int Width()
  {
    if (BitmapObject* picture = Picture())
      return picture->Width();
    return device != nullptr ? device->width() : 0;
  }
  int Height()
  {
    if (BitmapObject* picture = Picture())
      return picture->Height();
    return device != nullptr ? device->height() : 0;
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
      painter.setRenderHint(QPainter::Antialiasing, false);
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
std::mutex g_registryMutex;
std::unordered_set<const void*>& LiveObjects()
{
  static auto* objects = new std::unordered_set<const void*>();
  return *objects;
}
std::unordered_set<const void*>& LiveContexts()
{
  static auto* contexts = new std::unordered_set<const void*>();
  return *contexts;
}

template <typename T> T* Register(std::unordered_set<const void*>& set, T* object)
{
  std::lock_guard<std::mutex> lock(g_registryMutex);
  set.insert(object);
  return object;
}

void Unregister(std::unordered_set<const void*>& set, const void* object)
{
  std::lock_guard<std::mutex> lock(g_registryMutex);
  set.erase(object);
}

// Bumped by every DeleteDC: a context checked since the last bump is still alive, so the hot
// drawing calls on one context skip the locked look-up.
std::atomic<std::uint64_t> g_contextEpoch{0};

DeviceContext* AsContext(HDC dc)
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

GdiObject* AsObject(HGDIOBJ object)
{
  if (object == nullptr)
    return nullptr;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  return LiveObjects().count(object) != 0 ? reinterpret_cast<GdiObject*>(object) : nullptr;
}

BitmapObject* AsBitmap(HGDIOBJ object)
{
  GdiObject* found = AsObject(object);
  return found != nullptr && found->GetKind() == Kind::Bitmap ? static_cast<BitmapObject*>(found) : nullptr;
}

HDC ToHandle(DeviceContext* dc) { return reinterpret_cast<HDC>(dc); }
HGDIOBJ ToHandle(GdiObject* object) { return reinterpret_cast<HGDIOBJ>(object); }

void FreeObject(GdiObject* object)
{
  Unregister(LiveObjects(), object);
  delete object;
}

// Takes the object out of one context; frees it when its deletion was waiting for that.
void Deselect(GdiObject* object, DeviceContext* dc)
{
  if (object == nullptr || object->IsStock())
    return;
  if (object->GetKind() == Kind::Bitmap && static_cast<BitmapObject*>(object)->owner == dc)
    static_cast<BitmapObject*>(object)->owner = nullptr;
  if (--object->selectCount == 0 && object->deletePending)
    FreeObject(object);
}

bool ValidPictureSize(long long width, long long height, int* stride)
{
  if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max() / 3)
    return false;
  const long long rowBytes = ((width * 24 + 31) >> 3) & ~3LL;
  if (rowBytes * height > std::numeric_limits<int>::max())
    return false;
  *stride = static_cast<int>(rowBytes);
  return true;
}

BitmapObject* NewPicture(int width, int height, bool bottomUp, bool stock = false)
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

const StockObjects& Stock()
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

DeviceContext* NewContext()
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

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

// A block clipped to both pictures; false when nothing is left.
struct Block {
  int x, y, sx, sy, width, height;
};

bool ClipBlock(Block& block, int targetWidth, int targetHeight, int sourceWidth, int sourceHeight)
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
  block = Block{static_cast<int>(x), static_cast<int>(y), static_cast<int>(sx), static_cast<int>(sy),
                static_cast<int>(width), static_cast<int>(height)};
  return true;
}

// A top-down copy of a block of a picture, for drawing on paint devices.
QImage CopyBlock(BitmapObject* picture, int x, int y, int width, int height)
{
  QImage copy(width, height, QImage::Format_BGR888);
  if (copy.isNull())
    return copy;
  for (int row = 0; row < height; ++row)
    std::memcpy(copy.scanLine(row), picture->PixelAt(x, y + row), static_cast<std::size_t>(width) * 3);
  return copy;
}

QString ToQString(const WCHAR* text, int count)
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

std::u16string AnsiToUtf16(const char* text, int count)
{
  if (text == nullptr)
    return std::u16string();
  const std::size_t length = count < 0 ? std::strlen(text) : static_cast<std::size_t>(count);
  return ToUtf16(std::string(text, length));
}

// Runs text drawing in picture coordinates; a bottom-up picture needs the flip transform.
template <typename Draw> bool DrawText(DeviceContext* dc, Draw draw)
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

} // namespace

// --- Device contexts ---------------------------------------------------------------------

HDC CreateCompatibleDC(HDC /*reference*/) { return ToHandle(NewContext()); }

HDC CreateDCA(const char* driver, const char* /*device*/, const char* /*output*/, const void* /*mode*/)
{
  if (driver == nullptr || std::strcmp(driver, "DISPLAY") != 0 || !zamra::platform::HaveGuiApplication())
    return nullptr;
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr)
    return nullptr;
  const QImage snapshot = screen->grabWindow(0).toImage();
  HBITMAP picture = CreateBitmapFromImage(snapshot);
  if (picture == nullptr)
    return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr || SelectObject(dc, picture) == nullptr) {
    DeleteDC(dc);
    DeleteObject(picture);
    return nullptr;
  }
  DeleteObject(picture);  // the context owns the snapshot
  return dc;
}

HDC CreateDCForPaintDevice(QPaintDevice* device, bool takeOwnership)
{
  if (device == nullptr)
    return nullptr;
  DeviceContext* dc = NewContext();
  if (dc == nullptr) {
    if (takeOwnership)
      delete device;
    return nullptr;
  }
  dc->device = device;
  dc->ownsDevice = takeOwnership;
  return ToHandle(dc);
}

HDC CreateBandDC(HDC handle, int top, int bottom)
{
  DeviceContext* whole = AsContext(handle);
  BitmapObject* picture = whole != nullptr ? whole->Picture() : nullptr;
  if (picture == nullptr)
    return nullptr;
  top = std::max(top, 0);
  bottom = std::min(bottom, picture->Height());
  if (top >= bottom)
    return nullptr;
  // The whole picture's painter must not hold work that lands after the bands' drawing.
  whole->EndPainting();
  DeviceContext* dc = NewContext();
  if (dc == nullptr)
    return nullptr;
  dc->bandPicture.reset(new (std::nothrow) BitmapObject(picture->Bits(), picture->Width(), picture->Height(),
                                                        picture->Stride(), picture->BottomUp(), false, false));
  if (!dc->bandPicture) {
    DeleteDC(ToHandle(dc));
    return nullptr;
  }
  dc->bitmap = dc->bandPicture.get();
  dc->bandTop = top;
  dc->bandBottom = bottom;
  return ToHandle(dc);
}

BOOL DeleteDC(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return FALSE;
  dc->EndPainting();
  Unregister(LiveContexts(), dc);
  g_contextEpoch.fetch_add(1, std::memory_order_acq_rel);
  if (dc->IsBand())
    dc->bitmap = nullptr;  // the band's view goes with the context; the picture stays its owner's
  Deselect(dc->bitmap, dc);
  Deselect(dc->pen, dc);
  Deselect(dc->brush, dc);
  Deselect(dc->font, dc);
  if (dc->ownsDevice)
    delete dc->device;
  delete dc;
  return TRUE;
}

int GetDeviceCaps(HDC handle, int index)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return 0;
  switch (index) {
  case HORZRES:
    return dc->Width();
  case VERTRES:
    return dc->Height();
  case BITSPIXEL:
    return 24;
  case LOGPIXELSX:
    return dc->device != nullptr ? dc->device->logicalDpiX() : 96;
  case LOGPIXELSY:
    return dc->device != nullptr ? dc->device->logicalDpiY() : 96;
  default:
    return 0;
  }
}

// --- Objects -----------------------------------------------------------------------------

HBITMAP CreateDIBSection(HDC /*dc*/, const BITMAPINFO* info, UINT usage, void** bits, HANDLE /*section*/,
                         DWORD /*offset*/)
{
  if (bits != nullptr)
    *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS)
    return nullptr;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biPlanes != 1 || header.biHeight == 0 ||
      header.biHeight == std::numeric_limits<LONG>::min())
    return nullptr;
  BitmapObject* picture = NewPicture(header.biWidth, std::abs(header.biHeight), header.biHeight > 0);
  if (picture == nullptr)
    return nullptr;
  Register(LiveObjects(), static_cast<GdiObject*>(picture));
  if (bits != nullptr)
    *bits = picture->Bits();
  return ToHandle(picture);
}

HBITMAP CreateCompatibleBitmap(HDC /*dc*/, int width, int height)
{
  BitmapObject* picture = NewPicture(width, height, true);
  if (picture == nullptr)
    return nullptr;
  return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(picture)));
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage)
{
  if (header == nullptr)
    return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(dc, header->biWidth, std::abs(header->biHeight));
  if (bitmap == nullptr || (init & CBM_INIT) == 0 || bits == nullptr)
    return bitmap;
  if (info == nullptr ||
      SetDIBits(dc, bitmap, 0, static_cast<UINT>(std::abs(info->bmiHeader.biHeight)), bits, info, usage) == 0) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HPEN CreatePen(int style, int width, COLORREF color)
{
  if (style < PS_SOLID || style > PS_INSIDEFRAME)
    return nullptr;
  try {
    return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(new PenObject(style, width, color, false))));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HBRUSH CreateSolidBrush(COLORREF color)
{
  try {
    return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(new BrushObject(false, color, false))));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HFONT CreateFontIndirectA(const LOGFONTA* font)
{
  if (font == nullptr)
    return nullptr;
  try {
    return ToHandle(Register(LiveObjects(), static_cast<GdiObject*>(new FontObject(*font, false))));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

HGDIOBJ GetStockObject(int index)
{
  if (index < 0 || index > DEFAULT_GUI_FONT)
    return nullptr;
  return ToHandle(Stock().objects[index]);
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ objectHandle)
{
  DeviceContext* dc = AsContext(handle);
  GdiObject* object = AsObject(objectHandle);
  if (dc == nullptr || object == nullptr)
    return nullptr;
  GdiObject* previous = nullptr;
  switch (object->GetKind()) {
  case Kind::Bitmap: {
    auto* picture = static_cast<BitmapObject*>(object);
    if (picture == dc->bitmap)
      return objectHandle;
    // A picture is drawn through one context at a time, and never replaces a paint device
    // or a band's view.
    if ((!picture->IsStock() && picture->owner != nullptr) || dc->device != nullptr || dc->IsBand())
      return nullptr;
    dc->EndPainting();
    previous = dc->bitmap;
    dc->bitmap = picture;
    if (!picture->IsStock())
      picture->owner = dc;
    break;
  }
  case Kind::Pen:
    previous = dc->pen;
    dc->pen = static_cast<PenObject*>(object);
    dc->penDirty = true;
    break;
  case Kind::Brush:
    previous = dc->brush;
    dc->brush = static_cast<BrushObject*>(object);
    dc->brushDirty = true;
    break;
  case Kind::Font:
    previous = dc->font;
    dc->font = static_cast<FontObject*>(object);
    break;
  }
  if (previous == object)
    return objectHandle;
  if (!object->IsStock())
    ++object->selectCount;
  HGDIOBJ previousHandle = ToHandle(previous);
  Deselect(previous, dc);
  return previousHandle;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT kind)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return nullptr;
  switch (kind) {
  case OBJ_PEN:
    return ToHandle(dc->pen);
  case OBJ_BRUSH:
    return ToHandle(dc->brush);
  case OBJ_FONT:
    return ToHandle(dc->font);
  case OBJ_BITMAP:
    return ToHandle(dc->bitmap);
  default:
    return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ handle)
{
  GdiObject* object = AsObject(handle);
  if (object == nullptr)
    return FALSE;
  if (object->IsStock())
    return TRUE;
  if (object->selectCount > 0)
    object->deletePending = true;
  else
    FreeObject(object);
  return TRUE;
}

int GetObjectA(HGDIOBJ handle, int size, void* out)
{
  BitmapObject* picture = AsBitmap(handle);
  if (picture == nullptr || out == nullptr || size < static_cast<int>(sizeof(BITMAP)))
    return 0;
  BITMAP description{};
  description.bmType = 0;
  description.bmWidth = picture->Width();
  description.bmHeight = picture->Height();
  description.bmWidthBytes = picture->Stride();
  description.bmPlanes = 1;
  description.bmBitsPixel = 24;
  description.bmBits = picture->Bits();
  std::memcpy(out, &description, sizeof description);
  return static_cast<int>(sizeof description);
}

// --- State -------------------------------------------------------------------------------

COLORREF SetBkColor(HDC handle, COLORREF color)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return CLR_INVALID;
  const COLORREF previous = dc->bkColor;
  dc->bkColor = color & 0x00FFFFFF;
  dc->backgroundDirty = true;
  return previous;
}

COLORREF GetBkColor(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  return dc != nullptr ? dc->bkColor : CLR_INVALID;
}

int SetBkMode(HDC handle, int mode)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE))
    return 0;
  const int previous = dc->bkMode;
  dc->bkMode = mode;
  dc->backgroundDirty = true;
  return previous;
}

int GetBkMode(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  return dc != nullptr ? dc->bkMode : 0;
}

COLORREF SetTextColor(HDC handle, COLORREF color)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr)
    return CLR_INVALID;
  const COLORREF previous = dc->textColor;
  dc->textColor = color & 0x00FFFFFF;
  return previous;
}

COLORREF GetTextColor(HDC handle)
{
  DeviceContext* dc = AsContext(handle);
  return dc != nullptr ? dc->textColor : CLR_INVALID;
}

int SetPolyFillMode(HDC handle, int mode)
{
  DeviceContext* dc = AsContext(handle);
  if (dc == nullptr || (mode != ALTERNATE && mode != WINDING))
    return 0;
  const int previous = dc->fillMode;
  dc->fillMode = mode;
  return previous;
}

// --- Drawing -----------------------------------------------------------------------------

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
  QPainter* painter = dc->Painter();
  const POINT from = dc->position;
  dc->position = POINT{x, y};
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

BOOL BitBlt(HDC targetHandle, int x, int y, int width, int height, HDC sourceHandle, int sx, int sy, DWORD rop)
{
  DeviceContext* target = AsContext(targetHandle);
  if (target == nullptr || width <= 0 || height <= 0)
    return FALSE;
  if (rop == BLACKNESS || rop == WHITENESS) {
    Block block{x, y, x, y, width, height};
    if (!ClipBlock(block, target->Width(), target->Height(), target->Width(), target->Height()))
      return TRUE;
    QPainter* painter = target->Painter();
    if (painter == nullptr)
      return FALSE;
    const int flip = target->FlipHeight();
    const int top = flip != 0 ? flip - block.y - block.height : block.y;
    painter->fillRect(QRect(block.x, top, block.width, block.height), rop == BLACKNESS ? Qt::black : Qt::white);
    return TRUE;
  }
  DeviceContext* source = AsContext(sourceHandle);
  if (rop != SRCCOPY || source == nullptr || source->Picture() == nullptr)
    return FALSE;
  BitmapObject* from = source->Picture();
  Block block{x, y, sx, sy, width, height};
  if (!ClipBlock(block, target->Width(), target->Height(), from->Width(), from->Height()))
    return TRUE;
  BitmapObject* to = target->Picture();
  if (to == nullptr) {
    QPainter* painter = target->Painter();
    if (painter == nullptr)
      return FALSE;
    painter->drawImage(QPoint(block.x, block.y), CopyBlock(from, block.sx, block.sy, block.width, block.height));
    return TRUE;
  }
  source->EndPainting();
  target->EndPainting();
  const std::size_t rowBytes = static_cast<std::size_t>(block.width) * 3;
  // Within one picture, copy rows in the order that does not overwrite rows still to read.
  const bool upwards = (from == to || from->Bits() == to->Bits()) && block.y > block.sy;
  for (int i = 0; i < block.height; ++i) {
    const int row = upwards ? block.height - 1 - i : i;
    if (target->InBand(block.y + row))
      std::memmove(to->PixelAt(block.x, block.y + row), from->PixelAt(block.sx, block.sy + row), rowBytes);
  }
  return TRUE;
}

BOOL TransparentBlt(HDC targetHandle, int x, int y, int width, int height, HDC sourceHandle, int sx, int sy,
                    int sourceWidth, int sourceHeight, UINT transparent)
{
  DeviceContext* target = AsContext(targetHandle);
  DeviceContext* source = AsContext(sourceHandle);
  if (target == nullptr || source == nullptr || source->Picture() == nullptr || width <= 0 || height <= 0 ||
      sourceWidth <= 0 || sourceHeight <= 0)
    return FALSE;
  BitmapObject* from = source->Picture();
  const unsigned char keyBlue = GetBValue(transparent), keyGreen = GetGValue(transparent),
                      keyRed = GetRValue(transparent);
  const bool stretched = width != sourceWidth || height != sourceHeight;
  // The source pixel of target offset (i, j), or null outside the source picture.
  const auto sourcePixel = [&](int i, int j) -> const unsigned char* {
    const long long px = sx + (stretched ? static_cast<long long>(i) * sourceWidth / width : i);
    const long long py = sy + (stretched ? static_cast<long long>(j) * sourceHeight / height : j);
    if (px < 0 || py < 0 || px >= from->Width() || py >= from->Height())
      return nullptr;
    return from->PixelAt(static_cast<int>(px), static_cast<int>(py));
  };
  const int left = std::max(0, x), top = std::max({0, y, target->bandTop});
  const long long right = std::min<long long>(static_cast<long long>(x) + width, target->Width());
  const long long bottom =
      std::min<long long>({static_cast<long long>(y) + height, target->Height(), target->bandBottom});
  if (left >= right || top >= bottom)
    return TRUE;
  source->EndPainting();
  BitmapObject* to = target->Picture();
  if (to == nullptr) {
    // A paint device: build the keyed block with alpha and let the painter draw it.
    QImage keyed(static_cast<int>(right - left), static_cast<int>(bottom - top), QImage::Format_ARGB32);
    keyed.fill(Qt::transparent);
    for (int ty = top; ty < bottom; ++ty)
      for (int tx = left; tx < right; ++tx) {
        const unsigned char* pixel = sourcePixel(tx - x, ty - y);
        if (pixel != nullptr && !(pixel[0] == keyBlue && pixel[1] == keyGreen && pixel[2] == keyRed))
          keyed.setPixel(tx - left, ty - top, qRgb(pixel[2], pixel[1], pixel[0]));
      }
    QPainter* painter = target->Painter();
    if (painter == nullptr)
      return FALSE;
    painter->drawImage(QPoint(left, top), keyed);
    return TRUE;
  }
  target->EndPainting();
  for (int ty = top; ty < bottom; ++ty) {
    unsigned char* out = to->PixelAt(left, ty);
    for (int tx = left; tx < right; ++tx, out += 3) {
      const unsigned char* pixel = sourcePixel(tx - x, ty - y);
      if (pixel == nullptr || (pixel[0] == keyBlue && pixel[1] == keyGreen && pixel[2] == keyRed))
        continue;
      out[0] = pixel[0];
      out[1] = pixel[1];
      out[2] = pixel[2];
    }
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
    QPainter* painter = dc->Painter();
    if (painter == nullptr)
      return FALSE;
    const int flip = dc->FlipHeight();
    const int top = flip != 0 ? flip - rect->bottom : rect->top;
    painter->fillRect(QRect(rect->left, top, rect->right - rect->left, rect->bottom - rect->top),
                      ToQColor(dc->bkColor));
  }
  if (text == nullptr || count == 0)
    return TRUE;
  const QString string = ToQString(text, static_cast<int>(std::min<UINT>(count, std::numeric_limits<int>::max())));
  return DrawText(dc, [&](QPainter& painter) {
    const bool clipped = (options & ETO_CLIPPED) != 0 && rect != nullptr;
    if (clipped) {
      painter.save();  // a band's own clip comes back afterwards
      painter.setClipRect(QRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top),
                          Qt::IntersectClip);
    }
    painter.drawText(QPoint(x, y + QFontMetrics(painter.font()).ascent()), string);
    if (clipped)
      painter.restore();
  }) ? TRUE : FALSE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const int* dx)
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
  QPainter* painter = dc->Painter();
  if (painter == nullptr)
    return FALSE;
  const int flip = dc->FlipHeight();
  painter->fillRect(QRect(x, flip != 0 ? flip - 1 - y : y, 1, 1), ToQColor(color));
  return TRUE;
}

namespace {

// The rows of a scan-line transfer: picture rows counted from the bottom, and where each
// lands in the caller's buffer.
struct ScanTransfer {
  BitmapObject* picture;
  int first;      // first row from the bottom
  int lines;      // rows transferred
  bool topDown;   // the caller's buffer is top-down
  std::size_t stride;
};

bool PrepareTransfer(HDC handle, HBITMAP bitmap, UINT start, UINT lines, const BITMAPINFO* info, UINT usage,
                     ScanTransfer* transfer)
{
  BitmapObject* picture = AsBitmap(bitmap);
  if (picture == nullptr || info == nullptr || usage != DIB_RGB_COLORS)
    return false;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  if (header.biBitCount != 24 || header.biCompression != BI_RGB || header.biWidth != picture->Width() ||
      start >= static_cast<UINT>(picture->Height()))
    return false;
  if (DeviceContext* dc = AsContext(handle))
    dc->EndPainting();
  if (picture->owner != nullptr)
    picture->owner->EndPainting();
  transfer->picture = picture;
  transfer->first = static_cast<int>(start);
  transfer->lines = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(picture->Height()) - start));
  transfer->topDown = header.biHeight < 0;
  transfer->stride = static_cast<std::size_t>(picture->Stride());
  return transfer->lines > 0;
}

// Memory row of the picture for a row counted from the bottom.
unsigned char* RowFromBottom(BitmapObject* picture, int row)
{
  const int memoryRow = picture->BottomUp() ? row : picture->Height() - 1 - row;
  return picture->Bits() + static_cast<std::size_t>(memoryRow) * picture->Stride();
}

} // namespace

int GetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage)
{
  if (bits == nullptr) {
    BitmapObject* picture = AsBitmap(bitmap);
    if (picture == nullptr || info == nullptr)
      return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = picture->Width();
    header.biHeight = picture->Height();
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(picture->Stride()) * static_cast<DWORD>(picture->Height());
    return picture->Height();
  }
  ScanTransfer transfer{};
  if (!PrepareTransfer(handle, bitmap, start, lines, info, usage, &transfer))
    return 0;
  auto* out = static_cast<unsigned char*>(bits);
  for (int i = 0; i < transfer.lines; ++i) {
    const std::size_t slot = transfer.topDown ? static_cast<std::size_t>(transfer.lines - 1 - i) : i;
    std::memcpy(out + slot * transfer.stride, RowFromBottom(transfer.picture, transfer.first + i), transfer.stride);
  }
  return transfer.lines;
}

int SetDIBits(HDC handle, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage)
{
  ScanTransfer transfer{};
  if (bits == nullptr || !PrepareTransfer(handle, bitmap, start, lines, info, usage, &transfer))
    return 0;
  const auto* in = static_cast<const unsigned char*>(bits);
  for (int i = 0; i < transfer.lines; ++i) {
    const std::size_t slot = transfer.topDown ? static_cast<std::size_t>(transfer.lines - 1 - i) : i;
    std::memcpy(RowFromBottom(transfer.picture, transfer.first + i), in + slot * transfer.stride, transfer.stride);
  }
  return transfer.lines;
}

// --- Qt bridges --------------------------------------------------------------------------

HBITMAP CreateBitmapFromImage(const QImage& image)
{
  if (image.isNull())
    return nullptr;
  const QImage converted = image.convertToFormat(QImage::Format_BGR888);
  if (converted.isNull())
    return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(nullptr, converted.width(), converted.height());
  BitmapObject* picture = AsBitmap(bitmap);
  if (picture == nullptr)
    return nullptr;
  const std::size_t rowBytes = static_cast<std::size_t>(converted.width()) * 3;
  for (int y = 0; y < converted.height(); ++y)
    std::memcpy(picture->PixelAt(0, y), converted.constScanLine(y), rowBytes);
  return bitmap;
}

QImage ImageFromBitmap(HBITMAP bitmap)
{
  BitmapObject* picture = AsBitmap(bitmap);
  if (picture == nullptr)
    return QImage();
  if (picture->owner != nullptr)
    picture->owner->EndPainting();
  return CopyBlock(picture, 0, 0, picture->Width(), picture->Height());
}
