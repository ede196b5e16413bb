// ZMDataView and zm_variant: the attribute table.
// SPDX-License-Identifier: MIT
#include "api/formats/data_view.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale.h>  // newlocale, uselocale
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "formats/data_view_private.h"
#include "formats/dbf_records.h"

namespace {

constexpr int kNameSize = 40;

const char* DefaultFormat(char type)
{
  switch (type) {
  case ZM_VAR_CHAR:
    return "%c";
  case ZM_VAR_SHORT:
  case ZM_VAR_INT:
  case ZM_VAR_LONG:
    return "%d";
  case ZM_VAR_FLOAT:
    return "%f";
  case ZM_VAR_DATETIME:
    return "%04d-%02d-%02d %02d:%02d:%02d";
  case ZM_VAR_DOUBLE:
    return "%lf";
  case ZM_VAR_STRING:
    return "%s";
  default:
    return "";
  }
}

char* CopyText(const char* text)
{
  const size_t length = std::strlen(text);
  char* copy = new char[length + 1];
  std::memcpy(copy, text, length + 1);
  return copy;
}

enum class ArgumentKind { Integer, Real, Text };

// True when every conversion of `format` takes the kind of argument the cell passes and there
// are no more conversions than arguments; printf would otherwise read what was never passed.
bool FormatSuits(const char* format, ArgumentKind kind, int argumentCount)
{
  int conversions = 0;
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%')
      continue;
    ++p;
    if (*p == '%')
      continue;
    while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0' || *p == '\'')
      ++p;
    while (*p >= '0' && *p <= '9')
      ++p;
    if (*p == '.') {
      ++p;
      while (*p >= '0' && *p <= '9')
        ++p;
    }
    int shortModifiers = 0;
    int longModifiers = 0;
    while (*p == 'h') {
      ++shortModifiers;
      ++p;
    }
    while (*p == 'l') {
      ++longModifiers;
      ++p;
    }
    if (shortModifiers > 2 || longModifiers > 1 || (shortModifiers > 0 && longModifiers > 0))
      return false;
    switch (*p) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
    case 'c':
      if (kind != ArgumentKind::Integer || longModifiers > 0)
        return false;
      break;
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A':
      if (kind != ArgumentKind::Real || shortModifiers > 0)
        return false;
      break;
    case 's':
      if (kind != ArgumentKind::Text || shortModifiers > 0 || longModifiers > 0)
        return false;
      break;
    default:  // '*', '$', 'n', 'p', wide or long double forms, or the end of the text
      return false;
    }
    if (++conversions > argumentCount)
      return false;
  }
  return true;
}

// Formats under the C locale, whatever the thread's locale, so that files and labels get
// "1.5" and never "1,5".
class CLocaleScope final {
public:
  CLocaleScope()
  {
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (cLocale != static_cast<locale_t>(nullptr))
      m_previous = uselocale(cLocale);
  }
  ~CLocaleScope()
  {
    if (m_previous != static_cast<locale_t>(nullptr))
      uselocale(m_previous);
  }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
  locale_t m_previous = static_cast<locale_t>(nullptr);
};

// The cell's bytes padded with zeros to `width`, so that a short block never reads past itself.
template <typename T>
T CellNumber(const unsigned char* data, int length)
{
  T value{};
  if (data != nullptr && length > 0)
    std::memcpy(&value, data, std::min<size_t>(sizeof value, static_cast<size_t>(length)));
  return value;
}

