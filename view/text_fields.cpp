// Fixed-size text fields and label fonts.
#include "text_fields.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi.h"

void CopyTextField(char* field, const char* source, std::size_t size)
{
  if (size == 0)
    return;
  if (source == nullptr)
    source = "";
  const std::size_t length = std::min(std::strlen(source), size - 1);
  std::memcpy(field, source, length);
  field[length] = '\0';
}

const char* LastPathSeparator(const char* path)
{
  const char* last = nullptr;
  for (const char* at = path; *at != '\0'; ++at)
    if (*at == '/' || *at == '\\')
      last = at;
  return last;
}

LabelFont::LabelFont(HDC dc, const char* face, int size, COLORREF color) : m_dc(dc)
{
  LOGFONTA description{};
  description.lfHeight = size;
  description.lfCharSet = DEFAULT_CHARSET;
  CopyTextField(description.lfFaceName, face, sizeof description.lfFaceName);
  m_font = CreateFontIndirectA(&description);
  m_previousFont = SelectObject(dc, m_font);
  m_previousMode = SetBkMode(dc, TRANSPARENT);
  m_previousColor = SetTextColor(dc, color);
}

LabelFont::~LabelFont()
{
  SetTextColor(m_dc, m_previousColor);
  SetBkMode(m_dc, m_previousMode);
  SelectObject(m_dc, m_previousFont);
  DeleteObject(m_font);
}
