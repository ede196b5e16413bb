// Finding the records of a .shp, and the checks shared by every record reader.
// SPDX-License-Identifier: MIT
#include "shape_core/record_index.h"

#include <climits>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zamra::shape {

namespace {

void ReadBox(const unsigned char* bytes, ST_RECT& box)
{
  box.left = LittleDouble(bytes);
  box.bottom = LittleDouble(bytes + 8);
  box.right = LittleDouble(bytes + 16);
  box.top = LittleDouble(bytes + 24);
}

// The content length of a record header at `cursor` when the whole record lies between `start`
// and `end`, else -1.
std::int64_t CompleteRecordLength(const unsigned char* shp, std::int64_t cursor, std::int64_t start, std::int64_t end)
{
  if (cursor < start || end - cursor < kRecordHeaderSize + kTypeSize)
    return -1;
  const std::int64_t length = 2 * static_cast<std::int64_t>(BigInt(shp + cursor + 4));
  if (length < kTypeSize || length > end - cursor - kRecordHeaderSize)
    return -1;
  return length;
}

}  // namespace

const char* ShapeTypeName(int type)
{
  switch (type) {
  case kNullShape:
    return "null";
  case kPoint:
    return "point";
  case kPolyline:
    return "polyline";
  case kPolygon:
    return "polygon";
  case kMultiPoint:
    return "multipoint";
  case kPointZ:
    return "pointZ";
  case kPolylineZ:
    return "polylineZ";
  case kPolygonZ:
    return "polygonZ";
  case kMultiPointZ:
    return "multipointZ";
  case kPointM:
    return "pointM";
  case kPolylineM:
    return "polylineM";
  case kPolygonM:
    return "polygonM";
  case kMultiPointM:
    return "multipointM";
  case kMultiPatch:
    return "multipatch";
  default:
    return "unknown";
  }
}

bool DecodeHeader(const unsigned char* bytes, std::int64_t size, tagShpHead& head)
{
  if (bytes == nullptr || size < kHeaderSize)
    return false;
  head.fileCode = BigInt(bytes);
  if (head.fileCode != kFileCode)
    return false;
  // Stored in 16-bit words; doubled without signed overflow.
  head.fileLength = static_cast<std::int32_t>(static_cast<std::uint32_t>(BigInt(bytes + 24)) * 2u);
  head.version = LittleInt(bytes + 28);
  if (head.version != kVersion)
    return false;
  head.shapeType = LittleInt(bytes + 32);
  ReadBox(bytes + 36, head.envelop);
  return true;
}

bool IsUsableBox(const ST_RECT& box)
{
  if (!std::isfinite(box.left) || !std::isfinite(box.right) || !std::isfinite(box.top) || !std::isfinite(box.bottom))
    return false;
  return box.left != 0.0 || box.right != 0.0 || box.top != 0.0 || box.bottom != 0.0;
}

bool MultiPartFits(const unsigned char* body, std::int64_t available, int& partCount, int& pointCount)
{
  constexpr int kFixed = kMultiPartFixedSize - kTypeSize;
  if (body == nullptr || available < kFixed)
    return false;
  const std::int64_t parts = LittleInt(body + kBoxSize);
  const std::int64_t points = LittleInt(body + kBoxSize + 4);
  if (parts < 0 || points < 0 || kFixed + 4 * parts + 16 * points > available)
    return false;
  std::int32_t previous = 0;
  for (std::int64_t part = 0; part < parts; ++part) {
    const std::int32_t start = LittleInt(body + kFixed + 4 * part);
    if (start < previous || start > points)
      return false;
    previous = start;
  }
  partCount = static_cast<int>(parts);
  pointCount = static_cast<int>(points);
  return true;
}

bool MultiPointFits(const unsigned char* body, std::int64_t available, int& pointCount)
{
  constexpr int kFixed = kMultiPointFixedSize - kTypeSize;
  if (body == nullptr || available < kFixed)
    return false;
  const std::int64_t points = LittleInt(body + kBoxSize);
  if (points < 0 || kFixed + 16 * points > available)
    return false;
  pointCount = static_cast<int>(points);
  return true;
}

