// DbfRecords: a dBASE table's records kept as the file's bytes and decoded a cell at a time.
// SPDX-License-Identifier: MIT
#include "formats/dbf_records.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <locale.h>  // strtod_l's locale_t
#include <string>
#include <system_error>
#include <utility>

#include "api/formats/data_view.h"
#include "api/formats/shape_type.h"
#include "formats/data_view_private.h"

namespace zamra::formats {

namespace {

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

// One cell of a number or text field, its value written into `room`.
void DecodeValue(const Field& field, const unsigned char* text, Cell& cell, unsigned char* room)
{
  switch (field.kind) {
  case FieldKind::Integer: {
    const unsigned char* end = TextEnd(text, field.length);
    std::int32_t value = 0;
    if (!field.numberText && field.length == 4) {
      // An "I" field of 4 bytes is the binary little-endian integer other writers store.
      // Earlier versions of ours wrote number text there: 4 bytes that are wholly such text
      // are read as text (a binary value could look so only from 150994944 up).
      if (!ParsePlainInteger(text, text + 4, value))
        value = ZMType::ReadInt(text);
    } else if (!ParsePlainInteger(text, end, value)) {
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
        cell.data = room;
        std::memcpy(cell.data, begin, length);
        cell.data[length] = '\0';
        break;
      }
      value = ParseInteger(text, end);  // not a number: its leading digits, as atoi reads them
    }
    cell.type = ZM_VAR_INT;
    cell.length = 4;
    cell.data = room;
    std::memcpy(cell.data, &value, 4);
    break;
  }
  case FieldKind::Float: {
    // Held as a DOUBLE: a single would round most values of a wide field.
    const double value = ParseReal(text, TextEnd(text, field.length), nullptr);
    cell.type = ZM_VAR_DOUBLE;
    cell.length = 8;
    cell.data = room;
    std::memcpy(cell.data, &value, 8);
    break;
  }
  case FieldKind::Double:
  case FieldKind::Currency: {
    const double value = ParseDouble(text, field.length, field.kind);
    cell.type = ZM_VAR_DOUBLE;
    cell.length = 8;
    cell.data = room;
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
    cell.data = room;
    std::memcpy(cell.data, text, length);
    cell.data[length] = '\0';
    break;
  }
  }
}

}  // namespace

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

unsigned char* CellScratch::Room(size_t size)
{
  if (size <= sizeof m_small)
    return m_small;
  if (size > m_largeSize) {
    m_large = std::make_unique<unsigned char[]>(size);
    m_largeSize = size;
  }
  return m_large.get();
}

DbfRecords::DbfRecords(LargeBuffer bytes, std::int64_t firstRecord, int recordLength, std::vector<Field> fields)
    : m_bytes(std::move(bytes)), m_first(m_bytes.Data() + firstRecord), m_recordLength(recordLength),
      m_fields(std::move(fields))
{}

size_t DbfRecords::ValueRoom(int column) const
{
  const Field& field = m_fields[static_cast<size_t>(column)];
  // An integer field beyond 32 bits keeps its text, as a text field does.
  const bool text = field.kind == FieldKind::Text || field.kind == FieldKind::Integer;
  return text ? std::max<size_t>(static_cast<size_t>(std::min(field.length, kMaxTextLength)) + 1, 8) : 8;
}

void DbfRecords::DecodeCell(const unsigned char* record, int column, Cell& cell, unsigned char* room) const
{
  const Field& field = m_fields[static_cast<size_t>(column)];
  const unsigned char* text = record + field.offset;
  // A field of width 0 holds nothing (other readers show it empty and read the rest).
  if (field.length == 0 || (field.kind != FieldKind::Text && IsNullNumber(text, field.length, field.numberText))) {
    cell.type = ZM_VAR_NULL;  // no value: renders empty and is written back blank
    cell.length = 0;
    cell.data = nullptr;
    return;
  }
  DecodeValue(field, text, cell, room);
}

}  // namespace zamra::formats
