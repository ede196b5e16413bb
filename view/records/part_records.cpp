// Parsing polyline and polygon records of a .shp.
// SPDX-License-Identifier: MIT
#include "records/part_records.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "api/formats/shape_type.h"

namespace zamra::view {

namespace zs = zamra::shape;

namespace {

struct RecordLayout {
  bool hasParts = false;  // false for null shapes and records of another type
  int partCount = 0;
  int pointCount = 0;
};

// One record's counts, checked against its length: false when they contradict it.
bool ReadLayout(const zs::Record& record, int fileType, RecordLayout& layout)
{
  layout = RecordLayout();
  if (record.type != fileType || record.type == zs::kNullShape)
    return true;
  layout.hasParts = true;
  return zs::MultiPartFits(record.content + zs::kTypeSize, record.length - zs::kTypeSize, layout.partCount,
                           layout.pointCount);
}

// `count` default-made elements in a block of their own, on huge pages where whole ones fit: a
// large file's records and parts fill megabytes that would fault in 4 KB at a time.
template <typename T>
T* MakeArray(std::int64_t count)
{
  auto* elements = reinterpret_cast<T*>(AllocateLarge(static_cast<std::int64_t>(sizeof(T)) * count, true));
  if (elements != nullptr)
    std::uninitialized_default_construct_n(elements, count);
  return elements;
}

void Widen(ST_RECT& box, const ST_RECT& other)
{
  box.left = other.left < box.left ? other.left : box.left;
  box.right = other.right > box.right ? other.right : box.right;
  box.bottom = other.bottom < box.bottom ? other.bottom : box.bottom;
  box.top = other.top > box.top ? other.top : box.top;
}

}  // namespace

template <typename Multi>
void PartRecords<Multi>::Release()
{
  // Parts and points belong to the shared arrays, not to the records that point into them: the
  // records' and parts' own destructors, which would free them one by one, are not run (the
  // arrays' memory is released without them, as the language allows for objects whose
  // destructors nothing relies on). A large layer goes without two passes over its arrays.
  std::free(m_records);
  std::free(m_parts);
  m_pointBlock.reset();
  m_records = nullptr;
  m_parts = nullptr;
  m_recordCount = 0;
  m_partCount = m_pointCount = 0;
}

template <typename Multi>
bool PartRecords<Multi>::Load(MallocPtr<unsigned char> block, const zs::RecordIndex& index, int count, int fileType,
                              const ST_RECT& nullBox)
{
  Release();
  if (count < 0 || !block || index.Count() < count)
    return false;
  // First pass: check every record and count its parts, so that the arrays are allocated once.
  std::int64_t totalParts = 0;
  RecordLayout layout;
  const bool fits = index.ForEach([&](int record, const zs::Record& at) {
    if (record >= count)
      return true;
    if (!ReadLayout(at, fileType, layout))
      return false;
    totalParts += layout.partCount;
    return true;
  });
  if (!fits)
    return false;
  m_records = MakeArray<Multi>(count);
  m_recordCount = m_records != nullptr ? count : 0;
  m_parts = MakeArray<Part>(totalParts);
  m_partCount = m_parts != nullptr ? totalParts : 0;
  if (m_records == nullptr || m_parts == nullptr) {
    Release();
    return false;
  }

  // Second pass: each record's points move down to the start of the block, after those of the
  // records before it. The target never passes the record being read (records lie in file
  // order and are longer than their points), and the record's counts are read before its
  // points move over them.
  unsigned char* target = block.get();
  Part* nextPart = m_parts;
  std::int64_t points = 0;
  index.ForEach([&](int record, const zs::Record& at) {
    if (record >= count)
      return false;
    ReadLayout(at, fileType, layout);  // checked in the first pass
    Multi& multi = m_records[record];
    if (!layout.hasParts) {
      multi.envelop = nullBox;
      return true;
    }
    const unsigned char* body = at.content + zs::kTypeSize;
    ZMType::ReadEnvelop(body, &multi.envelop);
    if (layout.partCount == 0)
      return true;
    multi.partCount = layout.partCount;
    const unsigned char* starts = at.content + zs::kMultiPartFixedSize;
    const int first = zs::LittleInt(starts);
    for (int part = 0; part < layout.partCount; ++part) {
      const int start = zs::LittleInt(starts + 4 * static_cast<std::int64_t>(part));
      const int end = part + 1 < layout.partCount ? zs::LittleInt(starts + 4 * static_cast<std::int64_t>(part + 1))
                                                  : layout.pointCount;
      nextPart[part].pointCount = end - start;
    }
    // The parts cover the points from the first start on, one after another.
    const std::int64_t used = layout.pointCount - first;
    const unsigned char* source = starts + 4 * static_cast<std::int64_t>(layout.partCount) +
                                  16 * static_cast<std::int64_t>(first);
    std::memmove(target, source, static_cast<size_t>(16 * used));
    // The parts' boxes now, while their points are in the cache: a later pass would read them
    // all from memory again.
    const auto* moved = reinterpret_cast<const ST_POINT*>(target);
    for (int part = 0; part < layout.partCount; ++part) {
      zs::BoxOfPoints(moved, nextPart[part].pointCount, nextPart[part].envelop);
      moved += nextPart[part].pointCount;
    }
    nextPart += layout.partCount;
    target += 16 * used;
    points += used;
    return true;
  });

  // The block keeps only the points; shrinking never needs to move them, but the parts learn
  // their addresses only now in case it did.
  if (unsigned char* shrunk = static_cast<unsigned char*>(
          std::realloc(block.get(), static_cast<size_t>(points > 0 ? 16 * points : 16)))) {
    static_cast<void>(block.release());  // realloc moved it into shrunk
    block.reset(shrunk);
  }
  m_pointBlock = std::move(block);
  m_pointCount = points;
  auto* next = reinterpret_cast<ST_POINT*>(m_pointBlock.get());
  for (std::int64_t part = 0; part < m_partCount; ++part) {
    m_parts[part].points = next;
    next += m_parts[part].pointCount;
  }
  for (int record = 0, part = 0; record < count; ++record) {
    Multi& multi = m_records[record];
    if (multi.partCount > 0) {
      multi.parts = m_parts + part;
      // A record box left empty or unreadable by its writer is rebuilt from its parts.
      if (!zs::IsUsableBox(multi.envelop)) {
        multi.envelop = multi.parts[0].envelop;
        for (int p = 1; p < multi.partCount; ++p)
          Widen(multi.envelop, multi.parts[p].envelop);
      }
    }
    part += multi.partCount;
  }
  return true;
}

template <typename Multi>
bool PartRecords<Multi>::Extent(ST_RECT& extent) const
{
  bool found = false;
  for (int record = 0; record < m_recordCount; ++record) {
    const Multi& multi = m_records[record];
    for (int part = 0; part < multi.partCount; ++part) {
      if (multi.parts[part].pointCount <= 0)
        continue;
      if (!found)
        extent = multi.parts[part].envelop;
      else
        Widen(extent, multi.parts[part].envelop);
      found = true;
    }
  }
  return found;
}

template class PartRecords<ST_MPOLYLINE>;
template class PartRecords<ST_MPOLYGON>;

}  // namespace zamra::view
