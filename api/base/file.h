// ZMFile: how every whole-file reader and writer of the system opens its files.
#pragma once

#include "api/zamra_api_export.h"
#include "platform/file_io.h"
#include "platform/win_types.h"

class ZAMRA_API ZMFile {
public:
  ZMFile() = default;
  virtual ~ZMFile() = default;
  ZMFile(const ZMFile&) = default;
  ZMFile& operator=(const ZMFile&) = default;

  // Opens an existing file for reading. Others may read it meanwhile but not write it; a
  // file already held by a writer still opens (reading is shared). A missing file gives
  // INVALID_HANDLE_VALUE and creates nothing. The handle belongs to the caller (CloseHandle).
  static HANDLE OpenForRead(const char* path);

  // Creates the file for writing, truncating an existing one; others may read it meanwhile.
  // A second writer of the same file, or a path that cannot be created, gives
  // INVALID_HANDLE_VALUE, and a refused writer leaves the file as it was.
  static HANDLE CreateForWrite(const char* path);
};
