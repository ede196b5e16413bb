// ZMURLCode: percent-encoding of URL text (form style: a space is "+").
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"

/// Percent-encoding of URL text (form style: a space is "+").
class ZAMRA_API ZMURLCode {
public:
  ZMURLCode() = default;
  virtual ~ZMURLCode() = default;
  ZMURLCode(const ZMURLCode&) = default;
  ZMURLCode& operator=(const ZMURLCode&) = default;

  // Copies letters, digits, "-", "." and "_"; a space becomes "+"; every other byte becomes
  // "%" and two upper-case hexadecimal digits. `output` needs 3 bytes per input byte plus
  // one. Answers `output`.
  static char* URLEncode(char* output, const char* input);

  // "%" and two hexadecimal digits (either case) become that byte, "+" a space, anything
  // else is copied; a "%" without two hexadecimal digits after it is copied as it is.
  // Never reads past the input's terminator; `output` needs strlen(input) + 1 bytes.
  // Answers `output`.
  static char* URLDecode(char* output, const char* input);
};
