// ZMDbfFile: dBASE III reader and writer.
// SPDX-License-Identifier: MIT
#include "api/formats/dbf_file.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "api/base/file.h"
#include "formats/data_view_private.h"
#include "formats/dbf_records.h"
#include "base/replacement_file.h"
#include "api/formats/shape_type.h"
#include "formats/whole_file.h"
#include "platform/file_io.h"
#include "platform/memory_room.h"

using zamra::formats::Cell;
using zamra::formats::DbfRecords;
using zamra::formats::Field;
using zamra::formats::FieldKind;
using zamra::formats::LargeBuffer;

namespace {

constexpr int kFileHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr unsigned char kHeaderTerminator = 0x0D;
constexpr unsigned char kEndOfFile = 0x1A;
// Written within signed 16-bit lengths, which every reader takes (some read them signed).
constexpr int kMaxColumns = (INT16_MAX - 33) / 32;
constexpr int kMaxRecordLength = INT16_MAX;
// A table may take this many bytes of memory for each byte of its records: a one-byte number
// takes 24 (its cell and its value), a row's pointer and deletion mark 9 more.
constexpr std::int64_t kMaxBytesPerRecordByte = 40;
// Tables so small that no ratio needs checking.
constexpr std::int64_t kSmallTable = std::int64_t{1} << 20;

float ToFloat(double value)
{
  // Converting a double beyond the float range is undefined; strtof gives infinity there.
  if (std::isnan(value))
    return static_cast<float>(value);
  if (value > FLT_MAX)
    return HUGE_VALF;
  if (value < -FLT_MAX)
    return -HUGE_VALF;
  return static_cast<float>(value);
}

// Decimal count of a FLOAT column: the precision of its format's conversion, 6 without one;
// at least 1, because readers take a field without decimals for an integer.
int DecimalsOf(const char* format)
{
  int decimals = 6;
  if (format != nullptr) {
    const char* percent = std::strchr(format, '%');
    while (percent != nullptr && percent[1] == '%')
      percent = std::strchr(percent + 2, '%');
    if (percent != nullptr) {
      const char* p = percent + 1;
      while (*p != '\0' && *p != '.' && std::strchr("-+ #0123456789'", *p) != nullptr)
        ++p;
      if (*p == '.') {
        decimals = 0;
        for (++p; *p >= '0' && *p <= '9' && decimals < 1000; ++p)
          decimals = decimals * 10 + (*p - '0');
      }
    }
  }
  return std::clamp(decimals, 1, 255);
}

// How a column goes into the file. Numbers are "N" fields (an "F" field read from a file stays
// "F") with a decimal count: 0 for INT; for FLOAT the count the file gave, else its format's;
// for DOUBLE its format's, in at least 24 characters (a binary field of 8 bytes holds values
// that its width could not hold as text). Every other type is a "C" field.
struct OutField {
  int length;
  unsigned char letter;
  int decimals;
  bool number;
};

OutField OutFieldOf(const zamra::formats::Column& column)
{
  constexpr int kMaxNumberWidth = 255;  // the length byte alone gives a number field's width
  constexpr int kDoubleWidth = 24;      // "-1.2345678901234567e-308": any double, exactly
  OutField field{column.length, 'C', 0, false};
  switch (column.type) {
  case ZM_VAR_INT:
    field.letter = 'N';
    field.number = true;
    field.length = std::min(field.length, kMaxNumberWidth);
    return field;
  case ZM_VAR_FLOAT:
  case ZM_VAR_DOUBLE:
    field.letter = column.fieldLetter == 'F' ? 'F' : 'N';
    field.number = true;
    if (column.type == ZM_VAR_DOUBLE)
      field.length = std::max(field.length, kDoubleWidth);
    field.length = std::min(field.length, kMaxNumberWidth);
    if (column.type == ZM_VAR_FLOAT && column.fieldDecimals > 0) {
      field.decimals = column.fieldDecimals;
    } else {
      // At least 1, because readers take a field without decimals for an integer; fewer than
      // the width, so that a digit fits before the point.
      field.decimals = std::clamp(DecimalsOf(column.format), 1, std::max(1, field.length - 2));
    }
    return field;
  default:
    return field;
  }
}

bool IsNumberCell(char type)
{
  return type == ZM_VAR_SHORT || type == ZM_VAR_INT || type == ZM_VAR_LONG || type == ZM_VAR_FLOAT ||
         type == ZM_VAR_DOUBLE;
}

// Whether `text` reads back as `value` (as a single for a FLOAT cell).
bool ReadsBackAs(const char* text, size_t length, double value, bool single)
{
  double back = 0.0;
  const auto [stop, error] = std::from_chars(text, text + length, back);
  if (error != std::errc() || stop != text + length)
    return false;
  if (std::isnan(value))
    return std::isnan(back);
  return single ? ToFloat(back) == static_cast<float>(value) : back == value;
}

// Writes a cell of a number field into `out` (field.length + 1 bytes) and answers its length;
// -1 when the value cannot be written in the field without changing it beyond rounding to the
// field's decimals. A real number is written
// with the field's decimals when that keeps its value; otherwise in the shortest form that
// keeps it (an exponent where needed); otherwise rounded to the decimals when that fits.
int NumberText(const zamra::formats::Cell& cell, const OutField& field, char* out)
{
  const int width = field.length;
  char buffer[512];
  auto fits = [&](const char* text, size_t length) {
    if (length > static_cast<size_t>(width))
      return -1;
    std::memcpy(out, text, length);
    return static_cast<int>(length);
  };
  auto number = [&cell](auto zero) {
    decltype(zero) value = zero;
    if (cell.data != nullptr && cell.length > 0)
      std::memcpy(&value, cell.data, std::min<size_t>(sizeof value, static_cast<size_t>(cell.length)));
    return value;
  };
  switch (cell.type) {
  case ZM_VAR_NULL:
    return 0;  // no value: a blank field
  case ZM_VAR_SHORT:
  case ZM_VAR_INT:
  case ZM_VAR_LONG: {
    const std::int32_t value = cell.type == ZM_VAR_SHORT ? number(std::int16_t{0}) : number(std::int32_t{0});
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return fits(buffer, static_cast<size_t>(end - buffer));
  }
  case ZM_VAR_FLOAT:
  case ZM_VAR_DOUBLE: {
    const bool single = cell.type == ZM_VAR_FLOAT;
    const double value = single ? static_cast<double>(number(0.0f)) : number(0.0);
    const auto fixed = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, field.decimals);
    const size_t fixedLength = fixed.ec == std::errc() ? static_cast<size_t>(fixed.ptr - buffer) : sizeof buffer;
    if (fixedLength <= static_cast<size_t>(width) && ReadsBackAs(buffer, fixedLength, value, single))
      return fits(buffer, fixedLength);
    char shortest[64];
    const auto exact = single ? std::to_chars(shortest, shortest + sizeof shortest, static_cast<float>(value))
                              : std::to_chars(shortest, shortest + sizeof shortest, value);
    if (exact.ec == std::errc() && exact.ptr - shortest <= width)
      return fits(shortest, static_cast<size_t>(exact.ptr - shortest));
    return fixedLength <= static_cast<size_t>(width) ? fits(buffer, fixedLength) : -1;
  }
  case ZM_VAR_STRING: {
    // A number our reader kept as text (beyond 32 bits): written as it was read.
    const auto* data = reinterpret_cast<const char*>(cell.data);
    const size_t length = data ? strnlen(data, static_cast<size_t>(std::max<int>(cell.length, 0))) : 0;
    return fits(data ? data : "", length);
  }
  default:
    return -1;
  }
}

