// The private temporary directory: refused when someone else prepared it, tightened when open.
// SPDX-License-Identifier: MIT
#include "platform/system_paths.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

// A user id nobody on this machine uses, so that its /tmp/zamra-<uid> is ours to stage.
constexpr uid_t kStrangerUid = 47113;

std::string StrangerDirectory() { return "/tmp/zamra-" + std::to_string(kStrangerUid); }

// Runs GetTempPathA as kStrangerUid without TMPDIR; answers its length (-1 when the child failed).
int TempPathLengthAsStranger()
{
  const pid_t child = ::fork();
  if (child == 0) {
    ::unsetenv("TMPDIR");
    if (::setgid(kStrangerUid) != 0 || ::setuid(kStrangerUid) != 0)
      ::_exit(255);
    char buffer[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, buffer);
    ::_exit(length > 200 ? 254 : static_cast<int>(length));
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) < 254 ? WEXITSTATUS(status) : -1;
}

class SystemPaths : public ::testing::Test {
protected:
  void SetUp() override
  {
    if (::geteuid() != 0)
      GTEST_SKIP() << "needs root to act as a second user";
    std::filesystem::remove_all(StrangerDirectory());
  }
  void TearDown() override
  {
    std::error_code ignored;
    std::filesystem::remove_all(StrangerDirectory(), ignored);
  }
};

}  // namespace

TEST_F(SystemPaths, CreatesAPrivateDirectoryForTheUser)
{
  const int length = TempPathLengthAsStranger();
  EXPECT_EQ(length, static_cast<int>(StrangerDirectory().size() + 1));
  struct stat status {};
  ASSERT_EQ(::lstat(StrangerDirectory().c_str(), &status), 0);
  EXPECT_EQ(status.st_uid, kStrangerUid);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(SystemPaths, RefusesADirectoryPreparedByAnotherUser)
{
  ASSERT_EQ(::mkdir(StrangerDirectory().c_str(), 0777), 0);  // owned by root
  EXPECT_EQ(TempPathLengthAsStranger(), 0);
}

TEST_F(SystemPaths, RefusesALinkInItsPlace)
{
  const std::string elsewhere = StrangerDirectory() + "-elsewhere";
  ASSERT_EQ(::mkdir(elsewhere.c_str(), 0700), 0);
  ASSERT_EQ(::chown(elsewhere.c_str(), kStrangerUid, kStrangerUid), 0);
  ASSERT_EQ(::symlink(elsewhere.c_str(), StrangerDirectory().c_str()), 0);
  EXPECT_EQ(TempPathLengthAsStranger(), 0);
  ::rmdir(elsewhere.c_str());
}

TEST_F(SystemPaths, TightensItsOwnOpenDirectory)
{
  ASSERT_EQ(::mkdir(StrangerDirectory().c_str(), 0700), 0);
  ASSERT_EQ(::chown(StrangerDirectory().c_str(), kStrangerUid, kStrangerUid), 0);
  ASSERT_EQ(::chmod(StrangerDirectory().c_str(), 0777), 0);
  EXPECT_GT(TempPathLengthAsStranger(), 0);
  struct stat status {};
  ASSERT_EQ(::lstat(StrangerDirectory().c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST(SystemPathsBuffer, TooSmallBufferAnswersTheNeededSize)
{
  setenv("TMPDIR", "/tmp", 1);
  char buffer[4] = "abc";
  EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), 6u);  // "/tmp/" and its terminator
  EXPECT_STREQ(buffer, "abc");
  char whole[8];
  EXPECT_EQ(GetTempPathA(sizeof whole, whole), 5u);
  EXPECT_STREQ(whole, "/tmp/");
  unsetenv("TMPDIR");
}
