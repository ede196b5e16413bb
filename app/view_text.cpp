// The view's texts as Qt text.
// SPDX-License-Identifier: MIT
#include "view_text.h"

#include <QFile>

#include "view/idata_view.h"

namespace mapory {

// Invalid bytes (a column name in another code page) show as U+FFFD, never as raw bytes.
QString FromViewText(const char* text) { return text != nullptr ? QString::fromUtf8(text) : QString(); }

QString FromFileName(const char* name) { return name != nullptr ? QFile::decodeName(name) : QString(); }

ColumnInfo ReadColumn(IDataView& table, int column)
{
  ColumnInfo info;
  char flag = 0;
  char name[40] = {};  // the size the view writes names into
  table.GetColumn(column, info.type, info.width, name, nullptr, flag);
  name[sizeof name - 1] = '\0';
  info.name = FromViewText(name);
  return info;
}

}  // namespace mapory
