// ZMBase64: Base64 with the standard alphabet, padded, without line breaks.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"

/// Base64 encoding and decoding with the standard alphabet.
class ZAMRA_API ZMBase64 {
public:
  ZMBase64() = default;
  virtual ~ZMBase64() = default;
  ZMBase64(const ZMBase64&) = default;
  ZMBase64& operator=(const ZMBase64&) = default;

  // Writes the Base64 text of `length` bytes and a terminating zero into `output`, which
  // needs 4 characters for every 3 bytes (rounded up) plus one. Answers the number of
  // characters written without the terminator (0 for null arguments or a negative length).
  static int Base64Encode(const void* input, int length, char* output);

  // Decodes the zero-terminated Base64 `text` into `output` and adds a zero byte. A final
  // group of 2 or 3 characters, padded or not, gives 1 or 2 bytes. Characters outside the
  // alphabet are skipped and the first "=" ends the data, so the output never exceeds
  // strlen(text) bytes with its terminator (a buffer as long as the text with its terminator
  // always suffices). Answers the number of decoded bytes, without the terminator.
  static int Base64Decode(const char* text, void* output);
};
