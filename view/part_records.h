// Private: the geometry of a polyline or polygon layer. The points stay in the block the .shp
// was read into, compacted in place to its start; records and parts are two more arrays.
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "api/formats/shape_records.h"
#include "view/file_bytes.h"

template <typename Multi>
class PartRecords final {
public:
  using Part = std::remove_pointer_t<decltype(Multi::parts)>;

  PartRecords() = default;
  ~PartRecords() { Release(); }
  PartRecords(const PartRecords&) = delete;
  PartRecords& operator=(const PartRecords&) = delete;

  // Parses `count` records from the `size` bytes at `offset` in `block`, taking the block over.
  // Each record is walked by its own content length; a null shape keeps its place as a record
  // without parts whose box is `nullBox`. False, with nothing kept, when a record does not fit
  // the area or its counts contradict its length.
  bool Load(MallocPtr<unsigned char> block, std::int64_t offset, std::int64_t size, int count, const ST_RECT& nullBox);
  void Release();

  Multi* Records() const { return m_records; }
  std::int64_t PointCount() const { return m_pointCount; }

private:
  Multi* m_records = nullptr;
  Part* m_parts = nullptr;                 // all parts of all records
  MallocPtr<unsigned char> m_pointBlock;   // all points of all parts, at its start
  int m_recordCount = 0;
  std::int64_t m_partCount = 0;
  std::int64_t m_pointCount = 0;
};

extern template class PartRecords<ST_MPOLYLINE>;
extern template class PartRecords<ST_MPOLYGON>;
