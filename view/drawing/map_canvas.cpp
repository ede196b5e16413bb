// MapCanvas: the surface, its bands, and drawing into them with symbols and labels kept apart
// by the placement grid.
// SPDX-License-Identifier: MIT
#include "drawing/map_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "shape_core/text_code_page.h"
#include "api/base/bitmap.h"
#include "platform/code_page.h"
#include "platform/gdi.h"
#include "platform/memory_short.h"

namespace zamra::view {

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
// Bands thinner than this cost more in threads than they save.
constexpr int kMinimumBandRows = 64;
constexpr COLORREF kSymbolTransparent = RGB(255, 0, 0);  // pure red is the strip's see-through colour

}  // namespace

MapCanvas::MapCanvas()
{
  ReplaceSurface();
  SetDrawingThreads(static_cast<int>(std::thread::hardware_concurrency()));
}

MapCanvas::~MapCanvas()
{
  if (m_surface != nullptr)
    DeleteDC(m_surface);
  if (m_symbolDC != nullptr)
    DeleteDC(m_symbolDC);
}

void MapCanvas::SetDrawingThreads(int count) { m_drawingThreads = std::clamp(count, 1, kMaxDrawingThreads); }

void MapCanvas::SetSymbolStrip(HDC strip, int count, int width, int height)
{
  if (m_symbolDC != nullptr && m_symbolDC != strip)
    DeleteDC(m_symbolDC);
  m_symbolDC = strip;
  m_symbolCount = count;
  m_symbolWidth = width;
  m_symbolHeight = height;
  m_symbolTried.Clear();  // tried with boxes of the old size
}

