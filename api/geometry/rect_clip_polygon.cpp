// ZMRectClipPolygon.
//
// Points on the rectangle's border count as outside, and a crossing is recorded wherever the
// ring enters or leaves the open rectangle, at a vertex on the border too. So the state "inside"
// flips exactly at crossings whatever the ring does on the border (runs along a side, passes
// through a corner, touches at a vertex), and the walk keeps entering and leaving crossings
// alternating along the border. Parts that only touch the border have no area inside and give
// nothing.
// SPDX-License-Identifier: MIT
#include "api/geometry/rect_clip_polygon.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "api/formats/polygon.h"
#include "api/geometry/geometry.h"

namespace {

constexpr double kTwoPi = 6.2831852;
constexpr double kPi = 3.1415926;

enum Side { kNoSide, kLeftSide, kRightSide, kTopSide, kBottomSide };

// Nodes at one border position are walked corners first, then crossings by rank.
constexpr std::int8_t kCornerRank = 0;
constexpr std::int8_t kFirstRank = 1;
constexpr std::int8_t kSecondRank = 2;

// Where the segment a + t(b - a), t in [0, 1], lies in the closed rectangle (Liang-Barsky).
struct SegmentSpan {
  bool hit = false;
  double t0 = 0.0;
  double t1 = 1.0;
  Side enterSide = kNoSide;  // the side that cut t0; none when a lies in the rectangle
  Side leaveSide = kNoSide;  // the side that cut t1; none when b lies in the rectangle
};

SegmentSpan ClipSegment(const ST_CLIP_POINT& a, const ST_CLIP_POINT& b, double left, double top, double right,
                        double bottom)
{
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  // p * t <= q for each side.
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.x - left, right - a.x, a.y - top, bottom - a.y};
  const Side sides[4] = {kLeftSide, kRightSide, kTopSide, kBottomSide};
  SegmentSpan span;
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0)
        return SegmentSpan{};  // parallel to this side and beyond it
      continue;
    }
    const double r = q[i] / p[i];
    if (p[i] < 0.0) {
      if (r > span.t1)
        return SegmentSpan{};
      if (r > span.t0) {
        span.t0 = r;
        span.enterSide = sides[i];
      }
    } else {
      if (r < span.t0)
        return SegmentSpan{};
      if (r < span.t1) {
        span.t1 = r;
        span.leaveSide = sides[i];
      }
    }
  }
  span.hit = !std::isnan(span.t0) && !std::isnan(span.t1);
  return span;
}

bool SamePosition(const ST_CLIP_POINT& a, const ST_CLIP_POINT& b) { return a.x == b.x && a.y == b.y; }

// Holds a coordinate on a side; a NaN (from overflowing products of huge coordinates) goes to
// the side's start, so no crossing ever lies off the border.
double OnSide(double value, double low, double high) { return value > low ? (value < high ? value : high) : low; }

}  // namespace

struct ZMRectClipPolygon::SortEntry {
  int side;    // 1 top, 2 right, 3 bottom, 4 left (absolute side code)
  double key;  // side code (signed) times the squared distance from (left, top)
  int rank;    // order of nodes at the same position
  ST_CLIP_POINT* node;
};

ZMRectClipPolygon::ZMRectClipPolygon() = default;
ZMRectClipPolygon::~ZMRectClipPolygon() = default;

void ZMRectClipPolygon::Unload()
{
  m_vertexRoom = 0;
  m_listRoom = 0;
  m_capacity = 0;
  m_vertices.reset();
  m_vertexCount = 0;
  m_crosses.reset();
  m_crossCount = 0;
  m_polyList.reset();
  m_polyLength = 0;
  m_rectList.reset();
  m_rectLength = 0;
  m_resultList.reset();
  m_resultLength = 0;
  m_ringCount = 0;
  m_crossTieRank.reset();
  m_sortBuffer.reset();
  m_result.reset();
}

