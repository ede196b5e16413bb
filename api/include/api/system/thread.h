// ZMThread: starts a thread.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/sync.h"
#include "platform/win_types.h"

/// Starts a thread.
class ZAMRA_API ZMThread {
public:
  ZMThread() = default;
  virtual ~ZMThread() = default;
  ZMThread(const ZMThread&) = default;
  ZMThread& operator=(const ZMThread&) = default;

  // Starts `function(argument)` on a new thread with the default stack size, running at once.
  // *threadId (when given) gets the thread's identifier. Gives the thread handle, which belongs
  // to the caller (wait on it, then CloseHandle), or null on failure.
  static HANDLE NewThread(LPTHREAD_START_ROUTINE function, void* argument, DWORD* threadId);
};
