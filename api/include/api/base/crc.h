// ZMCRC: the 16-bit CRC with polynomial 0x1021, initial value 0, no reflection and no final
// inversion (CRC-16/XMODEM).
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "api/zamra_api_export.h"

/// The 16-bit CRC (polynomial 0x1021) of a block of bytes.
class ZAMRA_API ZMCRC {
public:
  ZMCRC() = default;
  virtual ~ZMCRC() = default;
  ZMCRC(const ZMCRC&) = default;
  ZMCRC& operator=(const ZMCRC&) = default;

  // The CRC of `length` bytes, each taken from its most significant bit. 0 for null data or
  // a length of 0. The data is only read.
  static std::uint16_t GetCRCCode16_12_5(const void* data, std::uint32_t length);
};
