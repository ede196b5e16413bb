// Fuzz target: arbitrary rings and rectangles (raw doubles) through ZMRectClipPolygon. The first
// four doubles are the rectangle, the rest x, y pairs of the ring.
// SPDX-License-Identifier: MIT
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "api/geometry/rect_clip_polygon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  std::vector<double> values(size / sizeof(double));
  if (!values.empty())
    std::memcpy(values.data(), data, values.size() * sizeof(double));
  if (values.size() < 4 + 6)
    return 0;
  ST_RECT rect;
  rect.left = values[0];
  rect.right = values[1];
  rect.top = values[2];
  rect.bottom = values[3];
  std::vector<ST_POINT> ring((values.size() - 4) / 2);
  for (std::size_t i = 0; i < ring.size(); ++i)
    ring[i] = ST_POINT{values[4 + 2 * i], values[5 + 2 * i]};

  ZMRectClipPolygon clipper;
  clipper.SetPoint(ring.data(), static_cast<int>(ring.size()), &rect);
  clipper.DoClip();
  const ST_MPOLYGON* result = clipper.GetResult();
  if (result == nullptr || clipper.GetResultCount() > 8 * static_cast<int>(ring.size()))
    std::abort();
  // Every piece lies on or inside the rectangle, whatever the ring.
  const double left = std::min(rect.left, rect.right);
  const double right = std::max(rect.left, rect.right);
  const double top = std::min(rect.top, rect.bottom);
  const double bottom = std::max(rect.top, rect.bottom);
  for (int p = 0; p < result->partCount; ++p) {
    for (int i = 0; i < result->parts[p].pointCount; ++i) {
      const ST_POINT& point = result->parts[p].points[i];
      if (!(point.x >= left && point.x <= right && point.y >= top && point.y <= bottom))
        std::abort();
    }
  }
  return 0;
}
