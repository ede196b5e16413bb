// Parsing polyline and polygon records of a .shp.
#include "view/part_records.h"

#include <bit>
#include <cstring>
#include <new>

#include "api/formats/shape_type.h"

namespace {

constexpr int kRecordHeaderSize = 8;   // record number and content length, big-endian
constexpr int kFixedContentSize = 44;  // shape type, box, part count, point count
constexpr int kNullShape = 0;

// Points are moved as they lie in the file, and fields are read in place.
static_assert(std::endian::native == std::endian::little, "the record parser reads little-endian fields directly");

// Field readers of the view's own record parser, inlined into its loops.
inline std::int32_t BigInt(const unsigned char* bytes)
{
  std::uint32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return static_cast<std::int32_t>(__builtin_bswap32(value));
}

inline std::int32_t LittleInt(const unsigned char* bytes)
{
  std::int32_t value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

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
  layout.length = 2 * static_cast<std::int64_t>(BigInt(area + cursor + 4));
  if (layout.length < 4 || layout.length > size - cursor - kRecordHeaderSize)
    return false;
  const unsigned char* content = area + cursor + kRecordHeaderSize;
  if (LittleInt(content) == kNullShape) {
    layout.partCount = layout.pointCount = 0;
    return true;
  }
  if (layout.length < kFixedContentSize)
    return false;
  const std::int64_t parts = LittleInt(content + 36);
  const std::int64_t points = LittleInt(content + 40);
  if (parts < 0 || points < 0 || kFixedContentSize + 4 * parts + 16 * points > layout.length)
    return false;
  int previous = 0;
  for (std::int64_t part = 0; part < parts; ++part) {
    const int start = LittleInt(content + kFixedContentSize + 4 * part);
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
  m_pointBlock.reset();
  m_records = nullptr;
  m_parts = nullptr;
  m_recordCount = 0;
  m_partCount = m_pointCount = 0;
}

template <typename Multi>
bool PartRecords<Multi>::Load(MallocPtr<unsigned char> block, std::int64_t offset, std::int64_t size, int count,
                              const ST_RECT& nullBox)
{
  Release();
  if (count < 0 || !block)
    return false;
  const unsigned char* area = block.get() + offset;
  // First pass: check every record and count its parts, so that the arrays are allocated once.
  std::int64_t totalParts = 0, cursor = 0;
  RecordLayout layout;
  for (int record = 0; record < count; ++record) {
    if (!ReadLayout(area, size, cursor, layout))
      return false;
    totalParts += layout.partCount;
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

  // Second pass: each record's points move down to the start of the block, after those of the
  // records before it. The target never passes the record being read (a record is longer than
  // its points), and the record's counts are read before its points move over them.
  unsigned char* target = block.get();
  Part* nextPart = m_parts;
  std::int64_t points = 0;
  cursor = 0;
  for (int record = 0; record < count; ++record) {
    ReadLayout(area, size, cursor, layout);  // checked in the first pass
    const unsigned char* content = area + cursor + kRecordHeaderSize;
    Multi& multi = m_records[record];
    cursor += kRecordHeaderSize + layout.length;
    if (LittleInt(content) == kNullShape) {
      multi.envelop = nullBox;
      continue;
    }
    ZMType::ReadEnvelop(content + 4, &multi.envelop);
    if (layout.partCount == 0)
      continue;
    multi.partCount = layout.partCount;
    const unsigned char* starts = content + kFixedContentSize;
    const int first = LittleInt(starts);
    for (int part = 0; part < layout.partCount; ++part) {
      const int start = LittleInt(starts + 4 * part);
      const int end = part + 1 < layout.partCount ? LittleInt(starts + 4 * (part + 1)) : layout.pointCount;
      nextPart[part].pointCount = end - start;
    }
    nextPart += layout.partCount;
    // The parts cover the points from the first start on, one after another.
    const std::int64_t used = layout.pointCount - first;
    const unsigned char* source = starts + 4 * static_cast<std::int64_t>(layout.partCount) + 16 * static_cast<std::int64_t>(first);
    std::memmove(target, source, static_cast<size_t>(16 * used));
    target += 16 * used;
    points += used;
  }

  // The block keeps only the points; shrinking never needs to move them, but the parts learn
  // their addresses only now in case it did.
  if (unsigned char* shrunk = static_cast<unsigned char*>(std::realloc(block.get(), static_cast<size_t>(points > 0 ? 16 * points : 16)))) {
    block.release();
    block.reset(shrunk);
  }
  m_pointBlock = std::move(block);
  m_pointCount = points;
  auto* next = reinterpret_cast<ST_POINT*>(m_pointBlock.get());
  for (std::int64_t part = 0; part < m_partCount; ++part) {
    m_parts[part].points = next;
    next += m_parts[part].pointCount;
    UpdatePartBox(m_parts[part]);
  }
  for (int record = 0, part = 0; record < count; ++record) {
    if (m_records[record].partCount > 0)
      m_records[record].parts = m_parts + part;
    part += m_records[record].partCount;
  }
  return true;
}

template class PartRecords<ST_MPOLYLINE>;
template class PartRecords<ST_MPOLYGON>;
