// File handles over POSIX descriptors, with the Windows-shaped calls the libraries use.
//
// Sharing: a handle with write access holds an exclusive advisory lock (flock) for its whole
// life, so a second writer of the same file is refused; a handle with read access takes a
// shared lock when it can, which keeps later writers out while it reads, and opens without
// one when a writer already holds the file (reading stays shared).
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u

#define FILE_SHARE_READ 0x00000001u
#define FILE_SHARE_WRITE 0x00000002u

#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5

#define FILE_ATTRIBUTE_NORMAL 0x00000080u

#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2

#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu

// Opens or creates a file. `access` is GENERIC_READ and/or GENERIC_WRITE; `shareMode` says
// what others may do meanwhile (only FILE_SHARE_READ is honoured: writers exclude writers);
// `disposition` is one of CREATE_NEW ... TRUNCATE_EXISTING. Security, flags and template are
// accepted and ignored. Gives INVALID_HANDLE_VALUE on failure (GetLastError tells the errno).
// The handle belongs to the caller, who releases it with CloseHandle.
ZAMRA_PLATFORM_API HANDLE CreateFileA(const char* path, DWORD access, DWORD shareMode, void* security,
                                      DWORD disposition, DWORD flags, HANDLE templateFile);

// Reads up to `toRead` bytes; *read gets the count (0 at the end of the file). Retries
// interrupted and partial reads until `toRead` bytes or the end of the file.
ZAMRA_PLATFORM_API BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);

// Writes `toWrite` bytes; *written gets the count. A short write (a full disk) answers FALSE.
ZAMRA_PLATFORM_API BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);

// Low 32 bits of the size; the high 32 bits go to *high when given. INVALID_FILE_SIZE on failure.
ZAMRA_PLATFORM_API DWORD GetFileSize(HANDLE file, DWORD* high);

// The whole 64-bit size. FALSE on failure.
ZAMRA_PLATFORM_API BOOL GetFileSizeEx(HANDLE file, std::int64_t* size);

// Moves the file position; gives the low 32 bits of the new position, the high ones in *high.
ZAMRA_PLATFORM_API DWORD SetFilePointer(HANDLE file, LONG distance, LONG* high, DWORD method);

// Cuts or extends the file at the current position.
ZAMRA_PLATFORM_API BOOL SetEndOfFile(HANDLE file);

// Pushes written data to the disk.
ZAMRA_PLATFORM_API BOOL FlushFileBuffers(HANDLE file);

// Releases a handle of the platform layer (files and the kinds later layers add).
ZAMRA_PLATFORM_API BOOL CloseHandle(HANDLE handle);

// The descriptor behind a file handle, or -1 when the handle is not an open file.
ZAMRA_PLATFORM_API int GetFileDescriptor(HANDLE file);

// The calling thread's last error: the errno of the last failed platform call.
ZAMRA_PLATFORM_API DWORD GetLastError();
ZAMRA_PLATFORM_API void SetLastError(DWORD error);
