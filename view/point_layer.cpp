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

int CPointLayer::LoadRecords(const unsigned char* area, int size)
{
  if (recordCount < 0)
    return 0;
  std::unique_ptr<ST_POINT[]> points(new (std::nothrow) ST_POINT[recordCount > 0 ? recordCount : 1]);
  if (!points)
    return 0;
  std::vector<bool> isNull(static_cast<size_t>(recordCount), false);
  std::int64_t cursor = 0;
  for (int record = 0; record < recordCount; ++record) {
    // Each record is as long as its header says: null shapes are shorter than points.
    if (size - cursor < kRecordHeaderSize)
      return 0;
    const std::int64_t length = 2 * static_cast<std::int64_t>(ZMType::ReadEsriInt(area + cursor + 4));
    if (length < 4 || length > size - cursor - kRecordHeaderSize)
      return 0;
    const unsigned char* content = area + cursor + kRecordHeaderSize;
    const int shapeType = ZMType::ReadInt(content);
    if (shapeType == kNullShape) {
      isNull[static_cast<size_t>(record)] = true;
    } else {
      if (length < kPointContentSize)
        return 0;
      points[record].x = ZMType::ReadDouble(content + 4);
      points[record].y = ZMType::ReadDouble(content + 12);
    }
    cursor += kRecordHeaderSize + length;
  }
  m_points = std::move(points);
  m_isNull = std::move(isNull);
  return 1;
}

void CPointLayer::GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY)
{
  if (index < 0 || index >= recordCount)
    return;
  if (!HasGeometry(index)) {
    GetRect(minX, minY, maxX, maxY);
    return;
  }
  *minX = *maxX = m_points[index].x;
  *minY = *maxY = m_points[index].y;
}

int CPointLayer::HitTest(double x, double y)
{
  double best = 64800.0;  // 180 x 360: nothing on the globe is farther
  int found = -1;
  for (int i = 0; i < recordCount; ++i) {
    const double dy = m_points[i].y - y;
    const double dx = m_points[i].x - x;
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
    model->DrawSymbol(dc, m_points[i].x, m_points[i].y, pointIndex);
  }
}

void CPointLayer::DrawLabels(HDC dc) { DrawLabelsWithFont(dc); }

CShapeLayer::LabelAnchor CPointLayer::GetLabelAnchor(int record, ST_POINT& point, ST_RECT&)
{
  if (!HasGeometry(record))
    return LabelAnchor::None;
  point = m_points[record];
  return LabelAnchor::AtPoint;
}
