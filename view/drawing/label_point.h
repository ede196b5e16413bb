// Private: where a polygon's or a line's label goes. The centre of its box, when that lies inside the
// polygon; otherwise (a country of islands, a crescent, a record cut at ±180°) the point of its
// largest ring farthest from the edges, its pole of inaccessibility, so that the label sits on
// the land it names rather than in the sea between.
// SPDX-License-Identifier: MIT
#pragma once

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

}  // namespace zamra::view