void MapCanvas::BeginRedraw()
{
  ++m_redrawNumber;
  m_placement.Clear();
  m_symbolTried.Clear();
  const RECT all{0, 0, SurfaceWidth(), SurfaceHeight()};
  SetBkColor(m_surface, kWhite);
  ExtTextOutA(m_surface, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
  m_viewport.UpdateVisibleExtent();
  m_surfaceTarget.extent = m_viewport.VisibleExtent();
  ::SetSmoothDrawing(m_surface, m_smooth ? TRUE : FALSE);  // the bands take it from the surface
}

void MapCanvas::BeginLabels()
{
  m_labelBatch.Clear();
  m_batchingLabels = true;
}

void MapCanvas::EndLabels()
{
  m_batchingLabels = false;
  if (!m_labelBatch.IsEmpty())
    ForEachBand(0, [this](HDC dc, int top, int bottom) { m_labelBatch.Draw(dc, top, bottom); });
  m_labelBatch.Clear();
}

void MapCanvas::OnSize(int width, int height)
{
  m_windowWidth = width;
  m_windowHeight = height;
  ResizeSurface();
}

void MapCanvas::ResizeSurface()
{
  // The window's centre pixel, (width / 2, height / 2), is the surface's: at ratio 1 exactly
  // the half sizes of old, and a window pixel maps to the same ground at every ratio.
  const auto half = [this](int length) {
    const double ratio = m_viewport.PixelRatio();
    return ratio == 1.0 ? length / 2 : static_cast<int>(std::lround((length / 2) * ratio));
  };
  const int newHalfWidth = half(m_windowWidth);
  const int newHalfHeight = half(m_windowHeight);
  if (newHalfWidth == m_viewport.HalfWidth() && newHalfHeight == m_viewport.HalfHeight() && m_surface != nullptr)
    return;
  m_viewport.SetHalfSize(newHalfWidth, newHalfHeight);
  m_dirty = true;
  ReplaceSurface();
}

int MapCanvas::SetPixelRatio(double ratio)
{
  if (!(ratio >= kMinPixelRatio && ratio <= kMaxPixelRatio))
    return 0;
  if (ratio == m_viewport.PixelRatio())
    return 1;
  if (m_symbolDC == nullptr && m_symbolCount == 0) {
    // No strip yet: the default tile is 24 window pixels.
    m_symbolWidth = static_cast<int>(std::lround(kDefaultSymbolSize * ratio));
    m_symbolHeight = m_symbolWidth;
  }
  m_viewport.SetPixelRatio(ratio);
  m_dirty = true;
  ResizeSurface();
  return 1;
}

void MapCanvas::ReplaceSurface()
{
  if (m_surface != nullptr)
    DeleteDC(m_surface);
  m_surface = nullptr;
  m_surfaceBits = nullptr;
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  if (width > 0 && height > 0)
    m_surface = ZMBitmap::CreateMemDc(width, height, &m_surfaceBits);
  m_placement.Resize(m_surface != nullptr ? width : 0, m_surface != nullptr ? height : 0);
  m_symbolTried.Resize(m_placement.Width(), m_placement.Height());
}

void MapCanvas::ForEachBand(int margin, const std::function<void(HDC dc, int top, int bottom)>& draw)
{
  const int height = SurfaceHeight();
  const int bands = std::min(m_drawingThreads, height / kMinimumBandRows);
  if (bands <= 1) {
    draw(m_surface, 0, height);
    return;
  }
  if (m_bandTargets.size() < static_cast<size_t>(bands))
    m_bandTargets.resize(static_cast<size_t>(bands));
  bool made = true;
  for (int band = 0; band < bands; ++band) {
    const int top = height * band / bands;
    const int bottom = height * (band + 1) / bands;
    DrawTarget& target = m_bandTargets[static_cast<size_t>(band)];
    target.dc = CreateBandDC(m_surface, top, bottom);
    target.top = top;
    target.bottom = bottom;
    made = made && target.dc != nullptr;
    double x = 0.0, above = 0.0, below = 0.0;
    PixelToGeo(0, top - margin, x, above);
    PixelToGeo(0, bottom + margin, x, below);
    const ST_RECT& visible = m_viewport.VisibleExtent();
    target.extent = visible;
    target.extent.top = std::min(visible.top, above);
    target.extent.bottom = std::max(visible.bottom, below);
  }
  const auto drawBand = [&](int band) {
    const DrawTarget& target = m_bandTargets[static_cast<size_t>(band)];
    // nothing may leave a thread: the band stays as far as it got
    zamra::sys::RunIgnoringMemoryShort([&] { draw(target.dc, target.top, target.bottom); });
  };
  if (made)
    m_bandWorkers.Run(bands, drawBand);
  for (int band = 0; band < bands; ++band) {
    DrawTarget& target = m_bandTargets[static_cast<size_t>(band)];
    if (target.dc != nullptr)
      DeleteDC(target.dc);
    target.dc = nullptr;
  }
  if (!made)
    draw(m_surface, 0, height);
}

const MapCanvas::DrawTarget& MapCanvas::TargetOf(HDC dc) const
{
  for (const DrawTarget& band : m_bandTargets)
    if (band.dc == dc && dc != nullptr)
      return band;
  return m_surfaceTarget;
}

bool MapCanvas::IsVisibleIn(HDC dc, const ST_RECT& envelope) const
{
  const ST_RECT& extent = TargetOf(dc).extent;
  return extent.left <= envelope.right && extent.right >= envelope.left && extent.top >= envelope.bottom &&
         extent.bottom <= envelope.top;
}

bool MapCanvas::DrawIfDot(HDC dc, const ST_RECT& envelope, COLORREF color) const
{
  int left = 0, top = 0, right = 0, bottom = 0;
  GeoToPixel(envelope.left, envelope.top, left, top);
  GeoToPixel(envelope.right, envelope.bottom, right, bottom);
  if (left != right || top != bottom)
    return false;
  SetPixelV(dc, left, top, color);
  return true;
}

int MapCanvas::ToDistinctPixels(const ST_POINT* points, int count, POINT* out) const
{
  // Consecutive vertices on the same pixel add nothing to an aliased drawing: dropped. Small
  // shapes repeat pixels at random, so the test is kept free of branches, and compares with the
  // pixel before in registers (it is always the last one kept) rather than through memory.
  if (count <= 0)
    return 0;
#if defined(__SSE2__) && defined(__x86_64__)
  // GeoToPixel's arithmetic on x and y at once, operation for operation, so the same pixels.
  const __m128d centre = _mm_set_pd(m_viewport.CenterY(), m_viewport.CenterX());
  const __m128d perDegree = _mm_set_pd(kMetersPerDegreeY, kMetersPerDegreeX);
  const __m128d scale = _mm_set1_pd(m_viewport.Scale());
  const __m128d perMeter = _mm_set1_pd(m_viewport.PixelsPerMeter());
  const __m128d negateY = _mm_set_pd(-0.0, 0.0);  // h - v is h + (-v) exactly
  const __m128d offset = _mm_set_pd(m_viewport.HalfHeight(), m_viewport.HalfWidth());
  const __m128d lowest = _mm_set1_pd(-2147483648.0);
  const __m128d highest = _mm_set1_pd(2147483647.0);
  // A pixel as one 64-bit number laid out as a POINT (x in the low half), so that it is stored
  // and compared with the one before in one operation.
  const auto toPixel = [&](const ST_POINT& point) {
    const __m128d metres = _mm_mul_pd(_mm_sub_pd(_mm_loadu_pd(&point.x), centre), perDegree);
    __m128d pixel = _mm_add_pd(_mm_xor_pd(_mm_mul_pd(_mm_div_pd(metres, scale), perMeter), negateY), offset);
    // TruncateToInt: NaN to 0, then cut to the int range.
    pixel = _mm_and_pd(pixel, _mm_cmpord_pd(pixel, pixel));
    pixel = _mm_min_pd(_mm_max_pd(pixel, lowest), highest);
    return static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_cvttpd_epi32(pixel)));
  };
