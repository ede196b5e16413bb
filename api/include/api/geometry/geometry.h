// ZMGeometry: planar predicates and measures on points, envelopes, polylines and rings, and
// approximate ground lengths and areas for coordinates in degrees.
//
// Rings and polylines are passed as consecutive points and a count. A ring is closed
// implicitly: the edge from its last point back to its first is always examined, so a ring
// that repeats its first point at the end only adds a zero-length edge. Envelopes are in map
// orientation (`top` is the largest y) unless an operation says otherwise. Predicates return
// 1 for true and 0 for false. Pointers are read only and never kept; point and envelope
// arguments must not be null, while a null point array counts as no points.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/shape_records.h"
#include "api/zamra_api_export.h"
#include "platform/win_types.h"

/// Planar predicates and measures on points, boxes, polylines and rings.
class ZAMRA_API ZMGeometry {
public:
  // Tolerance in coordinate units of the point-to-segment Length.
  static constexpr double EPS = 0.0000001;

  ZMGeometry() = default;
  virtual ~ZMGeometry() = default;
  ZMGeometry(const ZMGeometry&) = default;
  ZMGeometry& operator=(const ZMGeometry&) = default;

  // 1 when the closed envelopes overlap or touch (a shared edge or corner counts). Both must be
  // normalised (see RectRegx).
  static int IsCross(const ST_RECT* a, const ST_RECT* b);

  // 1 when `point` lies inside the ring by the even-odd rule along a ray towards growing x.
  // An edge counts when exactly one of its ends lies above the point (no tolerance), so
  // horizontal edges never count, the lower end of an edge counts and the upper end does not;
  // an edge whose crossing lies exactly at the point does not count (so a point on a vertical
  // left edge is inside and one on a vertical right edge is outside). 0 for count <= 0.
  static int IsPointOnPolygon(const ST_POINT* point, const ST_POINT* ring, int count);

  // 1 when some segment of the polyline lies strictly nearer than `tolerance` (coordinate
  // units) to `point`. 0 for fewer than two points.
  static int IsPointOnPolyline(const ST_POINT* point, const ST_POINT* points, int count, double tolerance);

  // 1 when left <= x <= right and bottom <= y <= top.
  static int IsPointOnRect(const ST_POINT* point, const ST_RECT* rect);

  // Puts an envelope back in order in place: swaps `left`/`right` when right < left and
  // `top`/`bottom` when top < bottom. Null is ignored.
  static void RectRegx(ST_RECT* rect);

  // Screen rectangles (y downwards, `top` the smaller y): the union of the two rectangles, or
  // the rectangle spanned by the two points, widened by `margin` on every side. Results that
  // would leave the 32-bit range are held at its limits.
  static RECT RectExpand(const RECT* a, const RECT* b, int margin);
  static RECT RectExpand(const POINT* a, const POINT* b, int margin);
  // Map envelopes (y upwards): the union of the two envelopes, or the envelope spanned by the
  // two points, widened by `margin` on every side.
  static ST_RECT RectExpand(const ST_RECT* a, const ST_RECT* b, double margin);
  static ST_RECT RectExpand(const ST_POINT* a, const ST_POINT* b, double margin);

  // Euclidean distance between two points.
  static double Length(const ST_POINT* a, const ST_POINT* b);
  // Distance from `point` to the segment from `start` to `end` (to the nearer end when the
  // foot of the perpendicular falls outside the segment). 0 when the point is within EPS of
  // either end.
  static double Length(const ST_POINT* point, const ST_POINT* start, const ST_POINT* end);

  // Approximate ground distance in metres between two points given as longitude (x) and
  // latitude (y) in degrees: 111180 metres to a degree, east-west scaled by the cosine of the
  // mean latitude.
  static double GeoLength(const ST_POINT* a, const ST_POINT* b);
  // Approximate area in square metres of a triangle in degrees, from its GeoLength sides.
  static double GeoArea(const ST_POINT* a, const ST_POINT* b, const ST_POINT* c);
  // Approximate area in square metres of a ring in degrees, fanned from its first point; holes
  // are not handled and both orientations give a positive area. 0 for fewer than three points.
  static double GeoArea(const ST_POINT* ring, int count);

  // Orientation by a vote of turns: 1 when left turns are at least as many as right turns
  // (counter-clockwise with y upwards, or undecided), 0 otherwise. Exact for convex rings, a
  // majority decision for others. 1 for fewer than three points.
  static int Direct(const ST_POINT* ring, int count);
};
