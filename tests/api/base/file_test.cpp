// ZMFile: whole-file reads, writes through handles, path joining, temporary files, mappings.
// SPDX-License-Identifier: MIT
#include "api/base/file.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "api/base/directory.h"
#include "platform/code_page.h"
#include "support/temp_dir.h"

namespace {

using zamra_test::ReadAll;
using zamra_test::TempDir;

std::u16string Wide(const std::string& text) { return ToUtf16(text); }

}  // namespace

TEST(ZMFile, TellsFilesFromDirectories)
{
  TempDir dir;
  zamra_test::WriteAll(dir.File("f"), {'x'});
  EXPECT_EQ(ZMFile::IsFileA(dir.File("f").c_str()), 1);
  EXPECT_EQ(ZMFile::IsFileW(Wide(dir.File("f")).c_str()), 1);
  EXPECT_EQ(ZMFile::IsFileA(dir.Path().c_str()), 0);
  EXPECT_EQ(ZMDirectory::IsDirectoryW(Wide(dir.Path()).c_str()), 1);
  EXPECT_EQ(ZMDirectory::IsDirectoryW(Wide(dir.File("f")).c_str()), 0);
  EXPECT_EQ(ZMFile::IsFileA(dir.File("missing").c_str()), 0);
  EXPECT_EQ(ZMDirectory::IsDirectoryW(Wide(dir.File("missing")).c_str()), 0);
}

TEST(ZMFile, ReadFileDataReadsWholeFiles)
{
  TempDir dir;
  zamra_test::WriteAll(dir.File("data"), {1, 2, 0, 4});
  zamra_test::WriteAll(dir.File("empty"), {});
  char* data = nullptr;
  int size = -1;
  ASSERT_EQ(ZMFile::ReadFileData(dir.File("data").c_str(), &data, &size), 1);
  ASSERT_EQ(size, 4);
  EXPECT_EQ(std::memcmp(data, "\x01\x02\x00\x04", 4), 0);
  EXPECT_EQ(ZMFile::FreeFileData(data), 1);

  char* untouched = reinterpret_cast<char*>(0x1);
  EXPECT_EQ(ZMFile::ReadFileData(dir.File("empty").c_str(), &untouched, &size), 1);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(untouched, reinterpret_cast<char*>(0x1));

  size = 7;
  EXPECT_EQ(ZMFile::ReadFileData(dir.File("missing").c_str(), &data, &size), 0);
  EXPECT_EQ(size, 0);
}

TEST(ZMFile, WritesAndReadsThroughHandles)
{
  TempDir dir;
  const std::string path = dir.File("out");
  HANDLE file = ZMFile::CreateForWrite(path.c_str());
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMFile::WriteString(file, ""), 1);
  EXPECT_EQ(ZMFile::WriteString(file, "ab"), 1);
  EXPECT_EQ(ZMFile::WriteString(file, u"\u4E2D"), 1);
  EXPECT_EQ(ZMFile::WriteData(file, "\0z", 2), 1);
  CloseHandle(file);
  EXPECT_EQ(ReadAll(path), (std::vector<unsigned char>{'a', 'b', 0x2D, 0x4E, 0, 'z'}));

  HANDLE in = ZMFile::OpenForRead(path.c_str());
  char buffer[16];
  DWORD count = sizeof buffer;
  ASSERT_EQ(ZMFile::ReadData(in, buffer, &count), 1);
  EXPECT_EQ(count, 6u);
  CloseHandle(in);

  HANDLE full = CreateFileA("/dev/full", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (full != INVALID_HANDLE_VALUE) {
    EXPECT_EQ(ZMFile::WriteString(full, "x"), 0);
    CloseHandle(full);
  }
  count = 5;
  EXPECT_EQ(ZMFile::ReadData(INVALID_HANDLE_VALUE, buffer, &count), 0);
  EXPECT_EQ(count, 5u);
}

TEST(ZMFile, PathCombineJoinsAndTidies)
{
  char target[MAX_PATH];
  EXPECT_STREQ(ZMFile::PathCombineA(target, "/data/maps", "a.shp"), "/data/maps/a.shp");
  EXPECT_STREQ(ZMFile::PathCombineA(target, "/data/maps/", "./a.shp"), "/data/maps/a.shp");
  EXPECT_STREQ(ZMFile::PathCombineA(target, "/data/maps", "../b/c.shp"), "/data/b/c.shp");
  EXPECT_STREQ(ZMFile::PathCombineA(target, "/data", "/etc/x"), "/etc/x");
  EXPECT_STREQ(ZMFile::PathCombineA(target, "data\\maps", "a.shp"), "data/maps/a.shp");
  EXPECT_STREQ(ZMFile::PathCombineA(target, "/", "../.."), "/");
  EXPECT_STREQ(ZMFile::PathCombineA(target, nullptr, "a"), "a");
  EXPECT_EQ(ZMFile::PathCombineA(target, nullptr, nullptr), nullptr);
  EXPECT_EQ(ZMFile::PathCombineA(target, "/d", std::string(300, 'x').c_str()), nullptr);

  WCHAR wide[MAX_PATH];
  EXPECT_EQ(std::u16string(ZMFile::PathCombineW(wide, u"/\u5730\u56FE", u"a.shp")), u"/\u5730\u56FE/a.shp");
  WCHAR path[MAX_PATH] = u"/data";
  EXPECT_EQ(std::u16string(ZMDirectory::PathAppendW(path, u"\\maps\\a.shp")), u"/data/maps/a.shp");
}

