// Aliased solid fills and one-pixel lines written straight into a 24-bit picture. Every pixel
// is decided by its own coordinates alone, never by where the drawing started, so a band of
// the picture drawn on its own gets exactly the pixels the whole picture would.
// SPDX-License-Identifier: MIT
#include "gdi_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace zamra::gdi_internal {

namespace {

using Wide = __int128;  // products of two picture coordinates of up to 2^32 each

// Rows times edges up to which an area is filled by looking at every edge on every row.
constexpr long long kDirectScanLimit = 1024;

Wide FloorDivide(Wide a, Wide b)  // b > 0
{
  const Wide quotient = a / b;
  return (a % b != 0 && a < 0) ? quotient - 1 : quotient;
}

Wide CeilDivide(Wide a, Wide b)  // b > 0
{
  const Wide quotient = a / b;
  return (a % b != 0 && a > 0) ? quotient + 1 : quotient;
}

void FillSpan(unsigned char* row, int first, int last, COLORREF color)
{
  const unsigned char blue = GetBValue(color), green = GetGValue(color), red = GetRValue(color);
  unsigned char* pixel = row + static_cast<std::ptrdiff_t>(first) * 3;
  int count = last - first + 1;
  if (count >= 8) {
    // Eight pixels are three whole words: long spans go a word at a time.
    unsigned char eight[24];
    for (int i = 0; i < 24; i += 3) {
      eight[i] = blue;
      eight[i + 1] = green;
      eight[i + 2] = red;
    }
    for (; count >= 8; count -= 8, pixel += 24)
      std::memcpy(pixel, eight, sizeof eight);
  }
  for (; count > 0; --count, pixel += 3) {
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
  }
}

// The pixels whose centres lie in [from, to) on one row, cut to the picture's width.
void FillBetween(const RasterTarget& target, unsigned char* row, double from, double to, COLORREF color)
{
  const double limit = static_cast<double>(target.width) + 1.0;
  const int first = static_cast<int>(std::ceil(std::clamp(from - 0.5, -1.0, limit)));
  const int last = static_cast<int>(std::ceil(std::clamp(to - 0.5, -1.0, limit))) - 1;
  const int left = std::max(first, 0);
  const int right = std::min(last, target.width - 1);
  if (left <= right)
    FillSpan(row, left, right, color);
}

// Steps of a line along its major axis: step i lands on major = majorStart + majorSign * i and
// minor = minorStart + minorSign * floor((2 i minorLength + majorLength) / (2 majorLength)),
// for i in 0 .. majorLength - 1 (the end point stays undrawn). Only the steps inside both
// ranges [low, high] are taken.
struct Axis {
  std::int64_t start = 0;
  int sign = 1;
  std::int64_t length = 0;
  std::int64_t low = 0;
  std::int64_t high = 0;
  std::ptrdiff_t byteStep = 0;  // address change of one step along this axis, in its sign
};

// Draws `steps` steps from the pixel (x, y), whose step i has `remainder` = (2 i minorLength +
// majorLength) mod 2 majorLength: the minor coordinate moves on when that wraps.
void WalkSteps(const RasterTarget& target, const Axis& major, const Axis& minor, std::int64_t x, std::int64_t y,
               std::int64_t remainder, std::int64_t steps, COLORREF color)
{
  unsigned char* pixel = target.Row(static_cast<int>(y)) + x * 3;
  const std::int64_t twiceMajor = 2 * major.length;
  const std::int64_t twiceMinor = 2 * minor.length;
  const unsigned char blue = GetBValue(color), green = GetGValue(color), red = GetRValue(color);
  for (; steps > 0; --steps) {
    pixel[0] = blue;
    pixel[1] = green;
    pixel[2] = red;
    pixel += major.byteStep;
    remainder += twiceMinor;
    if (remainder >= twiceMajor) {
      remainder -= twiceMajor;
      pixel += minor.byteStep;
    }
  }
}

void WalkLine(const RasterTarget& target, const Axis& major, const Axis& minor, bool majorIsX, COLORREF color)
{
  const auto inside = [](const Axis& axis, std::int64_t at) { return at >= axis.low && at <= axis.high; };
  const std::int64_t majorEnd = major.start + major.sign * major.length;
  const std::int64_t minorEnd = minor.start + minor.sign * minor.length;
  if (inside(major, major.start) && inside(major, majorEnd) && inside(minor, minor.start) && inside(minor, minorEnd)) {
    // The common case, a line wholly in the picture: nothing to cut.
    WalkSteps(target, major, minor, majorIsX ? major.start : minor.start, majorIsX ? minor.start : major.start,
              major.length, major.length, color);
    return;
  }
  // Steps that keep the major coordinate inside its range.
  Wide firstStep = 0;
  Wide lastStep = major.length - 1;
  if (major.sign > 0) {
    firstStep = std::max<Wide>(firstStep, major.low - major.start);
    lastStep = std::min<Wide>(lastStep, major.high - major.start);
  } else {
    firstStep = std::max<Wide>(firstStep, major.start - major.high);
    lastStep = std::min<Wide>(lastStep, major.start - major.low);
  }
  // Steps that keep the minor coordinate inside its range: its offset k must lie in [kLow, kHigh].
  const Wide kLow = minor.sign > 0 ? minor.low - minor.start : minor.start - minor.high;
  const Wide kHigh = minor.sign > 0 ? minor.high - minor.start : minor.start - minor.low;
  const Wide twiceMajor = 2 * static_cast<Wide>(major.length);
  const Wide twiceMinor = 2 * static_cast<Wide>(minor.length);
  if (minor.length == 0) {
    if (kLow > 0 || kHigh < 0)
      return;
  } else {
    firstStep = std::max(firstStep, CeilDivide(twiceMajor * kLow - major.length, twiceMinor));
    lastStep = std::min(lastStep, CeilDivide(twiceMajor * (kHigh + 1) - major.length, twiceMinor) - 1);
  }
  if (firstStep > lastStep)
    return;

  const Wide numerator = firstStep * twiceMinor + major.length;
  const auto offset = static_cast<std::int64_t>(FloorDivide(numerator, twiceMajor));
  auto remainder = static_cast<std::int64_t>(numerator - static_cast<Wide>(offset) * twiceMajor);
  const auto step = static_cast<std::int64_t>(firstStep);
  // The first pixel, then one step at a time: at most a picture's width or height of them.
  const std::int64_t majorAt = major.start + major.sign * step;
  const std::int64_t minorAt = minor.start + minor.sign * offset;
  const std::int64_t x = majorIsX ? majorAt : minorAt;
  const std::int64_t y = majorIsX ? minorAt : majorAt;
  WalkSteps(target, major, minor, x, y, remainder, static_cast<std::int64_t>(lastStep - firstStep) + 1, color);
}

}  // namespace

