// Fuzz target: arbitrary lines and areas (raw 32-bit coordinates, any size) drawn straight into
// a small picture, whole and in two bands. No write may leave the picture, and the bands must
// give the whole picture's pixels. The first byte picks the drawing, the second the band split;
// then come ring sizes (one byte each, ended by a zero) and x, y pairs.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gdi.h"

namespace {

constexpr int kWidth = 37, kHeight = 23;

HDC NewPicture()
{
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, kWidth, kHeight);
  SelectObject(dc, bitmap);
  DeleteObject(bitmap);
  return dc;
}

void Clear(HDC dc)
{
  SetBkColor(dc, RGB(255, 255, 255));
  const RECT all{0, 0, kWidth, kHeight};
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &all, nullptr, 0, nullptr);
}

void Draw(HDC dc, std::uint8_t how, const std::vector<POINT>& points, const std::vector<int>& rings)
{
  SetPolyFillMode(dc, (how & 1) != 0 ? WINDING : ALTERNATE);
  HPEN pen = (how & 2) != 0 ? CreatePen(PS_SOLID, 1, RGB(200, 0, 0)) : nullptr;
  HGDIOBJ previousPen = SelectObject(dc, pen != nullptr ? pen : GetStockObject(NULL_PEN));
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 200));
  HGDIOBJ previousBrush = SelectObject(dc, brush);
  const int count = static_cast<int>(points.size());
  switch ((how >> 2) % 4) {
  case 0:
    Polyline(dc, points.data(), count);
    break;
  case 1:
    Polygon(dc, points.data(), count);
    break;
  case 2:
    if (!rings.empty())
      PolyPolygon(dc, points.data(), rings.data(), static_cast<int>(rings.size()));
    break;
  default:
    for (int i = 0; i + 1 < count; ++i) {
      MoveToEx(dc, points[static_cast<size_t>(i)].x, points[static_cast<size_t>(i)].y, nullptr);
      LineTo(dc, points[static_cast<size_t>(i) + 1].x, points[static_cast<size_t>(i) + 1].y);
    }
  }
  SelectObject(dc, previousBrush);
  SelectObject(dc, previousPen);
  DeleteObject(brush);
  if (pen != nullptr)
    DeleteObject(pen);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  if (size < 2)
    return 0;
  const std::uint8_t how = data[0];
  const int split = data[1] % (kHeight + 1);
  size_t at = 2;
  std::vector<int> rings;
  int ringPoints = 0;
  for (; at < size && data[at] != 0 && rings.size() < 16; ++at) {
    rings.push_back(data[at] % 32 + 2);
    ringPoints += rings.back();
  }
  ++at;  // the zero
  std::vector<POINT> points;
  for (; at + 8 <= size && points.size() < 512; at += 8) {
    std::int32_t x = 0, y = 0;
    std::memcpy(&x, data + at, 4);
    std::memcpy(&y, data + at + 4, 4);
    points.push_back(POINT{x, y});
  }
  if (points.size() < 2)
    return 0;
  // Rings that the points cannot fill are dropped; the drawing call checks the rest itself.
  while (!rings.empty() && ringPoints > static_cast<int>(points.size())) {
    ringPoints -= rings.back();
    rings.pop_back();
  }

  static HDC whole = NewPicture();
  static HDC banded = NewPicture();
  Clear(whole);
  Clear(banded);
  Draw(whole, how, points, rings);
  for (const auto& [top, bottom] : {std::pair{0, split}, std::pair{split, kHeight}}) {
    HDC band = CreateBandDC(banded, top, bottom);
    if (band == nullptr)
      continue;  // an empty band
    Draw(band, how, points, rings);
    DeleteDC(band);
  }
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (GetPixel(whole, x, y) != GetPixel(banded, x, y))
        std::abort();
  return 0;
}
