// Code pages of attribute texts.
// SPDX-License-Identifier: MIT
#include "shape_core/text_code_page.h"

#include <cctype>
#include <cstring>

#include "shape_core/companion_files.h"
#include "platform/code_page.h"
#include "platform/system_calls.h"

namespace zamra::shape {

namespace {

constexpr long kLanguageDriverOffset = 29;

struct NamedCodePage {
  const char* name;  // upper case, without spaces, dashes or underscores
  unsigned codePage;
};

// The charset names iconv knows (GDAL hands a .cpg it does not recognise to iconv as it is), and
// the spellings other writers use, as Normalised leaves them.
const NamedCodePage kNames[] = {
    {"UTF8", 65001},      {"GBK", 936},         {"GB2312", 936},    {"GB231280", 936},   {"EUCCN", 936},
    {"GB18030", 54936},   {"BIG5", 950},        {"BIG5HKSCS", 950}, {"SHIFTJIS", 932},   {"SJIS", 932},
    {"MSKANJI", 932},     {"WINDOWS31J", 932},  {"EUCJP", 20932},   {"EUCKR", 949},      {"KSC5601", 949},
    {"KSC56011987", 949}, {"UHC", 949},         {"JOHAB", 1361},    {"KOI8R", 20866},    {"KOI8U", 21866},
    {"ASCII", 20127},     {"USASCII", 20127},   {"UTF16", 1200},    {"UTF16LE", 1200},   {"UTF16BE", 1201},
    {"TIS620", 874},      {"MACINTOSH", 10000}, {"MAC", 10000},     {"MACROMAN", 10000}, {"MACCYRILLIC", 10007},
    {"CYRILLIC", 28595},  {"ARABIC", 28596},    {"GREEK", 28597},   {"HEBREW", 28598},   {"LATIN1", 28591},
    {"LATIN2", 28592},    {"LATIN3", 28593},    {"LATIN4", 28594},  {"LATIN5", 28599},   {"LATIN6", 28600},
    {"LATIN7", 28603},    {"LATIN8", 28604},    {"LATIN9", 28605},  {"LATIN10", 28606},  {"L1", 28591},
    {"L2", 28592},        {"L3", 28593},        {"L4", 28594},      {"L5", 28599},       {"L6", 28600},
    {"L7", 28603},        {"L8", 28604},        {"L10", 28606},
};

// The name in upper case without spaces, dashes, underscores and dots, and without a leading
// "ANSI", "WINDOWS", "CP" or "ISO" word, which real files put in front of a number.
std::string Normalised(const std::string& text, std::string& prefix)
{
  std::string name;
  for (unsigned char c : text)
    if (std::isalnum(c))
      name.push_back(static_cast<char>(std::toupper(c)));
  for (const char* word : {"ANSI", "WINDOWS", "CP", "IBM", "MS", "OEM"}) {
    const size_t length = std::strlen(word);
    if (name.size() > length && name.compare(0, length, word) == 0 &&
        std::isdigit(static_cast<unsigned char>(name[length]))) {
      prefix = word;
      return name.substr(length);
    }
  }
  return name;
}

bool AllDigits(const std::string& text)
{
  if (text.empty() || text.size() > 5)
    return false;
  for (unsigned char c : text)
    if (!std::isdigit(c))
      return false;
  return true;
}

}  // namespace

unsigned CodePageOfName(const std::string& text)
{
  std::string prefix;
  const std::string name = Normalised(text, prefix);
  if (name.empty())
    return 0;
  // ISO-8859-n is 28590 + n (ISO-8859-15 is 28605); some writers put just "88591".
  for (const char* family : {"ISO8859", "8859"}) {
    const size_t length = std::strlen(family);
    if (name.size() > length && name.compare(0, length, family) == 0 && AllDigits(name.substr(length))) {
      const unsigned part = static_cast<unsigned>(std::stoul(name.substr(length)));
      return part >= 1 && part <= 16 ? 28590 + part : 0;
    }
  }
  if (AllDigits(name))
    return static_cast<unsigned>(std::stoul(name));
  // "LDID/87": a dBASE language-driver number, as GDAL writes it when it knows no better.
  if (name.size() > 4 && name.compare(0, 4, "LDID") == 0 && AllDigits(name.substr(4))) {
    const unsigned long driver = std::stoul(name.substr(4));
    return driver <= 0xFF ? CodePageOfLanguageDriver(static_cast<unsigned char>(driver)) : 0;
  }
  // "ISO-LATIN-2" is "LATIN2".
  const std::string bare = name.compare(0, 8, "ISOLATIN") == 0 ? name.substr(3) : name;
  for (const NamedCodePage& entry : kNames)
    if (bare == entry.name)
      return entry.codePage;
  return 0;
}

unsigned CodePageOfLanguageDriver(unsigned char driver)
{
  // The dBASE language-driver ids and the code pages they stand for.
  switch (driver) {
  case 0x01:
  case 0x09:
  case 0x0B:
  case 0x0D:
  case 0x0F:
  case 0x11:
  case 0x15:
  case 0x18:
  case 0x19:
  case 0x1B:
    return 437;
  case 0x02:
  case 0x0A:
  case 0x0E:
  case 0x10:
  case 0x12:
  case 0x14:
  case 0x16:
  case 0x1A:
  case 0x1D:
  case 0x25:
  case 0x37:
    return 850;
  case 0x03:
  case 0x57:
  case 0x58:
  case 0x59:
    return 1252;
  case 0x04:
    return 10000;
  case 0x08:
  case 0x17:
  case 0x66:
    return 865;
  case 0x13:
  case 0x7B:
    return 932;
  case 0x1C:
  case 0x6C:
    return 863;
  case 0x1F:
  case 0x22:
  case 0x23:
  case 0x40:
  case 0x64:
  case 0x87:
    return 852;
  case 0x24:
    return 860;
  case 0x26:
  case 0x65:
    return 866;
  case 0x4D:
  case 0x7A:
    return 936;
  case 0x4E:
  case 0x79:
    return 949;
  case 0x4F:
  case 0x78:
    return 950;
  case 0x50:
  case 0x7C:
    return 874;
  case 0x67:
    return 861;
  case 0x68:
    return 895;
  case 0x69:
    return 620;
  case 0x6A:
  case 0x86:
    return 737;
  case 0x6B:
  case 0x88:
    return 857;
  case 0x7D:
    return 1255;
  case 0x7E:
    return 1256;
  case 0x96:
    return 10007;
  case 0x97:
    return 10029;
  case 0x98:
    return 10006;
  case 0xC8:
    return 1250;
  case 0xC9:
    return 1251;
  case 0xCA:
    return 1254;
  case 0xCB:
    return 1253;
  case 0xCC:
    return 1257;
  default:
    return 0;
  }
}

namespace {

// The start of a .cpg (as much as a code page's name needs), or nothing when it is missing or
// cannot be read.
std::string CpgText(const std::string& cpgPath)
{
  if (cpgPath.empty())
    return std::string();
  const zamra::sys::ScopedDescriptor cpg(zamra::sys::Open(cpgPath.c_str(), O_RDONLY | O_CLOEXEC));
  char text[63];
  size_t got = 0;
  if (!cpg.Valid() || !zamra::sys::ReadFully(cpg.Get(), text, sizeof text, &got))
    return std::string();
  return std::string(text, got);
}

// The language driver byte of a .dbf's header; false when the file is missing or too short.
bool ReadLanguageDriver(const std::string& dbfPath, unsigned char* driver)
{
  const zamra::sys::ScopedDescriptor dbf(zamra::sys::Open(dbfPath.c_str(), O_RDONLY | O_CLOEXEC));
  unsigned char header[kLanguageDriverOffset + 1];
  size_t got = 0;
  if (!dbf.Valid() || !zamra::sys::ReadFully(dbf.Get(), header, sizeof header, &got) || got != sizeof header)
    return false;
  *driver = header[kLanguageDriverOffset];
  return true;
}

}  // namespace

unsigned TableCodePage(const std::string& dbfPath, CodePageSource* source)
{
  if (source != nullptr)
    *source = CodePageSource::Process;
  if (const unsigned codePage = CodePageOfName(CpgText(CompanionPath(dbfPath, ".cpg"))); codePage != 0) {
    if (source != nullptr)
      *source = CodePageSource::CpgFile;
    return codePage;
  }
  unsigned char driver = 0;
  if (const unsigned codePage = ReadLanguageDriver(dbfPath, &driver) ? CodePageOfLanguageDriver(driver) : 0;
      codePage != 0) {
    if (source != nullptr)
      *source = CodePageSource::LanguageDriver;
    return codePage;
  }
  return 0;
}

unsigned TableCodePageOf(const std::string& cpgText, const unsigned char* dbf, std::int64_t dbfSize)
{
  if (const unsigned codePage = CodePageOfName(cpgText.substr(0, 63)); codePage != 0)
    return codePage;  // as much of a .cpg as TableCodePage reads
  return dbf != nullptr && dbfSize > kLanguageDriverOffset ? CodePageOfLanguageDriver(dbf[kLanguageDriverOffset]) : 0;
}

std::string TextToUtf8(const char* text, std::size_t length, unsigned codePage)
{
  if (text == nullptr || length == 0)
    return std::string();
  bool ascii = true;
  for (std::size_t i = 0; i < length && ascii; ++i)
    ascii = static_cast<unsigned char>(text[i]) < 0x80;
  if (ascii)
    return std::string(text, length);  // the same bytes in every code page the tables use
  // Invalid bytes become U+FFFD on the way to UTF-16, whatever the code page.
  return FromUtf16(ToUtf16(std::string(text, length), codePage == 0 ? CP_ACP : codePage), CP_UTF8);
}

void CopyUtf8Cut(char* field, std::size_t size, const std::string& text)
{
  if (field == nullptr || size == 0)
    return;
  std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
  if (length < text.size())
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
      --length;  // never cut inside a character
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

int Utf8DisplayWidth(const char* text)
{
  int width = 0;
  for (const auto* at = reinterpret_cast<const unsigned char*>(text); *at != 0;) {
    char32_t code = *at;
    int extra = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
    if (extra > 0)
      code &= 0x3F >> extra;
    ++at;
    for (; extra > 0 && (*at & 0xC0) == 0x80; --extra, ++at)
      code = (code << 6) | (*at & 0x3F);
    const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                      (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                      (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                      (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
    width += wide ? 2 : 1;
  }
  return width;
}

}  // namespace zamra::shape
