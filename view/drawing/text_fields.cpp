// Fixed-size text fields and label fonts.
// SPDX-License-Identifier: MIT
#include "drawing/text_fields.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include <QLocale>

#include "platform/font_faces.h"
#include "platform/gdi.h"

namespace zamra::view {

namespace {

// Fontconfig's answers do not change while the program runs: asked once a name.
std::mutex g_facesLock;
std::map<std::string, std::string> g_sansFaces;  // by language tag
std::map<std::string, bool> g_installedFaces;    // by family name

const char* LanguageTag()
{
  switch (QLocale().language()) {
  case QLocale::Japanese:
    return "ja";
  case QLocale::Chinese:
    return "zh-cn";
  default:
    return "en";
  }
}

}  // namespace

std::string DefaultLabelFace()
{
  const std::string language = LanguageTag();
  std::lock_guard<std::mutex> lock(g_facesLock);
  auto found = g_sansFaces.find(language);
  if (found == g_sansFaces.end())
    found = g_sansFaces.emplace(language, zamra::platform::SansSerifFace(language.c_str())).first;
  return found->second;
}

std::string DrawnLabelFace(const char* face)
{
  {
    std::lock_guard<std::mutex> lock(g_facesLock);
    auto found = g_installedFaces.find(face);
    if (found == g_installedFaces.end())
      found = g_installedFaces.emplace(face, zamra::platform::IsFaceInstalled(face)).first;
    if (found->second)
      return face;
  }
  return DefaultLabelFace();
}

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
  CopyTextField(description.lfFaceName, DrawnLabelFace(face).c_str(), sizeof description.lfFaceName);
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

}  // namespace zamra::view
