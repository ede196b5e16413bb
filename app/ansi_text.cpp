// Narrow text in the system's code page to and from Qt text.
#include "app/ansi_text.h"

#include <string>

#include "platform/code_page.h"

namespace mapory {

QString FromAnsi(const char* text)
{
  if (text == nullptr)
    return {};
  const std::u16string wide = ToUtf16(text, CP_ACP);
  return QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
}

QByteArray ToAnsi(const QString& text)
{
  const std::string narrow = FromUtf16(std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                                                      static_cast<size_t>(text.size())),
                                       CP_ACP);
  return QByteArray(narrow.data(), static_cast<qsizetype>(narrow.size()));
}

} // namespace mapory
