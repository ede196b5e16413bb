// ZMCRC: bitwise CRC-16 with the polynomial x^16 + x^12 + x^5 + 1.
// SPDX-License-Identifier: MIT
#include "api/base/crc.h"

std::uint16_t ZMCRC::GetCRCCode16_12_5(const void* data, std::uint32_t length)
{
  if (data == nullptr || length == 0)
    return 0;
  const auto* bytes = static_cast<const unsigned char*>(data);
  unsigned crc = 0;
  for (std::uint32_t i = 0; i < length; ++i) {
    for (int bit = 7; bit >= 0; --bit) {
      const unsigned dataBit = (bytes[i] >> bit) & 1u;
      const unsigned topBit = (crc >> 15) & 1u;
      crc = (crc << 1) & 0xFFFFu;
      if (topBit != dataBit)
        crc ^= 0x1021u;
    }
  }
  return static_cast<std::uint16_t>(crc);
}
