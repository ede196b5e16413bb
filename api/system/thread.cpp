// ZMThread over the platform layer's threads.
// SPDX-License-Identifier: MIT
#include "api/system/thread.h"

HANDLE ZMThread::NewThread(LPTHREAD_START_ROUTINE function, void* argument, DWORD* threadId)
{
  return CreateThread(nullptr, 0, function, argument, 0, threadId);
}
