// ZMBase64: the RFC 4648 alphabet and padding.
// SPDX-License-Identifier: MIT
#include "api/base/base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(unsigned char c)
{
  if (c >= 'A' && c <= 'Z')
    return c - 'A';
  if (c >= 'a' && c <= 'z')
    return c - 'a' + 26;
  if (c >= '0' && c <= '9')
    return c - '0' + 52;
  if (c == '+')
    return 62;
  if (c == '/')
    return 63;
  return -1;
}

}  // namespace

int ZMBase64::Base64Encode(const void* input, int length, char* output)
{
  if (output == nullptr)
    return 0;
  if (input == nullptr || length < 0) {
    output[0] = '\0';
    return 0;
  }
  const auto* bytes = static_cast<const unsigned char*>(input);
  char* out = output;
  int i = 0;
  for (; i + 3 <= length; i += 3) {
    const unsigned group = (bytes[i] << 16) | (bytes[i + 1] << 8) | bytes[i + 2];
    *out++ = kAlphabet[(group >> 18) & 63];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = kAlphabet[(group >> 6) & 63];
    *out++ = kAlphabet[group & 63];
  }
  const int rest = length - i;
  if (rest > 0) {
    const unsigned group = (bytes[i] << 16) | (rest == 2 ? bytes[i + 1] << 8 : 0);
    *out++ = kAlphabet[(group >> 18) & 63];
    *out++ = kAlphabet[(group >> 12) & 63];
    *out++ = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    *out++ = '=';
  }
  *out = '\0';
  return static_cast<int>(out - output);
}

int ZMBase64::Base64Decode(const char* text, void* output)
{
  if (output == nullptr)
    return 0;
  auto* out = static_cast<unsigned char*>(output);
  int written = 0;
  if (text != nullptr) {
    unsigned group = 0;
    int sextets = 0;
    for (const char* cursor = text; *cursor != '\0' && *cursor != '='; ++cursor) {
      const int sextet = SextetOf(static_cast<unsigned char>(*cursor));
      if (sextet < 0)
        continue;  // outside the alphabet: skipped, so it adds no output
      group = (group << 6) | static_cast<unsigned>(sextet);
      if (++sextets == 4) {
        out[written++] = static_cast<unsigned char>(group >> 16);
        out[written++] = static_cast<unsigned char>(group >> 8);
        out[written++] = static_cast<unsigned char>(group);
        group = 0;
        sextets = 0;
      }
    }
    // A short final group keeps its whole bytes; the leftover bits are dropped.
    if (sextets == 2) {
      out[written++] = static_cast<unsigned char>(group >> 4);
    } else if (sextets == 3) {
      out[written++] = static_cast<unsigned char>(group >> 10);
      out[written++] = static_cast<unsigned char>(group >> 2);
    }
  }
  out[written] = 0;
  return written;
}
