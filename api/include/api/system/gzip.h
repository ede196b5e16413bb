// ZMGZip: compresses a file into the gzip format and expands it back (zlib's gzip files).
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"

/// Compresses a file into the gzip format and expands it back.
class ZAMRA_API ZMGZip {
public:
  ZMGZip() = default;
  virtual ~ZMGZip() = default;
  ZMGZip(const ZMGZip&) = default;
  ZMGZip& operator=(const ZMGZip&) = default;

  // Compresses `sourceFile` into `gzipFile` (created or replaced) at zlib's default level.
  // The target is replaced only by a complete file: on any failure (a file that cannot be
  // opened, both names one file, a read or write error, a full disk) it stays as it was and
  // no new file is left behind.
  static bool Zip(const char* sourceFile, const char* gzipFile);

  // Expands `gzipFile` into `targetFile` (created or replaced); data that is not gzip is copied
  // unchanged. False when a file cannot be opened, when both name the same file, or when the
  // gzip data is damaged or the target cannot be written; the target then stays as it was.
  static bool UnZip(const char* gzipFile, const char* targetFile);
};
