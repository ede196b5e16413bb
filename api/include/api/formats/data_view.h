// ZMDataView: the in-memory attribute table of a shapefile (typed columns, rows of cells), and
// zm_variant, the tagged value in which a cell travels in and out of the table.
//
// Value type codes are the ZM_VAR_... codes of shape_type.h. The table owns its columns, their
// formats, its rows and every cell's bytes; callers always receive copies.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "api/formats/shape_type.h"
#include "api/zamra_api_export.h"

namespace zamra::formats {
struct Column;
struct Cell;
union Row;
class DbfRecords;
class CellScratch;
}  // namespace zamra::formats

/// A tagged value that owns a copy of its bytes. `data` holds `length` bytes laid out by type:
/// CHAR one character; SHORT a 16-bit integer; INT and LONG a 32-bit integer; FLOAT an IEEE
/// single; DATETIME eight unsigned 16-bit numbers (year, month, day of week, day, hour, minute,
/// second, milliseconds); DOUBLE an IEEE double; STRING zero-terminated text whose terminator
/// `length` counts. `data` is a block from new[] (or null) and is released with the variant.
struct ZAMRA_API zm_variant {
  char type = ZM_VAR_NULL;
  std::int16_t length = 0;
  unsigned char* data = nullptr;

  zm_variant() = default;
  ~zm_variant() { delete[] data; }
  // Copies duplicate the block, so that each variant releases only its own.
  zm_variant(const zm_variant& other);
  zm_variant& operator=(const zm_variant& other);
};

/// The in-memory attribute table of a shapefile: typed columns and rows of cells.
class ZAMRA_API ZMDataView {
public:
  // Space for a rendered cell that the system's own callers pass to GetItemValue.
  static constexpr int kTextSize = 256;

  // A table of `columnCount` blank columns (type 0, flag 0, length 0, empty name, no format)
  // and no rows. A negative count, or memory running out, gives no columns.
  explicit ZMDataView(int columnCount);
  // Releases all rows, cells, formats and columns.
  virtual ~ZMDataView();
  // Tables are not copied by value; From makes a deep copy.
  ZMDataView(const ZMDataView&) = delete;
  ZMDataView& operator=(const ZMDataView&) = delete;

  // Replaces the column set by `columnCount` blank columns (none when memory runs out) and
  // removes all rows.
  void InitColumn(int columnCount);
  // Defines column `index`: type, field length, flag and a copy of `name` (cut to 39
  // characters; null gives the empty name). The format is a copy of `format`, or the default
  // of `type` when it is null: "%c" CHAR, "%d" SHORT/INT/LONG, "%f" FLOAT, "%lf" DOUBLE,
  // "%s" STRING, "%04d-%02d-%02d %02d:%02d:%02d" DATETIME, "" otherwise. Cells already in
  // the table keep their values. An index outside the columns, or memory running out, changes
  // nothing. A column so defined is no longer the file's: ZMDbfFile writes it from its
  // definition alone (an "F" field as "N", a FLOAT's decimals from its format).
  void SetColumn(int index, char type, int length, const char* name, const char* format, char flag);
  // Copies a column definition out: `name` needs 40 bytes; `format` must hold the stored
  // format (either may be null to skip it). An index outside the columns gives a blank column.
  void GetColumn(int index, char& type, int& length, char* name, char* format, char& flag) const;

  int GetColumnCount() const;
  int GetRowCount() const;

  // Appends a row of empty cells (type 0) and returns its index; -1 when memory runs out or the
  // table has INT32_MAX rows.
  int AddRow();
  // Removes a row (those after it move up one); false for an index that is negative or not
  // below the row count.
  bool DelRow(int index);
  // Removes all rows; the columns stay.
  void RemoveAll();

  // Stores a copy of the value. False, with the cell unchanged, for a row or column out of
  // range, a value whose type is not the column's (a FLOAT column also takes DOUBLE values, the
  // form in which it holds the numbers of a dBASE file exactly), a negative length, a positive
  // length without data, or memory running out.
  bool SetItemValue(int row, int column, const zm_variant& value);
  // Replaces the variant's block by a new copy of the cell (a block is allocated even for a
  // length of 0). The variant must own its previous block, which is released first: out of
  // range, or when memory runs out, the variant is left NULL (length 0, no data).
  void GetItemValue(int row, int column, zm_variant& value) const;
  // Renders the cell with its column's format into `text`, cut to `size` bytes including the
  // terminator; a NULL cell (one never set) and a row or column out of range render as "".
  // Numbers use the C locale whatever the user's locale. A format that does not suit the
  // cell's type is replaced by the type's default, so a foreign format can never read
  // arguments that were not passed. Returns the length of the full rendering (as snprintf
  // does); the text is cut when it is >= `size`. Null `text` or a `size` of 0 or less writes
  // nothing and answers 0.
  int GetItemValue(int row, int column, char* text, int size) const;
  // The unbounded form: `text` (null: nothing written) must hold the whole rendering. Prefer
  // the bounded form.
  void GetItemValue(int row, int column, char* text) const;

  // Makes this table a deep copy of `source` (columns, formats, flags, deletion marks, rows
  // and cells). False, with this table emptied (no columns, no rows), when memory runs out; a
  // null source empties the table (true), and the table itself as source changes nothing.
  bool From(const ZMDataView* source);

private:
  friend class ZMDbfFile;  // hands a loaded file's records over, and writes rows as they stand
  using Column = zamra::formats::Column;
  using Cell = zamra::formats::Cell;
  using Row = zamra::formats::Row;
  using DbfRecords = zamra::formats::DbfRecords;
  using CellScratch = zamra::formats::CellScratch;

  void ReleaseRows();
  bool ReserveRows(int rows);
  // The cell to read: stored, or decoded from the file's record into `scratch`; null outside.
  const Cell* ReadCell(int row, int column, Cell& decoded, CellScratch& scratch) const;
  // The cell to change; a row still in the file's records is decoded into cells of its own first.
  Cell* ChangeCell(int row, int column);
  bool DecodeRow(int row);

  Column* m_columns = nullptr;  // owned array of m_columnCount definitions
  int m_columnCount = 0;
  Row* m_rows = nullptr;  // growable sequence of rows: cells, or a record of m_records
  int m_rowCount = 0;
  int m_rowCapacity = 0;
  DbfRecords* m_records = nullptr;      // the loaded file's records, read a cell at a time
  unsigned char* m_rowFlags = nullptr;  // per row: kRowDeleted, kRowInRecords
};
