// ZMStringSplit: tokens inside one owned copy of the text.
// SPDX-License-Identifier: MIT
#include "api/base/string_split.h"

#include <cstring>
#include <new>

ZMStringSplit::~ZMStringSplit() { Clear(); }

void ZMStringSplit::Clear()
{
  delete[] m_text;
  m_text = nullptr;
  m_tokens.clear();
}

bool ZMStringSplit::Split(const char* text, char separator)
{
  Clear();
  if (text == nullptr)
    return true;
  const size_t length = std::strlen(text);
  m_text = new (std::nothrow) char[length + 1];
  if (m_text == nullptr)
    return false;
  std::memcpy(m_text, text, length + 1);
  try {
    char* tokenStart = m_text;
    for (char* cursor = m_text; *cursor != '\0'; ++cursor) {
      if (*cursor == separator) {
        m_tokens.push_back(tokenStart);
        *cursor = '\0';
        tokenStart = cursor + 1;
      }
    }
    m_tokens.push_back(tokenStart);
  } catch (const std::bad_alloc&) {
    Clear();
    return false;
  }
  return true;
}

int ZMStringSplit::GetCount() const { return static_cast<int>(m_tokens.size()); }

char* ZMStringSplit::GetAt(int index) const
{
  if (index < 0 || index >= GetCount())
    return nullptr;
  return m_tokens[static_cast<size_t>(index)];
}