void ZMRectClipPolygon::SetPoint(const ST_POINT* points, int count, const ST_RECT* rect)
{
  if (points == nullptr || rect == nullptr || count < 3)
    return;  // an earlier load stays in force
  // The result list holds 8 entries per vertex; its length must stay an int.
  if (count > std::numeric_limits<int>::max() / 8) {
    Unload();
    return;
  }
  // Infinite or NaN coordinates have no place on the border walk.
  bool finite = std::isfinite(rect->left) && std::isfinite(rect->right) && std::isfinite(rect->top) &&
                std::isfinite(rect->bottom);
  for (int i = 0; finite && i < count; ++i)
    finite = std::isfinite(points[i].x) && std::isfinite(points[i].y);
  if (!finite) {
    Unload();
    return;
  }
  try {
    if (count > m_vertexRoom) {
      m_vertexRoom = 0;
      m_vertices = std::make_unique<ST_CLIP_POINT[]>(count);
      m_vertexRoom = count;
    }
    m_vertexCount = count;
    const bool direct = PolygonDirect(points, count);
    for (int i = 0; i < count; ++i) {
      const ST_POINT& source = direct ? points[i] : points[count - 1 - i];
      m_vertices[i].x = source.x;
      m_vertices[i].y = source.y;
    }
    // Taken as a region, so a rectangle in map orientation (top the larger y) clips the same.
    m_left = std::min(rect->left, rect->right);
    m_right = std::max(rect->left, rect->right);
    m_top = std::min(rect->top, rect->bottom);
    m_bottom = std::max(rect->top, rect->bottom);
    Init(4 * count);
  } catch (const std::bad_alloc&) {
    Unload();
  }
}

void ZMRectClipPolygon::Init(int capacity)
{
  // Up to two crossings per edge: the ring list needs 3 entries per vertex, the border list
  // 4 corners plus 2 per vertex, the trace at most 6 per vertex plus the corners. Lists of an
  // earlier, larger load are reused: every entry is written before it is read.
  if (capacity > m_listRoom) {
    m_listRoom = 0;
    m_polyList = std::make_unique_for_overwrite<ST_CLIP_POINT*[]>(capacity);
    m_rectList = std::make_unique_for_overwrite<ST_CLIP_POINT*[]>(capacity);
    m_resultList = std::make_unique_for_overwrite<ST_CLIP_POINT*[]>(2 * static_cast<std::size_t>(capacity));
    m_crosses = std::make_unique<ST_CLIP_POINT[]>(capacity);
    m_crossTieRank = std::make_unique_for_overwrite<std::int8_t[]>(capacity);
    m_sortBuffer = std::make_unique_for_overwrite<SortEntry[]>(capacity);
    m_listRoom = capacity;
  }
  m_capacity = capacity;
  m_polyLength = 0;
  m_rectLength = 0;
  m_resultLength = 0;
  m_crossCount = 0;
  m_ringCount = 0;
  m_corners[0] = ST_CLIP_POINT{m_left, m_top};
  m_corners[1] = ST_CLIP_POINT{m_right, m_top};
  m_corners[2] = ST_CLIP_POINT{m_right, m_bottom};
  m_corners[3] = ST_CLIP_POINT{m_left, m_bottom};
  m_cornerCount = 4;
}

bool ZMRectClipPolygon::IsInRect(const ST_CLIP_POINT& node) const
{
  return m_left < node.x && node.x < m_right && m_top < node.y && node.y < m_bottom;
}

bool ZMRectClipPolygon::CrossAdd(double x, double y, bool isEnter, int tieRank)
{
  if (m_crossCount >= m_capacity || m_polyLength >= m_capacity)
    return false;
  ST_CLIP_POINT& cross = m_crosses[m_crossCount];
  cross = ST_CLIP_POINT{};
  cross.x = x;
  cross.y = y;
  cross.isCross = true;
  cross.isEnter = isEnter;
  m_crossTieRank[m_crossCount] = static_cast<std::int8_t>(tieRank);
  ++m_crossCount;
  m_polyList[m_polyLength++] = &cross;
  return true;
}

// At a vertex on the border where the ring leaves and at once re-enters, the two crossings
// share one position. At a convex vertex the inside near the border is the ring's wedge alone,
// so the walk from the leaving crossing must meet the entering one next; at a reflex vertex the
// border on both sides is inside the ring and the entering crossing must come first.
int ZMRectClipPolygon::VertexTieRank(int vertex, bool isEnter) const
{
  const ST_CLIP_POINT& here = m_vertices[vertex];
  int previous = vertex;
  int next = vertex;
  for (int step = 0; step < m_vertexCount; ++step) {
    previous = previous == 0 ? m_vertexCount - 1 : previous - 1;
    if (!SamePosition(m_vertices[previous], here))
      break;
  }
  for (int step = 0; step < m_vertexCount; ++step) {
    next = next + 1 == m_vertexCount ? 0 : next + 1;
    if (!SamePosition(m_vertices[next], here))
      break;
  }
  const ST_CLIP_POINT& p = m_vertices[previous];
  const ST_CLIP_POINT& n = m_vertices[next];
  const double turn = (here.x - p.x) * (n.y - here.y) - (here.y - p.y) * (n.x - here.x);
  const bool convex = turn > 0.0;  // a left turn on a counter-clockwise ring
  if (convex)
    return isEnter ? kSecondRank : kFirstRank;
  return isEnter ? kFirstRank : kSecondRank;
}

