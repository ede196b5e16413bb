// Events, threads, waits and process handles of the platform layer.
// SPDX-License-Identifier: MIT
#include "platform/sync.h"

#include <gtest/gtest.h>

#include <atomic>

#include "platform/file_io.h"
#include "platform/process.h"

namespace {

DWORD ReturnArgument(void* argument) { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(argument)); }

struct Observed {
  std::atomic<bool> ran{false};
  std::atomic<DWORD> id{0};
};

DWORD Observe(void* argument)
{
  auto* observed = static_cast<Observed*>(argument);
  observed->id = GetCurrentThreadId();
  observed->ran = true;
  return 0;
}

}  // namespace

TEST(Sync, AutoResetEventReleasesOneWaitManualResetStays)
{
  HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(automatic, nullptr);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 10), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  SetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  const HANDLE both[2] = {automatic, manual};
  EXPECT_EQ(WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 10), WAIT_TIMEOUT);
  SetEvent(automatic);
  EXPECT_EQ(WaitForMultipleObjects(2, both, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(automatic, 0), WAIT_TIMEOUT);  // released by the wait for all
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForMultipleObjects(0, both, FALSE, 0), WAIT_FAILED);
  EXPECT_EQ(WaitForSingleObject(INVALID_HANDLE_VALUE, 0), WAIT_FAILED);
  CloseHandle(automatic);
  CloseHandle(manual);
}

TEST(Sync, ThreadHandleSignalsTheEndAndKeepsTheExitCode)
{
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, ReturnArgument, reinterpret_cast<void*>(42), 0, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);
  CloseHandle(thread);
}

TEST(Sync, SuspendedThreadRunsOnlyAfterResumeWithItsOwnIdentifier)
{
  Observed observed;
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, Observe, &observed, CREATE_SUSPENDED, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_EQ(WaitForSingleObject(thread, 50), WAIT_TIMEOUT);
  EXPECT_FALSE(observed.ran.load());
  EXPECT_EQ(ResumeThread(thread), 1u);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(observed.ran.load());
  EXPECT_EQ(observed.id.load(), id);
  EXPECT_NE(GetCurrentThreadId(), id);
  CloseHandle(thread);
}

TEST(Sync, ProcessHandleSignalsTheEndWithTheExitStatus)
{
  HANDLE process = StartProcess("", {"sh", "-c", "sleep 0.1; exit 7"});
  ASSERT_NE(process, nullptr);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 7u);
  CloseHandle(process);
  EXPECT_EQ(StartProcess("/nonexistent/program", {"program"}), nullptr);
}
