// ZMFile: how every whole-file reader and writer of the system opens its files, and the
// other file services of the base library (whole-file reads, writes through handles, path
// joining, temporary files, file mappings and named shared memory).
//
// Wide paths are converted to the process's code page before they reach the file system.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/file_io.h"
#include "platform/win_types.h"

/// Opening, reading and writing whole files the way every reader and writer of the library does.
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

  // Creates a new file for `name` in the user's temporary directory (ZMDirectory::GetTempPathW)
  // for reading and writing, not shared. Its name is removed at once, so nobody else can open
  // it and the file disappears when the handle is closed; an existing file called `name` is
  // left alone. The handle belongs to the caller. INVALID_HANDLE_VALUE on failure.
  static HANDLE CreateTempFile(const WCHAR* name);

  // 1 when the path exists and is not a directory, else 0.
  static int IsFileW(const WCHAR* path);
  static int IsFileA(const char* path);

  // Joins `directory` and `file` into `target` (MAX_PATH characters) with one "/" between
  // them, resolving "." and ".." ("\" is taken as a separator too). An absolute `file` stands
  // alone. Answers `target`, or null when both are null or the result does not fit.
  static WCHAR* PathCombineW(WCHAR* target, const WCHAR* directory, const WCHAR* file);
  static char* PathCombineA(char* target, const char* directory, const char* file);

  // Reads a whole file into a new buffer: *data gets the buffer (release it with
  // FreeFileData) and *size its length. An empty file answers 1 with *size 0 and *data
  // untouched. 0 (and *size 0) when the file cannot be opened, is larger than an int can
  // count, or memory runs out.
  static int ReadFileData(const char* path, char** data, int* size);
  // Frees a buffer from ReadFileData (null is fine). Answers 1.
  static int FreeFileData(char* data);

  // Write the string's bytes without its terminator (UTF-16: 2 bytes a unit), or `count`
  // bytes. 1 only when everything was written.
  static int WriteString(HANDLE file, const char* text);
  static int WriteString(HANDLE file, const WCHAR* text);
  static int WriteData(HANDLE file, const void* data, DWORD count);

  // Reads up to *count bytes; on success stores the number read in *count and answers 1; on
  // failure answers 0 and leaves *count.
  static int ReadData(HANDLE file, void* buffer, DWORD* count);

  // Executables here carry no version resource: answers false with all four numbers 0.
  static bool GetFileVersion(const char* path, WORD* major, WORD* minor, WORD* build, WORD* revision);

  // A read-only view of a whole existing, non-empty file. *file and *mapping receive the
  // handles for UnMapFile. Null on failure, with both handles released (*file
  // INVALID_HANDLE_VALUE, *mapping null).
  static void* MapFileForRead(const WCHAR* path, HANDLE* file, HANDLE* mapping);

  // A read-write view of a file created anew (truncating an existing one; others may read)
  // with `size` bytes. Handles and failure as MapFileForRead.
  static void* MapFileForCreate(const WCHAR* path, HANDLE* file, HANDLE* mapping, DWORD size);

  // A read-write view of a named block of shared memory of `size` bytes, private to the user;
  // an existing block of that name is opened instead. *mapping receives the handle. The name
  // disappears when the creating handle is closed. Null on failure.
  static void* MapFileForMemoryCreate(HANDLE* mapping, DWORD size, const WCHAR* name);

  // A read-write view of an existing named block. Null when there is none.
  static void* MapFileForMemoryOpen(HANDLE* mapping, const WCHAR* name);

  // Unmaps `view` when it is not null, closes `mapping` when it is not null and `file` when it
  // is not INVALID_HANDLE_VALUE.
  static void UnMapFile(void* view, HANDLE mapping, HANDLE file);
};
