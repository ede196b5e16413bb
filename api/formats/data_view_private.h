// Private: how ZMDataView stores its rows, shared with the dBASE reader that hands it a loaded
// file's records. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

namespace zamra::formats {

// A column definition.
struct Column {
  char type = 0;
  char flag = 0;
  int length = 0;
  char name[40] = {};      // at most 39 characters and the terminator
  char* format = nullptr;  // owned; null until set
  // How the column stood in the dBASE file it was read from, so that a save writes it back
  // alike: the field letter ("N" or "F") and decimal count of a number field; 0 and -1 for a
  // column defined by a caller.
  char fieldLetter = 0;
  int fieldDecimals = -1;
};

// The layout of zm_variant. A row's cells and their values are blocks of their own.
struct Cell {
  char type = 0;
  std::int16_t length = 0;
  unsigned char* data = nullptr;
};

// A row: cells of its own, or (kRowInRecords) its record among the loaded file's bytes, decoded
// when read and turned into cells when changed.
union Row {
  Cell* cells;
  const unsigned char* record;
};

constexpr unsigned char kRowDeleted = 1;  // the file marks the record deleted
constexpr unsigned char kRowInRecords = 2;

}  // namespace zamra::formats
