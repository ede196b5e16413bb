// Cells for the tests of tables: typed values to set, and a table's cells and columns read back.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "api/formats/data_view.h"

namespace zamra_test {

// A value of `type` holding the bytes of `number` (ZM_VAR_INT with an int32_t, ZM_VAR_FLOAT
// with a float, ZM_VAR_DOUBLE with a double, ...).
template <typename T>
zm_variant NumberValue(char type, T number)
{
  zm_variant value;
  value.type = type;
  value.length = sizeof number;
  value.data = new unsigned char[sizeof number];
  std::memcpy(value.data, &number, sizeof number);
  return value;
}

inline zm_variant IntValue(std::int32_t number) { return NumberValue(ZM_VAR_INT, number); }
inline zm_variant FloatValue(float number) { return NumberValue(ZM_VAR_FLOAT, number); }
inline zm_variant DoubleValue(double number) { return NumberValue(ZM_VAR_DOUBLE, number); }

// A text value; its length counts the terminator, as the table's own do.
inline zm_variant TextValue(const std::string& text)
{
  zm_variant value;
  value.type = ZM_VAR_STRING;
  value.length = static_cast<std::int16_t>(text.size() + 1);
  value.data = new unsigned char[text.size() + 1];
  std::memcpy(value.data, text.c_str(), text.size() + 1);
  return value;
}

// A cell as the table renders it.
inline std::string CellText(const ZMDataView& table, int row, int column)
{
  char text[ZMDataView::kTextSize];
  table.GetItemValue(row, column, text, sizeof text);
  return text;
}

// A cell's number, read as T; zero when the cell's bytes are not a T's.
template <typename T>
T CellNumber(const ZMDataView& table, int row, int column)
{
  zm_variant value;
  table.GetItemValue(row, column, value);
  T number{};
  if (value.length == sizeof number)
    std::memcpy(&number, value.data, sizeof number);
  return number;
}

// A column's definition as GetColumn gives it.
struct ColumnInfo {
  char type = 0;
  int length = 0;
  char name[40] = {};
  char format[256] = {};
  char flag = 0;
};

inline ColumnInfo Column(const ZMDataView& table, int index)
{
  ColumnInfo column;
  table.GetColumn(index, column.type, column.length, column.name, column.format, column.flag);
  return column;
}

}  // namespace zamra_test