#else
  const auto toPixel = [this](const ST_POINT& point) {
    POINT pixel{};
    GeoToPixel(point.x, point.y, pixel.x, pixel.y);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &pixel, sizeof bits);
    return bits;
  };
#endif
  static_assert(sizeof(POINT) == sizeof(std::uint64_t) && offsetof(POINT, y) == 4);
  std::uint64_t last = toPixel(points[0]);
  std::memcpy(&out[0], &last, sizeof last);
  int kept = 1;
  for (int i = 1; i < count; ++i) {
    const std::uint64_t pixel = toPixel(points[i]);
    std::memcpy(&out[kept], &pixel, sizeof pixel);
    kept += static_cast<int>(pixel != last);
    last = pixel;
  }
  return kept;
}

void MapCanvas::DrawPart(HDC dc, const ST_POINT* points, int count, const ST_RECT& envelope, bool filled,
                         COLORREF dotColor)
{
  if (count <= 0 || !IsVisibleIn(dc, envelope) || DrawIfDot(dc, envelope, dotColor))
    return;
  std::vector<POINT>& buffer = TargetOf(dc).points;
  if (buffer.size() < static_cast<size_t>(count))
    buffer.resize(static_cast<size_t>(count));
  POINT* out = buffer.data();
  const int kept = ToDistinctPixels(points, count, out);
  if (filled)
    Polygon(dc, out, kept);
  else
    Polyline(dc, out, kept);
}

void MapCanvas::DrawRings(HDC dc, const ST_POLYGON* rings, int ringCount, COLORREF dotColor)
{
  // The rings' own boxes, computed from their points: a record's stored box may not tell.
  ST_RECT box{};
  bool any = false;
  for (int r = 0; r < ringCount; ++r) {
    if (rings[r].pointCount <= 0)
      continue;
    const ST_RECT& ring = rings[r].envelop;
    box = any ? ST_RECT{std::min(box.left, ring.left), std::max(box.right, ring.right), std::max(box.top, ring.top),
                        std::min(box.bottom, ring.bottom)}
              : ring;
    any = true;
  }
  if (!any || DrawIfDot(dc, box, dotColor))
    return;
  DrawTarget& target = TargetOf(dc);
  std::int64_t total = 0;
  for (int r = 0; r < ringCount; ++r)
    total += rings[r].pointCount > 0 ? rings[r].pointCount : 0;
  if (target.points.size() < static_cast<size_t>(total))
    target.points.resize(static_cast<size_t>(total));
  std::vector<int>& ringCounts = target.ringCounts;
  ringCounts.clear();
  POINT* out = target.points.data();
  for (int r = 0; r < ringCount; ++r) {
    const ST_POLYGON& ring = rings[r];
    // A ring out of sight covers no visible pixel, as an area or as a hole.
    if (ring.pointCount <= 0 || !IsVisibleIn(dc, ring.envelop))
      continue;
    const int kept = ToDistinctPixels(ring.points, ring.pointCount, out);
    if (kept < 2)
      continue;  // collapsed to a pixel
    ringCounts.push_back(kept);
    out += kept;
  }
  if (!ringCounts.empty())
    PolyPolygon(dc, target.points.data(), ringCounts.data(), static_cast<int>(ringCounts.size()));
}

