// ZMMD5: the reference procedure of MD5 (init, update, final) over a private context.
// SPDX-License-Identifier: MIT
#include "api/base/md5.h"

#include <cstring>

namespace {

struct MD5_CTX {
  std::uint32_t state[4];
  std::uint64_t bitCount;
  unsigned char buffer[64];
};

inline std::uint32_t RotateLeft(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// Per-step shift amounts and sine-derived constants of the four rounds.
// clang-format off
const int kShift[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                        5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                        4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                        6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
// clang-format on

const std::uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

void MD5Transform(std::uint32_t state[4], const unsigned char block[64])
{
  std::uint32_t words[16];
  for (std::size_t i = 0; i < 16; ++i)
    words[i] = static_cast<std::uint32_t>(block[4 * i]) | (static_cast<std::uint32_t>(block[4 * i + 1]) << 8) |
               (static_cast<std::uint32_t>(block[4 * i + 2]) << 16) |
               (static_cast<std::uint32_t>(block[4 * i + 3]) << 24);
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int step = 0; step < 64; ++step) {
    std::uint32_t mixed;
    int word;
    if (step < 16) {
      mixed = (b & c) | (~b & d);
      word = step;
    } else if (step < 32) {
      mixed = (b & d) | (c & ~d);
      word = (5 * step + 1) % 16;
    } else if (step < 48) {
      mixed = b ^ c ^ d;
      word = (3 * step + 5) % 16;
    } else {
      mixed = c ^ (b | ~d);
      word = (7 * step) % 16;
    }
    const std::uint32_t rotated = RotateLeft(a + mixed + kSine[step] + words[word], kShift[step]);
    a = d;
    d = c;
    c = b;
    b = b + rotated;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

void MD5Init(MD5_CTX& context)
{
  context.state[0] = 0x67452301;
  context.state[1] = 0xefcdab89;
  context.state[2] = 0x98badcfe;
  context.state[3] = 0x10325476;
  context.bitCount = 0;
}

void MD5Update(MD5_CTX& context, const unsigned char* input, std::uint64_t length)
{
  std::uint64_t used = (context.bitCount / 8) % 64;
  context.bitCount += length * 8;
  std::uint64_t i = 0;
  const std::uint64_t room = 64 - used;
  if (length >= room) {
    std::memcpy(context.buffer + used, input, room);
    MD5Transform(context.state, context.buffer);
    for (i = room; i + 64 <= length; i += 64)
      MD5Transform(context.state, input + i);
    used = 0;
  }
  if (i < length)
    std::memcpy(context.buffer + used, input + i, length - i);
}

void MD5Final(unsigned char digest[16], MD5_CTX& context)
{
  unsigned char lengthBytes[8];
  for (int i = 0; i < 8; ++i)
    lengthBytes[i] = static_cast<unsigned char>(context.bitCount >> (8 * i));
  // Pad with 0x80 and zeros to 56 bytes modulo 64, then append the bit count.
  static const unsigned char kPadding[64] = {0x80};
  const std::uint64_t used = (context.bitCount / 8) % 64;
  MD5Update(context, kPadding, used < 56 ? 56 - used : 120 - used);
  MD5Update(context, lengthBytes, 8);
  for (int i = 0; i < 4; ++i)
    for (int k = 0; k < 4; ++k)
      digest[4 * i + k] = static_cast<unsigned char>(context.state[i] >> (8 * k));
}

// The context holds message material; a plain memset could be optimised away.
void Wipe(MD5_CTX& context)
{
  volatile unsigned char* bytes = reinterpret_cast<volatile unsigned char*>(&context);
  for (size_t i = 0; i < sizeof context; ++i)
    bytes[i] = 0;
}

}  // namespace

void ZMMD5::GetMD5(const void* data, std::uint32_t length, unsigned char digest[16])
{
  if (digest == nullptr)
    return;
  MD5_CTX context;
  MD5Init(context);
  if (data != nullptr)
    MD5Update(context, static_cast<const unsigned char*>(data), length);
  MD5Final(digest, context);
  Wipe(context);
}
