// ZMGeometry.
// SPDX-License-Identifier: MIT
#include "api/geometry/geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kMetresPerDegree = 111180.0;
constexpr double kHalfDegreeInRadians = 0.008726646111111111;  // 3.1415926 / 360

// Heron's product s(s-a)(s-b)(s-c) can round below zero for (nearly) collinear points; the
// square root of that would be NaN where the true area is 0.
double HeronArea(double a, double b, double c)
{
  const double s = (a + b + c) * 0.5;
  const double product = s * (s - a) * (s - b) * (s - c);
  return product > 0.0 ? std::sqrt(product) : 0.0;
}

LONG Saturate(std::int64_t value)
{
  return static_cast<LONG>(
      std::clamp<std::int64_t>(value, std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max()));
}

}  // namespace

int ZMGeometry::IsCross(const ST_RECT* a, const ST_RECT* b)
{
  if (a->right < b->left || a->left > b->right || a->top < b->bottom || a->bottom > b->top)
    return 0;
  return 1;
}

int ZMGeometry::IsPointOnPolygon(const ST_POINT* point, const ST_POINT* ring, int count)
{
  if (ring == nullptr || count <= 0)
    return 0;
  const double px = point->x;
  const double py = point->y;
  int crossings = 0;
  for (int i = 0; i < count; ++i) {
    const ST_POINT& cur = ring[i];
    const ST_POINT& nxt = ring[(i + 1) % count];
    if (std::max(cur.x, nxt.x) < px)
      continue;  // wholly left of the ray
    // Half-open without a tolerance: an edge counts when exactly one end lies above the point.
    // Its lower end counts and its upper end does not, so a ray through a vertex counts once
    // where the ring goes on, and twice or never where it turns; horizontal edges never count.
    // A tolerance here would skip both edges at a vertex just above the point.
    if ((cur.y > py) == (nxt.y > py))
      continue;
    const double crossX = cur.x + (nxt.x - cur.x) * (py - cur.y) / (nxt.y - cur.y);
    if (crossX > px)
      ++crossings;  // a crossing exactly at the point does not count
  }
  return crossings % 2 == 1 ? 1 : 0;
}

int ZMGeometry::IsPointOnPolyline(const ST_POINT* point, const ST_POINT* points, int count, double tolerance)
{
  if (points == nullptr || count < 2)
    return 0;
  for (int i = 0; i + 1 < count; ++i) {
    if (Length(point, &points[i], &points[i + 1]) < tolerance)
      return 1;
  }
  return 0;
}

int ZMGeometry::IsPointOnRect(const ST_POINT* point, const ST_RECT* rect)
{
  return rect->left <= point->x && point->x <= rect->right && rect->bottom <= point->y && point->y <= rect->top ? 1 : 0;
}

void ZMGeometry::RectRegx(ST_RECT* rect)
{
  if (rect == nullptr)
    return;
  if (rect->right < rect->left)
    std::swap(rect->left, rect->right);
  if (rect->top < rect->bottom)
    std::swap(rect->top, rect->bottom);
}

RECT ZMGeometry::RectExpand(const RECT* a, const RECT* b, int margin)
{
  RECT result;
  result.left = Saturate(std::int64_t{std::min(a->left, b->left)} - margin);
  result.top = Saturate(std::int64_t{std::min(a->top, b->top)} - margin);
  result.right = Saturate(std::int64_t{std::max(a->right, b->right)} + margin);
  result.bottom = Saturate(std::int64_t{std::max(a->bottom, b->bottom)} + margin);
  return result;
}

RECT ZMGeometry::RectExpand(const POINT* a, const POINT* b, int margin)
{
  RECT result;
  result.left = Saturate(std::int64_t{std::min(a->x, b->x)} - margin);
  result.top = Saturate(std::int64_t{std::min(a->y, b->y)} - margin);
  result.right = Saturate(std::int64_t{std::max(a->x, b->x)} + margin);
  result.bottom = Saturate(std::int64_t{std::max(a->y, b->y)} + margin);
  return result;
}

ST_RECT ZMGeometry::RectExpand(const ST_RECT* a, const ST_RECT* b, double margin)
{
  ST_RECT result;
  result.left = std::min(a->left, b->left) - margin;
  result.right = std::max(a->right, b->right) + margin;
  result.top = std::max(a->top, b->top) + margin;
  result.bottom = std::min(a->bottom, b->bottom) - margin;
  return result;
}

ST_RECT ZMGeometry::RectExpand(const ST_POINT* a, const ST_POINT* b, double margin)
{
  ST_RECT result;
  result.left = std::min(a->x, b->x) - margin;
  result.right = std::max(a->x, b->x) + margin;
  result.top = std::max(a->y, b->y) + margin;
  result.bottom = std::min(a->y, b->y) - margin;
  return result;
}

double ZMGeometry::Length(const ST_POINT* a, const ST_POINT* b)
{
  const double dx = a->x - b->x;
  const double dy = a->y - b->y;
  return std::sqrt(dx * dx + dy * dy);
}

double ZMGeometry::Length(const ST_POINT* point, const ST_POINT* start, const ST_POINT* end)
{
  const double pb = Length(point, end);
  if (pb <= EPS)
    return 0.0;
  const double pa = Length(point, start);
  if (pa <= EPS)
    return 0.0;
  const double ab = Length(start, end);
  if (ab <= EPS)
    return pa;  // a degenerate segment is its start point
  if (pb * pb >= ab * ab + pa * pa)
    return pa;  // the angle at the start is right or obtuse: the start is nearest
  if (pa * pa >= pb * pb + ab * ab)
    return pb;
  return 2.0 * HeronArea(ab, pa, pb) / ab;  // the triangle's height over the segment
}

double ZMGeometry::GeoLength(const ST_POINT* a, const ST_POINT* b)
{
  const double dy = std::fabs(b->y - a->y) * kMetresPerDegree;
  const double dx = std::cos(std::fabs(b->y + a->y) * kHalfDegreeInRadians) * kMetresPerDegree * std::fabs(b->x - a->x);
  return std::sqrt(dx * dx + dy * dy);
}

double ZMGeometry::GeoArea(const ST_POINT* a, const ST_POINT* b, const ST_POINT* c)
{
  return HeronArea(GeoLength(a, b), GeoLength(b, c), GeoLength(a, c));
}

double ZMGeometry::GeoArea(const ST_POINT* ring, int count)
{
  if (ring == nullptr || count < 3)
    return 0.0;
  double sum = 0.0;
  for (int k = 1; k <= count - 2; ++k) {
    const ST_POINT triangle[3] = {ring[0], ring[k], ring[k + 1]};
    const double area = GeoArea(&triangle[0], &triangle[1], &triangle[2]);
    sum += Direct(triangle, 3) == 1 ? area : -area;
  }
  return std::fabs(sum);
}

int ZMGeometry::Direct(const ST_POINT* ring, int count)
{
  if (ring == nullptr || count < 3)
    return 1;
  int vote = 0;
  for (int i = 2; i <= count + 1; ++i) {
    const ST_POINT& p = ring[i - 2];
    const ST_POINT& q = ring[(i - 1) % count];
    const ST_POINT& r = ring[i % count];
    const double turn = (r.y - q.y) * (q.x - p.x) - (q.y - p.y) * (r.x - q.x);
    if (turn > 0)
      ++vote;
    else if (turn < 0)
      --vote;
  }
  return vote < 0 ? 0 : 1;
}
