// ZMThreadPool over the platform layer's threads, events and critical sections.
// SPDX-License-Identifier: MIT
#include "api/system/thread_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/file_io.h"  // CloseHandle

namespace {

constexpr DWORD kDefaultIdleTimeOut = 10000;
constexpr int kSlotsPerWorker = 10;

std::atomic<DWORD> g_idleTimeOut{kDefaultIdleTimeOut};

// Run states and slot states are counted without the lock, so every access is atomic.
std::atomic_ref<std::int32_t> Atomic(std::int32_t& value) { return std::atomic_ref<std::int32_t>(value); }

DWORD WorkerMain(void* pool) { return static_cast<ZMThreadPool*>(pool)->OnThread(); }

enum SlotState : std::int32_t { kFree = 0, kQueued = 1, kRunning = 2 };

}  // namespace

ZMThreadPool::ZMThreadPool() { InitializeCriticalSection(&m_csLock); }

ZMThreadPool::~ZMThreadPool() { DeleteCriticalSection(&m_csLock); }

void ZMThreadPool::SetIdleTimeOut(DWORD milliseconds) { g_idleTimeOut = milliseconds; }

DWORD ZMThreadPool::GetIdleTimeOut() { return g_idleTimeOut; }

void ZMThreadPool::SetMaxThreads(int a, int b)
{
  if (m_pThreads != nullptr)  // configured already
    return;
  int minimum = std::min(a, b);
  int maximum = std::max(a, b);
  if (minimum < 0)
    minimum = 1;
  maximum = std::clamp(maximum, 1, kMaxWorkers);
  minimum = std::min(minimum, maximum);

  m_pTasks = new (std::nothrow) ST_TASK[static_cast<std::size_t>(maximum) * kSlotsPerWorker]();
  m_pThreads = new (std::nothrow) ST_THREAD[static_cast<std::size_t>(maximum)]();
  m_hQuitEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  m_hTaskEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (m_pTasks == nullptr || m_pThreads == nullptr || m_hQuitEvent == nullptr || m_hTaskEvent == nullptr) {
    Destroy();
    return;
  }
  m_nMinThreads = minimum;
  m_nMaxThreads = maximum;
  m_nTaskCapacity = maximum * kSlotsPerWorker;
  for (int i = 0; i < minimum; ++i)
    StartWorker();
}

bool ZMThreadPool::StartWorker()
{
  EnterCriticalSection(&m_csLock);
  ST_THREAD* entry = nullptr;
  for (int i = 0; i < m_nMaxThreads && entry == nullptr; ++i) {
    if (Atomic(m_pThreads[i].nRunState).load() == 0)
      entry = &m_pThreads[i];
  }
  if (entry == nullptr) {
    LeaveCriticalSection(&m_csLock);
    return false;
  }
  if (entry->hThread != nullptr) {
    // The entry's previous worker has left the lock for good and is ending: let it finish so
    // that no thread outlives the handle Destroy will wait for.
    WaitForSingleObject(entry->hThread, INFINITE);
    CloseHandle(entry->hThread);
    entry->hThread = nullptr;
  }
  // Suspended until its entry is filled in, so that the worker finds itself in the table; the
  // entry is taken from now on, so that a second submission cannot start a worker in it too.
  DWORD threadId = 0;
  HANDLE thread = CreateThread(nullptr, 0, WorkerMain, this, CREATE_SUSPENDED, &threadId);
  if (thread == nullptr) {
    LeaveCriticalSection(&m_csLock);
    return false;
  }
  entry->hThread = thread;
  entry->dwThreadId = threadId;
  Atomic(entry->nRunState).store(1);
  ResumeThread(thread);
  LeaveCriticalSection(&m_csLock);
  return true;
}

int ZMThreadPool::AddTask(LPTHREAD_START_ROUTINE function, void* argument)
{
  if (m_pTasks == nullptr || function == nullptr)
    return 0;
  EnterCriticalSection(&m_csLock);
  ST_TASK* slot = nullptr;
  for (int i = 0; i < m_nTaskCapacity && slot == nullptr; ++i) {
    if (Atomic(m_pTasks[i].nState).load() == kFree)
      slot = &m_pTasks[i];
  }
  if (slot != nullptr) {
    slot->pFunction = function;
    slot->pArgument = argument;
    Atomic(slot->nState).store(kQueued);
  }
  LeaveCriticalSection(&m_csLock);
  if (slot == nullptr)
    return 0;

  const int running = CountRunningWorkers();
  if (CountOccupiedSlots() >= running && running < m_nMaxThreads)
    StartWorker();
  SetEvent(m_hTaskEvent);
  return 1;
}

ZMThreadPool::ST_TASK* ZMThreadPool::TakeTask()
{
  EnterCriticalSection(&m_csLock);
  ST_TASK* task = nullptr;
  for (int i = 0; i < m_nTaskCapacity && task == nullptr; ++i) {
    if (Atomic(m_pTasks[i].nState).load() == kQueued) {
      task = &m_pTasks[i];
      Atomic(task->nState).store(kRunning);
    }
  }
  // Submissions made while no worker waited have signalled the auto-reset event only once:
  // pass the signal on, so that an idle worker takes the next queued task now rather than
  // after its idle time-out.
  bool moreQueued = false;
  for (int i = 0; i < m_nTaskCapacity && task != nullptr && !moreQueued; ++i)
    moreQueued = Atomic(m_pTasks[i].nState).load() == kQueued;
  LeaveCriticalSection(&m_csLock);
  if (moreQueued)
    SetEvent(m_hTaskEvent);
  return task;
}