bool WriteAll(HANDLE file, const void* bytes, size_t size)
{
  DWORD written = 0;
  return WriteFile(file, bytes, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

}  // namespace

ZMDataView* ZMDbfFile::LoadFile(const char* fileName)
{
  if (fileName == nullptr)
    return nullptr;
  zamra::formats::WholeFile file;
  if (!file.Read(fileName, INT32_MAX) || file.Size() < kFileHeaderSize)
    return nullptr;
  try {
    return DecodeRecords(file.TakeBuffer());
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    return nullptr;
  }
}

ZMDataView* ZMDbfFile::Decode(const unsigned char* buffer, long long size)
{
  // The table keeps the bytes it reads its cells from: a copy of the caller's. A buffer memory
  // cannot hold is noted as such by its allocation.
  LargeBuffer bytes;
  if (size < kFileHeaderSize || !bytes.Allocate(static_cast<size_t>(size)))
    return nullptr;
  std::memcpy(bytes.Data(), buffer, static_cast<size_t>(size));
  try {
    return DecodeRecords(std::move(bytes));
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    return nullptr;
  }
}

ZMDataView* ZMDbfFile::DecodeRecords(LargeBuffer&& bytes)
{
  const unsigned char* buffer = bytes.Data();
  const auto size = static_cast<std::int64_t>(bytes.Size());
  const std::int32_t recordCount = ZMType::ReadInt(buffer + 4);
  // Both lengths are unsigned 16-bit: read as signed, a table of more than 1022 columns or of
  // records longer than 32767 bytes would be refused as broken.
  const int headerLength = static_cast<std::uint16_t>(ZMType::ReadShort(buffer + 8));
  const int recordLength = static_cast<std::uint16_t>(ZMType::ReadShort(buffer + 10));
  if (recordCount < 0 || headerLength < 33 || recordLength < 1 || size < headerLength)
    return nullptr;

  int columnCount = (headerLength - 33) / kDescriptorSize;
  // Some writers leave room after the descriptors (a backlink); the terminator ends them.
  for (int column = 0; column < columnCount; ++column)
    if (buffer[kFileHeaderSize + kDescriptorSize * column] == kHeaderTerminator) {
      columnCount = column;
      break;
    }

  auto table = std::make_unique<ZMDataView>(columnCount);
  if (table->GetColumnCount() != columnCount)
    return nullptr;
  std::vector<Field> fields(static_cast<size_t>(columnCount));
  int offset = 1;  // the deletion flag
  for (int column = 0; column < columnCount; ++column) {
    const unsigned char* descriptor = buffer + kFileHeaderSize + kDescriptorSize * static_cast<size_t>(column);
    char name[12] = {};
    std::memcpy(name, descriptor, 11);
    char type = ZM_VAR_NULL;
    int length = 0;
    FieldKind kind = FieldKind::Text;
    const unsigned char letter = descriptor[11];
    MapField(letter, descriptor[16], descriptor[17], type, length, kind);
    table->SetColumn(column, type, length, name, nullptr, 1);
    const bool numberText = letter == 'N' || letter == 'F';
    if (numberText) {
      table->m_columns[column].fieldLetter = static_cast<char>(letter);
      table->m_columns[column].fieldDecimals = descriptor[17];
    }
    fields[static_cast<size_t>(column)] = Field{kind, offset, length, numberText};
    offset += length;
  }
  // Fields wider than the record would run into the next record and past the last one.
  if (offset > recordLength)
    return nullptr;
  if (size < headerLength + static_cast<std::int64_t>(recordLength) * recordCount)
    return nullptr;

  // What the table would take with every row decoded into cells (as a save or a copy does):
  // a number one byte wide takes a cell and its value, 24 bytes; a field of width 0 takes a
  // cell from no byte at all, so that a small file of many such columns could claim gigabytes.
  std::int64_t valueBytes = 0;
  for (const Field& field : fields)
    valueBytes += field.kind == FieldKind::Text ? std::min(field.length, zamra::formats::kMaxTextLength) + 1 : 8;
  const std::int64_t decodedRowBytes = static_cast<std::int64_t>(sizeof(Cell)) * columnCount + valueBytes;
  if (decodedRowBytes * recordCount >
      kMaxBytesPerRecordByte * static_cast<std::int64_t>(recordLength) * recordCount + kSmallTable)
    return nullptr;
  // Loaded, a row takes its record's place and a flag; the cells are decoded when read.
  const std::int64_t rowBytes = static_cast<std::int64_t>(sizeof(zamra::formats::Row) + 1) * recordCount;
  if (!zamra::sys::HasMemoryFor(rowBytes)) {
    zamra::sys::NoteMemoryShort();
    return nullptr;
  }
  if (!table->ReserveRows(recordCount))
    throw std::bad_alloc();
  table->m_records = new DbfRecords(std::move(bytes), headerLength, recordLength, std::move(fields));
  const DbfRecords& records = *table->m_records;
  for (std::int32_t row = 0; row < recordCount; ++row) {
    const unsigned char* record = records.Record(row);
    table->m_rows[row].record = record;
    // Records marked deleted load like others and keep their mark through a save.
    table->m_rowFlags[row] = zamra::formats::kRowInRecords | (record[0] == '*' ? zamra::formats::kRowDeleted : 0);
  }
  table->m_rowCount = recordCount;
  return table.release();
}

bool ZMDbfFile::WriteTable(void* file, const ZMDataView* table)
{
  const int columnCount = table->GetColumnCount();
  const int rowCount = table->GetRowCount();
  if (columnCount > kMaxColumns)
    return false;

  std::vector<OutField> fields(static_cast<size_t>(columnCount));
  std::vector<unsigned char> descriptors(static_cast<size_t>(kDescriptorSize) * columnCount + 1, 0);
  std::int64_t recordLength = 1;
  int widest = 0;
  for (int column = 0; column < columnCount; ++column) {
    const zamra::formats::Column& definition = table->m_columns[column];
    if (definition.length < 0)
      return false;
    OutField& field = fields[static_cast<size_t>(column)];
    field = OutFieldOf(definition);
    if (field.length > 0xFFFF)
      return false;
    unsigned char* descriptor = descriptors.data() + kDescriptorSize * static_cast<size_t>(column);
    std::memcpy(descriptor, definition.name, strnlen(definition.name, 11));
    descriptor[11] = field.letter;
    ZMType::WriteInt(descriptor + 12, static_cast<int>(recordLength - 1));
    descriptor[16] = static_cast<unsigned char>(field.length % 256);
    // A number field's byte 17 is its decimal count; a text field's is its length's high byte.
    descriptor[17] = field.number ? static_cast<unsigned char>(field.decimals)
                                  : static_cast<unsigned char>(field.length / 256);
    recordLength += field.length;
    if (recordLength > kMaxRecordLength)
      return false;
    widest = std::max(widest, field.length);
  }
  descriptors.back() = kHeaderTerminator;

  unsigned char header[kFileHeaderSize] = {};
  header[0] = 3;    // dBASE III without memo
  header[1] = 109;  // last update, fixed: 2009-12-06
  header[2] = 12;
  header[3] = 6;
  ZMType::WriteInt(header + 4, rowCount);
  ZMType::WriteShort(header + 8, static_cast<short>(kDescriptorSize * columnCount + 33));
  ZMType::WriteShort(header + 10, static_cast<short>(recordLength));
  if (!WriteAll(file, header, sizeof header) || !WriteAll(file, descriptors.data(), descriptors.size()))
    return false;

  // Records go out in batches of up to 1 MB rather than one write each; a small table's batch is
  // no larger than the table (most saves are small, and a zeroed megabyte each costs more).
  const size_t record = static_cast<size_t>(recordLength);
  const size_t batchRecords = std::max<size_t>(
      1, std::min((size_t{1} << 20) / record, static_cast<size_t>(std::max(rowCount, 0))));
  std::vector<unsigned char> batch(batchRecords * record);
  std::vector<char> text(static_cast<size_t>(widest) + 1);
  zamra::formats::CellScratch scratch;
  size_t filled = 0;
  for (int row = 0; row < rowCount; ++row) {
    unsigned char* out = batch.data() + filled * record;
    // Deletion flag: a space marks a valid record, "*" a deleted one. Readers that check it
    // (pyshp, dbfread) skip or refuse records flagged with anything else, a zero byte included.
    out[0] = (table->m_rowFlags[row] & zamra::formats::kRowDeleted) != 0 ? '*' : ' ';
    size_t position = 1;
    for (int column = 0; column < columnCount; ++column) {
      const OutField& field = fields[static_cast<size_t>(column)];
      const int width = field.length;
      int used = 0;
      zamra::formats::Cell decoded;
      const zamra::formats::Cell& cell = *table->ReadCell(row, column, decoded, scratch);
      // A number that does not fit its field refuses the save: cut, it would be another number.
      if (field.number && (IsNumberCell(cell.type) || cell.type == ZM_VAR_NULL || cell.type == ZM_VAR_STRING)) {
        used = NumberText(cell, field, text.data());
        if (used < 0)
          return false;
      } else {
        const int rendered = table->GetItemValue(row, column, text.data(), width + 1);
        if (rendered > width && IsNumberCell(cell.type))
          return false;
        used = std::clamp(rendered, 0, width);
      }
      std::memcpy(out + position, text.data(), static_cast<size_t>(used));
      std::memset(out + position + used, ' ', static_cast<size_t>(width - used));
      position += static_cast<size_t>(width);
    }
    if (++filled == batchRecords) {
      if (!WriteAll(file, batch.data(), filled * record))
        return false;
      filled = 0;
    }
  }
  if (filled > 0 && !WriteAll(file, batch.data(), filled * record))
    return false;
  return WriteAll(file, &kEndOfFile, 1);
}

int ZMDbfFile::SaveFile(const char* fileName, ZMDataView* table)
{
  if (fileName == nullptr || table == nullptr)
    return 0;
  try {
    zamra::base::ReplacementFile file(fileName);
    if (!file.Create() || !WriteTable(file.Handle(), table) || !file.Finish() || !file.Commit())
      return 0;
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}
