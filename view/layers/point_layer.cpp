// CPointLayer: point and multipoint records.
// SPDX-License-Identifier: MIT
#include "layers/point_layer.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/memory_room.h"
#include "shape_core/shape_layout.h"
#include "drawing/map_canvas.h"
#include "platform/gdi.h"
#include "thematic/thematic_pens.h"

namespace zamra::view {

namespace zs = zamra::shape;

CPointLayer::CPointLayer(MapCanvas* canvas) : CShapeLayer(canvas, 1) {}

CPointLayer::~CPointLayer() = default;

bool CPointLayer::AdoptRecords(MallocPtr<unsigned char> block, const zs::RecordIndex& index, int fileType)
{
  if (RecordCount() < 0 || !block || index.Count() < RecordCount())
    return false;
  m_grid.Clear();
  const int count = RecordCount();
  const bool multi = zs::PlanarType(fileType) == zs::kMultiPoint;
  // Records of another type than the file's, and points too short to hold x and y, are null shapes.
  auto pointsOf = [&](const zs::Record& record) -> std::int64_t {
    if (record.type != fileType || record.type == zs::kNullShape)
      return 0;
    if (!multi)
      return record.length >= zs::kPointContentSize ? 1 : 0;
    int points = 0;
    return zs::MultiPointFits(record.content + zs::kTypeSize, record.length - zs::kTypeSize, points) ? points : 0;
  };
  std::int64_t total = count;
  std::vector<std::int64_t> firstPoint;
  try {
    if (multi) {
      firstPoint.assign(static_cast<size_t>(count) + 1, 0);
      total = 0;
      index.ForEach([&](int record, const zs::Record& at) {
        if (record >= count)
          return false;
        firstPoint[static_cast<size_t>(record)] = total;
        total += pointsOf(at);
        return true;
      });
      firstPoint[static_cast<size_t>(count)] = total;
    }
    // Single points are moved down over the block they are read from, so that the file's bytes
    // and its points are never held at once. Only where no point overtakes a record not yet
    // read, nor ends past its own record: record i starts at or after byte 16 i and ends at or
    // after byte 16 (i + 1), as in any file but one of many null shapes (shorter than a point).
    // Otherwise they get their own array.
    const unsigned char* const base = block.get();
    bool inPlace = !multi;
    if (inPlace)
      index.ForEach([&](int record, const zs::Record& at) {
        if (record >= count)
          return false;
        const std::int64_t start = at.content - zs::kRecordHeaderSize - base;
        const std::int64_t end = at.content + at.length - base;
        inPlace = start >= 16 * std::int64_t{record} && end >= 16 * (std::int64_t{record} + 1);
        return inPlace;
      });
    MallocPtr<ST_POINT> points(reinterpret_cast<ST_POINT*>(inPlace ? block.release() : AllocateLarge(16 * total)));
    if (!points)
      return false;
    std::vector<bool> isNull(static_cast<size_t>(count), false);
    ST_POINT* next = points.get();
    index.ForEach([&](int record, const zs::Record& at) {
      if (record >= count)
        return false;
      const std::int64_t n = pointsOf(at);
      if (n == 0) {
        isNull[static_cast<size_t>(record)] = true;
        if (!multi)
          *next++ = ST_POINT();  // keeps record i at point i
        return true;
      }
      // x and y follow the type; a multipoint's points follow its box and count.
      const unsigned char* source = at.content + (multi ? zs::kMultiPointFixedSize : zs::kTypeSize);
      for (std::int64_t i = 0; i < n; ++i, ++next) {
        const ST_POINT point{zs::LittleDouble(source + 16 * i), zs::LittleDouble(source + 16 * i + 8)};
        *next = point;  // read whole first: in place, it may overwrite its own record
      }
      return true;
    });
    if (inPlace) {
      // The rest of the file's bytes go back.
      void* shrunk = std::realloc(points.get(), static_cast<size_t>(16 * std::max<std::int64_t>(total, 1)));
      if (shrunk != nullptr) {
        static_cast<void>(points.release());  // now owned as `shrunk`
        points.reset(static_cast<ST_POINT*>(shrunk));
      }
    }
    m_points = std::move(points);
    m_firstPoint = std::move(firstPoint);
    m_isNull = std::move(isNull);
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    return false;
  }
  return true;
}

bool CPointLayer::RecordsExtent(ST_RECT& extent) const
{
  bool found = false;
  for (int record = 0; record < RecordCount(); ++record) {
    if (!HasGeometry(record))
      continue;
    ST_RECT box;
    const std::int64_t first = FirstPoint(record);
    zs::BoxOfPoints(m_points.get() + first, FirstPoint(record + 1) - first, box);
    if (!found) {
      extent = box;
      found = true;
      continue;
    }
    extent.left = box.left < extent.left ? box.left : extent.left;
    extent.right = box.right > extent.right ? box.right : extent.right;
    extent.bottom = box.bottom < extent.bottom ? box.bottom : extent.bottom;
    extent.top = box.top > extent.top ? box.top : extent.top;
  }
  return found;
}

int CPointLayer::ProjectRecords(const LayerProjection& projection)
{
  if (!projection.Transform(m_points.get(), FirstPoint(RecordCount())))
    return -1;
  m_grid.Clear();
  int dropped = 0;
  ST_POINT* points = m_points.get();
  for (int record = 0; record < RecordCount(); ++record) {
    const std::int64_t first = FirstPoint(record), end = FirstPoint(record + 1);
    bool usable = true;
    for (std::int64_t i = first; i < end && usable; ++i)
      usable = IsTransformedPoint(points[i]);
    if (usable && HasGeometry(record))
      continue;
    // A null shape keeps reading (0, 0); a point outside the system's domain becomes one.
    std::fill(points + first, points + end, ST_POINT());
    if (HasGeometry(record)) {
      m_isNull[static_cast<size_t>(record)] = true;
      ++dropped;
    }
  }
  return dropped;
}

void CPointLayer::GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY)
{
  if (index < 0 || index >= RecordCount())
    return;
  if (!HasGeometry(index)) {
    GetRect(minX, minY, maxX, maxY);
    return;
  }
  ST_RECT box;
  const std::int64_t first = FirstPoint(index);
  zs::BoxOfPoints(m_points.get() + first, FirstPoint(index + 1) - first, box);
  *minX = box.left;
  *minY = box.bottom;
  *maxX = box.right;
  *maxY = box.top;
}

