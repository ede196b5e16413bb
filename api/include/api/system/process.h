// ZMProcess: starts a program.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

// Window show states; accepted for compatibility, programs here have no start-up window.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1

/// Starts a program.
class ZAMRA_API ZMProcess {
public:
  ZMProcess() = default;
  virtual ~ZMProcess() = default;
  ZMProcess(const ZMProcess&) = default;
  ZMProcess& operator=(const ZMProcess&) = default;

  // Starts a program. `application` (UTF-16, may be null) is the program file; `commandLine`
  // (UTF-16, may be null when `application` is given) is split into arguments with the
  // Windows quoting rules ("a b" is one argument, \" a quote). Without `application`, the
  // first argument names the program, looked up on PATH. The program inherits the caller's
  // environment, current directory and inheritable descriptors; `showWindow` is accepted and
  // has no effect. Gives the process handle, which belongs to the caller (WaitForSingleObject,
  // GetExitCodeProcess, CloseHandle), or null when the program cannot be started.
  static HANDLE NewProcess(const WCHAR* application, const WCHAR* commandLine, WORD showWindow);
};