int RenderCell(const zamra::formats::Cell* cell, const char* format, char* text, int size)
{
  if (size <= 0)
    return 0;
  text[0] = '\0';
  if (cell == nullptr)
    return 0;
  const char type = cell->type;
  ArgumentKind kind = ArgumentKind::Integer;
  int arguments = 1;
  switch (type) {
  case ZM_VAR_CHAR:
  case ZM_VAR_SHORT:
  case ZM_VAR_INT:
  case ZM_VAR_LONG:
    break;
  case ZM_VAR_DATETIME:
    arguments = 6;
    break;
  case ZM_VAR_FLOAT:
  case ZM_VAR_DOUBLE:
    kind = ArgumentKind::Real;
    break;
  case ZM_VAR_STRING:
    kind = ArgumentKind::Text;
    break;
  default:
    return 0;  // NULL and unknown types render as the empty string
  }
  if (format == nullptr || !FormatSuits(format, kind, arguments))
    format = DefaultFormat(type);

  const auto bytes = static_cast<size_t>(size);
  if (type == ZM_VAR_STRING && std::strcmp(format, "%s") == 0) {
    // Plain text, as labels read it a thousand times a redraw: copied as snprintf would, without
    // its parsing or the locale switch.
    const auto* data = reinterpret_cast<const char*>(cell->data);
    const size_t length = data ? strnlen(data, static_cast<size_t>(std::max<int>(cell->length, 0))) : 0;
    const size_t copied = std::min(length, bytes - 1);
    if (copied > 0)
      std::memcpy(text, data, copied);
    text[copied] = '\0';
    return static_cast<int>(length);
  }
  CLocaleScope cLocale;
  switch (type) {
  case ZM_VAR_CHAR:
    return std::snprintf(text, bytes, format, static_cast<int>(CellNumber<signed char>(cell->data, cell->length)));
  case ZM_VAR_SHORT:
    return std::snprintf(text, bytes, format, static_cast<int>(CellNumber<std::int16_t>(cell->data, cell->length)));
  case ZM_VAR_INT:
  case ZM_VAR_LONG:
    return std::snprintf(text, bytes, format, static_cast<int>(CellNumber<std::int32_t>(cell->data, cell->length)));
  case ZM_VAR_FLOAT:
    return std::snprintf(text, bytes, format, static_cast<double>(CellNumber<float>(cell->data, cell->length)));
  case ZM_VAR_DOUBLE:
    return std::snprintf(text, bytes, format, CellNumber<double>(cell->data, cell->length));
  case ZM_VAR_DATETIME: {
    std::uint16_t parts[8] = {};
    if (cell->data != nullptr && cell->length > 0)
      std::memcpy(parts, cell->data, std::min<size_t>(sizeof parts, static_cast<size_t>(cell->length)));
    // Year, month, day, hour, minute, second: the day of week and the milliseconds are skipped.
    return std::snprintf(text, bytes, format, static_cast<int>(parts[0]), static_cast<int>(parts[1]),
                         static_cast<int>(parts[3]), static_cast<int>(parts[4]), static_cast<int>(parts[5]),
                         static_cast<int>(parts[6]));
  }
  case ZM_VAR_STRING: {
    // The stored text may lack its terminator (a length of 0, or a caller's odd block).
    const auto* data = reinterpret_cast<const char*>(cell->data);
    const size_t length = data ? strnlen(data, static_cast<size_t>(std::max<int>(cell->length, 0))) : 0;
    if (data != nullptr && length < static_cast<size_t>(cell->length))
      return std::snprintf(text, bytes, format, data);
    const std::string terminated(data ? data : "", length);
    return std::snprintf(text, bytes, format, terminated.c_str());
  }
  default:
    return 0;
  }
}

}  // namespace

zm_variant::zm_variant(const zm_variant& other) : type(other.type), length(other.length)
{
  if (other.data != nullptr && other.length >= 0) {
    data = new unsigned char[static_cast<size_t>(other.length)];
    std::memcpy(data, other.data, static_cast<size_t>(other.length));
  }
}

zm_variant& zm_variant::operator=(const zm_variant& other)
{
  if (this != &other) {
    zm_variant copy(other);
    std::swap(type, copy.type);
    std::swap(length, copy.length);
    std::swap(data, copy.data);
  }
  return *this;
}

ZMDataView::ZMDataView(int columnCount) { InitColumn(columnCount); }

ZMDataView::~ZMDataView()
{
  ReleaseRows();
  delete[] m_rows;
  delete[] m_rowFlags;
  for (int column = 0; column < m_columnCount; ++column)
    delete[] m_columns[column].format;
  delete[] m_columns;
}

void ZMDataView::InitColumn(int columnCount)
{
  ReleaseRows();
  for (int column = 0; column < m_columnCount; ++column)
    delete[] m_columns[column].format;
  delete[] m_columns;
  m_columns = nullptr;
  m_columnCount = 0;
  if (columnCount <= 0)
    return;
  m_columns = new (std::nothrow) Column[static_cast<size_t>(columnCount)];
  if (m_columns != nullptr)
    m_columnCount = columnCount;
}

void ZMDataView::SetColumn(int index, char type, int length, const char* name, const char* format, char flag)
{
  if (index < 0 || index >= m_columnCount)
    return;
  Column& column = m_columns[index];
  char* newFormat = nullptr;
  try {
    newFormat = CopyText(format != nullptr ? format : DefaultFormat(type));
  } catch (const std::bad_alloc&) {
    return;
  }
  column.type = type;
  column.length = length;
  column.flag = flag;
  std::memset(column.name, 0, sizeof column.name);
  if (name != nullptr)
    std::memcpy(column.name, name, strnlen(name, kNameSize - 1));
  delete[] column.format;
  column.format = newFormat;
  column.fieldLetter = 0;  // a new definition, no longer the file's
  column.fieldDecimals = -1;
}

void ZMDataView::GetColumn(int index, char& type, int& length, char* name, char* format, char& flag) const
{
  static const Column blank;
  const Column& column = index >= 0 && index < m_columnCount ? m_columns[index] : blank;
  type = column.type;
  length = column.length;
  flag = column.flag;
  if (name != nullptr)
    std::memcpy(name, column.name, sizeof column.name);
  if (format != nullptr) {
    const char* text = column.format ? column.format : "";
    std::memcpy(format, text, std::strlen(text) + 1);
  }
}

