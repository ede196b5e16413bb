// Code page conversion with iconv, with a direct path for UTF-8.
// SPDX-License-Identifier: MIT
#include "platform/code_page.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>  // nl_langinfo(CODESET)
#include <map>
#include <mutex>
#include <strings.h>  // strcasecmp

#include "platform/file_io.h"  // SetLastError

namespace {

struct CharsetName {
  UINT codePage;
  const char* name;
};

// Code pages with an iconv name that differs from "CP<number>".
const CharsetName kCharsets[] = {
    {65001, "UTF-8"},       {936, "GBK"},         {54936, "GB18030"},    {932, "SHIFT_JIS"},    {950, "BIG5"},
    {949, "EUC-KR"},        {20127, "ASCII"},     {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28595, "ISO-8859-5"},
    {28605, "ISO-8859-15"}, {20932, "EUC-JP"},    {1200, "UTF-16LE"},    {1201, "UTF-16BE"},    {20866, "KOI8-R"},
    {21866, "KOI8-U"},      {10000, "MACINTOSH"},
};

UINT CodePageFromCharset(const char* charset)
{
  if (charset == nullptr || charset[0] == '\0')
    return CP_UTF8;
  char* end = nullptr;
  const unsigned long number = std::strtoul(charset, &end, 10);
  if (end != charset && *end == '\0')
    return static_cast<UINT>(number);
  // The C locale reports plain ASCII; its text is taken as UTF-8, the superset.
  if (strcasecmp(charset, "ANSI_X3.4-1968") == 0 || strcasecmp(charset, "ASCII") == 0 ||
      strcasecmp(charset, "UTF8") == 0)
    return CP_UTF8;
  if (strcasecmp(charset, "GB2312") == 0 || strcasecmp(charset, "CP936") == 0 || strcasecmp(charset, "EUC-CN") == 0)
    return 936;
  if (strcasecmp(charset, "SJIS") == 0 || strcasecmp(charset, "CP932") == 0)
    return 932;
  for (const CharsetName& entry : kCharsets)
    if (strcasecmp(charset, entry.name) == 0)
      return entry.codePage;
  if ((charset[0] == 'C' || charset[0] == 'c') && (charset[1] == 'P' || charset[1] == 'p')) {
    const unsigned long cp = std::strtoul(charset + 2, &end, 10);
    if (end != charset + 2 && *end == '\0')
      return static_cast<UINT>(cp);
  }
  return CP_UTF8;
}

void AppendUtf16(std::u16string& out, char32_t code)
{
  if (code >= 0x10000) {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(code));
  }
}

