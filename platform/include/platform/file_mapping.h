// File mappings and named shared memory in Windows-shaped calls, over mmap and shm_open.
//
// A mapping handle (released with CloseHandle) keeps its own descriptor, so the file handle it
// was made from may be closed first. A named block lives in POSIX shared memory under a name
// private to the user; the handle that created it removes the name when it is closed (as the
// block disappears on Windows once its creator is gone), while views already made stay valid.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define PAGE_READONLY 0x02u
#define PAGE_READWRITE 0x04u

#define FILE_MAP_WRITE 0x0002u
#define FILE_MAP_READ 0x0004u
#define FILE_MAP_ALL_ACCESS 0x000F001Fu

#define ERROR_ALREADY_EXISTS 183

// A mapping of `file` (or, with INVALID_HANDLE_VALUE and a name, of a named block of shared
// memory) with PAGE_READONLY or PAGE_READWRITE protection. A size of 0 maps the whole file;
// a larger size grows a writable file to it. An existing named block is opened instead
// (GetLastError then answers ERROR_ALREADY_EXISTS). Null on failure, e.g. an empty file with
// size 0. The handle belongs to the caller (CloseHandle).
ZAMRA_PLATFORM_API HANDLE CreateFileMappingW(HANDLE file, void* security, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                                             const WCHAR* name);

// Opens an existing named block with FILE_MAP_READ, FILE_MAP_WRITE or FILE_MAP_ALL_ACCESS.
// Null when there is none.
ZAMRA_PLATFORM_API HANDLE OpenFileMappingW(DWORD access, BOOL inherit, const WCHAR* name);

// Maps `bytes` (0: all) of the mapping from the offset. Null on failure. Released with
// UnmapViewOfFile.
ZAMRA_PLATFORM_API void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow,
                                       std::size_t bytes);

// Releases a view made by MapViewOfFile. FALSE for an address that is not such a view.
ZAMRA_PLATFORM_API BOOL UnmapViewOfFile(const void* view);