bool ZMRectClipPolygon::ClipLine(int from, int to)
{
  if (m_polyLength >= m_capacity)
    return false;
  const ST_CLIP_POINT& a = m_vertices[from];
  const ST_CLIP_POINT& b = m_vertices[to];
  m_polyList[m_polyLength++] = &m_vertices[from];

  if (std::max(a.x, b.x) < m_left || std::min(a.x, b.x) > m_right || std::max(a.y, b.y) < m_top ||
      std::min(a.y, b.y) > m_bottom)
    return true;
  const bool aInside = IsInRect(a);
  const bool bInside = IsInRect(b);
  if (aInside && bInside)
    return true;  // the rectangle is convex: the edge stays inside

  const SegmentSpan span = ClipSegment(a, b, m_left, m_top, m_right, m_bottom);
  // The crossing on a side, computed from `a` the same way for every edge so that it lies on
  // the side exactly; the other coordinate is held on the side against rounding.
  auto point = [&](Side side, bool atStart, double& x, double& y) {
    switch (side) {
    case kLeftSide:
    case kRightSide:
      x = side == kLeftSide ? m_left : m_right;
      y = OnSide(a.y + (x - a.x) * (b.y - a.y) / (b.x - a.x), m_top, m_bottom);
      return;
    case kTopSide:
    case kBottomSide:
      y = side == kTopSide ? m_top : m_bottom;
      x = OnSide(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y), m_left, m_right);
      return;
    case kNoSide:
      break;
    }
    // No side cut the span here: the edge's own end lies on the border.
    const ST_CLIP_POINT& end = atStart ? a : b;
    x = OnSide(end.x, m_left, m_right);
    y = OnSide(end.y, m_top, m_bottom);
  };

  double x = 0.0;
  double y = 0.0;
  if (aInside || bInside) {
    // Exactly one crossing. The span always exists here; the fallbacks only guard rounding.
    if (aInside) {
      point(span.hit ? span.leaveSide : kNoSide, false, x, y);
      const int rank = span.hit && span.leaveSide == kNoSide ? VertexTieRank(to, false) : kFirstRank;
      return CrossAdd(x, y, false, rank);
    }
    point(span.hit ? span.enterSide : kNoSide, true, x, y);
    const int rank = span.hit && span.enterSide == kNoSide ? VertexTieRank(from, true) : kFirstRank;
    return CrossAdd(x, y, true, rank);
  }

  // Both ends outside the open rectangle: the edge passes through it or not at all. Along a side
  // or through a corner only, the middle of the span lies on the border.
  if (!span.hit || !(span.t0 < span.t1))
    return true;
  const double middle = (span.t0 + span.t1) * 0.5;
  const ST_CLIP_POINT probe{a.x + middle * (b.x - a.x), a.y + middle * (b.y - a.y)};
  if (!IsInRect(probe))
    return true;
  point(span.enterSide, true, x, y);
  if (!CrossAdd(x, y, true, span.enterSide == kNoSide ? VertexTieRank(from, true) : kFirstRank))
    return false;
  point(span.leaveSide, false, x, y);
  return CrossAdd(x, y, false, span.leaveSide == kNoSide ? VertexTieRank(to, false) : kFirstRank);
}

void ZMRectClipPolygon::SortRight()
{
  for (int i = 0; i < m_rectLength; ++i) {
    ST_CLIP_POINT* node = m_rectList[i];
    int side = 0;
    if (std::fabs(node->y - m_top) < EPS)
      side = 1;
    else if (std::fabs(node->x - m_right) < EPS)
      side = 2;
    else if (std::fabs(node->y - m_bottom) < EPS)
      side = -3;
    else if (std::fabs(node->x - m_left) < EPS)
      side = -4;
    const double dx = node->x - m_left;
    const double dy = node->y - m_top;
    const int rank = node->isCross ? m_crossTieRank[node - m_crosses.get()] : kCornerRank;
    m_sortBuffer[i] = SortEntry{std::abs(side), side * (dx * dx + dy * dy), rank, node};
  }
  // Top, right, bottom, left; along each side away from the previous corner.
  std::sort(m_sortBuffer.get(), m_sortBuffer.get() + m_rectLength, [](const SortEntry& a, const SortEntry& b) {
    if (a.side != b.side)
      return a.side < b.side;
    if (a.key != b.key)
      return a.key < b.key;
    return a.rank < b.rank;
  });
  for (int i = 0; i < m_rectLength; ++i)
    m_rectList[i] = m_sortBuffer[i].node;
}