std::u16string Utf8ToUtf16(const char* text, size_t length)
{
  std::u16string out;
  out.reserve(length);
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) {
    const unsigned char lead = bytes[i];
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    int extra = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    bool valid = i + static_cast<size_t>(extra) < length;  // all continuation bytes present
    for (int k = 1; valid && k <= extra; ++k) {
      const unsigned char next = bytes[i + k];
      if ((next & 0xC0) != 0x80)
        valid = false;
      else
        code = (code << 6) | (next & 0x3F);
    }
    if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    AppendUtf16(out, code);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

std::string Utf16ToUtf8(const char16_t* text, size_t length)
{
  std::string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    char32_t code = text[i];
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = 0xFFFD;  // a lone surrogate
    }
    if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

class Converter final {
public:
  Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {}
  ~Converter()
  {
    if (Valid())
      iconv_close(m_handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool Valid() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return m_handle; }

private:
  iconv_t m_handle;
};

// Runs iconv over the whole input; `onInvalid` is called for each byte sequence it refuses,
// with the input advanced past `skip` bytes and its replacement appended to the output.
template <typename OnInvalid>
bool RunIconv(const char* to, const char* from, const char* input, size_t inputBytes, std::string& output, size_t skip,
              OnInvalid onInvalid)
{
  Converter converter(to, from);
  if (!converter.Valid())
    return false;
  output.clear();
  char* in = const_cast<char*>(input);
  size_t inLeft = inputBytes;
  char chunk[4096];
  while (inLeft > 0) {
    char* out = chunk;
    size_t outLeft = sizeof chunk;
    const size_t result = iconv(converter.Handle(), &in, &inLeft, &out, &outLeft);
    output.append(chunk, sizeof chunk - outLeft);
    if (result == static_cast<size_t>(-1)) {
      if (errno == E2BIG)
        continue;
      // EILSEQ or EINVAL (a sequence cut at the end): replace and go on.
      const size_t step = inLeft < skip ? inLeft : skip;
      in += step;
      inLeft -= step;
      onInvalid(output);
    }
  }
  return true;
}

template <typename Char>
size_t LengthOf(const Char* text, int length)
{
  if (length >= 0)
    return static_cast<size_t>(length);
  size_t count = 0;
  while (text[count] != 0)
    ++count;
  return count + 1;  // -1 includes the terminator
}

}  // namespace

UINT GetACP()
{
  const char* overrideSetting = std::getenv("ZAMRA_CODEPAGE");
  if (overrideSetting != nullptr && overrideSetting[0] != '\0')
    return CodePageFromCharset(overrideSetting);
  return CodePageFromCharset(nl_langinfo(CODESET));
}

std::string CodePageCharset(UINT codePage)
{
  if (codePage == CP_ACP)
    codePage = GetACP();
  for (const CharsetName& entry : kCharsets)
    if (entry.codePage == codePage)
      return entry.name;
  // 28591 .. 28606 are ISO-8859-1 .. 16; iconv has no "CP" name for them.
  if (codePage >= 28591 && codePage <= 28606)
    return "ISO-8859-" + std::to_string(codePage - 28590);
  return "CP" + std::to_string(codePage);
}

std::u16string ToUtf16(const std::string& text, UINT codePage)
{
  if (codePage == CP_ACP)
    codePage = GetACP();
  if (codePage == CP_UTF8)
    return Utf8ToUtf16(text.data(), text.size());
  std::string bytes;
  const std::string charset = CodePageCharset(codePage);
  if (!RunIconv("UTF-16LE", charset.c_str(), text.data(), text.size(), bytes, 1,
                [](std::string& out) { out.append("\xFD\xFF", 2); }))
    return Utf8ToUtf16(text.data(), text.size());
  std::u16string result(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < result.size(); ++i)
    result[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return result;
}

namespace {

std::string FromUtf16Replacing(const char16_t* text, size_t length, UINT codePage, const char* defaultChar,
                               bool* usedDefault)
{
  if (codePage == CP_ACP)
    codePage = GetACP();
  if (codePage == CP_UTF8)
    return Utf16ToUtf8(text, length);
  std::string input(length * 2, '\0');
  for (size_t i = 0; i < length; ++i) {
    input[2 * i] = static_cast<char>(text[i] & 0xFF);
    input[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  // As on Windows, a given default character is used even when it is the zero byte.
  const std::string replacement = defaultChar ? std::string(1, defaultChar[0]) : "?";
  std::string output;
  const std::string charset = CodePageCharset(codePage);
  if (!RunIconv(charset.c_str(), "UTF-16LE", input.data(), input.size(), output, 2, [&](std::string& out) {
        out += replacement;
        if (usedDefault)
          *usedDefault = true;
      }))
    return Utf16ToUtf8(text, length);
  return output;
}

// Whether iconv converts the code page; answers are kept, as iconv_open loads modules.
bool IsConvertible(UINT codePage)
{
  if (codePage == CP_ACP || codePage == CP_UTF8)
    return true;
  static std::mutex lock;
  static std::map<UINT, bool> known;
  std::lock_guard<std::mutex> guard(lock);
  const auto found = known.find(codePage);
  if (found != known.end())
    return found->second;
  const Converter converter("UTF-16LE", CodePageCharset(codePage).c_str());
  return known[codePage] = converter.Valid();
}

}  // namespace

std::string FromUtf16(const std::u16string& text, UINT codePage)
{
  return FromUtf16Replacing(text.data(), text.size(), codePage, nullptr, nullptr);
}

int MultiByteToWideChar(UINT codePage, DWORD /*flags*/, const char* source, int sourceLength, WCHAR* target,
                        int targetLength)
{
  if (source == nullptr || targetLength < 0 || (targetLength > 0 && target == nullptr) || !IsConvertible(codePage)) {
    SetLastError(EINVAL);
    return 0;
  }
  const size_t length = LengthOf(source, sourceLength);
  const std::u16string converted = ToUtf16(std::string(source, length), codePage);
  if (targetLength == 0)
    return static_cast<int>(converted.size());
  if (converted.size() > static_cast<size_t>(targetLength))
    return 0;
  std::copy(converted.begin(), converted.end(), target);  // terminated only if the source was
  return static_cast<int>(converted.size());
}

int WideCharToMultiByte(UINT codePage, DWORD /*flags*/, const WCHAR* source, int sourceLength, char* target,
                        int targetLength, const char* defaultChar, BOOL* usedDefault)
{
  if (usedDefault)
    *usedDefault = FALSE;
  if (source == nullptr || targetLength < 0 || (targetLength > 0 && target == nullptr) || !IsConvertible(codePage)) {
    SetLastError(EINVAL);
    return 0;
  }
  const size_t length = LengthOf(source, sourceLength);
  bool replaced = false;
  const std::string converted = FromUtf16Replacing(source, length, codePage, defaultChar, &replaced);
  if (usedDefault)
    *usedDefault = replaced ? TRUE : FALSE;
  if (targetLength == 0)
    return static_cast<int>(converted.size());
  if (converted.size() > static_cast<size_t>(targetLength))
    return 0;
  std::copy(converted.begin(), converted.end(), target);  // terminated only if the source was
  return static_cast<int>(converted.size());
}
