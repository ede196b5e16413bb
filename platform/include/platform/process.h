// Process handles: starting a program and learning when and how it ended.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/platform_export.h"
#include "platform/win_types.h"

// Starts the program `application` with `arguments` as its argument vector (arguments[0] is
// the name the program sees). An empty `application` runs arguments[0], looked up on PATH when
// it holds no "/". The program inherits the environment, the current directory and every
// descriptor not marked close-on-exec. Null when it cannot be started (GetLastError tells the
// errno). The handle belongs to the caller (CloseHandle); it is signalled for the wait
// functions when the program has ended. Closing it early neither stops nor orphans the program:
// it is still reaped when it ends.
ZAMRA_PLATFORM_API HANDLE StartProcess(const std::string& application, const std::vector<std::string>& arguments);

// The exit status of an ended program (128 + the signal number when a signal ended it),
// STILL_ACTIVE while it runs. FALSE for a handle that is not a process.
ZAMRA_PLATFORM_API BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);

// The process identifier behind a process handle, 0 for anything else.
ZAMRA_PLATFORM_API DWORD GetProcessId(HANDLE process);
