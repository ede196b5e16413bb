// Threads, events and waits over the C++ thread library and POSIX mutexes.
// SPDX-License-Identifier: MIT
#include "platform/sync.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "waitable.h"

namespace {

std::condition_variable& WaitChanged()
{
  static std::condition_variable changed;
  return changed;
}

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

class EventHandle final : public Waitable {
public:
  EventHandle(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}
  bool IsSignalled() override { return m_signalled; }
  void OnWaitReleased() override
  {
    if (!m_manualReset)
      m_signalled = false;
  }
  void Set(bool signalled) { m_signalled = signalled; }

private:
  const bool m_manualReset;
  bool m_signalled;
};

// Shared by the thread and its handle, so that either may go first.
struct ThreadState {
  LPTHREAD_START_ROUTINE start = nullptr;
  void* parameter = nullptr;
  DWORD id = 0;
  bool released = false;  // guarded by WaitLock()
  bool ended = false;     // guarded by WaitLock()
  DWORD exitCode = STILL_ACTIVE;
};

class ThreadHandle final : public Waitable {
public:
  explicit ThreadHandle(std::shared_ptr<ThreadState> state) : m_state(std::move(state)) {}
  bool IsSignalled() override { return m_state->ended; }
  ThreadState& State() { return *m_state; }

private:
  std::shared_ptr<ThreadState> m_state;
};

void RunThread(std::shared_ptr<ThreadState> state)
{
  t_threadId = state->id;
  {
    std::unique_lock lock(WaitLock());
    WaitChanged().wait(lock, [&] { return state->released; });
  }
  const DWORD exitCode = state->start(state->parameter);
  std::lock_guard lock(WaitLock());
  state->exitCode = exitCode;
  state->ended = true;
  NotifyWaiters();
}

Waitable* AsWaitable(HANDLE handle) { return dynamic_cast<Waitable*>(HandleObject::FromHandle(handle)); }

template <typename Handle>
Handle* As(HANDLE handle)
{
  return dynamic_cast<Handle*>(HandleObject::FromHandle(handle));
}

// Polled objects are checked this often while waited on.
constexpr auto kPollSlice = std::chrono::milliseconds(5);

}  // namespace

std::mutex& WaitLock()
{
  static std::mutex lock;
  return lock;
}

void NotifyWaiters() { WaitChanged().notify_all(); }

HANDLE CreateEventA(void* /*security*/, BOOL manualReset, BOOL initialState, const char* /*name*/)
{
  auto* event = new (std::nothrow) EventHandle(manualReset != FALSE, initialState != FALSE);
  return event ? event->ToHandle() : nullptr;
}

BOOL SetEvent(HANDLE handle)
{
  auto* event = As<EventHandle>(handle);
  if (event == nullptr)
    return FALSE;
  std::lock_guard lock(WaitLock());
  event->Set(true);
  NotifyWaiters();
  return TRUE;
}

BOOL ResetEvent(HANDLE handle)
{
  auto* event = As<EventHandle>(handle);
  if (event == nullptr)
    return FALSE;
  std::lock_guard lock(WaitLock());
  event->Set(false);
  return TRUE;
}

HANDLE CreateThread(void* /*security*/, std::size_t /*stackSize*/, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD flags, DWORD* threadId)
{
  if (start == nullptr)
    return nullptr;
  try {
    auto state = std::make_shared<ThreadState>();
    state->start = start;
    state->parameter = parameter;
    state->id = g_nextThreadId.fetch_add(1);
    state->released = (flags & CREATE_SUSPENDED) == 0;
    auto handle = std::make_unique<ThreadHandle>(state);
    std::thread(RunThread, state).detach();
    if (threadId)
      *threadId = state->id;
    return handle.release()->ToHandle();
  } catch (...) {  // no memory, or no thread to be had
    return nullptr;
  }
}

DWORD ResumeThread(HANDLE handle)
{
  auto* thread = As<ThreadHandle>(handle);
  if (thread == nullptr)
    return 0xFFFFFFFFu;
  std::lock_guard lock(WaitLock());
  const DWORD previous = thread->State().released ? 0 : 1;
  thread->State().released = true;
  NotifyWaiters();
  return previous;
}

BOOL GetExitCodeThread(HANDLE handle, DWORD* exitCode)
{
  auto* thread = As<ThreadHandle>(handle);
  if (thread == nullptr || exitCode == nullptr)
    return FALSE;
  std::lock_guard lock(WaitLock());
  *exitCode = thread->State().ended ? thread->State().exitCode : STILL_ACTIVE;
  return TRUE;
}

DWORD GetCurrentThreadId()
{
  if (t_threadId == 0)
    t_threadId = g_nextThreadId.fetch_add(1);
  return t_threadId;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
  return WaitForMultipleObjects(1, &handle, FALSE, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds)
{
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr)
    return WAIT_FAILED;
  std::vector<Waitable*> objects;
  bool polled = false;
  for (DWORD i = 0; i < count; ++i) {
    Waitable* object = AsWaitable(handles[i]);
    if (object == nullptr)
      return WAIT_FAILED;
    polled = polled || object->NeedsPolling();
    objects.push_back(object);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  std::unique_lock lock(WaitLock());
  for (;;) {
    if (waitAll) {
      bool all = true;
      for (Waitable* object : objects)
        all = all && object->IsSignalled();
      if (all) {
        for (Waitable* object : objects)
          object->OnWaitReleased();
        return WAIT_OBJECT_0;
      }
    } else {
      for (DWORD i = 0; i < count; ++i) {
        if (objects[i]->IsSignalled()) {
          objects[i]->OnWaitReleased();
          return WAIT_OBJECT_0 + i;
        }
      }
    }
    const auto now = std::chrono::steady_clock::now();
    if (milliseconds != INFINITE && now >= deadline)
      return WAIT_TIMEOUT;
    auto until = milliseconds == INFINITE ? std::chrono::steady_clock::time_point::max() : deadline;
    if (polled && now + kPollSlice < until)
      until = now + kPollSlice;
    if (until == std::chrono::steady_clock::time_point::max())
      WaitChanged().wait(lock);
    else
      WaitChanged().wait_until(lock, until);
  }
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

DWORD GetTickCount()
{
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void InitializeCriticalSection(CRITICAL_SECTION* section)
{
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_destroy(&section->mutex); }
void EnterCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_lock(&section->mutex); }
void LeaveCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_unlock(&section->mutex); }
