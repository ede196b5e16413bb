// ZMThread and ZMProcess: a started thread runs its function; a started program gets its
// command line split as on Windows and runs in the caller's directory.
// SPDX-License-Identifier: MIT
#include "api/system/process.h"

#include <gtest/gtest.h>

#include <string>

#include "api/system/thread.h"
#include "platform/file_io.h"
#include "platform/process.h"
#include "platform/sync.h"
#include "support/temp_dir.h"

using zamra_test::TempDir;

namespace {

DWORD Double(void* argument)
{
  auto* value = static_cast<int*>(argument);
  *value *= 2;
  return 5;
}

std::u16string Utf16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

TEST(Thread, NewThreadRunsTheFunctionWithItsArgument)
{
  int value = 21;
  DWORD id = 0;
  HANDLE thread = ZMThread::NewThread(Double, &value, &id);
  ASSERT_NE(thread, nullptr);
  EXPECT_NE(id, 0u);
  ASSERT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(value, 42);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 5u);
  CloseHandle(thread);
}

TEST(Process, SplitsTheCommandLineWithWindowsQuoting)
{
  TempDir dir;
  const std::string out = dir.File("args.txt");
  // Arguments: -c, the script, its $0, "a b" (one argument), c"d, e\\f (backslashes kept).
  const std::string line = "sh -c \"printf '%s|' \\\"$@\\\" > " + out + "\" sh \"a b\" c\\\"d e\\\\f";
  HANDLE process = ZMProcess::NewProcess(nullptr, Utf16(line).c_str(), SW_HIDE);
  ASSERT_NE(process, nullptr);
  ASSERT_EQ(WaitForSingleObject(process, INFINITE), WAIT_OBJECT_0);
  DWORD code = 1;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 0u);
  CloseHandle(process);
  const auto bytes = zamra_test::ReadAll(out);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a b|c\"d|e\\\\f|");
}

TEST(Process, ApplicationNameWinsOverTheFirstArgument)
{
  HANDLE process = ZMProcess::NewProcess(u"/bin/sh", u"anything -c \"exit 3\"", SW_SHOWNORMAL);
  ASSERT_NE(process, nullptr);
  ASSERT_EQ(WaitForSingleObject(process, INFINITE), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 3u);
  CloseHandle(process);
}

TEST(Process, MissingProgramGivesNull)
{
  EXPECT_EQ(ZMProcess::NewProcess(u"/nonexistent/tool", nullptr, SW_HIDE), nullptr);
  EXPECT_EQ(ZMProcess::NewProcess(nullptr, u"no-such-program-here --help", SW_HIDE), nullptr);
  EXPECT_EQ(ZMProcess::NewProcess(nullptr, nullptr, SW_HIDE), nullptr);
  EXPECT_EQ(ZMProcess::NewProcess(nullptr, u"   ", SW_HIDE), nullptr);
}