void FillRings(const RasterTarget& target, const POINT* points, const int* counts, int rings, bool winding,
               COLORREF color, RasterScratch& scratch)
{
  std::vector<RasterEdge>& edges = scratch.edges;
  edges.clear();
  int top = target.endRow;
  int bottom = target.firstRow;
  const POINT* ring = points;
  for (int r = 0; r < rings; ring += counts[r], ++r) {
    for (int i = 0; i < counts[r]; ++i) {
      const POINT& a = ring[i];
      const POINT& b = ring[i + 1 < counts[r] ? i + 1 : 0];
      if (a.y == b.y)
        continue;  // crosses no row's centre line
      const POINT& upper = a.y < b.y ? a : b;
      const POINT& lower = a.y < b.y ? b : a;
      if (lower.y <= target.firstRow || upper.y >= target.endRow)
        continue;  // crosses no drawable row
      RasterEdge edge;
      edge.top = upper.y;
      edge.bottom = lower.y;
      edge.topX = upper.x;
      edge.slope = (static_cast<double>(lower.x) - upper.x) / (static_cast<double>(lower.y) - upper.y);
      edge.direction = a.y < b.y ? 1 : -1;
      edges.push_back(edge);
      top = std::min(top, edge.top);
      bottom = std::max(bottom, edge.bottom);
    }
  }
  if (edges.empty())
    return;
  const int firstRow = std::max(top, target.firstRow);
  const int endRow = std::min(bottom, target.endRow);
  std::vector<std::pair<double, int>>& crossings = scratch.crossings;
  // Fills one row from its crossings, in any order of edges: they are sorted here by x (ties
  // in any order cover the same pixels).
  const auto fillRow = [&](int y) {
    for (size_t i = 1; i < crossings.size(); ++i)  // few crossings a row: insertion sort
      for (size_t j = i; j > 0 && crossings[j].first < crossings[j - 1].first; --j)
        std::swap(crossings[j], crossings[j - 1]);
    unsigned char* row = target.Row(y);
    if (!winding) {
      for (size_t i = 0; i + 1 < crossings.size(); i += 2)
        FillBetween(target, row, crossings[i].first, crossings[i + 1].first, color);
      return;
    }
    int wound = 0;
    double start = 0.0;
    for (const auto& [x, direction] : crossings) {
      if (wound == 0)
        start = x;
      wound += direction;
      if (wound == 0)
        FillBetween(target, row, start, x, color);
    }
  };
  const auto crossing = [](const RasterEdge& edge, double centre) {
    return std::pair<double, int>(edge.topX + (centre - edge.top) * edge.slope, edge.direction);
  };

  if (static_cast<long long>(endRow - firstRow) * static_cast<long long>(edges.size()) <= kDirectScanLimit) {
    // A small area, as most of a map's are: every edge is looked at on every row, which costs
    // less than sorting them.
    for (int y = firstRow; y < endRow; ++y) {
      crossings.clear();
      const double centre = y + 0.5;
      for (const RasterEdge& edge : edges)
        if (edge.top <= y && y < edge.bottom)
          crossings.push_back(crossing(edge, centre));
      fillRow(y);
    }
    return;
  }
  std::sort(edges.begin(), edges.end(), [](const RasterEdge& a, const RasterEdge& b) { return a.top < b.top; });
  std::vector<int>& active = scratch.active;
  active.clear();
  size_t next = 0;
  for (int y = firstRow; y < endRow; ++y) {
    for (; next < edges.size() && edges[next].top <= y; ++next)
      if (edges[next].bottom > y)
        active.push_back(static_cast<int>(next));
    // Edges that ended above this row leave; the others cross it.
    crossings.clear();
    const double centre = y + 0.5;
    size_t staying = 0;
    for (int e : active) {
      const RasterEdge& edge = edges[static_cast<size_t>(e)];
      if (edge.bottom <= y)
        continue;
      active[staying++] = e;
      crossings.push_back(crossing(edge, centre));
    }
    active.resize(staying);
    fillRow(y);
  }
}