void BoxOfPoints(const ST_POINT* points, std::int64_t count, ST_RECT& box)
{
  if (count <= 0 || points == nullptr)
    return;
#if defined(__SSE2__)
  // x and y at once, in two runs (the first point, then the odd points or the even ones) that
  // do not wait on each other. min(a, b) is a < b ? a : b, as below: a first point that is not
  // a number spoils the box, later ones are passed over.
  const __m128d first = _mm_loadu_pd(&points[0].x);
  __m128d lowA = first, highA = first, lowB = first, highB = first;
  std::int64_t i = 1;
  for (; i + 1 < count; i += 2) {
    const __m128d a = _mm_loadu_pd(&points[i].x);
    const __m128d b = _mm_loadu_pd(&points[i + 1].x);
    lowA = _mm_min_pd(a, lowA);
    highA = _mm_max_pd(a, highA);
    lowB = _mm_min_pd(b, lowB);
    highB = _mm_max_pd(b, highB);
  }
  if (i < count) {
    const __m128d a = _mm_loadu_pd(&points[i].x);
    lowA = _mm_min_pd(a, lowA);
    highA = _mm_max_pd(a, highA);
  }
  alignas(16) double low[2], high[2];
  _mm_store_pd(low, _mm_min_pd(lowB, lowA));
  _mm_store_pd(high, _mm_max_pd(highB, highA));
  box = {low[0], high[0], high[1], low[1]};
#else
  double left = points[0].x, right = points[0].x, top = points[0].y, bottom = points[0].y;
  for (std::int64_t i = 1; i < count; ++i) {
    const double x = points[i].x, y = points[i].y;
    left = x < left ? x : left;
    right = x > right ? x : right;
    bottom = y < bottom ? y : bottom;
    top = y > top ? y : top;
  }
  box = {left, right, top, bottom};
#endif
}

bool RecordIndex::Build(const unsigned char* shp, std::int64_t shpSize, const unsigned char* shx, std::int64_t shxSize)
{
  *this = RecordIndex();
  if (shpSize > kMaxFileBytes || !DecodeHeader(shp, shpSize, m_header))
    return false;
  m_shp = shp;
  // Bytes after the length the header gives are not records (some writers leave padding); a
  // header that gives less than itself, or more than the file holds, tells nothing about it.
  m_declaredEnd = static_cast<std::uint32_t>(m_header.fileLength);
  m_end = m_declaredEnd >= kHeaderSize && m_declaredEnd < shpSize ? m_declaredEnd : shpSize;
  if (shx != nullptr && IndexAgrees(shx, shxSize)) {
    m_shx = shx;
    m_count = static_cast<int>((shxSize - kHeaderSize) / kIndexEntrySize);
    return true;
  }
  Walk();
  return true;
}

void RecordIndex::BuildFromArea(const unsigned char* area, std::int64_t size)
{
  *this = RecordIndex();
  if (area == nullptr || size < 0)
    return;
  m_shp = area;
  m_start = 0;
  m_end = m_declaredEnd = size;
  Walk();
}

bool RecordIndex::IndexAgrees(const unsigned char* shx, std::int64_t shxSize) const
{
  tagShpHead indexHeader;
  if (shxSize > kMaxFileBytes || !DecodeHeader(shx, shxSize, indexHeader) ||
      indexHeader.shapeType != m_header.shapeType)
    return false;
  const std::int64_t entries = (shxSize - kHeaderSize) / kIndexEntrySize;
  std::int64_t previousEnd = kHeaderSize;
  for (std::int64_t entry = 0; entry < entries; ++entry) {
    const unsigned char* at = shx + kHeaderSize + kIndexEntrySize * entry;
    const std::int64_t offset = 2 * static_cast<std::int64_t>(BigInt(at));
    const std::int64_t length = 2 * static_cast<std::int64_t>(BigInt(at + 4));
    // In file order, so that readers may move points down over records already read.
    if (offset < previousEnd || CompleteRecordLength(m_shp, offset, m_start, m_end) != length)
      return false;
    previousEnd = offset + kRecordHeaderSize + length;
  }
  // A shorter index than the .shp's records: the .shp knows more.
  return CompleteRecordLength(m_shp, previousEnd, m_start, m_end) < 0;
}

void RecordIndex::Walk()
{
  std::int64_t cursor = m_start;
  while (m_count < INT_MAX) {
    const std::int64_t length = CompleteRecordLength(m_shp, cursor, m_start, m_end);
    if (length < 0)
      break;
    cursor += kRecordHeaderSize + length;
    ++m_count;
  }
  // Stopping short of the end, or a file shorter than its header says: the records from here
  // on are lost.
  if (cursor < m_end || m_declaredEnd > m_end)
    m_damagedFrom = m_count;
}

}  // namespace zamra::shape
