// Text that the view hands out, as Qt text. Attribute values and column names leave the view
// as UTF-8 (the view converts each layer's own code page); layer names are file names.
#pragma once

#include <QString>

namespace mapory {

QString FromViewText(const char* text);
QString FromFileName(const char* name);

} // namespace mapory
