// ZMURLCode: form-style percent-encoding.
// SPDX-License-Identifier: MIT
#include "api/base/url_code.h"

namespace {

int HexValue(char c)
{
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

bool IsUnreserved(unsigned char c)
{
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

}  // namespace

char* ZMURLCode::URLEncode(char* output, const char* input)
{
  if (output == nullptr)
    return nullptr;
  static const char kHex[] = "0123456789ABCDEF";
  char* out = output;
  for (const char* cursor = input; cursor != nullptr && *cursor != '\0'; ++cursor) {
    const auto byte = static_cast<unsigned char>(*cursor);
    if (IsUnreserved(byte)) {
      *out++ = static_cast<char>(byte);
    } else if (byte == ' ') {
      *out++ = '+';
    } else {
      *out++ = '%';
      *out++ = kHex[byte >> 4];
      *out++ = kHex[byte & 15];
    }
  }
  *out = '\0';
  return output;
}

char* ZMURLCode::URLDecode(char* output, const char* input)
{
  if (output == nullptr)
    return nullptr;
  char* out = output;
  const char* cursor = input;
  while (cursor != nullptr && *cursor != '\0') {
    // The second digit is looked at only when the first is a digit, so the terminator stops us.
    if (cursor[0] == '%' && HexValue(cursor[1]) >= 0 && HexValue(cursor[2]) >= 0) {
      *out++ = static_cast<char>(HexValue(cursor[1]) * 16 + HexValue(cursor[2]));
      cursor += 3;
    } else {
      *out++ = cursor[0] == '+' ? ' ' : cursor[0];
      ++cursor;
    }
  }
  *out = '\0';
  return output;
}
