// Private: where a polygon's or a line's label goes. The centre of its box, when that lies inside the
// polygon; otherwise (a country of islands, a crescent, a record cut at ±180°) the point of its
// largest ring farthest from the edges, its pole of inaccessibility, so that the label sits on
// the land it names rather than in the sea between.
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "api/formats/shape_records.h"

namespace zamra::view {

// The label point of a polygon of `count` rings (inner rings are holes by the even-odd rule)
// whose box is `box`. Bounded work for any input: rings of huge vertex counts are refined less
// finely. The box's centre for a polygon without area.
ST_POINT PolygonLabelPoint(const ST_POLYGON* rings, int count, const ST_RECT& box);

// The point inside `rings[outer]` (and outside the other rings that lie in its box, its holes)
// farthest from their edges, found to within `precision` by refining a grid of cells best
// first, or as near as `maxCells` cells get.
ST_POINT PoleOfInaccessibility(const ST_POLYGON* rings, int count, int outer, double precision, int maxCells);

// The label point of a polyline of `count` parts: halfway along its longest part, so that the
// label sits on the line rather than at its box's centre (a border with islands, a river with
// a far tributary). The box's centre of `box` for a polyline without length.
ST_POINT PolylineLabelPoint(const ST_POLYLINE* parts, int count, const ST_RECT& box);

// The label points of a layer's records, each found once, when first asked for: a redraw of a
// full view asks for most of them again, and finding one reads all of the record's points.
class LabelPointCache final {
public:
  // Record `record`'s point (of `recordCount`), from `find(record)` the first time.
  template <typename Find>
  ST_POINT Get(int record, int recordCount, Find find)
  {
    if (m_points.empty()) {
      constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
      m_points.assign(static_cast<size_t>(recordCount), ST_POINT{kUnknown, kUnknown});
    }
    ST_POINT& point = m_points[static_cast<size_t>(record)];
    if (std::isnan(point.x))
      point = find(record);
    return point;
  }

private:
  std::vector<ST_POINT> m_points;  // by record; not a number until found
};

}  // namespace zamra::view
