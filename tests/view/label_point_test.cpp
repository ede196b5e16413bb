// The pole of inaccessibility passes over edges that are sure to be farther than the nearest one
// found: its answer must be, to the bit, the one of measuring every edge from every cell.
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <queue>
#include <random>
#include <vector>

#include "api/geometry/geometry.h"
#include "drawing/label_point.h"

using namespace zamra::view;

namespace {

// The search as plainly as it can be written: every edge of every ring from every cell.
ST_POINT PlainPole(const std::vector<ST_POLYGON*>& rings, int outer, double precision, int maxCells)
{
  const auto segment = [](double x, double y, const ST_POINT& a, const ST_POINT& b) {
    double dx = b.x - a.x, dy = b.y - a.y, px = a.x, py = a.y;
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
  };
  const ST_RECT& box = rings[static_cast<size_t>(outer)]->envelop;
  std::vector<const ST_POLYGON*> shape;
  for (size_t r = 0; r < rings.size(); ++r) {
    const ST_RECT& other = rings[r]->envelop;
    if (static_cast<int>(r) == outer ||
        (other.left >= box.left && other.right <= box.right && other.bottom >= box.bottom && other.top <= box.top))
      shape.push_back(rings[r]);
  }
  const auto distance = [&](double x, double y) {
    bool inside = false;
    double nearest = std::numeric_limits<double>::infinity();
    const ST_POINT point{x, y};
    for (const ST_POLYGON* ring : shape) {
      if (ZMGeometry::IsPointOnPolygon(&point, ring->points, ring->pointCount) == 1)
        inside = !inside;
      for (int i = 0, j = ring->pointCount - 1; i < ring->pointCount; j = i++)
        nearest = std::min(nearest, segment(x, y, ring->points[j], ring->points[i]));
    }
    return inside ? std::sqrt(nearest) : -std::sqrt(nearest);
  };
  struct Cell {
    double x, y, half, distance;
    double Potential() const { return distance + half * std::sqrt(2.0); }
    bool operator<(const Cell& other) const { return Potential() < other.Potential(); }
  };
  const double side = std::min(box.right - box.left, box.top - box.bottom), half = side * 0.5;
  std::priority_queue<Cell> queue;
  int cells = 0;
  for (double x = box.left; x < box.right && cells < maxCells; x += side)
    for (double y = box.bottom; y < box.top && cells < maxCells; y += side, ++cells)
      queue.push(Cell{x + half, y + half, half, distance(x + half, y + half)});
  const double cx = (box.left + box.right) * 0.5, cy = (box.top + box.bottom) * 0.5;
  Cell best{cx, cy, 0.0, distance(cx, cy)};
  while (!queue.empty()) {
    const Cell cell = queue.top();
    queue.pop();
    if (cell.distance > best.distance)
      best = cell;
    if (cell.Potential() - best.distance <= precision || cells + 4 > maxCells)
      continue;
    const double quarter = cell.half * 0.5;
    for (const double dx : {-quarter, quarter})
      for (const double dy : {-quarter, quarter}) {
        const double x = cell.x + dx, y = cell.y + dy;
        queue.push(Cell{x, y, quarter, distance(x, y)});
      }
    cells += 4;
  }
  return ST_POINT{best.x, best.y};
}

// A closed ring of `count` points round (x, y), its radius wandering, its box set.
void MakeRing(ST_POLYGON& ring, std::mt19937& random, double x, double y, double radius, int count, bool clockwise)
{
  std::uniform_real_distribution<double> wobble(0.35, 1.0);
  ring.pointCount = count + 1;
  ring.points = new ST_POINT[static_cast<size_t>(count + 1)];
  ring.envelop = ST_RECT{x, x, y, y};
  for (int i = 0; i < count; ++i) {
    const double angle = (clockwise ? -6.283185307179586 : 6.283185307179586) * i / count;
    const double r = radius * wobble(random);
    ring.points[i] = ST_POINT{x + r * std::cos(angle), y + r * std::sin(angle)};
    ring.envelop.left = std::min(ring.envelop.left, ring.points[i].x);
    ring.envelop.right = std::max(ring.envelop.right, ring.points[i].x);
    ring.envelop.bottom = std::min(ring.envelop.bottom, ring.points[i].y);
    ring.envelop.top = std::max(ring.envelop.top, ring.points[i].y);
  }
  ring.points[count] = ring.points[0];
}

}  // namespace

TEST(LabelPoint, ThePoleIsTheOneEveryEdgeMeasuredGives)
{
  // Coastlines of many vertices with lakes and islands inside their boxes and rings beside them,
  // in degrees and in metres, at several precisions and cell budgets; some with a point that is
  // not a number.
  std::mt19937 random(41);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  int differing = 0, shapes = 0;
  for (const double magnitude : {1.0, 150.0, 5000000.0}) {
    for (int trial = 0; trial < 12; ++trial) {
      const int ringCount = 1 + trial % 6;
      std::vector<ST_POLYGON> rings(static_cast<size_t>(ringCount));
      const double x = unit(random) * magnitude, y = unit(random) * magnitude, radius = magnitude * 0.01 + 1.0;
      MakeRing(rings[0], random, x, y, radius, 50 + trial * 97, true);
      for (int r = 1; r < ringCount; ++r)  // lakes and islands, and now and then a ring beside
        MakeRing(rings[static_cast<size_t>(r)], random, x + unit(random) * radius * (r == 5 ? 3.0 : 0.5),
                 y + unit(random) * radius * 0.5, radius * 0.2, 5 + r * 31, r % 2 == 0);
      if (trial % 4 == 3)  // a point that is not a number, as a damaged file may hold
        rings[0].points[trial].y = std::numeric_limits<double>::quiet_NaN();
      std::vector<ST_POLYGON*> pointers;
      for (ST_POLYGON& ring : rings)
        pointers.push_back(&ring);
      for (const int maxCells : {64, 4096}) {
        const double precision = radius * (maxCells == 64 ? 0.05 : 0.005);
        const ST_POINT fast = PoleOfInaccessibility(rings.data(), ringCount, 0, precision, maxCells);
        const ST_POINT plain = PlainPole(pointers, 0, precision, maxCells);
        differing += fast.x != plain.x || fast.y != plain.y;
        ++shapes;
      }
    }
  }
  EXPECT_EQ(differing, 0) << "of " << shapes << " shapes";
}
