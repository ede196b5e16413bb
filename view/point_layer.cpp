// CPointLayer: point records.
#include "view/point_layer.h"

#include <new>

#include "api/formats/shape_type.h"
#include "view/map_model.h"

namespace {

constexpr int kRecordHeaderSize = 8;  // record number and content length, big-endian
constexpr int kNullShape = 0;
constexpr int kPointContentSize = 20;  // shape type, x, y

} // namespace

CPointLayer::CPointLayer(CMapModel* owner) : CShapeLayer(owner, 1) {}

CPointLayer::~CPointLayer() = default;

bool CPointLayer::AdoptRecords(MallocPtr<unsigned char> block, std::int64_t offset, std::int64_t size)
{
  if (recordCount < 0 || !block)
    return false;
  // Points get their own array: null shapes are shorter than a point, so compacting in place
  // could overtake records not yet read.
  MallocPtr<ST_POINT> points(reinterpret_cast<ST_POINT*>(AllocateLarge(16 * static_cast<std::int64_t>(recordCount))));
  if (!points)
    return false;
  const unsigned char* area = block.get() + offset;
  std::vector<bool> isNull(static_cast<size_t>(recordCount), false);
  std::int64_t cursor = 0;
  for (int record = 0; record < recordCount; ++record) {
    // Each record is as long as its header says: null shapes are shorter than points.
    if (size - cursor < kRecordHeaderSize)
      return false;
    const std::int64_t length = 2 * static_cast<std::int64_t>(ZMType::ReadEsriInt(area + cursor + 4));
    if (length < 4 || length > size - cursor - kRecordHeaderSize)
      return false;
    const unsigned char* content = area + cursor + kRecordHeaderSize;
    const int shapeType = ZMType::ReadInt(content);
    ST_POINT& point = points.get()[record];
    if (shapeType == kNullShape) {
      isNull[static_cast<size_t>(record)] = true;
      point = ST_POINT();
    } else {
      if (length < kPointContentSize)
        return false;
      point.x = ZMType::ReadDouble(content + 4);
      point.y = ZMType::ReadDouble(content + 12);
    }
    cursor += kRecordHeaderSize + length;
  }
  m_points = std::move(points);
  m_isNull = std::move(isNull);
  return true;
}

void CPointLayer::GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY)
{
  if (index < 0 || index >= recordCount)
    return;
  if (!HasGeometry(index)) {
    GetRect(minX, minY, maxX, maxY);
    return;
  }
  *minX = *maxX = m_points.get()[index].x;
  *minY = *maxY = m_points.get()[index].y;
}

int CPointLayer::HitTest(double x, double y)
{
  double best = 64800.0;  // 180 x 360: nothing on the globe is farther
  int found = -1;
  for (int i = 0; i < recordCount; ++i) {
    const double dy = m_points.get()[i].y - y;
    const double dx = m_points.get()[i].x - x;
    const double d = dy * dy + dx * dx;
    if (d < best && HasGeometry(i)) {
      best = d;
      found = i;
    }
  }
  return best <= 2.0 ? found : -1;
}

void CPointLayer::DrawShapes(HDC dc)
{
  for (int i = 0; i < recordCount; ++i) {
    if (!HasGeometry(i))
      continue;
    model->DrawSymbol(dc, m_points.get()[i].x, m_points.get()[i].y, pointIndex);
  }
}

void CPointLayer::DrawLabels(HDC dc) { DrawLabelsWithFont(dc); }

CShapeLayer::LabelAnchor CPointLayer::GetLabelAnchor(int record, ST_POINT& point, ST_RECT&)
{
  if (!HasGeometry(record))
    return LabelAnchor::None;
  point = m_points.get()[record];
  return LabelAnchor::AtPoint;
}
