// Private: the geometry of a polyline or polygon layer. The points stay in the block the .shp
// was read into, compacted in place to its start; records and parts are two more arrays.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <type_traits>

#include "shape_core/file_block.h"
#include "shape_core/record_index.h"
#include "api/formats/shape_records.h"

namespace zamra::view {

template <typename Multi>
class PartRecords final {
public:
  using Part = std::remove_pointer_t<decltype(Multi::parts)>;

  PartRecords() = default;
  ~PartRecords() { Release(); }
  PartRecords(const PartRecords&) = delete;
  PartRecords& operator=(const PartRecords&) = delete;

  // Parses the first `count` records that `index` finds in `block`, taking the block over. A
  // null shape, and a record of another type than `fileType`, keeps its place as a record
  // without parts whose box is `nullBox`. False, with nothing kept, when the index holds fewer
  // records or a record's counts contradict its length.
  bool Load(MallocPtr<unsigned char> block, const zamra::shape::RecordIndex& index, int count, int fileType,
            const ST_RECT& nullBox);
  // The union of the boxes of all records with parts; false when there is none.
  bool Extent(ST_RECT& extent) const;
  void Release();

  Multi* Records() const { return m_records; }
  std::int64_t PointCount() const { return m_pointCount; }
  // All points of all parts, one after another in record and part order.
  ST_POINT* Points() const { return reinterpret_cast<ST_POINT*>(m_pointBlock.get()); }

private:
  Multi* m_records = nullptr;
  Part* m_parts = nullptr;                // all parts of all records
  MallocPtr<unsigned char> m_pointBlock;  // all points of all parts, at its start
  int m_recordCount = 0;
  std::int64_t m_partCount = 0;
  std::int64_t m_pointCount = 0;
};

extern template class PartRecords<ST_MPOLYLINE>;
extern template class PartRecords<ST_MPOLYGON>;

}  // namespace zamra::view
