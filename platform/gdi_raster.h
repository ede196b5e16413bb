// Our own aliased drawing straight into a 24-bit picture, for what a map draws most: solid
// one-pixel lines and solid fills. Qt's engine costs several times more per small shape and
// takes a global lock on every fill, which serialises the drawing bands.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "platform/gdi.h"

namespace zamra::gdi_internal {

// The rows of a picture that may be drawn on; coordinates count from its top-left pixel.
struct RasterTarget {
  unsigned char* memory = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  bool bottomUp = false;
  int firstRow = 0;  // drawable rows: firstRow .. endRow - 1
  int endRow = 0;

  unsigned char* Row(int y) const
  {
    const int row = bottomUp ? height - 1 - y : y;
    return memory + static_cast<std::ptrdiff_t>(row) * stride;
  }
};

// One edge of an area, kept between calls to spare the allocations.
struct RasterEdge {
  int top = 0;         // the row of its upper end, the first whose centre it crosses
  int bottom = 0;      // the row of its lower end, the first it no longer crosses
  double topX = 0.0;   // x of its upper end
  double slope = 0.0;  // x per row
  int direction = 0;   // +1 downwards, -1 upwards
};

struct RasterScratch {
  std::vector<RasterEdge> edges;
  std::vector<int> active;
  std::vector<std::pair<double, int>> crossings;
};

// Fills the pixels whose centres lie inside the rings, by the alternate (even-odd) or winding
// rule. `counts` holds each ring's number of points; a ring is closed by its last edge.
void FillRings(const RasterTarget& target, const POINT* points, const int* counts, int rings, bool winding,
               COLORREF color, RasterScratch& scratch);

// Fills columns left .. right - 1 of rows top .. bottom - 1, as far as they lie on the target.
void FillBox(const RasterTarget& target, const RECT& box, COLORREF color);

// A one-pixel line from `from` towards `to`, leaving the pixel of `to` undrawn.
void DrawThinLine(const RasterTarget& target, POINT from, POINT to, COLORREF color);

// Lines through the points in order; `closed` adds the line from the last back to the first.
void DrawThinPath(const RasterTarget& target, const POINT* points, int count, bool closed, COLORREF color);

}  // namespace zamra::gdi_internal
