// Private: where the records of a .shp lie, and the checks every reader of shapefile records
// shares. The map view, the shapefile classes and the tools find records through it. Not part
// of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "shape_core/shape_layout.h"
#include "api/formats/shape_records.h"

namespace zamra::shape {

// Decodes a main header of `size` bytes; false when it is shorter than a header, its file code
// is not 9994 (only the code stored) or its version is not 1000 (code, length and version
// stored; type and box untouched).
bool DecodeHeader(const unsigned char* bytes, std::int64_t size, tagShpHead& head);

// Whether a box is worth taking as an extent: finite, and not the all-zero box that writers
// leave when they never filled it in.
bool IsUsableBox(const ST_RECT& box);

// Multi-part content after the shape type (box, counts, part starts, points) checked against
// the `available` bytes: counts not negative, everything inside, part starts never falling and
// within the point count. Z and M arrays after the points are not looked at.
bool MultiPartFits(const unsigned char* body, std::int64_t available, int& partCount, int& pointCount);
// Multipoint content after the shape type (box, count, points); the same checks.
bool MultiPointFits(const unsigned char* body, std::int64_t available, int& pointCount);

// The box of `count` points (left, right, top, bottom); untouched when there are none.
void BoxOfPoints(const ST_POINT* points, std::int64_t count, ST_RECT& box);

struct Record {
  int type = 0;                            // the record's own shape type
  const unsigned char* content = nullptr;  // opens with the shape type
  std::int64_t length = 0;                 // content bytes
};

// The records of a .shp held whole in memory. The .shx is used when it names the same shape
// type and each of its entries points at a record of the .shp with the same length, in file
// order; otherwise (no .shx, another type, other counts or offsets) the .shp is walked record
// by record from its header on. A walk stops at the first record that does not fit in the file:
// the complete records before it are the file's, and DamagedFrom tells where the damage begins.
// No record that runs past the end of the file is ever handed out.
class RecordIndex final {
public:
  // `shp` holds the whole .shp (header included); `shx` the whole .shx, or null. False when
  // the .shp has no valid header.
  bool Build(const unsigned char* shp, std::int64_t shpSize, const unsigned char* shx, std::int64_t shxSize);
  // The records of a bare record area (a .shp after its header), found by walking it.
  void BuildFromArea(const unsigned char* area, std::int64_t size);

  const tagShpHead& Header() const { return m_header; }
  int Count() const { return m_count; }
  // The index of the first record that could not be read (a cut or broken file), or -1.
  int DamagedFrom() const { return m_damagedFrom; }
  bool UsesIndexFile() const { return m_shx != nullptr; }

  // Calls visit(index, record) for every record in file order while it answers true; false
  // when it stopped early.
  template <typename Visit>
  bool ForEach(Visit visit) const
  {
    Record record;
    std::int64_t cursor = m_start;
    for (int index = 0; index < m_count; ++index) {
      if (m_shx != nullptr)
        cursor = 2 * static_cast<std::int64_t>(
                         BigInt(m_shx + kHeaderSize + kIndexEntrySize * static_cast<std::int64_t>(index)));
      record.length = 2 * static_cast<std::int64_t>(BigInt(m_shp + cursor + 4));
      record.content = m_shp + cursor + kRecordHeaderSize;
      record.type = LittleInt(record.content);
      if (!visit(index, record))
        return false;
      cursor += kRecordHeaderSize + record.length;
    }
    return true;
  }

private:
  bool IndexAgrees(const unsigned char* shx, std::int64_t shxSize) const;
  void Walk();

  const unsigned char* m_shp = nullptr;
  const unsigned char* m_shx = nullptr;  // null when the records were found by walking
  std::int64_t m_start = kHeaderSize;    // where the first record begins
  std::int64_t m_end = 0;                // where the record area ends
  std::int64_t m_declaredEnd = 0;        // the length the header gives
  tagShpHead m_header;
  int m_count = 0;
  int m_damagedFrom = -1;
};

}  // namespace zamra::shape
