// ZMDirectory: trees created, deleted and copied without following links; system directories.
// SPDX-License-Identifier: MIT
#include "api/base/directory.h"

#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using zamra_test::ReadAll;
using zamra_test::TempDir;

namespace {

std::u16string Wide(const std::string& text) { return ToUtf16(text); }

}  // namespace

TEST(ZMDirectory, CreatesEveryMissingLevel)
{
  TempDir dir;
  const std::string deep = dir.File("a/b/c");
  EXPECT_EQ(ZMDirectory::CreateDirectoryW(Wide(deep).c_str()), 1);
  EXPECT_TRUE(fs::is_directory(deep));
  EXPECT_EQ(ZMDirectory::CreateDirectoryW(Wide(deep).c_str()), 1);  // already there
}

TEST(ZMDirectory, DeletesTreesButNotWhatLinksPointAt)
{
  TempDir dir;
  fs::create_directories(dir.File("victim/sub/deeper"));
  fs::create_directories(dir.File("outside"));
  zamra_test::WriteAll(dir.File("victim/sub/deeper/f"), {'x'});
  zamra_test::WriteAll(dir.File("outside/precious"), {'p'});
  fs::create_directory_symlink(dir.File("outside"), dir.File("victim/sub/link"));

  EXPECT_EQ(ZMDirectory::DeleteDirectoryW(Wide(dir.File("victim")).c_str()), 1);
  EXPECT_FALSE(fs::exists(dir.File("victim")));
  EXPECT_TRUE(fs::exists(dir.File("outside/precious")));

  // A link given as the directory itself is refused, and what it names stays.
  fs::create_directory_symlink(dir.File("outside"), dir.File("top-link"));
  EXPECT_EQ(ZMDirectory::DeleteDirectoryW(Wide(dir.File("top-link")).c_str()), 0);
  EXPECT_EQ(ZMDirectory::DeleteDirectoryW(Wide(dir.File("top-link/")).c_str()), 0);
  EXPECT_TRUE(fs::exists(dir.File("outside/precious")));
  EXPECT_EQ(ZMDirectory::DeleteDirectoryW(Wide(dir.File("missing")).c_str()), 0);
}

TEST(ZMDirectory, CopiesTreesKeepingTargetFilesAndLinks)
{
  TempDir dir;
  fs::create_directories(dir.File("src/sub"));
  zamra_test::WriteAll(dir.File("src/a.txt"), {'n', 'e', 'w'});
  zamra_test::WriteAll(dir.File("src/sub/b.txt"), {'b'});
  fs::create_directories(dir.File("outside"));
  zamra_test::WriteAll(dir.File("outside/big"), {'o'});
  fs::create_directory_symlink(dir.File("outside"), dir.File("src/link"));
  ASSERT_EQ(::mkfifo(dir.File("src/pipe").c_str(), 0600), 0);
  fs::create_directories(dir.File("dst"));
  zamra_test::WriteAll(dir.File("dst/a.txt"), {'o', 'l', 'd'});

  EXPECT_EQ(ZMDirectory::CopyDirectoryW(Wide(dir.File("src")).c_str(), Wide(dir.File("dst")).c_str()), 1);
  EXPECT_EQ(ReadAll(dir.File("dst/a.txt")), (std::vector<unsigned char>{'o', 'l', 'd'}));
  EXPECT_EQ(ReadAll(dir.File("dst/sub/b.txt")), (std::vector<unsigned char>{'b'}));
  EXPECT_TRUE(fs::is_symlink(dir.File("dst/link")));
  EXPECT_EQ(fs::read_symlink(dir.File("dst/link")), fs::path(dir.File("outside")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir.File("dst/pipe"))));

  EXPECT_EQ(ZMDirectory::CopyDirectoryW(Wide(dir.File("missing")).c_str(), Wide(dir.File("x")).c_str()), 0);
}

TEST(ZMDirectory, CopyIntoItsOwnSubdirectoryStops)
{
  TempDir dir;
  fs::create_directories(dir.File("tree/inner"));
  zamra_test::WriteAll(dir.File("tree/f"), {'f'});
  EXPECT_EQ(ZMDirectory::CopyDirectoryW(Wide(dir.File("tree")).c_str(), Wide(dir.File("tree/inner/copy")).c_str()), 1);
  EXPECT_TRUE(fs::exists(dir.File("tree/inner/copy/f")));
  EXPECT_FALSE(fs::exists(dir.File("tree/inner/copy/inner/copy")));
}

TEST(ZMDirectory, TempPathHonoursTmpdirOrIsPrivate)
{
  TempDir dir;
  WCHAR buffer[MAX_PATH];
  setenv("TMPDIR", dir.Path().c_str(), 1);
  ASSERT_NE(ZMDirectory::GetTempPathW(buffer, MAX_PATH), nullptr);
  EXPECT_EQ(std::u16string(buffer), Wide(dir.Path() + "/"));
  EXPECT_EQ(ZMDirectory::GetTempPathW(buffer, 3), nullptr);  // does not fit

  unsetenv("TMPDIR");
  ASSERT_NE(ZMDirectory::GetTempPathW(buffer, MAX_PATH), nullptr);
  const std::string path = FromUtf16(buffer);
  EXPECT_EQ(path, "/tmp/zamra-" + std::to_string(::geteuid()) + "/");
  struct stat status {};
  ASSERT_EQ(::lstat(path.c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_EQ(status.st_mode & 077, 0u);
  EXPECT_EQ(status.st_uid, ::geteuid());
}

TEST(ZMDirectory, AppDirectoryAndMissingWindowsDirectories)
{
  char narrow[MAX_PATH];
  ZMDirectory::GetAppDirectoryA(narrow, MAX_PATH);
  EXPECT_EQ(fs::path(narrow), fs::canonical("/proc/self/exe").parent_path());
  WCHAR wide[MAX_PATH];
  ZMDirectory::GetAppDirectoryW(wide, MAX_PATH);
  EXPECT_EQ(FromUtf16(wide), std::string(narrow));
  EXPECT_NE(std::string(narrow).back(), '/');

  WCHAR tiny[4] = u"abc";
  EXPECT_EQ(std::u16string(ZMDirectory::GetAppDirectoryW(tiny, 4)), u"");  // cut short: empty
  EXPECT_EQ(ZMDirectory::GetWindowsDirectoryW(wide, MAX_PATH), nullptr);
  EXPECT_EQ(ZMDirectory::GetSystemDirectoryW(wide, MAX_PATH), nullptr);
}