void FillBox(const RasterTarget& target, const RECT& box, COLORREF color)
{
  const int left = std::max<LONG>(box.left, 0);
  const int right = std::min<LONG>(box.right, target.width) - 1;
  if (left > right)
    return;
  const int top = std::max<LONG>(box.top, target.firstRow);
  const int bottom = std::min<LONG>(box.bottom, target.endRow);
  for (int y = top; y < bottom; ++y)
    FillSpan(target.Row(y), left, right, color);
}

void DrawThinLine(const RasterTarget& target, POINT from, POINT to, COLORREF color)
{
  const std::int64_t dx = static_cast<std::int64_t>(to.x) - from.x;
  const std::int64_t dy = static_cast<std::int64_t>(to.y) - from.y;
  if ((dx == 0 && dy == 0) || target.firstRow >= target.endRow || target.width <= 0)
    return;
  // Moving one row down the picture moves the address by a row's bytes, up or down in memory.
  const std::ptrdiff_t down = target.bottomUp ? -static_cast<std::ptrdiff_t>(target.stride) : target.stride;
  Axis horizontal{from.x, dx < 0 ? -1 : 1, dx < 0 ? -dx : dx, 0, target.width - 1, dx < 0 ? -3 : 3};
  Axis vertical{from.y, dy < 0 ? -1 : 1, dy < 0 ? -dy : dy, target.firstRow, target.endRow - 1, dy < 0 ? -down : down};
  if (horizontal.length >= vertical.length)
    WalkLine(target, horizontal, vertical, true, color);
  else
    WalkLine(target, vertical, horizontal, false, color);
}

void DrawThinPath(const RasterTarget& target, const POINT* points, int count, bool closed, COLORREF color)
{
  if (count < 2)
    return;
  bool inside = true;
  for (int i = 0; i < count && inside; ++i)
    inside = points[i].x >= 0 && points[i].x < target.width && points[i].y >= target.firstRow &&
             points[i].y < target.endRow;
  if (!inside) {
    for (int i = 0; i + 1 < count; ++i)
      DrawThinLine(target, points[i], points[i + 1], color);
    if (closed)
      DrawThinLine(target, points[count - 1], points[0], color);
    return;
  }
  // A path wholly in the picture, as most of a map's are: no line needs cutting, and each line
  // starts at the address where the one before ended. The steps are WalkSteps' own.
  const std::ptrdiff_t down = target.bottomUp ? -static_cast<std::ptrdiff_t>(target.stride) : target.stride;
  const unsigned char blue = GetBValue(color), green = GetGValue(color), red = GetRValue(color);
  unsigned char* start = target.Row(points[0].y) + static_cast<std::ptrdiff_t>(points[0].x) * 3;
  const auto line = [&](POINT from, POINT to) {
    const int dx = to.x - from.x, dy = to.y - from.y;
    const int lengthX = dx < 0 ? -dx : dx, lengthY = dy < 0 ? -dy : dy;
    const std::ptrdiff_t stepX = dx < 0 ? -3 : 3, stepY = dy < 0 ? -down : down;
    const bool alongX = lengthX >= lengthY;
    const int major = alongX ? lengthX : lengthY;
    const int twiceMajor = 2 * major, twiceMinor = 2 * (alongX ? lengthY : lengthX);
    const std::ptrdiff_t majorStep = alongX ? stepX : stepY, minorStep = alongX ? stepY : stepX;
    unsigned char* pixel = start;
    int remainder = major;
    for (int step = 0; step < major; ++step) {
      pixel[0] = blue;
      pixel[1] = green;
      pixel[2] = red;
      pixel += majorStep;
      remainder += twiceMinor;
      if (remainder >= twiceMajor) {
        remainder -= twiceMajor;
        pixel += minorStep;
      }
    }
    start += static_cast<std::ptrdiff_t>(dx) * 3 + static_cast<std::ptrdiff_t>(dy) * down;
  };
  for (int i = 0; i + 1 < count; ++i)
    line(points[i], points[i + 1]);
  if (closed)
    line(points[count - 1], points[0]);
}

}  // namespace zamra::gdi_internal
