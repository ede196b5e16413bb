// ZMMD5: the MD5 message digest.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "api/zamra_api_export.h"

/// The MD5 message digest of a block of bytes.
class ZAMRA_API ZMMD5 {
public:
  ZMMD5() = default;
  virtual ~ZMMD5() = default;
  ZMMD5(const ZMMD5&) = default;
  ZMMD5& operator=(const ZMMD5&) = default;

  // Writes the 16-byte MD5 digest of `length` bytes into `digest`, in the standard byte
  // order. Null data is taken as empty; nothing is written when `digest` is null.
  static void GetMD5(const void* data, std::uint32_t length, unsigned char digest[16]);
};
