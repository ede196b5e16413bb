// Private: a dBASE file's records kept as the file's bytes, each cell decoded when it is asked
// for, so that a table of millions of rows loads at the speed of its read and holds little
// more than the file. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "formats/large_buffer.h"

namespace zamra::formats {

struct Cell;

// A text field's value is at most this long (its length, terminator included, is 16-bit).
constexpr int kMaxTextLength = INT16_MAX - 1;

// How a field's text becomes a cell.
enum class FieldKind : unsigned char { Integer, Float, Double, Currency, Text };

struct Field {
  FieldKind kind;
  int offset;  // from the start of the record, deletion flag included
  int length;
  bool numberText;  // an "N" or "F" field: a number written as text
};

// Column type and length from a descriptor's letter, length byte and decimal-count byte.
void MapField(unsigned char letter, unsigned char lengthByte, unsigned char decimals, char& type, int& length,
              FieldKind& kind);

// Room for one decoded value: on the stack for numbers and short texts, on the heap beyond.
class CellScratch final {
public:
  unsigned char* Room(size_t size);

private:
  alignas(8) unsigned char m_small[128];
  std::unique_ptr<unsigned char[]> m_large;
  size_t m_largeSize = 0;
};

class DbfRecords final {
public:
  // Takes the file's bytes; `firstRecord` is the header's length. The caller has checked that
  // `count` records of `recordLength` bytes lie within them and that the fields fit a record.
  DbfRecords(LargeBuffer bytes, std::int64_t firstRecord, int recordLength, std::vector<Field> fields);

  const unsigned char* Record(std::int64_t index) const { return m_first + index * m_recordLength; }
  // Bytes a value of `column` takes at most.
  size_t ValueRoom(int column) const;
  // The cell of `column` in `record`, its value written into `room` (ValueRoom bytes, aligned
  // to 8). A blank number, or a field of width 0, is a NULL cell.
  void DecodeCell(const unsigned char* record, int column, Cell& cell, unsigned char* room) const;
  // The same, with the value in `scratch`.
  void DecodeCell(const unsigned char* record, int column, Cell& cell, CellScratch& scratch) const
  {
    DecodeCell(record, column, cell, scratch.Room(ValueRoom(column)));
  }

private:
  LargeBuffer m_bytes;
  const unsigned char* m_first;
  int m_recordLength;
  std::vector<Field> m_fields;
};

}  // namespace zamra::formats
