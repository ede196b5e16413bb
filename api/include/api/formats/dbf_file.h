// ZMDbfFile: reads a dBASE III table (.dbf) into a ZMDataView and writes one back.
//
// Field letters on reading: "N"/"F" with no decimals give INT, with decimals FLOAT; "I" INT;
// "B"/"Y" DOUBLE; every other letter STRING. Values keep what the file holds: an INT column's
// number beyond 32 bits (or with a fraction) is a STRING cell holding its text, and other text
// in it gives its leading digits (as atoi reads them); a FLOAT column's cells are DOUBLE; a
// blank or "*"-filled number is a NULL cell (rendered empty). An "I" field of 4 bytes is read
// as number text when all 4 bytes are such text, else as the binary little-endian 32-bit
// integer other writers store; wider or narrower "I" fields as number text; "B" and "Y" as
// number text, else as the 8-byte binary double or currency.
// On writing: INT "N" with no decimals; FLOAT and DOUBLE "N" (or the "F" they were read from)
// with their decimal count, DOUBLE at least 24 wide; number fields at most 255 wide;
// everything else "C", its text cut to the field. A number is written exactly when its field
// has room (with the field's decimals, else in its shortest exact form), otherwise rounded to
// the field's decimals; one that does not fit even so refuses the save rather than being cut.
// Records marked deleted ("*") keep that mark. Values are converted under C-locale rules
// whatever the user's locale.
// A field of width 0 loads as a column whose cells are all NULL. A loaded table keeps the
// file's records and decodes a cell when it is read, so that loading costs little more than
// the read; a row that is changed gets cells of its own.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/formats/data_view.h"
#include "api/zamra_api_export.h"

namespace zamra::formats {
class LargeBuffer;
}  // namespace zamra::formats
namespace zamra::view {
class CLayerDataView;
}  // namespace zamra::view

/// Reads a dBASE III table (.dbf) into a ZMDataView and writes one back.
class ZAMRA_API ZMDbfFile {
public:
  ZMDbfFile() = default;
  virtual ~ZMDbfFile() = default;
  ZMDbfFile(const ZMDbfFile&) = default;
  ZMDbfFile& operator=(const ZMDbfFile&) = default;

  // Reads the whole file with one read and returns a new table that belongs to the caller
  // (delete), or null for a null name, a file that cannot be opened or read whole or is 2 GiB
  // or larger, or a broken header: under 32 bytes, a negative record count, a header length
  // below 33, a record length too short for its fields, or fewer bytes than the header length
  // plus record count x record length; both lengths are unsigned 16-bit.
  // Null too for a table that would take more than 40 bytes of memory for each byte of its
  // records (columns of width 0 by the thousand), and for a table that memory cannot hold,
  // which is refused before room is set aside for it and noted for
  // zamra::sys::MemoryShortCount. Deleted records load like others and keep their mark.
  // Text reaches the table without code-page conversion, up to its first zero byte and
  // without trailing spaces. Column names are the descriptors' 11 bytes; columns get flag 1.
  static ZMDataView* LoadFile(const char* fileName);

  // Writes `table` to `fileName`, replacing an existing file only once the new one is
  // complete: a failed write leaves the old file as it was. 1 on success; 0 for a null
  // argument, when the file cannot be written completely, or when the table does not fit the
  // format (more than 1022 columns, records longer than 32767 bytes, a negative column length,
  // a number wider than its field). Column names are cut to 11 bytes; every row is written,
  // those marked deleted with their mark.
  static int SaveFile(const char* fileName, ZMDataView* table);

private:
  friend class ZMShapeFile;                  // saves its table beside the other files before moving them in
  friend class zamra::view::CLayerDataView;  // the view's tables read from archives in memory
  // Writes the table into an open file handle; false on any write error or a table that
  // does not fit the format.
  static bool WriteTable(void* file, const ZMDataView* table);
  // Builds the table from a whole file in memory; null when the header is broken, when the
  // table would take more than 40 bytes of memory for each byte of its records (columns of
  // width 0 by the thousand), or when memory cannot hold it (then noted for
  // zamra::sys::MemoryShortCount).
  static ZMDataView* Decode(const unsigned char* buffer, long long size);
  // The table over the file's bytes, which it keeps; throws std::bad_alloc when memory runs out.
  static ZMDataView* DecodeRecords(zamra::formats::LargeBuffer&& bytes);
};