bool MapCanvas::TakeSymbolPlace(double x, double y, int& left, int& top)
{
  if (!IsVisible(x, y))
    return false;
  int px = 0, py = 0;
  GeoToPixel(x, y, px, py);
  left = px - m_symbolWidth / 2;
  top = py - m_symbolHeight / 2;
  const int right = left + m_symbolWidth;
  const int bottom = top + m_symbolHeight;
  if (px >= 0 && py >= 0 && px < m_placement.Width() && py < m_placement.Height()) {
    // The box holds its centre: where that is taken, as on a crowded map mostly, so is the box.
    if (m_placement.IsClaimed(px, py))
      return false;
    // The box is its pixel's, and claims only grow during a redraw: a pixel tried already (its
    // symbol placed, or refused) refuses every other point on it without testing the box again.
    if (m_symbolWidth > 0 && m_symbolHeight > 0) {
      if (m_symbolTried.IsClaimed(px, py))
        return false;
      m_symbolTried.Claim(px, py, px, py);
    }
  }
  if (!IsBoxFree(left, top, right, bottom))
    return false;
  ClaimBox(left, top, right, bottom);
  return true;
}

void MapCanvas::DrawSymbol(HDC dc, double x, double y, int index)
{
  int left = 0, top = 0;
  if (!TakeSymbolPlace(x, y, left, top))
    return;
  // A tile beyond the strip copies nothing, but its place is still taken. The index comes
  // unchecked from workspace files, so the tile's position is reckoned in 64 bits, and a tile
  // far beyond any strip is not copied at all.
  const std::int64_t from = std::int64_t{index} * m_symbolWidth;
  if (m_symbolDC != nullptr && from > -(std::int64_t{1} << 30) && from < (std::int64_t{1} << 30))
    TransparentBlt(dc, left, top, m_symbolWidth, m_symbolHeight, m_symbolDC, static_cast<int>(from), 0, m_symbolWidth,
                   m_symbolHeight, kSymbolTransparent);
}

void MapCanvas::DrawMarker(HDC dc, double x, double y)
{
  int left = 0, top = 0;
  if (!TakeSymbolPlace(x, y, left, top))
    return;
  // An octagon inside the symbol's box, a third of each side cut off at the corners: a disc to
  // the eye at symbol sizes.
  const int width = std::max(m_symbolWidth * 2 / 3, 3), height = std::max(m_symbolHeight * 2 / 3, 3);
  const int x0 = left + (m_symbolWidth - width) / 2, y0 = top + (m_symbolHeight - height) / 2;
  const int x1 = x0 + width - 1, y1 = y0 + height - 1;
  const int cx = width * 3 / 10, cy = height * 3 / 10;
  const POINT octagon[8] = {{x0 + cx, y0}, {x1 - cx, y0}, {x1, y0 + cy}, {x1, y1 - cy},
                            {x1 - cx, y1}, {x0 + cx, y1}, {x0, y1 - cy}, {x0, y0 + cy}};
  Polygon(dc, octagon, 8);
}

void MapCanvas::DrawLabelAtPoint(HDC dc, const char* text, double x, double y, int charWidth, bool utf8)
{
  if (!IsVisible(x, y))
    return;
  int px = 0, py = 0;
  GeoToPixel(x, y, px, py);
  const int columns = utf8 ? zamra::shape::Utf8DisplayWidth(text) : static_cast<int>(std::strlen(text));
  if (columns <= 0)
    return;  // nothing to show, and no box to claim
  const int half = columns * charWidth / 2;
  const int top = py + m_symbolHeight / 2;  // under the symbol
  DrawLabelBox(dc, text, utf8, px - half, top, px + half, top + charWidth);
}

void MapCanvas::DrawLabelInEnvelope(HDC dc, const char* text, const ST_RECT& envelope, int charWidth, bool utf8)
{
  if (!IsVisible(envelope))
    return;
  DrawLabelCentred(dc, text, (envelope.left + envelope.right) * 0.5, (envelope.top + envelope.bottom) * 0.5, charWidth,
                   utf8);
}

void MapCanvas::DrawLabelCentred(HDC dc, const char* text, double x, double y, int charWidth, bool utf8)
{
  int px = 0, py = 0;
  GeoToPixel(x, y, px, py);
  const int columns = utf8 ? zamra::shape::Utf8DisplayWidth(text) : static_cast<int>(std::strlen(text));
  if (columns <= 0)
    return;  // nothing to show, and no box to claim
  const int half = columns * charWidth / 2;
  const int top = py - m_symbolHeight / 2;
  DrawLabelBox(dc, text, utf8, px - half, top, px + half, top + charWidth);
}