TEST(ZMFile, TempFileIsPrivateAndGoneWhenClosed)
{
  TempDir dir;
  zamra_test::WriteAll(dir.File("kept.tmp"), {'k'});
  setenv("TMPDIR", dir.Path().c_str(), 1);
  HANDLE file = ZMFile::CreateTempFile(u"scratch.tmp");
  HANDLE sameName = ZMFile::CreateTempFile(u"kept.tmp");
  unsetenv("TMPDIR");
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_NE(sameName, INVALID_HANDLE_VALUE);
  CloseHandle(sameName);
  EXPECT_EQ(ReadAll(dir.File("kept.tmp")), std::vector<unsigned char>{'k'});
  // Nothing else is left in the folder: nobody else can open the file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  EXPECT_EQ(ZMFile::WriteString(file, "hello"), 1);
  SetFilePointer(file, 0, nullptr, FILE_BEGIN);
  char buffer[8] = {};
  DWORD count = 5;
  ASSERT_EQ(ZMFile::ReadData(file, buffer, &count), 1);
  EXPECT_STREQ(buffer, "hello");
  CloseHandle(file);
}

TEST(ZMFile, MapsFilesForReadingAndCreating)
{
  TempDir dir;
  const std::u16string path = Wide(dir.File("mapped.bin"));
  HANDLE file = nullptr;
  HANDLE mapping = nullptr;
  auto* view = static_cast<char*>(ZMFile::MapFileForCreate(path.c_str(), &file, &mapping, 10000));
  ASSERT_NE(view, nullptr);
  std::memcpy(view, "mapped", 6);
  view[9999] = 'z';
  ZMFile::UnMapFile(view, mapping, file);
  EXPECT_EQ(std::filesystem::file_size(dir.File("mapped.bin")), 10000u);

  auto* readView = static_cast<const char*>(ZMFile::MapFileForRead(path.c_str(), &file, &mapping));
  ASSERT_NE(readView, nullptr);
  EXPECT_EQ(std::memcmp(readView, "mapped", 6), 0);
  EXPECT_EQ(readView[9999], 'z');
  ZMFile::UnMapFile(const_cast<char*>(readView), mapping, file);

  zamra_test::WriteAll(dir.File("empty"), {});
  EXPECT_EQ(ZMFile::MapFileForRead(Wide(dir.File("empty")).c_str(), &file, &mapping), nullptr);
  EXPECT_EQ(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(mapping, nullptr);
  EXPECT_EQ(ZMFile::MapFileForRead(Wide(dir.File("missing")).c_str(), &file, &mapping), nullptr);

  ZMFile::UnMapFile(nullptr, nullptr, INVALID_HANDLE_VALUE);  // nothing given, nothing done
}

TEST(ZMFile, NamedSharedMemoryIsSeenByASecondOpener)
{
  const std::u16string name = u"Local\\zamra-test-" + Wide(std::to_string(::getpid()));
  HANDLE created = nullptr;
  auto* block = static_cast<char*>(ZMFile::MapFileForMemoryCreate(&created, 4096, name.c_str()));
  ASSERT_NE(block, nullptr);
  std::strcpy(block, "shared");

  HANDLE opened = nullptr;
  auto* other = static_cast<char*>(ZMFile::MapFileForMemoryOpen(&opened, name.c_str()));
  ASSERT_NE(other, nullptr);
  EXPECT_STREQ(other, "shared");
  ZMFile::UnMapFile(other, opened, INVALID_HANDLE_VALUE);
  ZMFile::UnMapFile(block, created, INVALID_HANDLE_VALUE);

  EXPECT_EQ(ZMFile::MapFileForMemoryOpen(&opened, name.c_str()), nullptr);  // gone with its creator
  EXPECT_EQ(opened, nullptr);
}

TEST(ZMFile, NoVersionResourcesHere)
{
  WORD major = 9, minor = 9, build = 9, revision = 9;
  EXPECT_FALSE(ZMFile::GetFileVersion("/proc/self/exe", &major, &minor, &build, &revision));
  EXPECT_EQ(major + minor + build + revision, 0);
}
