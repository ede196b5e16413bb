// Parsing polyline and polygon records of a .shp.
#include "view/part_records.h"

#include <cstring>
#include <new>

#include "api/formats/shape_type.h"

namespace {

constexpr int kRecordHeaderSize = 8;   // record number and content length, big-endian
constexpr int kFixedContentSize = 44;  // shape type, box, part count, point count
constexpr int kNullShape = 0;

struct RecordLayout {
  std::int64_t length = 0;  // content length in bytes
  int partCount = 0;        // 0 for a null shape
  int pointCount = 0;
};

// Reads and checks one record's framing and counts at `cursor`: the content must fit the area,
// the counts must fit the content, and part starts must rise within the point count.
bool ReadLayout(const unsigned char* area, std::int64_t size, std::int64_t cursor, RecordLayout& layout)
{
  if (size - cursor < 12)
    return false;
  layout.length = 2 * static_cast<std::int64_t>(ZMType::ReadEsriInt(area + cursor + 4));
  if (layout.length < 4 || layout.length > size - cursor - kRecordHeaderSize)
    return false;
  const unsigned char* content = area + cursor + kRecordHeaderSize;
  if (ZMType::ReadInt(content) == kNullShape) {
    layout.partCount = layout.pointCount = 0;
    return true;
  }
  if (layout.length < kFixedContentSize)
    return false;
  const std::int64_t parts = ZMType::ReadInt(content + 36);
  const std::int64_t points = ZMType::ReadInt(content + 40);
  if (parts < 0 || points < 0 || kFixedContentSize + 4 * parts + 16 * points > layout.length)
    return false;
  int previous = 0;
  for (std::int64_t part = 0; part < parts; ++part) {
    const int start = ZMType::ReadInt(content + kFixedContentSize + 4 * part);
    if (start < previous || start > points)
      return false;
    previous = start;
  }
  layout.partCount = static_cast<int>(parts);
  layout.pointCount = static_cast<int>(points);
  return true;
}

template <typename Part>
void UpdatePartBox(Part& part)
{
  if (part.pointCount <= 0)
    return;
  const ST_POINT* p = part.points;
  double left = p[0].x, right = p[0].x, top = p[0].y, bottom = p[0].y;
  for (int i = 1; i < part.pointCount; ++i) {
    const double x = p[i].x, y = p[i].y;
    left = x < left ? x : left;
    right = x > right ? x : right;
    bottom = y < bottom ? y : bottom;
    top = y > top ? y : top;
  }
  part.envelop = {left, right, top, bottom};
}

} // namespace

template <typename Multi>
void PartRecords<Multi>::Release()
{
  // Parts and points belong to the shared arrays, not to the records that point into them.
  for (int i = 0; i < m_recordCount; ++i)
    m_records[i].parts = nullptr;
  for (std::int64_t i = 0; i < m_partCount; ++i)
    m_parts[i].points = nullptr;
  delete[] m_records;
  delete[] m_parts;
  ::operator delete[](m_points);
  m_records = nullptr;
  m_parts = nullptr;
  m_points = nullptr;
  m_recordCount = 0;
  m_partCount = m_pointCount = 0;
}

template <typename Multi>
bool PartRecords<Multi>::Load(const unsigned char* area, std::int64_t size, int count, const ST_RECT& nullBox)
{
  Release();
  if (count < 0)
    return false;
  // First pass: check every record and count parts and points, so that each of the three
  // arrays is allocated once.
  std::int64_t totalParts = 0, totalPoints = 0, cursor = 0;
  RecordLayout layout;
  for (int record = 0; record < count; ++record) {
    if (!ReadLayout(area, size, cursor, layout))
      return false;
    totalParts += layout.partCount;
    totalPoints += layout.pointCount;
    cursor += kRecordHeaderSize + layout.length;
  }
  try {
    m_records = new Multi[count > 0 ? count : 1];
    m_recordCount = count;
    m_parts = new Part[totalParts > 0 ? totalParts : 1];
    m_partCount = totalParts;
  } catch (const std::bad_alloc&) {
    Release();
    return false;
  }
  // Points are copied over whole, so their storage is not cleared first.
  m_points = static_cast<ST_POINT*>(
      ::operator new[](static_cast<size_t>(totalPoints > 0 ? totalPoints : 1) * sizeof(ST_POINT), std::nothrow));
  if (m_points == nullptr) {
    Release();
    return false;
  }
  m_pointCount = totalPoints;

  Part* nextPart = m_parts;
  ST_POINT* nextPoint = m_points;
  cursor = 0;
  for (int record = 0; record < count; ++record) {
    ReadLayout(area, size, cursor, layout);  // checked in the first pass
    const unsigned char* content = area + cursor + kRecordHeaderSize;
    Multi& target = m_records[record];
    cursor += kRecordHeaderSize + layout.length;
    if (ZMType::ReadInt(content) == kNullShape) {
      target.envelop = nullBox;
      continue;
    }
    ZMType::ReadEnvelop(content + 4, &target.envelop);
    if (layout.partCount == 0)
      continue;
    target.parts = nextPart;
    target.partCount = layout.partCount;
    const unsigned char* starts = content + kFixedContentSize;
    const unsigned char* pointData = starts + 4 * static_cast<std::int64_t>(layout.partCount);
    ZMType::ReadPoint(pointData, nextPoint, layout.pointCount);
    for (int part = 0; part < layout.partCount; ++part) {
      const int start = ZMType::ReadInt(starts + 4 * part);
      const int end = part + 1 < layout.partCount ? ZMType::ReadInt(starts + 4 * (part + 1)) : layout.pointCount;
      nextPart[part].points = nextPoint + start;
      nextPart[part].pointCount = end - start;
      UpdatePartBox(nextPart[part]);
    }
    nextPart += layout.partCount;
    nextPoint += layout.pointCount;
  }
  return true;
}

template class PartRecords<ST_MPOLYLINE>;
template class PartRecords<ST_MPOLYGON>;