bool MapCanvas::IsLabelPlaceTaken(double x, double y, bool underPoint, int charWidth) const
{
  int px = 0, py = 0;
  GeoToPixel(x, y, px, py);
  // The narrowest box DrawLabelAtPoint and DrawLabelInEnvelope give a label, one column wide (a
  // text of none is not drawn), cut to the surface as IsBoxFree cuts it: every label's box,
  // however wide, holds it.
  const int top = underPoint ? py + m_symbolHeight / 2 : py - m_symbolHeight / 2;
  const int left = px - charWidth / 2, right = px + charWidth / 2, bottom = top + charWidth;
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  if (right < 0 || left > width || top > height || bottom < 0 || m_placement.IsEmpty())
    return false;
  return m_placement.AnyClaimed(std::max(left, 0), std::max(top, 0), std::min(right, width - 1),
                                std::min(bottom, height - 1));
}

bool MapCanvas::IsLabelPlaceTakenThroughout(const ST_RECT& envelope, int charWidth) const
{
  if (m_placement.IsEmpty())
    return false;
  // Pixels truncate monotonically, so a point of the envelope lands within its corners' pixels.
  int left = 0, top = 0, right = 0, bottom = 0;
  GeoToPixel(envelope.left, envelope.top, left, top);
  GeoToPixel(envelope.right, envelope.bottom, right, bottom);
  // The box IsLabelPlaceTaken gives a centred label at (px, py) is px - c/2 .. px + c/2 across
  // and py - s/2 .. py - s/2 + c down; what every point's box holds:
  const int half = charWidth / 2;
  const int commonLeft = std::max(right - half, 0);
  const int commonRight = std::min(left + half, SurfaceWidth() - 1);
  const int commonTop = std::max(bottom - m_symbolHeight / 2, 0);
  const int commonBottom = std::min(top - m_symbolHeight / 2 + charWidth, SurfaceHeight() - 1);
  if (commonLeft > commonRight || commonTop > commonBottom)
    return false;
  return m_placement.AnyClaimed(commonLeft, commonTop, commonRight, commonBottom);
}

bool MapCanvas::IsWithinOnePixel(const ST_RECT& envelope) const
{
  if (!(envelope.left <= envelope.right && envelope.bottom <= envelope.top))
    return false;  // no box (or not a number): no points to speak of
  // Pixels truncate monotonically, so the points between the corners land between their pixels.
  int left = 0, top = 0, right = 0, bottom = 0;
  GeoToPixel(envelope.left, envelope.top, left, top);
  GeoToPixel(envelope.right, envelope.bottom, right, bottom);
  return left == right && top == bottom;
}

void MapCanvas::DrawLabelBox(HDC dc, const char* text, bool utf8, int left, int top, int right, int bottom)
{
  if (!FitLabelBox(left, top, right, bottom) || !IsBoxFree(left, top, right, bottom))
    return;
  RECT box{left, top, right, bottom};
  if (m_batchingLabels && dc == m_surface) {
    m_labelBatch.Add(dc, box, ToUtf16(text, utf8 ? CP_UTF8 : CP_ACP));
  } else if (utf8) {
    const std::u16string wide = ToUtf16(text, CP_UTF8);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  } else {
    DrawTextA(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  ClaimBox(left, top, right, bottom);
}

bool MapCanvas::FitLabelBox(int& left, int& top, int& right, int& bottom) const
{
  // A label the map's edge would cut is moved inside, as long as its middle is on the map (it
  // then stays beside its feature); otherwise, or when it is larger than the map, left out.
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  const int middleX = left + (right - left) / 2;
  const int middleY = top + (bottom - top) / 2;
  if (middleX < 0 || middleX >= width || middleY < 0 || middleY >= height || right - left > width ||
      bottom - top > height)
    return false;
  const int dx = left < 0 ? -left : (right > width ? width - right : 0);
  const int dy = top < 0 ? -top : (bottom > height ? height - bottom : 0);
  left += dx;
  right += dx;
  top += dy;
  bottom += dy;
  return true;
}

bool MapCanvas::IsBoxFree(int left, int top, int right, int bottom) const
{
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  if (right < 0 || left > width || top > height || bottom < 0 || m_placement.IsEmpty())
    return false;
  return !m_placement.AnyClaimed(std::max(left, 0), std::max(top, 0), std::min(right, width - 1),
                                 std::min(bottom, height - 1));
}

void MapCanvas::ClaimBox(int left, int top, int right, int bottom)
{
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  if (right < 0 || left > width || top > height || bottom < 0 || m_placement.IsEmpty())
    return;
  // A claim covers left .. right - 1 by top .. bottom - 1.
  m_placement.Claim(std::max(left, 0), std::max(top, 0), std::min(right, width - 1) - 1,
                    std::min(bottom, height - 1) - 1);
}

}  // namespace zamra::view
