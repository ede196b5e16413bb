// ZMString: text helpers over the platform's code pages and clock.
// SPDX-License-Identifier: MIT
#include "api/base/string.h"

#include <atomic>
#include <charconv>
#include <cstring>
#include <new>
#include <string>

#include "platform/code_page.h"
#include "platform/local_time.h"

namespace {

// Digits are written with to_chars so that no user locale can change them.
char* PutNumber(char* out, unsigned value, int width)
{
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  const int count = static_cast<int>(result.ptr - digits);
  for (int pad = count; pad < width; ++pad)
    *out++ = '0';
  std::memcpy(out, digits, static_cast<size_t>(count));
  return out + count;
}

// "YYYY-MM-DD hh:mm:ss" with its terminator; 20 bytes.
void FormatTime(const SYSTEMTIME& time, char* buffer)
{
  char* out = buffer;
  out = PutNumber(out, time.wYear, 4);
  *out++ = '-';
  out = PutNumber(out, time.wMonth, 2);
  *out++ = '-';
  out = PutNumber(out, time.wDay, 2);
  *out++ = ' ';
  out = PutNumber(out, time.wHour, 2);
  *out++ = ':';
  out = PutNumber(out, time.wMinute, 2);
  *out++ = ':';
  out = PutNumber(out, time.wSecond, 2);
  *out = '\0';
}

void WidenAscii(const char* text, WCHAR* target)
{
  do {
    *target++ = static_cast<unsigned char>(*text);
  } while (*text++ != '\0');
}

// atoi's reading: leading blanks, a sign, then digits up to the first non-digit.
long long ReadDecimal(const char* text)
{
  while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
    ++text;
  bool negative = false;
  if (*text == '+' || *text == '-')
    negative = *text++ == '-';
  long long value = 0;
  while (*text >= '0' && *text <= '9')
    value = value * 10 + (*text++ - '0');
  return negative ? -value : value;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <typename Char>
int CopyCut(const Char* text, size_t length, Char* buffer, int size)
{
  if (buffer == nullptr || size <= 0)
    return 0;
  const size_t count = length < static_cast<size_t>(size - 1) ? length : static_cast<size_t>(size - 1);
  std::memcpy(buffer, text, count * sizeof(Char));
  buffer[count] = 0;
  return static_cast<int>(count);
}

std::atomic<unsigned> g_guidCounter{0};

}  // namespace

int ZMString::ToUnicode(const char* source, WCHAR* target, UINT codePage)
{
  if (source == nullptr)
    return 0;
  try {
    const int needed = MultiByteToWideChar(codePage, 0, source, -1, nullptr, 0);
    if (needed <= 0 || target == nullptr)
      return needed;
    return MultiByteToWideChar(codePage, 0, source, -1, target, needed);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int ZMString::ToAnsi(const WCHAR* source, char* target, UINT codePage)
{
  if (source == nullptr)
    return 0;
  try {
    const int needed = WideCharToMultiByte(codePage, 0, source, -1, nullptr, 0, "", nullptr);
    if (needed <= 0 || target == nullptr)
      return needed;
    return WideCharToMultiByte(codePage, 0, source, -1, target, needed, "", nullptr);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

COLORREF ZMString::TextToColor(const char* text)
{
  if (text == nullptr)
    return 0;
  char work[12] = {};  // three three-digit numbers and two commas
  std::strncpy(work, text, 11);
  char* firstComma = std::strchr(work, ',');
  if (firstComma == nullptr)
    return 0;
  *firstComma = '\0';
  char* secondComma = std::strchr(firstComma + 1, ',');
  if (secondComma == nullptr)
    return 0;
  *secondComma = '\0';
  const long long red = ReadDecimal(work);
  const long long green = ReadDecimal(firstComma + 1);
  const long long blue = ReadDecimal(secondComma + 1);
  return RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
}

void ZMString::GetLocalTimeString(char* buffer, const SYSTEMTIME& time)
{
  if (buffer != nullptr)
    FormatTime(time, buffer);
}

void ZMString::GetLocalTimeString(WCHAR* buffer, const SYSTEMTIME& time)
{
  if (buffer == nullptr)
    return;
  char narrow[20];
  FormatTime(time, narrow);
  WidenAscii(narrow, buffer);
}

void ZMString::GetLocalTimeString(char* buffer)
{
  SYSTEMTIME now{};
  GetLocalTime(&now);
  GetLocalTimeString(buffer, now);
}

void ZMString::GetLocalTimeString(WCHAR* buffer)
{
  SYSTEMTIME now{};
  GetLocalTime(&now);
  GetLocalTimeString(buffer, now);
}

void ZMString::GetShortLocalDateString(WCHAR* buffer)
{
  if (buffer == nullptr)
    return;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char narrow[9];
  char* out = PutNumber(narrow, now.wYear, 4);
  out = PutNumber(out, now.wMonth, 2);
  out = PutNumber(out, now.wDay, 2);
  *out = '\0';
  WidenAscii(narrow, buffer);
}

int ZMString::GetErrorMessage(DWORD code, char* buffer, int size)
{
  char message[256];
  const char* text = strerror_r(static_cast<int>(code), message, sizeof message);  // GNU form
  return CopyCut(text, std::strlen(text), buffer, size);
}

int ZMString::GetErrorMessage(DWORD code, WCHAR* buffer, int size)
{
  char message[256];
  const char* text = strerror_r(static_cast<int>(code), message, sizeof message);
  try {
    const std::u16string wide = ToUtf16(text);
    return CopyCut(wide.c_str(), wide.size(), buffer, size);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

void ZMString::GetBitString(std::uint32_t value, char* buffer)
{
  if (buffer == nullptr)
    return;
  for (int bit = 31; bit >= 0; --bit)
    *buffer++ = ((value >> bit) & 1u) ? '1' : '0';
  *buffer = '\0';
}

void ZMString::GetBitString(std::uint16_t value, char* buffer)
{
  if (buffer == nullptr)
    return;
  for (int bit = 15; bit >= 0; --bit)
    *buffer++ = ((value >> bit) & 1u) ? '1' : '0';
  *buffer = '\0';
}

char* ZMString::Replace(const char* source, const char* pattern, char* target)
{
  if (target == nullptr)
    return nullptr;
  if (source == nullptr) {
    target[0] = '\0';
    return target;
  }
  const size_t patternLength = pattern ? std::strlen(pattern) : 0;
  char* out = target;
  while (*source != '\0') {
    size_t matched = 0;
    while (matched < patternLength && source[matched] != '\0' &&
           LowerAscii(source[matched]) == LowerAscii(pattern[matched]))
      ++matched;
    if (patternLength > 0 && matched == patternLength) {
      source += patternLength;
      continue;
    }
    *out++ = *source++;
  }
  *out = '\0';
  return target;
}

bool ZMString::IsNumber(const char* text, int length)
{
  if (text == nullptr)
    return length <= 0;
  int points = 0;
  for (int i = 0; i < length; ++i) {
    if (text[i] == '.') {
      if (++points > 1)
        return false;
    } else if (!IsDigit(text[i])) {
      return false;
    }
  }
  return true;
}

bool ZMString::IsIntNumber(const char* text, int length)
{
  if (text == nullptr)
    return length <= 0;
  for (int i = 0; i < length; ++i)
    if (!IsDigit(text[i]))
      return false;
  return true;
}

bool ZMString::IsMail(const char* text, int length)
{
  if (text == nullptr || length <= 0)
    return false;
  int atSigns = 0;
  int pointsAfterAt = 0;
  for (int i = 0; i < length; ++i) {
    const char c = text[i];
    if (std::strchr("#$%()[]\\~", c) != nullptr && c != '\0')
      return false;
    if (c == '@') {
      if (++atSigns > 1)
        return false;
    } else if (c == '.' && atSigns == 1) {
      ++pointsAfterAt;
    }
  }
  return atSigns == 1 && pointsAfterAt > 0;
}

bool ZMString::IsIpAddr(const char* text, int length)
{
  if (text == nullptr || length < 7)
    return false;
  int groupValue = 0;
  int groupDigits = 0;
  for (int i = 0; i < length; ++i) {
    const char c = text[i];
    if (c == '.') {
      groupValue = 0;
      groupDigits = 0;
    } else if (IsDigit(c)) {
      groupValue = groupValue * 10 + (c - '0');
      if (++groupDigits > 3 || groupValue > 255)
        return false;
    } else {
      return false;
    }
  }
  return true;
}

void ZMString::MakeGUID(char* buffer)
{
  if (buffer == nullptr)
    return;
  // Atomic, so that threads calling at once never share a number.
  const unsigned counter = g_guidCounter.fetch_add(1, std::memory_order_relaxed) + 1;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char* out = buffer;
  out = PutNumber(out, now.wYear, 4);
  out = PutNumber(out, now.wMonth, 2);
  out = PutNumber(out, now.wDay, 2);
  out = PutNumber(out, now.wHour, 2);
  out = PutNumber(out, now.wMinute, 2);
  out = PutNumber(out, now.wSecond, 2);
  out = PutNumber(out, counter, 4);
  *out = '\0';
}