bool ZMRectClipPolygon::AddResult(ST_CLIP_POINT* node)
{
  if (m_resultLength >= 2 * m_capacity)
    return false;
  m_resultList[m_resultLength++] = node;
  if (node == nullptr)
    ++m_ringCount;
  return true;
}

// Follows the ring from a crossing or the border from one; switches at each crossing. Each step
// marks a new node visited, so a walk ends after at most as many steps as there are nodes.
bool ZMRectClipPolygon::Trace(bool onRing, int index)
{
  for (;;) {
    if (onRing) {
      if (!AddResult(m_polyList[index]))
        return false;
      for (;;) {
        if (++index >= m_polyLength)
          return true;  // the ring list is not walked round: the piece closes to its start
        ST_CLIP_POINT* node = m_polyList[index];
        if (node->isVisited)
          return true;
        node->isVisited = true;
        if (node->isCross)
          break;
        if (!AddResult(node))
          return false;
      }
      index = m_polyList[index]->rectIndex;
      onRing = false;
    } else {
      if (!AddResult(m_rectList[index]))
        return false;
      for (;;) {
        index = index + 1 == m_rectLength ? 0 : index + 1;
        ST_CLIP_POINT* node = m_rectList[index];
        if (node->isVisited)
          return true;
        node->isVisited = true;
        // A simple ring never brings the border walk to a leaving crossing; a self-crossing one
        // can, and following the ring from there would leave the rectangle.
        if (node->isCross && node->isEnter)
          break;
        if (!node->isCross && !AddResult(node))
          return false;
      }
      index = m_rectList[index]->polyIndex;
      onRing = true;
    }
  }
}

bool ZMRectClipPolygon::EnclosesRect() const
{
  std::vector<ST_POINT> ring(static_cast<std::size_t>(m_vertexCount));
  for (int i = 0; i < m_vertexCount; ++i)
    ring[i] = ST_POINT{m_vertices[i].x, m_vertices[i].y};
  // The ring keeps out of the open rectangle here, so its centre is well away from every edge.
  const ST_POINT centre{(m_left + m_right) * 0.5, (m_top + m_bottom) * 0.5};
  return ZMGeometry::IsPointOnPolygon(&centre, ring.data(), m_vertexCount) == 1;
}

ST_MPOLYGON* ZMRectClipPolygon::BuildResult() const
{
  // Points of all pieces one after the other; border touches leave repeated points and,
  // rarely, pieces without area, which are dropped.
  std::vector<ST_POINT> points;
  std::vector<std::pair<std::size_t, std::size_t>> pieces;  // first point, point count
  points.reserve(static_cast<std::size_t>(m_resultLength));
  std::size_t runStart = 0;
  auto finishRun = [&] {
    const std::size_t length = points.size() - runStart;
    std::size_t distinct = length;
    if (length > 1 && points[runStart].x == points.back().x && points[runStart].y == points.back().y)
      --distinct;
    if (distinct >= 3)
      pieces.emplace_back(runStart, length);
    else
      points.resize(runStart);
    runStart = points.size();
  };
  for (int i = 0; i < m_resultLength; ++i) {
    const ST_CLIP_POINT* node = m_resultList[i];
    if (node == nullptr) {
      finishRun();
      continue;
    }
    if (points.size() > runStart && points.back().x == node->x && points.back().y == node->y)
      continue;
    points.push_back(ST_POINT{node->x, node->y});
  }
  finishRun();

  auto result = std::make_unique<ST_MPOLYGON>();
  if (!pieces.empty()) {
    result->parts = new ST_POLYGON[pieces.size()];
    result->partCount = static_cast<std::int32_t>(pieces.size());
    for (std::size_t r = 0; r < pieces.size(); ++r) {
      ST_POLYGON& part = result->parts[r];
      part.points = new ST_POINT[pieces[r].second];
      part.pointCount = static_cast<std::int32_t>(pieces[r].second);
      std::copy_n(points.begin() + static_cast<std::ptrdiff_t>(pieces[r].first), pieces[r].second, part.points);
      ZMPolygon::UpdateEnvelop(&part);
    }
  }
  return result.release();
}

