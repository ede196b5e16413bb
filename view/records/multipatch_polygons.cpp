// Multipatch records rewritten as polygon records.
// SPDX-License-Identifier: MIT
#include "records/multipatch_polygons.h"

#include <cstring>
#include <new>
#include <vector>

#include "platform/memory_room.h"

namespace zamra::view {

namespace zs = zamra::shape;

namespace {

// Part types of a multipatch record.
enum PatchPart : int {
  kTriangleStrip = 0,
  kTriangleFan = 1,
  kOuterRing = 2,
  kInnerRing = 3,
  kFirstRing = 4,
  kRing = 5,
  kTriangles = 6,  // every three points a triangle, in later writers
};

// One record's parts in the file: counts checked against the record's length.
struct Patch {
  int partCount = 0;
  int pointCount = 0;
  const unsigned char* starts = nullptr;
  const unsigned char* types = nullptr;
  const unsigned char* points = nullptr;
};

bool ReadPatch(const zs::Record& record, Patch& patch)
{
  if (record.type != zs::kMultiPatch || record.length < zs::kMultiPartFixedSize)
    return false;
  const std::int64_t parts = zs::LittleInt(record.content + zs::kTypeSize + zs::kBoxSize);
  const std::int64_t points = zs::LittleInt(record.content + zs::kTypeSize + zs::kBoxSize + 4);
  // Part starts and part types, then the points.
  if (parts < 0 || points < 0 || zs::kMultiPartFixedSize + 8 * parts + 16 * points > record.length)
    return false;
  patch.partCount = static_cast<int>(parts);
  patch.pointCount = static_cast<int>(points);
  patch.starts = record.content + zs::kMultiPartFixedSize;
  patch.types = patch.starts + 4 * parts;
  patch.points = patch.types + 4 * parts;
  return true;
}

// The first and one-past-last point of part `part`; an empty range for starts out of order.
void PartRange(const Patch& patch, int part, int& first, int& end)
{
  first = zs::LittleInt(patch.starts + 4 * static_cast<std::int64_t>(part));
  end = part + 1 < patch.partCount ? zs::LittleInt(patch.starts + 4 * static_cast<std::int64_t>(part + 1))
                                   : patch.pointCount;
  if (first < 0 || end > patch.pointCount || first > end)
    first = end = 0;
}

// Receives the rings of one record: counted first, written afterwards.
class RingSink {
public:
  virtual ~RingSink() = default;
  // A ring of `count` points, closed by repeating its first (triangles come open).
  virtual void Ring(const unsigned char* const* points, int count, bool close, bool startsPolygon) = 0;
};

// Calls sink.Ring for every ring the record's parts make.
void ForEachRing(const Patch& patch, RingSink& sink)
{
  bool inPolygon = false;
  for (int part = 0; part < patch.partCount; ++part) {
    int first = 0, end = 0;
    PartRange(patch, part, first, end);
    const int type = zs::LittleInt(patch.types + 4 * static_cast<std::int64_t>(part));
    const auto point = [&](int i) { return patch.points + 16 * static_cast<std::int64_t>(i); };
    switch (type) {
    case kTriangleStrip:
      for (int i = first; i + 2 < end; ++i) {
        const unsigned char* corners[3] = {point(i), point(i + 1), point(i + 2)};
        sink.Ring(corners, 3, true, true);
      }
      inPolygon = false;
      break;
    case kTriangleFan:
      for (int i = first + 1; i + 1 < end; ++i) {
        const unsigned char* corners[3] = {point(first), point(i), point(i + 1)};
        sink.Ring(corners, 3, true, true);
      }
      inPolygon = false;
      break;
    case kTriangles:
      for (int i = first; i + 2 < end; i += 3) {
        const unsigned char* corners[3] = {point(i), point(i + 1), point(i + 2)};
        sink.Ring(corners, 3, true, true);
      }
      inPolygon = false;
      break;
    case kOuterRing:
    case kFirstRing:
    case kInnerRing:
    case kRing: {
      if (end - first < 1)
        break;  // a ring without points adds nothing
      // An inner ring or a plain ring belongs to the polygon before it, when there is one.
      const bool starts = !inPolygon || type == kOuterRing || type == kFirstRing;
      std::vector<const unsigned char*> corners(static_cast<size_t>(end - first));
      for (int i = first; i < end; ++i)
        corners[static_cast<size_t>(i - first)] = point(i);
      sink.Ring(corners.data(), end - first, false, starts);
      inPolygon = true;
      break;
    }
    default:
      break;  // a part type no writer defines: left out, as other readers do
    }
  }
}

class CountingSink final : public RingSink {
public:
  void Ring(const unsigned char* const*, int count, bool close, bool) override
  {
    ++parts;
    points += count + (close ? 1 : 0);
  }
  std::int64_t parts = 0;
  std::int64_t points = 0;
};

class WritingSink final : public RingSink {
public:
  WritingSink(unsigned char* starts, unsigned char* points, std::vector<bool>& polygonStarts)
      : m_starts(starts), m_points(points), m_polygonStarts(polygonStarts)
  {}
  void Ring(const unsigned char* const* corners, int count, bool close, bool startsPolygon) override
  {
    const auto start = static_cast<std::int32_t>(m_written);
    std::memcpy(m_starts + 4 * m_parts, &start, 4);
    for (int i = 0; i < count + (close ? 1 : 0); ++i) {
      std::memcpy(m_points + 16 * m_written, corners[i < count ? i : 0], 16);
      ++m_written;
    }
    ++m_parts;
    m_polygonStarts.push_back(startsPolygon);
  }

private:
  unsigned char* m_starts;
  unsigned char* m_points;
  std::vector<bool>& m_polygonStarts;
  std::int64_t m_parts = 0;
  std::int64_t m_written = 0;
};

void PutBigInt(unsigned char* at, std::int64_t value)
{
  const auto word = __builtin_bswap32(static_cast<std::uint32_t>(value));
  std::memcpy(at, &word, 4);
}

void PutLittleInt(unsigned char* at, std::int32_t value) { std::memcpy(at, &value, 4); }

void PutDouble(unsigned char* at, double value) { std::memcpy(at, &value, 8); }

}  // namespace

bool MultipatchAsPolygons(const zs::RecordIndex& index, FileBytes& polygons, PolygonStarts& starts, bool hugePages)
{
  try {
    // First pass: each record's size as a polygon record.
    std::vector<std::int64_t> contentSizes;
    contentSizes.reserve(static_cast<size_t>(index.Count()));
    std::int64_t total = zs::kHeaderSize;
    index.ForEach([&](int, const zs::Record& record) {
      Patch patch;
      std::int64_t size = zs::kTypeSize;  // a null shape
      if (ReadPatch(record, patch)) {
        CountingSink counted;
        ForEachRing(patch, counted);
        if (counted.parts > 0)
          size = zs::kMultiPartFixedSize + 4 * counted.parts + 16 * counted.points;
      }
      contentSizes.push_back(size);
      total += zs::kRecordHeaderSize + size;
      return total <= zs::kMaxFileBytes;
    });
    if (total > zs::kMaxFileBytes)
      return false;
    MallocPtr<unsigned char> block(AllocateLarge(total, hugePages));
    if (!block)
      return false;
    unsigned char* out = block.get();
    std::memset(out, 0, zs::kHeaderSize);
    PutBigInt(out, zs::kFileCode);
    PutBigInt(out + 24, total / 2);
    PutLittleInt(out + 28, zs::kVersion);
    PutLittleInt(out + 32, zs::kPolygon);
    const ST_RECT& box = index.Header().envelop;
    PutDouble(out + 36, box.left);
    PutDouble(out + 44, box.bottom);
    PutDouble(out + 52, box.right);
    PutDouble(out + 60, box.top);

    // Second pass: the records.
    starts.assign(static_cast<size_t>(index.Count()), {});
    unsigned char* cursor = out + zs::kHeaderSize;
    index.ForEach([&](int number, const zs::Record& record) {
      const std::int64_t size = contentSizes[static_cast<size_t>(number)];
      PutBigInt(cursor, number + 1);
      PutBigInt(cursor + 4, size / 2);
      unsigned char* content = cursor + zs::kRecordHeaderSize;
      cursor += zs::kRecordHeaderSize + size;
      Patch patch;
      if (size == zs::kTypeSize || !ReadPatch(record, patch)) {
        PutLittleInt(content, zs::kNullShape);
        return true;
      }
      PutLittleInt(content, zs::kPolygon);
      std::memcpy(content + zs::kTypeSize, record.content + zs::kTypeSize, zs::kBoxSize);
      std::vector<bool>& recordStarts = starts[static_cast<size_t>(number)];
      CountingSink counted;
      ForEachRing(patch, counted);
      PutLittleInt(content + zs::kTypeSize + zs::kBoxSize, static_cast<std::int32_t>(counted.parts));
      PutLittleInt(content + zs::kTypeSize + zs::kBoxSize + 4, static_cast<std::int32_t>(counted.points));
      unsigned char* partStarts = content + zs::kMultiPartFixedSize;
      WritingSink writer(partStarts, partStarts + 4 * counted.parts, recordStarts);
      ForEachRing(patch, writer);
      return true;
    });
    polygons.data = std::move(block);
    polygons.size = total;
    return true;
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    return false;
  }
}

}  // namespace zamra::view
