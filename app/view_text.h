// Text that the view hands out, as Qt text. Attribute values and column names leave the view
// as UTF-8 (the view converts each layer's own code page); layer names are file names.
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class IDataView;

namespace mapory {

QString FromViewText(const char* text);
QString FromFileName(const char* name);

// What the lists show of an attribute column: its name, value type code and field width.
struct ColumnInfo {
  QString name;
  char type = 0;
  int width = 0;
};
ColumnInfo ReadColumn(IDataView& table, int column);

}  // namespace mapory
