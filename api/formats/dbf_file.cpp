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
#include <locale.h>  // strtod_l's locale_t
#include <memory>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "api/base/file.h"
#include "formats/data_view_private.h"
#include "base/replacement_file.h"
#include "api/formats/shape_type.h"
#include "formats/whole_file.h"
#include "platform/file_io.h"
#include "platform/memory_room.h"

using zamra::formats::Cell;
using zamra::formats::Storage;

namespace {

constexpr int kFileHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr unsigned char kHeaderTerminator = 0x0D;
constexpr unsigned char kEndOfFile = 0x1A;
// Written within signed 16-bit lengths, which every reader takes (some read them signed).
constexpr int kMaxColumns = (INT16_MAX - 33) / 32;
constexpr int kMaxRecordLength = INT16_MAX;
constexpr int kMaxTextLength = INT16_MAX - 1;  // a cell's length (terminator included) is 16-bit
// A table may take this many bytes of memory for each byte of its records: a one-byte number
// takes 24 (its cell and its value), a row's pointer and deletion mark 9 more.
constexpr std::int64_t kMaxBytesPerRecordByte = 40;
// Tables so small that no ratio needs checking.
constexpr std::int64_t kSmallTable = std::int64_t{1} << 20;
// Record bytes from which a table is decoded on two threads: below it a thread costs more
// than it saves.
constexpr std::int64_t kParallelDecodeBytes = std::int64_t{4} << 20;

// How a field's text becomes a cell.
enum class FieldKind : unsigned char { Integer, Float, Double, Currency, Text };

struct Field {
  FieldKind kind;
  int offset;  // from the start of the record, deletion flag included
  int length;
  bool numberText;  // an "N" or "F" field: a number written as text
};

bool IsSpace(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The text of a field: up to its first zero byte.
const unsigned char* TextEnd(const unsigned char* field, int length)
{
  const void* zero = std::memchr(field, 0, static_cast<size_t>(length));
  return zero ? static_cast<const unsigned char*>(zero) : field + length;
}

// A number field without a value: blank, or filled with "*" (as some writers mark NULL). A
// text number ends at its first zero byte; a binary one ("I", "B", "Y") is judged whole.
bool IsNullNumber(const unsigned char* field, int length, bool numberText)
{
  const unsigned char* end = numberText ? TextEnd(field, length) : field + length;
  const unsigned char* p = field;
  while (p < end && *p == ' ')
    ++p;
  if (p == end)
    return true;
  while (p < end && *p == '*')
    ++p;
  while (p < end && *p == ' ')
    ++p;
  return p == end;
}

// The text between leading and trailing spaces.
void Trim(const unsigned char*& begin, const unsigned char*& end)
{
  while (begin < end && IsSpace(*begin))
    ++begin;
  while (end > begin && IsSpace(end[-1]))
    --end;
}

// Whether the text is exactly a decimal integer that fits 32 bits, and its value.
bool ParsePlainInteger(const unsigned char* begin, const unsigned char* end, std::int32_t& value)
{
  Trim(begin, end);
  if (begin < end && *begin == '+')
    ++begin;
  const auto* first = reinterpret_cast<const char*>(begin);
  const auto* last = reinterpret_cast<const char*>(end);
  const auto [stop, error] = std::from_chars(first, last, value);
  return error == std::errc() && stop == last && first != last;
}

// Decimal integer as atoi reads it: leading white space, a sign, digits up to the first other
// character; no digits give 0. Values beyond 32 bits are held at the nearest limit.
std::int32_t ParseInteger(const unsigned char* p, const unsigned char* end)
{
  while (p < end && IsSpace(*p))
    ++p;
  bool negative = false;
  if (p < end && (*p == '-' || *p == '+')) {
    negative = *p == '-';
    ++p;
  }
  std::int64_t value = 0;
  while (p < end && *p >= '0' && *p <= '9') {
    value = value * 10 + (*p - '0');
    if (value > std::int64_t{INT32_MAX} + 1)
      value = std::int64_t{INT32_MAX} + 1;
    ++p;
  }
  if (negative)
    value = -value;
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

locale_t CLocale()
{
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return cLocale;
}

// The leading decimal number of the text as strtod reads it (no number: 0); *whole tells
// whether the number took the whole text apart from surrounding spaces.
double ParseReal(const unsigned char* p, const unsigned char* end, bool* whole)
{
  while (p < end && IsSpace(*p))
    ++p;
  while (end > p && end[-1] == ' ')
    --end;
  const unsigned char* start = p;
  if (p < end && *p == '+' && end - p > 1 && p[1] != '-' && p[1] != '+')
    ++p;
  double value = 0.0;
  const auto* first = reinterpret_cast<const char*>(p);
  const auto* last = reinterpret_cast<const char*>(end);
  auto [stop, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) {
    // Overflow and underflow follow strtod (infinity, or the tiny value); rare, so copied.
    const std::string copy(first, last);
    char* copyStop = nullptr;
    value = strtod_l(copy.c_str(), &copyStop, CLocale());
    stop = first + (copyStop - copy.c_str());
  } else if (error != std::errc()) {
    value = 0.0;
    stop = reinterpret_cast<const char*>(start);
  }
  if (whole)
    *whole = stop == last && stop != reinterpret_cast<const char*>(start);
  return value;
}

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

// A DOUBLE field: text that is a number gives that number (our writer stores text). An 8-byte
// field that is not number text is the binary form other writers use: an IEEE double for
// "B", a 64-bit count of ten-thousandths for "Y" (currency).
double ParseDouble(const unsigned char* field, int length, FieldKind kind)
{
  bool whole = false;
  const double value = ParseReal(field, TextEnd(field, length), &whole);
  if (whole || length != 8)
    return value;
  bool blank = true;
  for (int index = 0; index < length; ++index)
    blank = blank && field[index] == ' ';
  if (blank)
    return value;
  if (kind == FieldKind::Currency)
    return static_cast<double>(static_cast<std::int64_t>(
               static_cast<std::uint32_t>(ZMType::ReadInt(field)) |
               static_cast<std::uint64_t>(static_cast<std::uint32_t>(ZMType::ReadInt(field + 4))) << 32)) /
           10000.0;
  return ZMType::ReadDouble(field);
}

// Column type and length from a descriptor's letter, length byte and decimal-count byte.
void MapField(unsigned char letter, unsigned char lengthByte, unsigned char decimals, char& type, int& length,
              FieldKind& kind)
{
  const int extended = lengthByte + 256 * decimals;
  switch (letter) {
  case 'N':
  case 'F':
    if (decimals == 0) {
      type = ZM_VAR_INT;
      kind = FieldKind::Integer;
    } else {
      type = ZM_VAR_FLOAT;
      kind = FieldKind::Float;
    }
    length = lengthByte;
    return;
  case 'I':
    type = ZM_VAR_INT;
    kind = FieldKind::Integer;
    break;
  case 'B':
  case 'Y':
    type = ZM_VAR_DOUBLE;
    kind = letter == 'B' ? FieldKind::Double : FieldKind::Currency;
    break;
  default:
    type = ZM_VAR_STRING;
    kind = FieldKind::Text;
    break;
  }
  length = extended;
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

// One cell of a number or text field, its value allocated from `values`.
void DecodeCell(const Field& field, const unsigned char* text, Cell& cell, Storage& values)
{
  switch (field.kind) {
  case FieldKind::Integer: {
    const unsigned char* end = TextEnd(text, field.length);
    std::int32_t value = 0;
    if (!ParsePlainInteger(text, end, value)) {
      bool whole = false;
      ParseReal(text, end, &whole);
      if (whole && end - text <= kMaxTextLength) {
        // A number that an INT cannot hold (beyond 32 bits, or with a fraction) keeps its
        // text, so that it is shown and written back as the file has it.
        const unsigned char* begin = text;
        Trim(begin, end);
        const size_t length = static_cast<size_t>(end - begin);
        cell.type = ZM_VAR_STRING;
        cell.length = static_cast<std::int16_t>(length + 1);
        cell.data = static_cast<unsigned char*>(values.Allocate(length + 1, 1));
        std::memcpy(cell.data, begin, length);
        cell.data[length] = '\0';
        break;
      }
      value = ParseInteger(text, end);  // not a number: its leading digits, as atoi reads them
    }
    cell.type = ZM_VAR_INT;
    cell.length = 4;
    cell.data = static_cast<unsigned char*>(values.Allocate(4, 4));
    std::memcpy(cell.data, &value, 4);
    break;
  }
  case FieldKind::Float: {
    // Held as a DOUBLE: a single would round most values of a wide field.
    const double value = ParseReal(text, TextEnd(text, field.length), nullptr);
    cell.type = ZM_VAR_DOUBLE;
    cell.length = 8;
    cell.data = static_cast<unsigned char*>(values.Allocate(8, 8));
    std::memcpy(cell.data, &value, 8);
    break;
  }
  case FieldKind::Double:
  case FieldKind::Currency: {
    const double value = ParseDouble(text, field.length, field.kind);
    cell.type = ZM_VAR_DOUBLE;
    cell.length = 8;
    cell.data = static_cast<unsigned char*>(values.Allocate(8, 8));
    std::memcpy(cell.data, &value, 8);
    break;
  }
  case FieldKind::Text: {
    const unsigned char* end = TextEnd(text, field.length);
    while (end > text && end[-1] == ' ')
      --end;
    const size_t length = std::min<size_t>(static_cast<size_t>(end - text), kMaxTextLength);
    cell.type = ZM_VAR_STRING;
    cell.length = static_cast<std::int16_t>(length + 1);
    cell.data = static_cast<unsigned char*>(values.Allocate(length + 1, 1));
    std::memcpy(cell.data, text, length);
    cell.data[length] = '\0';
    break;
  }
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
  return Decode(file.Data(), file.Size());
}

ZMDataView* ZMDbfFile::Decode(const unsigned char* buffer, long long size)
{
  try {
    return DecodeWhole(buffer, size);
  } catch (const std::bad_alloc&) {
    zamra::sys::NoteMemoryShort();
    return nullptr;
  }
}

ZMDataView* ZMDbfFile::DecodeWhole(const unsigned char* buffer, long long size)
{
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
    const unsigned char* descriptor = buffer + kFileHeaderSize + kDescriptorSize * column;
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

  // Room for the rows is set aside before they are decoded: each row's cells, and each field's
  // value at most.
  const size_t cellsPerRow = static_cast<size_t>(columnCount);
  size_t valueBytes = 0;
  for (const Field& field : fields)
    valueBytes += field.kind == FieldKind::Text ? std::min(field.length, kMaxTextLength) + 1 : 8;
  const std::int64_t rowBytes = static_cast<std::int64_t>(sizeof(Cell*) + 1 + sizeof(Cell) * cellsPerRow + valueBytes);
  const std::int64_t tableBytes = rowBytes * recordCount;
  // A number one byte wide takes a cell and its value, 24 bytes; a field of width 0 takes a
  // cell from no byte at all, so that a small file of many such columns could claim gigabytes.
  if (tableBytes > kMaxBytesPerRecordByte * static_cast<std::int64_t>(recordLength) * recordCount + kSmallTable)
    return nullptr;
  if (!zamra::sys::HasMemoryFor(tableBytes)) {
    zamra::sys::NoteMemoryShort();
    return nullptr;
  }

  if (!table->ReserveRows(recordCount))
    throw std::bad_alloc();
  table->m_storage = new Storage;
  Storage& storage = *table->m_storage;
  // A large table is decoded in two halves on two cores, the second half's values in storage
  // of its own that the table takes over afterwards.
  const std::int32_t half = recordLength * static_cast<std::int64_t>(recordCount) >= kParallelDecodeBytes
                                ? recordCount / 2
                                : recordCount;
  // One chunk for the cells and the first half's values.
  storage.Reserve(sizeof(Cell) * cellsPerRow * static_cast<size_t>(recordCount) +
                  valueBytes * static_cast<size_t>(half) + 64);
  Cell* cells = static_cast<Cell*>(storage.Allocate(
      sizeof(Cell) * std::max<size_t>(cellsPerRow * static_cast<size_t>(recordCount), 1), alignof(Cell)));

  // Rows first .. last - 1, their values taken from `values`.
  ZMDataView* rows = table.get();
  const auto decodeRows = [&, rows](std::int32_t first, std::int32_t last, Storage& values) {
    const unsigned char* record = buffer + headerLength + static_cast<std::int64_t>(recordLength) * first;
    for (std::int32_t row = first; row < last; ++row, record += recordLength) {
      Cell* rowCells = cells + cellsPerRow * static_cast<size_t>(row);
      for (int column = 0; column < columnCount; ++column) {
        const Field& field = fields[static_cast<size_t>(column)];
        const unsigned char* text = record + field.offset;
        Cell& cell = rowCells[column];
        cell.inStorage = 1;
        // A field of width 0 holds nothing (other readers show it empty and read the rest).
        if (field.length == 0 ||
            (field.kind != FieldKind::Text && IsNullNumber(text, field.length, field.numberText))) {
          cell.type = ZM_VAR_NULL;  // no value: renders empty and is written back blank
          cell.length = 0;
          cell.data = nullptr;
          continue;
        }
        DecodeCell(field, text, cell, values);
      }
      // Records marked deleted load like others and keep their mark through a save.
      rows->m_deleted[row] = record[0] == '*' ? 1 : 0;
      rows->m_rows[row] = rowCells;
    }
  };
  Storage secondValues;
  bool secondDecoded = true;
  {
    std::jthread second;
    if (half < recordCount) {
      try {
        second = std::jthread([&] {
          try {
            secondValues.Reserve(valueBytes * static_cast<size_t>(recordCount - half) + 64);
            decodeRows(half, recordCount, secondValues);
          } catch (const std::bad_alloc&) {
            secondDecoded = false;  // nothing may leave a thread
          }
        });
      } catch (const std::system_error&) {
        decodeRows(half, recordCount, storage);  // no thread to be had: one after the other
      }
    }
    decodeRows(0, half, storage);
  }
  if (!secondDecoded)
    throw std::bad_alloc();
  storage.Adopt(std::move(secondValues));
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
    unsigned char* descriptor = descriptors.data() + kDescriptorSize * column;
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
  size_t filled = 0;
  for (int row = 0; row < rowCount; ++row) {
    unsigned char* out = batch.data() + filled * record;
    // Deletion flag: a space marks a valid record, "*" a deleted one. Readers that check it
    // (pyshp, dbfread) skip or refuse records flagged with anything else, a zero byte included.
    out[0] = table->m_deleted[row] ? '*' : ' ';
    size_t position = 1;
    for (int column = 0; column < columnCount; ++column) {
      const OutField& field = fields[static_cast<size_t>(column)];
      const int width = field.length;
      int used = 0;
      const zamra::formats::Cell& cell = table->m_rows[row][column];
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
