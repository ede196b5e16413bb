// ZMThreadPool: runs submitted tasks on worker threads that grow on demand up to a maximum and
// shrink back to a minimum after 10 seconds without work.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "api/zamra_api_export.h"
#include "platform/sync.h"
#include "platform/win_types.h"

/// Runs submitted tasks on worker threads that grow on demand up to a maximum.
class ZAMRA_API ZMThreadPool {
public:
  // One worker entry. Run state 1 while the entry's worker runs (from the moment it is started),
  // 0 when it has ended or never started.
  struct ST_THREAD {
    HANDLE hThread;
    DWORD dwThreadId;
    std::int32_t nRunState;
  };
  // One task slot: state 0 free, 1 queued, 2 running.
  struct ST_TASK {
    LPTHREAD_START_ROUTINE pFunction;
    void* pArgument;
    std::int32_t nState;
  };

  // The most workers a pool may have: Destroy waits for all of them at once.
  static constexpr int kMaxWorkers = MAXIMUM_WAIT_OBJECTS;

  // An empty pool: no tables, all counts 0.
  ZMThreadPool();
  // Releases the lock only; call Destroy first when the pool was started.
  virtual ~ZMThreadPool();
  // A pool owns threads and a lock: it cannot be copied.
  ZMThreadPool(const ZMThreadPool&) = delete;
  ZMThreadPool& operator=(const ZMThreadPool&) = delete;

  // Configures and starts the pool, once, before any task: the smaller of `a` and `b` is the
  // minimum of workers (a negative one becomes 1), the larger the maximum (at least 1, at most
  // kMaxWorkers). Makes 10 task slots per possible worker and starts the minimum of workers.
  void SetMaxThreads(int a, int b);

  // Queues `function(argument)` in the first free slot: 1 when queued, 0 when every slot is
  // occupied (or the pool is not started). Starts one more worker when the occupied slots
  // outnumber the running workers and the maximum is not reached. Tasks are taken in slot
  // order; they must not call Destroy.
  int AddTask(LPTHREAD_START_ROUTINE function, void* argument);

  // Stops the workers (each finishes the tasks it is running and the queued ones it takes),
  // waits for them without a time-out, and releases the tables. The pool is then empty.
  void Destroy();

  // Appends "Thread_<index>:RunState=<state>\r\n" for every worker entry to the zero-terminated
  // `text`; the caller's buffer must hold them (at most 32 bytes per entry).
  void GetThreadInfo(char* text);

  // The body of every worker.
  DWORD OnThread();

  // Test seam: how long an idle worker waits before it checks whether it may end (10000 ms
  // unless a test shortens it). Applies to waits that start afterwards.
  static void SetIdleTimeOut(DWORD milliseconds);
  static DWORD GetIdleTimeOut();

private:
  // Under the lock: the first queued slot becomes running; null when none is queued.
  ST_TASK* TakeTask();
  void RunTask(ST_TASK* task);
  int CountOccupiedSlots();
  int CountRunningWorkers();
  // Claims the first entry whose run state is 0 and starts a worker in it.
  bool StartWorker();

  std::int32_t m_nMinThreads = 0;
  std::int32_t m_nMaxThreads = 0;
  ST_THREAD* m_pThreads = nullptr;
  HANDLE m_hTaskEvent = nullptr;
  HANDLE m_hQuitEvent = nullptr;
  ST_TASK* m_pTasks = nullptr;
  std::int32_t m_nTaskCapacity = 0;
  CRITICAL_SECTION m_csLock;
};
