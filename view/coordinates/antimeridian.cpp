// Cutting lines and rings at ±180° of longitude.
// SPDX-License-Identifier: MIT
#include "coordinates/antimeridian.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "shape_core/record_index.h"

namespace zamra::view {

namespace {

constexpr double kHalfTurn = 180.0;
constexpr double kTurn = 360.0;
constexpr int kMostWindows = 4;  // a ring of sane data spans two; more is a broken one

// The longitude step from `from` to `to` taken the short way: more than half a turn is a jump
// across ±180°.
double JumpOffset(double from, double to)
{
  const double step = to - from;
  if (step > kHalfTurn)
    return -kTurn;
  if (step < -kHalfTurn)
    return kTurn;
  return 0.0;
}

// Sutherland-Hodgman against one vertical line: keeps the side x >= edge (`keepAbove`) or
// x <= edge. A ring cut into several pieces on one side stays one ring joined along the line,
// which fills the same and hit-tests the same.
std::vector<ST_POINT> ClipToSide(const std::vector<ST_POINT>& ring, double edge, bool keepAbove)
{
  std::vector<ST_POINT> out;
  if (ring.empty())
    return out;
  out.reserve(ring.size() + 4);
  const auto inside = [edge, keepAbove](const ST_POINT& point) {
    return keepAbove ? point.x >= edge : point.x <= edge;
  };
  const auto crossing = [edge](const ST_POINT& a, const ST_POINT& b) {
    const double t = (edge - a.x) / (b.x - a.x);  // a and b lie on either side: b.x != a.x
    return ST_POINT{edge, a.y + t * (b.y - a.y)};
  };
  ST_POINT previous = ring.back();
  for (const ST_POINT& current : ring) {
    const bool currentIn = inside(current);
    const bool previousIn = inside(previous);
    if (currentIn != previousIn)
      out.push_back(crossing(previous, current));
    if (currentIn)
      out.push_back(current);
    previous = current;
  }
  return out;
}

double TwiceArea(const std::vector<ST_POINT>& ring)
{
  double sum = 0.0;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
    sum += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
  return sum;
}

bool AllSame(const std::vector<ST_POINT>& points)
{
  return std::all_of(points.begin(), points.end(),
                     [&points](const ST_POINT& p) { return p.x == points[0].x && p.y == points[0].y; });
}

template <typename Part>
bool PartCrosses(const Part& part, bool ring)
{
  // A part's box is worked out from its points as it loads: one no wider than half a turn has
  // no such jump, and the points of almost every part need no second look.
  if (part.envelop.right - part.envelop.left <= kHalfTurn)
    return false;
  for (int i = 1; i < part.pointCount; ++i)
    if (JumpOffset(part.points[i - 1].x, part.points[i].x) != 0.0)
      return true;
  return ring && part.pointCount > 1 && JumpOffset(part.points[part.pointCount - 1].x, part.points[0].x) != 0.0;
}

}  // namespace

std::vector<std::vector<ST_POINT>> CutRingAtAntimeridian(const ST_POINT* points, int count)
{
  std::vector<std::vector<ST_POINT>> pieces;
  if (points == nullptr || count < 3)
    return pieces;
  // Unwrapped: each vertex moved by whole turns so that no step is longer than half a turn.
  std::vector<ST_POINT> ring(static_cast<std::size_t>(count));
  double offset = 0.0;
  bool jumps = false;
  ring[0] = points[0];
  for (int i = 1; i < count; ++i) {
    const double jump = JumpOffset(points[i - 1].x, points[i].x);
    jumps = jumps || jump != 0.0;
    offset += jump;
    ring[static_cast<std::size_t>(i)] = ST_POINT{points[i].x + offset, points[i].y};
  }
  const double closing = JumpOffset(points[count - 1].x, points[0].x);
  jumps = jumps || closing != 0.0;
  offset += closing;
  if (!jumps)
    return pieces;
  if (offset != 0.0) {
    if (std::fabs(offset) != kTurn)
      return pieces;  // winds round the pole more than once: not a ring of the earth
    // Round a pole: back to the first vertex a turn further on, then along the pole's latitude.
    double latitudes = 0.0;
    for (int i = 0; i < count; ++i)
      latitudes += points[i].y;
    const double pole = latitudes < 0.0 ? -90.0 : 90.0;
    const double end = points[0].x + offset;
    ring.push_back(ST_POINT{end, points[0].y});
    ring.push_back(ST_POINT{end, pole});
    ring.push_back(ST_POINT{points[0].x, pole});
  }
  double lowest = ring[0].x, highest = ring[0].x;
  for (const ST_POINT& point : ring) {
    lowest = std::min(lowest, point.x);
    highest = std::max(highest, point.x);
  }
  // Window k covers -180 + 360k .. 180 + 360k; what falls in it moves back by k turns.
  // Counted in doubles first: the numbers of a damaged file, far beyond any turn of the earth,
  // would overflow an int and make the window count anything.
  const double firstWindow = std::floor((lowest + kHalfTurn) / kTurn);
  const double lastWindow = std::floor((highest + kHalfTurn) / kTurn);
  if (!(lastWindow - firstWindow < kMostWindows) || !(std::fabs(firstWindow) <= kMostWindows) ||
      !(std::fabs(lastWindow) <= kMostWindows))
    return pieces;
  const int first = static_cast<int>(firstWindow);
  const int last = static_cast<int>(lastWindow);
  for (int window = first; window <= last; ++window) {
    const double shift = window * kTurn;
    std::vector<ST_POINT> piece = ClipToSide(ClipToSide(ring, shift - kHalfTurn, true), shift + kHalfTurn, false);
    if (piece.size() < 3)
      continue;
    for (ST_POINT& point : piece)
      point.x = std::clamp(point.x - shift, -kHalfTurn, kHalfTurn);
    if (TwiceArea(piece) == 0.0)
      continue;                      // only touches the window's edge
    piece.push_back(piece.front());  // closed, as rings in shapefiles are
    pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::vector<std::vector<ST_POINT>> CutLineAtAntimeridian(const ST_POINT* points, int count)
{
  std::vector<std::vector<ST_POINT>> pieces;
  if (points == nullptr || count < 2)
    return pieces;
  std::vector<ST_POINT> piece{points[0]};
  bool jumps = false;
  for (int i = 1; i < count; ++i) {
    const ST_POINT& a = points[i - 1];
    const ST_POINT& b = points[i];
    const double jump = JumpOffset(a.x, b.x);
    if (jump != 0.0) {
      jumps = true;
      // Eastward across +180 (jump -360 unwraps b to the east) or westward across -180.
      const double edge = jump > 0.0 ? kHalfTurn : -kHalfTurn;
      const double unwrapped = b.x + jump;
      const double t = unwrapped != a.x ? (edge - a.x) / (unwrapped - a.x) : 0.0;
      const double latitude = a.y + t * (b.y - a.y);
      piece.push_back(ST_POINT{edge, latitude});
      if (!AllSame(piece))
        pieces.push_back(std::move(piece));
      piece = {ST_POINT{-edge, latitude}};
    }
    piece.push_back(b);
  }
  if (!jumps)
    return {};
  if (!AllSame(piece))
    pieces.push_back(std::move(piece));
  return pieces;
}

template <typename Multi>
int AntimeridianPieces<Multi>::CutRecords(Multi* records, int count, bool rings)
{
  int cut = 0;
  for (int record = 0; record < count; ++record) {
    Multi& multi = records[record];
    bool crosses = false;
    for (int part = 0; part < multi.partCount && !crosses; ++part)
      crosses = PartCrosses(multi.parts[part], rings);
    if (!crosses)
      continue;  // the common case: drawn from the file's own points
    std::vector<std::vector<ST_POINT>> pieces;
    for (int part = 0; part < multi.partCount; ++part) {
      const Part& source = multi.parts[part];
      std::vector<std::vector<ST_POINT>> cutPart = rings ? CutRingAtAntimeridian(source.points, source.pointCount)
                                                         : CutLineAtAntimeridian(source.points, source.pointCount);
      if (cutPart.empty())  // on one side, or a ring that winds round a pole twice: as it is
        cutPart.emplace_back(source.points, source.points + source.pointCount);
      for (auto& piece : cutPart)
        pieces.push_back(std::move(piece));
    }
    if (pieces.empty())
      continue;  // nothing drawable came of it: kept as the file has it
    auto parts = std::make_unique<Part[]>(pieces.size());
    ST_RECT box{};
    const Part* largest = nullptr;
    double largestSpan = -1.0;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      Part& part = parts[i];
      part.pointCount = static_cast<std::int32_t>(pieces[i].size());
      part.points = new ST_POINT[pieces[i].size()];
      std::copy(pieces[i].begin(), pieces[i].end(), part.points);
      zamra::shape::BoxOfPoints(part.points, part.pointCount, part.envelop);
      const double span = (part.envelop.right - part.envelop.left) + (part.envelop.top - part.envelop.bottom);
      if (span > largestSpan) {
        largestSpan = span;
        largest = &part;
      }
      if (i == 0) {
        box = part.envelop;
      } else {
        box.left = std::min(box.left, part.envelop.left);
        box.right = std::max(box.right, part.envelop.right);
        box.bottom = std::min(box.bottom, part.envelop.bottom);
        box.top = std::max(box.top, part.envelop.top);
      }
    }
    // The record's old parts stay in the layer's arrays, unreferenced; the record points here.
    multi.parts = parts.get();
    multi.partCount = static_cast<std::int32_t>(pieces.size());
    multi.envelop = box;
    m_parts.push_back(std::move(parts));
    m_cutRecords.push_back(CutRecord{record, largest});
    ++cut;
  }
  return cut;
}

template <typename Multi>
auto AntimeridianPieces<Multi>::LargestPiece(int record) const -> const Part*
{
  const auto found = std::lower_bound(m_cutRecords.begin(), m_cutRecords.end(), record,
                                      [](const CutRecord& cut, int wanted) { return cut.record < wanted; });
  return found != m_cutRecords.end() && found->record == record ? found->largest : nullptr;
}

template class AntimeridianPieces<ST_MPOLYLINE>;
template class AntimeridianPieces<ST_MPOLYGON>;

}  // namespace zamra::view
