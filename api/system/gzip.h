// ZMGZip: compresses a file into the gzip format and expands it back (zlib's gzip files).
#pragma once

#include "api/zamra_api_export.h"

class ZAMRA_API ZMGZip {
public:
  ZMGZip() = default;
  virtual ~ZMGZip() = default;
  ZMGZip(const ZMGZip&) = default;
  ZMGZip& operator=(const ZMGZip&) = default;

  // Compresses `sourceFile` into `gzipFile` (created or replaced) at zlib's default level.
  // False when a file cannot be opened (the target is then left as it was), when both name the
  // same file, or when reading or writing fails (a partial target may stay).
  static bool Zip(const char* sourceFile, const char* gzipFile);

  // Expands `gzipFile` into `targetFile` (created or replaced); data that is not gzip is copied
  // unchanged. False when a file cannot be opened (the target is then left as it was), when
  // both name the same file, or when the gzip data is damaged or the target cannot be written
  // (a partial target may stay).
  static bool UnZip(const char* gzipFile, const char* targetFile);
};