int ZMDataView::GetColumnCount() const { return m_columnCount; }

int ZMDataView::GetRowCount() const { return m_rowCount; }

bool ZMDataView::ReserveRows(int rows)
{
  if (rows <= m_rowCapacity)
    return true;
  // Grow by at least the current size so that appending stays amortised constant time.
  const std::int64_t wanted = std::max<std::int64_t>(rows, 2 * static_cast<std::int64_t>(m_rowCapacity));
  const int capacity = static_cast<int>(std::min<std::int64_t>(wanted, INT32_MAX));
  if (capacity < rows)
    return false;
  auto* grown = new (std::nothrow) Row[static_cast<size_t>(capacity)];
  auto* grownFlags = new (std::nothrow) unsigned char[static_cast<size_t>(capacity)]();
  if (grown == nullptr || grownFlags == nullptr) {
    delete[] grown;
    delete[] grownFlags;
    return false;
  }
  if (m_rowCount > 0) {
    std::memcpy(grown, m_rows, sizeof(Row) * static_cast<size_t>(m_rowCount));
    std::memcpy(grownFlags, m_rowFlags, static_cast<size_t>(m_rowCount));
  }
  delete[] m_rows;
  delete[] m_rowFlags;
  m_rows = grown;
  m_rowFlags = grownFlags;
  m_rowCapacity = capacity;
  return true;
}

int ZMDataView::AddRow()
{
  if (m_rowCount == INT32_MAX || !ReserveRows(m_rowCount + 1))
    return -1;
  Cell* row = new (std::nothrow) Cell[static_cast<size_t>(std::max(m_columnCount, 1))];
  if (row == nullptr)
    return -1;
  m_rows[m_rowCount].cells = row;
  m_rowFlags[m_rowCount] = 0;
  return m_rowCount++;
}

namespace {

void ReleaseCells(zamra::formats::Cell* cells, int count)
{
  for (int column = 0; column < count; ++column)
    delete[] cells[column].data;
  delete[] cells;
}

}  // namespace

bool ZMDataView::DelRow(int index)
{
  if (index < 0 || index >= m_rowCount)
    return false;
  if ((m_rowFlags[index] & zamra::formats::kRowInRecords) == 0)
    ReleaseCells(m_rows[index].cells, m_columnCount);
  std::memmove(m_rows + index, m_rows + index + 1, sizeof(Row) * static_cast<size_t>(m_rowCount - index - 1));
  std::memmove(m_rowFlags + index, m_rowFlags + index + 1, static_cast<size_t>(m_rowCount - index - 1));
  --m_rowCount;
  return true;
}

void ZMDataView::ReleaseRows()
{
  for (int index = 0; index < m_rowCount; ++index)
    if ((m_rowFlags[index] & zamra::formats::kRowInRecords) == 0)
      ReleaseCells(m_rows[index].cells, m_columnCount);
  m_rowCount = 0;
  delete m_records;
  m_records = nullptr;
}

void ZMDataView::RemoveAll() { ReleaseRows(); }

const ZMDataView::Cell* ZMDataView::ReadCell(int row, int column, Cell& decoded, CellScratch& scratch) const
{
  if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columnCount)
    return nullptr;
  if ((m_rowFlags[row] & zamra::formats::kRowInRecords) == 0)
    return &m_rows[row].cells[column];
  m_records->DecodeCell(m_rows[row].record, column, decoded, scratch);
  return &decoded;
}

bool ZMDataView::DecodeRow(int row)
{
  Cell* cells = new (std::nothrow) Cell[static_cast<size_t>(std::max(m_columnCount, 1))];
  if (cells == nullptr)
    return false;
  CellScratch scratch;
  for (int column = 0; column < m_columnCount; ++column) {
    Cell decoded;
    m_records->DecodeCell(m_rows[row].record, column, decoded, scratch);
    if (decoded.data != nullptr) {
      cells[column].data = new (std::nothrow) unsigned char[static_cast<size_t>(std::max<int>(decoded.length, 1))];
      if (cells[column].data == nullptr) {
        ReleaseCells(cells, m_columnCount);
        return false;
      }
      std::memcpy(cells[column].data, decoded.data, static_cast<size_t>(std::max<int>(decoded.length, 0)));
    }
    cells[column].type = decoded.type;
    cells[column].length = decoded.length;
  }
  m_rows[row].cells = cells;
  m_rowFlags[row] &= static_cast<unsigned char>(~zamra::formats::kRowInRecords);
  return true;
}

