// Label points of polygons.
// SPDX-License-Identifier: MIT
#include "drawing/label_point.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <vector>

#include "api/geometry/geometry.h"

namespace zamra::view {

namespace {

// Work a label point may cost: vertices visited over all the cells it measures.
constexpr std::int64_t kVertexBudget = 40'000'000;
constexpr int kFewestCells = 64;
constexpr int kMostCells = 4096;
// The point is found to this share of the ring's larger side: finer than a label can show.
constexpr double kPrecisionShare = 0.005;

double SquaredDistanceToSegment(double x, double y, const ST_POINT& a, const ST_POINT& b)
{
  double dx = b.x - a.x, dy = b.y - a.y;
  double px = a.x, py = a.y;
  if (dx != 0.0 || dy != 0.0) {
    const double t = ((x - a.x) * dx + (y - a.y) * dy) / (dx * dx + dy * dy);
    if (t > 1.0) {
      px = b.x;
      py = b.y;
    } else if (t > 0.0) {
      px += dx * t;
      py += dy * t;
    }
  }
  dx = x - px;
  dy = y - py;
  return dx * dx + dy * dy;
}

// Whether the ray from (x, y) to the right crosses the edge from `from` to `to`: the test of
// ZMGeometry::IsPointOnPolygon, edge for edge, so that an even-odd count of these answers as it does.
bool Crosses(const ST_POINT& from, const ST_POINT& to, double x, double y)
{
  if (std::max(from.x, to.x) < x || (from.y > y) == (to.y > y))
    return false;
  return from.x + (to.x - from.x) * (y - from.y) / (to.y - from.y) > x;
}

// The rings a label point of `rings[outer]` keeps away from: the ring and those in its box. Each
// ring's edges are kept in runs with their boxes, so that a cell's distance passes over the runs
// (and rings) that lie farther than the nearest edge found so far: the same nearest edge, found
// at a fraction of the cost on rings of many vertices.
class Shape {
public:
  void Add(const ST_POLYGON& ring);
  // A distance a box must exceed the nearest edge by to be passed over: far above the rounding
  // of the distances compared, far below anything a label can show.
  void SetMargin(double magnitude) { m_margin = 1e-9 * (1.0 + magnitude); }

  // Distance to the nearest edge, negative outside (the even-odd rule over the rings).
  double SignedDistance(double x, double y);

private:
  static constexpr int kRunEdges = 8;

  struct Box {
    double left, bottom, right, top;
    // The squared distance from (x, y) to the box, 0 inside it.
    double SquaredDistance(double x, double y) const
    {
      const double dx = std::max({left - x, 0.0, x - right});
      const double dy = std::max({bottom - y, 0.0, y - top});
      return dx * dx + dy * dy;
    }
  };
  struct Ring {
    const ST_POLYGON* ring;
    Box box;
    size_t firstRun;  // runs of kRunEdges edges from here in m_runs; edge i ends at point i
  };

  static Box BoxOf(const ST_POINT* points, int from, int to, const ST_POINT& before);

