// Threads, events, waits, critical sections and the tick count, shaped like the Windows calls
// the libraries use. Handles are objects of the platform layer released with CloseHandle.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <pthread.h>  // pthread_mutex_t behind CRITICAL_SECTION

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64
#define CREATE_SUSPENDED 0x00000004u
#define STILL_ACTIVE 259u

using LPTHREAD_START_ROUTINE = DWORD (*)(void*);

// An event: manual reset (stays signalled until ResetEvent) or auto reset (one released wait
// unsignals it). Name and security are accepted and ignored. Null on failure; the handle
// belongs to the caller (CloseHandle).
ZAMRA_PLATFORM_API HANDLE CreateEventA(void* security, BOOL manualReset, BOOL initialState, const char* name);
ZAMRA_PLATFORM_API BOOL SetEvent(HANDLE event);
ZAMRA_PLATFORM_API BOOL ResetEvent(HANDLE event);

// Starts `start(parameter)` on a new thread with the default stack size; with CREATE_SUSPENDED
// it waits for ResumeThread before running. *threadId (when given) gets its identifier, the
// one GetCurrentThreadId answers on that thread. The handle is signalled when the thread has
// ended; it belongs to the caller, and closing it does not stop the thread. Null on failure.
ZAMRA_PLATFORM_API HANDLE CreateThread(void* security, std::size_t stackSize, LPTHREAD_START_ROUTINE start,
                                       void* parameter, DWORD flags, DWORD* threadId);
// Lets a suspended thread run. Answers the previous suspend count (1 or 0), or 0xFFFFFFFF.
ZAMRA_PLATFORM_API DWORD ResumeThread(HANDLE thread);
// The exit code of an ended thread, STILL_ACTIVE while it runs.
ZAMRA_PLATFORM_API BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);
// A process-unique, non-zero identifier of the calling thread.
ZAMRA_PLATFORM_API DWORD GetCurrentThreadId();

// Waits for an event, thread or process handle: WAIT_OBJECT_0 when it is signalled (an
// auto-reset event is unsignalled again), WAIT_TIMEOUT after `milliseconds` (INFINITE waits
// for ever), WAIT_FAILED for a handle that cannot be waited on.
ZAMRA_PLATFORM_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// Waits for one (WAIT_OBJECT_0 + its index, the lowest signalled) or all of 1 to
// MAXIMUM_WAIT_OBJECTS handles. WAIT_FAILED for a count outside that range or a bad handle.
ZAMRA_PLATFORM_API DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

ZAMRA_PLATFORM_API void Sleep(DWORD milliseconds);
// Milliseconds of a monotonic clock; wraps after 49.7 days like its namesake.
ZAMRA_PLATFORM_API DWORD GetTickCount();

// A lock that its owner may enter again (recursive).
struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};
ZAMRA_PLATFORM_API void InitializeCriticalSection(CRITICAL_SECTION* section);
ZAMRA_PLATFORM_API void DeleteCriticalSection(CRITICAL_SECTION* section);
ZAMRA_PLATFORM_API void EnterCriticalSection(CRITICAL_SECTION* section);
ZAMRA_PLATFORM_API void LeaveCriticalSection(CRITICAL_SECTION* section);