ZMDataView::Cell* ZMDataView::ChangeCell(int row, int column)
{
  if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columnCount)
    return nullptr;
  if ((m_rowFlags[row] & zamra::formats::kRowInRecords) != 0 && !DecodeRow(row))
    return nullptr;
  return &m_rows[row].cells[column];
}

bool ZMDataView::SetItemValue(int row, int column, const zm_variant& value)
{
  if (row < 0 || row >= m_rowCount || column < 0 || column >= m_columnCount)
    return false;
  const char columnType = m_columns[column].type;
  const bool accepted = value.type == columnType || (columnType == ZM_VAR_FLOAT && value.type == ZM_VAR_DOUBLE);
  if (!accepted || value.length < 0)
    return false;
  if (value.length > 0 && value.data == nullptr)
    return false;
  unsigned char* block = new (std::nothrow) unsigned char[static_cast<size_t>(std::max<int>(value.length, 1))];
  if (block == nullptr)
    return false;
  Cell* cell = ChangeCell(row, column);
  if (cell == nullptr) {
    delete[] block;
    return false;
  }
  if (value.length > 0)
    std::memcpy(block, value.data, static_cast<size_t>(value.length));
  delete[] cell->data;
  cell->type = value.type;
  cell->length = value.length;
  cell->data = block;
  return true;
}

void ZMDataView::GetItemValue(int row, int column, zm_variant& value) const
{
  delete[] value.data;
  value.data = nullptr;
  value.type = ZM_VAR_NULL;
  value.length = 0;
  Cell decoded;
  CellScratch scratch;
  const Cell* cell = ReadCell(row, column, decoded, scratch);
  if (cell == nullptr)
    return;
  unsigned char* block = new (std::nothrow) unsigned char[static_cast<size_t>(std::max<int>(cell->length, 1))];
  if (block == nullptr)
    return;
  if (cell->length > 0 && cell->data != nullptr)
    std::memcpy(block, cell->data, static_cast<size_t>(cell->length));
  value.type = cell->type;
  value.length = cell->length;
  value.data = block;
}

int ZMDataView::GetItemValue(int row, int column, char* text, int size) const
{
  if (text == nullptr)
    return 0;
  Cell decoded;
  CellScratch scratch;
  const Cell* cell = ReadCell(row, column, decoded, scratch);
  return RenderCell(cell, cell ? m_columns[column].format : nullptr, text, size);
}

void ZMDataView::GetItemValue(int row, int column, char* text) const
{
  if (text == nullptr)
    return;
  Cell decoded;
  CellScratch scratch;
  const Cell* cell = ReadCell(row, column, decoded, scratch);
  char local[kTextSize];
  const int length = RenderCell(cell, cell ? m_columns[column].format : nullptr, local, kTextSize);
  if (length < kTextSize) {
    std::memcpy(text, local, static_cast<size_t>(std::max(length, 0)) + 1);
    return;
  }
  std::vector<char> whole(static_cast<size_t>(length) + 1);
  RenderCell(cell, m_columns[column].format, whole.data(), length + 1);
  std::memcpy(text, whole.data(), whole.size());
}

bool ZMDataView::From(const ZMDataView* source)
{
  if (source == this)
    return true;
  InitColumn(source ? source->m_columnCount : 0);
  if (source == nullptr)
    return true;
  if (m_columnCount != source->m_columnCount)
    return false;
  for (int column = 0; column < m_columnCount; ++column) {
    const Column& from = source->m_columns[column];
    SetColumn(column, from.type, from.length, from.name, from.format, from.flag);
    if (m_columns[column].format == nullptr) {  // SetColumn sets one unless memory ran out
      InitColumn(0);
      return false;
    }
    m_columns[column].fieldLetter = from.fieldLetter;
    m_columns[column].fieldDecimals = from.fieldDecimals;
  }
  if (!ReserveRows(source->m_rowCount)) {
    InitColumn(0);
    return false;
  }
  for (int row = 0; row < source->m_rowCount; ++row) {
    if (AddRow() < 0) {
      InitColumn(0);
      return false;
    }
    m_rowFlags[row] = source->m_rowFlags[row] & zamra::formats::kRowDeleted;
    for (int column = 0; column < m_columnCount; ++column) {
      Cell decoded;
      CellScratch scratch;
      const Cell& from = *source->ReadCell(row, column, decoded, scratch);
      if (from.type == ZM_VAR_NULL)
        continue;
      // Cells are copied as they stand, even one whose type no longer matches its column.
      Cell& to = m_rows[row].cells[column];
      to.data = new (std::nothrow) unsigned char[static_cast<size_t>(std::max<int>(from.length, 1))];
      if (to.data == nullptr) {
        InitColumn(0);
        return false;
      }
      if (from.length > 0 && from.data != nullptr)
        std::memcpy(to.data, from.data, static_cast<size_t>(from.length));
      to.type = from.type;
      to.length = from.length;
    }
  }
  return true;
}
