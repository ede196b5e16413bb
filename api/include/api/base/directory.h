// ZMDirectory: directory trees, path joining and the system's directories.
//
// Wide paths are converted to the process's code page before they reach the file system.
// The recursive delete and copy never follow a symbolic link into another directory: a link
// is removed, or copied, as a link.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

/// Directory trees, path joining and the system's directories.
class ZAMRA_API ZMDirectory {
public:
  ZMDirectory() = default;
  virtual ~ZMDirectory() = default;
  ZMDirectory(const ZMDirectory&) = default;
  ZMDirectory& operator=(const ZMDirectory&) = default;

  // 1 when the path exists and is a directory, else 0.
  static int IsDirectoryW(const WCHAR* path);

  // Creates the directory and every missing one above it. Always 1 (failures are ignored;
  // check with IsDirectoryW).
  static int CreateDirectoryW(const WCHAR* path);

  // Deletes the directory with everything in it. 0 when it cannot be listed (also when the
  // path is a symbolic link: nothing is touched then), else 1, even when single entries
  // could not be removed (they stay).
  static int DeleteDirectoryW(const WCHAR* directory);

  // Copies the tree `source` into `target` (created as needed), never overwriting a file or
  // link already in the target. Symbolic links are copied as links; devices, pipes and
  // sockets are skipped; a target inside the source is not copied into itself. 0 when the
  // source cannot be listed, else 1 (single failures are ignored).
  static int CopyDirectoryW(const WCHAR* source, const WCHAR* target);

  // Appends `more` to the MAX_PATH buffer `path` with one "/" and resolves "." and "..".
  // Answers `path`, or null when the result does not fit (the buffer is unchanged).
  static WCHAR* PathAppendW(WCHAR* path, const WCHAR* more);

  // As ZMFile::PathCombineA.
  static char* PathCombineA(char* target, const char* directory, const char* file);

  // The user's temporary directory, ending in "/": TMPDIR, or a per-user directory private
  // to the user (see platform/system_paths.h). Answers `buffer`, or null when it does not fit
  // in `size` characters or no private directory can be had.
  static WCHAR* GetTempPathW(WCHAR* buffer, DWORD size);

  // There is no Windows or Windows system directory here: both always answer null and leave
  // the buffer as it is.
  static WCHAR* GetWindowsDirectoryW(WCHAR* buffer, DWORD size);
  static WCHAR* GetSystemDirectoryW(WCHAR* buffer, DWORD size);

  // The directory of the running program's executable, without a trailing "/". Answers
  // `buffer` (the empty string when it cannot be found or does not fit in `size`).
  static WCHAR* GetAppDirectoryW(WCHAR* buffer, DWORD size);
  static char* GetAppDirectoryA(char* buffer, DWORD size);
};
