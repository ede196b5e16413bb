// The view's texts as Qt text.
#include "app/view_text.h"

#include <QFile>

namespace mapory {

// Invalid bytes (a column name in another code page) show as U+FFFD, never as raw bytes.
QString FromViewText(const char* text) { return text != nullptr ? QString::fromUtf8(text) : QString(); }

QString FromFileName(const char* name) { return name != nullptr ? QFile::decodeName(name) : QString(); }

} // namespace mapory