void ZMThreadPool::RunTask(ST_TASK* task)
{
  EnterCriticalSection(&m_csLock);
  const LPTHREAD_START_ROUTINE function = task->pFunction;
  void* const argument = task->pArgument;
  LeaveCriticalSection(&m_csLock);
  function(argument);
  EnterCriticalSection(&m_csLock);
  Atomic(task->nState).store(kFree);
  LeaveCriticalSection(&m_csLock);
}

int ZMThreadPool::CountOccupiedSlots()
{
  int occupied = 0;
  for (int i = 0; i < m_nTaskCapacity; ++i)
    occupied += Atomic(m_pTasks[i].nState).load() != kFree ? 1 : 0;
  return occupied;
}

int ZMThreadPool::CountRunningWorkers()
{
  int running = 0;
  for (int i = 0; i < m_nMaxThreads; ++i)
    running += Atomic(m_pThreads[i].nRunState).load() != 0 ? 1 : 0;
  return running;
}

DWORD ZMThreadPool::OnThread()
{
  if (m_pThreads == nullptr)
    return 1;
  const DWORD self = GetCurrentThreadId();
  ST_THREAD* entry = nullptr;
  EnterCriticalSection(&m_csLock);
  for (int i = 0; i < m_nMaxThreads && entry == nullptr; ++i) {
    if (m_pThreads[i].dwThreadId == self && m_pThreads[i].hThread != nullptr)
      entry = &m_pThreads[i];
  }
  LeaveCriticalSection(&m_csLock);
  if (entry == nullptr)
    return 1;
  Atomic(entry->nRunState).store(1);

  const HANDLE events[2] = {m_hTaskEvent, m_hQuitEvent};
  for (;;) {
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, g_idleTimeOut.load());
    if (woken == WAIT_OBJECT_0) {
      while (ST_TASK* task = TakeTask())
        RunTask(task);
      continue;
    }
    if (woken == WAIT_TIMEOUT) {
      if (ST_TASK* task = TakeTask()) {
        RunTask(task);
        continue;
      }
      // Decided under the lock, so that two idle workers cannot both end below the minimum,
      // and a task queued since the look above is not left without a worker.
      EnterCriticalSection(&m_csLock);
      bool queued = false;
      for (int i = 0; i < m_nTaskCapacity && !queued; ++i)
        queued = Atomic(m_pTasks[i].nState).load() == kQueued;
      const bool surplus = !queued && CountRunningWorkers() > m_nMinThreads;
      if (surplus)
        Atomic(entry->nRunState).store(0);
      LeaveCriticalSection(&m_csLock);
      if (surplus)
        return 0;
      continue;
    }
    // The quit event (or a wait that cannot work any more).
    EnterCriticalSection(&m_csLock);
    Atomic(entry->nRunState).store(0);
    LeaveCriticalSection(&m_csLock);
    return woken == WAIT_OBJECT_0 + 1 ? 0 : 1;
  }
}

void ZMThreadPool::Destroy()
{
  if (m_hQuitEvent != nullptr)
    SetEvent(m_hQuitEvent);
  // Every started worker is waited for, also one that has just set its state to 0 and is
  // still on its way out: none may touch the pool after the tables are gone.
  HANDLE handles[kMaxWorkers];
  DWORD count = 0;
  EnterCriticalSection(&m_csLock);
  for (int i = 0; i < m_nMaxThreads && m_pThreads != nullptr; ++i) {
    if (m_pThreads[i].hThread != nullptr)
      handles[count++] = m_pThreads[i].hThread;
  }
  LeaveCriticalSection(&m_csLock);
  if (count > 0)
    WaitForMultipleObjects(count, handles, TRUE, INFINITE);

  for (DWORD i = 0; i < count; ++i)
    CloseHandle(handles[i]);
  for (int i = 0; i < m_nTaskCapacity; ++i)
    m_pTasks[i].nState = kFree;
  m_nMinThreads = 0;
  m_nMaxThreads = 0;
  m_nTaskCapacity = 0;
  delete[] m_pThreads;
  m_pThreads = nullptr;
  delete[] m_pTasks;
  m_pTasks = nullptr;
  if (m_hQuitEvent != nullptr)
    CloseHandle(m_hQuitEvent);
  if (m_hTaskEvent != nullptr)
    CloseHandle(m_hTaskEvent);
  m_hQuitEvent = nullptr;
  m_hTaskEvent = nullptr;
}

void ZMThreadPool::GetThreadInfo(char* text)
{
  if (text == nullptr)
    return;
  EnterCriticalSection(&m_csLock);
  for (int i = 0; i < m_nMaxThreads; ++i) {
    char line[48];
    std::snprintf(line, sizeof line, "Thread_%d:RunState=%d\r\n", i, Atomic(m_pThreads[i].nRunState).load());
    std::strcat(text, line);
  }
  LeaveCriticalSection(&m_csLock);
}