  std::vector<Ring> m_rings;
  std::vector<Box> m_runs;
  double m_margin = 0.0;
  // The nearest edge of the last point measured (ring, edge), measured first for the next: the
  // cells measured one after another lie side by side, so it is near the next one's nearest and
  // lets more runs be passed over. The minimum over the edges is the same in any order.
  size_t m_seedRing = 0;
  int m_seedEdge = -1;
};

Shape::Box Shape::BoxOf(const ST_POINT* points, int from, int to, const ST_POINT& before)
{
  Box box{before.x, before.y, before.x, before.y};
  bool nan = std::isnan(before.x) || std::isnan(before.y);
  for (int i = from; i < to; ++i) {
    nan |= std::isnan(points[i].x) || std::isnan(points[i].y);
    box.left = std::min(box.left, points[i].x);
    box.right = std::max(box.right, points[i].x);
    box.bottom = std::min(box.bottom, points[i].y);
    box.top = std::max(box.top, points[i].y);
  }
  // Edges with a point that is not a number still count, as the plain test counts them: a box
  // of everything is passed over for nothing.
  constexpr double kInfinity = std::numeric_limits<double>::infinity();
  return nan ? Box{-kInfinity, -kInfinity, kInfinity, kInfinity} : box;
}

void Shape::Add(const ST_POLYGON& ring)
{
  const ST_POINT* points = ring.points;
  const int count = ring.pointCount;
  m_rings.push_back(Ring{&ring, BoxOf(points, 0, count, points[0]), m_runs.size()});
  for (int first = 0; first < count; first += kRunEdges)
    m_runs.push_back(
        BoxOf(points, first, std::min(first + kRunEdges, count), points[first == 0 ? count - 1 : first - 1]));
}

double Shape::SignedDistance(double x, double y)
{
  bool inside = false;
  double nearest = std::numeric_limits<double>::infinity();
  double reach = nearest;  // boxes farther than this (squared) hold no nearer edge
  if (m_seedEdge >= 0) {
    const ST_POLYGON& ring = *m_rings[m_seedRing].ring;
    const int before = m_seedEdge == 0 ? ring.pointCount - 1 : m_seedEdge - 1;
    const double seed = SquaredDistanceToSegment(x, y, ring.points[before], ring.points[m_seedEdge]);
    if (seed < nearest) {  // not a number or infinite: no help
      nearest = seed;
      const double beyond = std::sqrt(nearest) + m_margin;
      reach = beyond * beyond;
    }
  }
  // A box whose rows miss the point's (the upper end of an edge is not in its rows), or that
  // lies wholly left of it, holds no edge that the ray to the point's right crosses.
  const auto mayCross = [x, y](const Box& box) { return y >= box.bottom && y < box.top && x <= box.right; };
  for (size_t r = 0; r < m_rings.size(); ++r) {
    const Ring& entry = m_rings[r];
    const bool ringMayCross = mayCross(entry.box);
    if (!ringMayCross && entry.box.SquaredDistance(x, y) > reach)
      continue;
    const ST_POINT* points = entry.ring->points;
    const int count = entry.ring->pointCount;
    int crossings = 0;
    for (int first = 0, run = 0; first < count; first += kRunEdges, ++run) {
      const Box& box = m_runs[entry.firstRun + static_cast<size_t>(run)];
      const bool crossing = ringMayCross && mayCross(box);
      const bool nearer = box.SquaredDistance(x, y) <= reach;
      if (!crossing && !nearer)
        continue;
      const int last = std::min(first + kRunEdges, count);
      for (int i = first, j = first == 0 ? count - 1 : first - 1; i < last; j = i++) {
        if (crossing)
          crossings += Crosses(points[j], points[i], x, y) ? 1 : 0;
        if (!nearer)
          continue;
        const double distance = SquaredDistanceToSegment(x, y, points[j], points[i]);
        if (distance < nearest) {
          nearest = distance;
          m_seedRing = r;
          m_seedEdge = i;
        }
      }
      const double beyond = std::sqrt(nearest) + m_margin;
      reach = beyond * beyond;
    }
    if (crossings % 2 == 1)
      inside = !inside;
  }
  const double distance = std::sqrt(nearest);
  return inside ? distance : -distance;
}

struct Cell {
  double x, y, half;  // centre and half its side
  double distance;    // from the centre to the shape's edge, negative outside
  double Potential() const { return distance + half * std::sqrt(2.0); }  // the best any point in it can be
  bool operator<(const Cell& other) const { return Potential() < other.Potential(); }
};

double RingArea(const ST_POLYGON& ring)
{
  double sum = 0.0;
  for (int i = 0, j = ring.pointCount - 1; i < ring.pointCount; j = i++)
    sum += (ring.points[j].x - ring.points[i].x) * (ring.points[j].y + ring.points[i].y);
  return std::fabs(sum) * 0.5;
}

}  // namespace

ST_POINT PoleOfInaccessibility(const ST_POLYGON* rings, int count, int outer, double precision, int maxCells)
{
  const ST_RECT& box = rings[outer].envelop;
  const ST_POINT centre{(box.left + box.right) * 0.5, (box.top + box.bottom) * 0.5};
  const double width = box.right - box.left;
  const double height = box.top - box.bottom;
  const double side = std::min(width, height);
  if (!(side > 0.0) || !std::isfinite(side))
    return centre;
  Shape shape;
  shape.SetMargin(std::max({std::fabs(box.left), std::fabs(box.right), std::fabs(box.bottom), std::fabs(box.top)}));
  for (int r = 0; r < count; ++r) {
    const ST_RECT& other = rings[r].envelop;
    if (rings[r].pointCount >= 3 && (r == outer || (other.left >= box.left && other.right <= box.right &&
                                                    other.bottom >= box.bottom && other.top <= box.top)))
      shape.Add(rings[r]);
  }
  const auto makeCell = [&shape](double x, double y, double half) {
    return Cell{x, y, half, shape.SignedDistance(x, y)};
  };
  // A grid of square cells as large as the box's smaller side, then the best split into four
  // until no cell can beat the best point found by more than the precision.
  std::priority_queue<Cell> queue;
  int cells = 0;
  const double half = side * 0.5;
  for (double x = box.left; x < box.right && cells < maxCells; x += side)
    for (double y = box.bottom; y < box.top && cells < maxCells; y += side, ++cells)
      queue.push(makeCell(x + half, y + half, half));
  Cell best = makeCell(centre.x, centre.y, 0.0);
  while (!queue.empty()) {
    const Cell cell = queue.top();
    queue.pop();
    if (cell.distance > best.distance)
      best = cell;
    if (cell.Potential() - best.distance <= precision || cells + 4 > maxCells)
      continue;
    const double quarter = cell.half * 0.5;
    for (const double dx : {-quarter, quarter})
      for (const double dy : {-quarter, quarter})
        queue.push(makeCell(cell.x + dx, cell.y + dy, quarter));
    cells += 4;
  }
  return ST_POINT{best.x, best.y};
}

ST_POINT PolygonLabelPoint(const ST_POLYGON* rings, int count, const ST_RECT& box)
{
  const ST_POINT centre{(box.left + box.right) * 0.5, (box.top + box.bottom) * 0.5};
  bool inside = false;
  int largest = -1;
  double largestArea = 0.0;
  std::int64_t vertices = 0;
  for (int r = 0; r < count; ++r) {
    if (rings[r].pointCount < 3 || rings[r].points == nullptr)
      continue;
    vertices += rings[r].pointCount;
    if (ZMGeometry::IsPointOnPolygon(&centre, rings[r].points, rings[r].pointCount) == 1)
      inside = !inside;
    const double area = RingArea(rings[r]);
    if (area > largestArea) {
      largestArea = area;
      largest = r;
    }
  }
  if (inside || largest < 0)
    return centre;
  const ST_RECT& ringBox = rings[largest].envelop;
  const double precision = std::max(ringBox.right - ringBox.left, ringBox.top - ringBox.bottom) * kPrecisionShare;
  const int maxCells = static_cast<int>(
      std::clamp<std::int64_t>(kVertexBudget / std::max<std::int64_t>(vertices, 1), kFewestCells, kMostCells));
  return PoleOfInaccessibility(rings, count, largest, precision, maxCells);
}

ST_POINT PolylineLabelPoint(const ST_POLYLINE* parts, int count, const ST_RECT& box)
{
  const auto length = [](const ST_POLYLINE& part) {
    double sum = 0.0;
    for (int i = 1; i < part.pointCount; ++i)
      sum += std::hypot(part.points[i].x - part.points[i - 1].x, part.points[i].y - part.points[i - 1].y);
    return sum;
  };
  const ST_POLYLINE* longest = nullptr;
  double longestLength = 0.0;
  for (int p = 0; p < count; ++p) {
    if (parts[p].points == nullptr)
      continue;
    const double partLength = length(parts[p]);
    if (partLength > longestLength) {
      longestLength = partLength;
      longest = &parts[p];
    }
  }
  if (longest == nullptr || !std::isfinite(longestLength))
    return ST_POINT{(box.left + box.right) * 0.5, (box.top + box.bottom) * 0.5};
  double left = longestLength * 0.5;
  for (int i = 1; i < longest->pointCount; ++i) {
    const ST_POINT& from = longest->points[i - 1];
    const ST_POINT& to = longest->points[i];
    const double step = std::hypot(to.x - from.x, to.y - from.y);
    if (step >= left && step > 0.0) {
      const double share = left / step;
      return ST_POINT{from.x + (to.x - from.x) * share, from.y + (to.y - from.y) * share};
    }
    left -= step;
  }
  return longest->points[longest->pointCount - 1];  // rounding left a sliver past the end
}

}  // namespace zamra::view