int CPointLayer::HitTest(double x, double y)
{
  double best = 64800.0;  // 180 x 360: nothing on the globe is farther
  int found = -1;
  const ST_POINT* points = m_points.get();
  if (m_firstPoint.empty()) {
    // One point per record: the loop touches only the coordinates.
    for (int i = 0; i < RecordCount(); ++i) {
      const double dy = points[i].y - y;
      const double dx = points[i].x - x;
      const double d = dy * dy + dx * dx;
      if (d < best && HasGeometry(i)) {
        best = d;
        found = i;
      }
    }
  } else {
    for (int record = 0; record < RecordCount(); ++record) {
      if (!HasGeometry(record))
        continue;  // a multipoint dropped while loading still has its (zeroed) points
      for (std::int64_t i = m_firstPoint[static_cast<size_t>(record)];
           i < m_firstPoint[static_cast<size_t>(record) + 1]; ++i) {
        const double dy = points[i].y - y;
        const double dx = points[i].x - x;
        const double d = dy * dy + dx * dx;
        if (d < best) {
          best = d;
          found = record;
        }
      }
    }
  }
  return best <= 2.0 ? found : -1;
}

void CPointLayer::DrawShapes(HDC dc)
{
  if (Thematic().IsActive()) {
    // Symbols have colours of their own: points coloured by value are drawn as markers, the
    // layer's own in a thin dark outline.
    HPEN pen = CreatePen(PS_SOLID, Canvas()->DevicePenWidth(1), RGB(64, 64, 64));
    HGDIOBJ previousPen = SelectObject(dc, pen);
    {
      ThematicBrushes brushes(dc, Thematic());
      DrawPoints([&](int record, double x, double y) {
        brushes.Select(record);
        Canvas()->DrawMarker(dc, x, y);
      });
    }
    SelectObject(dc, previousPen);
    DeleteObject(pen);
    return;
  }
  DrawPoints([&](int, double x, double y) { Canvas()->DrawSymbol(dc, x, y, pointIndex); });
}

template <typename Draw>
void CPointLayer::DrawPoints(Draw draw)
{
  // A million points, most of them out of sight when zoomed in: culled here in one pass, which
  // also tells the labels which records can show.
  const ST_POINT* points = m_points.get();
  const ST_RECT extent = Canvas()->VisibleExtent();
  m_candidatesRedraw = Canvas()->RedrawNumber();
  m_candidatePoints.clear();
  if (CullWithGrid(extent)) {
    // The grid gives the visible records in order; drawn in that order, the picture is the
    // one the whole pass below would give.
    size_t kept = 0;
    for (const int record : m_labelCandidates) {
      if (!HasGeometry(record))
        continue;
      m_labelCandidates[kept++] = record;
      m_candidatePoints.push_back(points[record]);
      draw(record, points[record].x, points[record].y);
    }
    m_labelCandidates.resize(kept);
    return;
  }
  m_labelCandidates.clear();
  for (int record = 0; record < RecordCount(); ++record) {
    if (!HasGeometry(record))
      continue;
    const std::int64_t first = FirstPoint(record);
    for (std::int64_t i = first; i < FirstPoint(record + 1); ++i) {
      const double x = points[i].x, y = points[i].y;
      if (x < extent.left || x > extent.right || y < extent.bottom || y > extent.top)
        continue;
      if (i == first)
        m_labelCandidates.push_back(record);  // labelled at its first point
      draw(record, x, y);
    }
  }
}

bool CPointLayer::CullWithGrid(const ST_RECT& extent)
{
  if (!m_firstPoint.empty() || RecordCount() < kGridMinimumRecords)
    return false;  // multipoints have no single point to file under a cell
  if (!m_grid.IsBuilt()) {
    // Built on the first view that leaves part of the layer out: a view of all of it needs none.
    double left = 0, bottom = 0, right = 0, top = 0;
    GetRect(&left, &bottom, &right, &top);
    if (extent.left <= left && extent.right >= right && extent.bottom <= bottom && extent.top >= top)
      return false;
    m_grid.Build(m_points.get(), RecordCount());
  }
  if (!m_grid.Helps(extent))
    return false;
  m_grid.Collect(m_points.get(), extent, m_labelCandidates);
  return true;
}

void CPointLayer::DrawLabels(HDC dc)
{
  if (m_candidatesRedraw != Canvas()->RedrawNumber())
    DrawLabelsWithFont(dc);
  else
    DrawLabelsWithFont(dc, &m_labelCandidates, m_candidatePoints.empty() ? nullptr : &m_candidatePoints);
}

CShapeLayer::LabelAnchor CPointLayer::GetLabelAnchor(int record, ST_POINT& point, ST_RECT&)
{
  if (!HasGeometry(record))
    return LabelAnchor::None;
  point = m_points.get()[FirstPoint(record)];  // a multipoint is labelled at its first point
  return LabelAnchor::AtPoint;
}

}  // namespace zamra::view
