// The system's own directories and the running program's path, in Windows-shaped calls.
//
// The temporary directory holds the map view's workspace file, so it must be private to the
// user on a shared machine: TMPDIR when it names an existing directory, otherwise a per-user
// directory /tmp/zamra-<uid> created with mode 0700 and accepted only when it is a real
// directory (not a symbolic link) owned by the user.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define ERROR_INSUFFICIENT_BUFFER 122

// Writes the temporary directory, ending in "/", with its terminator. Answers its length
// without the terminator; when `size` is too small, the length the buffer needs (terminator
// included) and the buffer is untouched; 0 when no private directory can be had (errno in
// GetLastError).
ZAMRA_PLATFORM_API DWORD GetTempPathA(DWORD size, char* buffer);
// The same in UTF-16 units (the path converted from the process's code page).
ZAMRA_PLATFORM_API DWORD GetTempPathW(DWORD size, WCHAR* buffer);

// The full path of the running program (`module` must be null: other modules are not
// tracked). Answers the length written without the terminator; a path that does not fit is
// cut, terminated, and answers `size` with ERROR_INSUFFICIENT_BUFFER; 0 on failure.
ZAMRA_PLATFORM_API DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size);
ZAMRA_PLATFORM_API DWORD GetModuleFileNameW(HINSTANCE module, WCHAR* buffer, DWORD size);