void ZMRectClipPolygon::DoClip()
{
  try {
    m_result.reset();
    m_resultLength = 0;
    m_ringCount = 0;
    if (m_vertices == nullptr || m_polyList == nullptr) {
      m_result.reset(new ST_MPOLYGON());
      return;
    }
    m_polyLength = 0;
    m_rectLength = 0;
    m_crossCount = 0;
    for (int i = 0; i < m_vertexCount; ++i)
      m_vertices[i].isVisited = false;
    for (ST_CLIP_POINT& corner : m_corners)
      corner.isVisited = false;

    bool complete = m_left < m_right && m_top < m_bottom;  // a flat rectangle holds no area
    for (int i = 0; complete && i < m_vertexCount; ++i)
      complete = ClipLine(i, i + 1 == m_vertexCount ? 0 : i + 1);

    complete = complete && m_cornerCount + m_crossCount <= m_capacity;
    if (complete) {
      for (int i = 0; i < m_cornerCount; ++i)
        m_rectList[m_rectLength++] = &m_corners[i];
      for (int i = 0; i < m_crossCount; ++i)
        m_rectList[m_rectLength++] = &m_crosses[i];
      SortRight();
      for (int i = 0; i < m_polyLength; ++i) {
        if (m_polyList[i]->isCross)
          m_polyList[i]->polyIndex = i;
      }
      for (int i = 0; i < m_rectLength; ++i) {
        if (m_rectList[i]->isCross)
          m_rectList[i]->rectIndex = i;
      }

      for (int j = 0; complete && j < m_polyLength; ++j) {
        ST_CLIP_POINT* node = m_polyList[j];
        if (node->isVisited)
          continue;
        if (node->isCross) {
          if (node->isEnter) {
            if (m_resultLength > 0)
              complete = AddResult(nullptr);
            complete = complete && Trace(true, j);
          } else {
            complete = Trace(false, node->rectIndex);
          }
        } else if (IsInRect(*node)) {
          complete = AddResult(node);
        }
      }
      if (complete && m_resultLength == 0 && m_crossCount == 0 && EnclosesRect()) {
        for (int i = 0; i < m_cornerCount; ++i)
          AddResult(&m_corners[i]);
      }
    }
    if (!complete) {
      // Cannot happen within the list bounds; refuse rather than return a broken outline.
      m_resultLength = 0;
      m_ringCount = 0;
    }
    m_result.reset(BuildResult());
  } catch (const std::bad_alloc&) {
    m_result.reset(new (std::nothrow) ST_MPOLYGON());
    m_resultLength = 0;
    m_ringCount = 0;
  }
}

ST_MPOLYGON* ZMRectClipPolygon::GetResult() const { return m_result.get(); }

int ZMRectClipPolygon::GetResultCount() const { return m_resultLength; }

bool ZMRectClipPolygon::PolygonDirect(const ST_POINT* points, int count)
{
  if (points == nullptr || count < 3)
    return true;
  auto same = [](const ST_POINT& a, const ST_POINT& b) { return a.x == b.x && a.y == b.y; };
  // A repeated point (such as the closing repeat of shapefile rings) would give a zero-length
  // direction whose angle of 0 can tip a clockwise ring over the threshold; each run of equal
  // points counts as one vertex.
  double sum = 0.0;
  int vertices = 0;
  for (int i = 0; i < count; ++i) {
    const ST_POINT& here = points[i];
    const ST_POINT& previous = points[i == 0 ? count - 1 : i - 1];
    if (same(previous, here))
      continue;
    int next = i;
    for (int step = 0; step < count; ++step) {
      next = next + 1 == count ? 0 : next + 1;
      if (!same(points[next], here))
        break;
    }
    double forward = std::atan2(points[next].y - here.y, points[next].x - here.x);
    double back = std::atan2(previous.y - here.y, previous.x - here.x);
    if (forward < 0)
      forward += kTwoPi;
    if (back < 0)
      back += kTwoPi;
    double angle = forward - back;
    if (forward < back)
      angle += kTwoPi;
    sum += angle;
    ++vertices;
  }
  return sum > (vertices - 2) * kPi + 0.01;
}
