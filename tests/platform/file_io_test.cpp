// File handles and the sharing rules of ZMFile's open operations.
// SPDX-License-Identifier: MIT
#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "api/base/file.h"
#include "support/temp_dir.h"

using zamra_test::TempDir;

namespace {

std::string ReadText(HANDLE file)
{
  char buffer[256];
  DWORD read = 0;
  EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
  return std::string(buffer, read);
}

void WriteText(HANDLE file, const std::string& text)
{
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
  ASSERT_EQ(written, text.size());
}

}  // namespace

TEST(ZMFile, OpenForReadOfMissingFileFailsAndCreatesNothing)
{
  TempDir dir;
  const std::string path = dir.File("missing.shp");
  EXPECT_EQ(ZMFile::OpenForRead(path.c_str()), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ZMFile::OpenForRead(""), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMFile::OpenForRead(dir.Path().c_str()), INVALID_HANDLE_VALUE) << "a folder is not a file";
}

TEST(ZMFile, CreateForWriteTruncatesAndReadsBack)
{
  TempDir dir;
  const std::string path = dir.File("a.bin");
  zamra_test::WriteAll(path, {1, 2, 3, 4, 5});
  HANDLE writer = ZMFile::CreateForWrite(path.c_str());
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::filesystem::file_size(path), 0u) << "an existing file is empty until data is written";
  WriteText(writer, "hello world");
  EXPECT_EQ(GetFileSize(writer, nullptr), 11u);
  EXPECT_TRUE(CloseHandle(writer));

  HANDLE reader = ZMFile::OpenForRead(path.c_str());
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  std::int64_t size = 0;
  EXPECT_TRUE(GetFileSizeEx(reader, &size));
  EXPECT_EQ(size, 11);
  EXPECT_EQ(SetFilePointer(reader, 6, nullptr, FILE_BEGIN), 6u);
  EXPECT_EQ(ReadText(reader), "world");
  EXPECT_EQ(ReadText(reader), "") << "a read at the end gives 0 bytes";
  DWORD written = 7;
  EXPECT_FALSE(WriteFile(reader, "x", 1, &written, nullptr)) << "a read handle cannot write";
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(CloseHandle(reader));
}

TEST(ZMFile, SharingReadersAndWriters)
{
  TempDir dir;
  const std::string path = dir.File("shared.dbf");

  // A writer lets readers in, but refuses a second writer, which must not truncate.
  HANDLE writer = ZMFile::CreateForWrite(path.c_str());
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  WriteText(writer, "kept");
  HANDLE reader = ZMFile::OpenForRead(path.c_str());
  EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "reading is shared with a writer";
  EXPECT_EQ(ZMFile::CreateForWrite(path.c_str()), INVALID_HANDLE_VALUE) << "a second writer is refused";
  EXPECT_EQ(std::filesystem::file_size(path), 4u) << "the refused writer destroyed nothing";
  CloseHandle(reader);
  CloseHandle(writer);

  // Readers share with readers and keep writers out while they read.
  HANDLE first = ZMFile::OpenForRead(path.c_str());
  HANDLE second = ZMFile::OpenForRead(path.c_str());
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMFile::CreateForWrite(path.c_str()), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ReadText(second), "kept");
  CloseHandle(first);
  CloseHandle(second);

  HANDLE again = ZMFile::CreateForWrite(path.c_str());
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << "once everyone closed, writing is possible again";
  CloseHandle(again);
}

TEST(FileHandles, InvalidHandlesAreRefused)
{
  DWORD count = 9;
  char byte = 0;
  EXPECT_FALSE(ReadFile(INVALID_HANDLE_VALUE, &byte, 1, &count, nullptr));
  EXPECT_EQ(count, 0u);
  EXPECT_FALSE(WriteFile(nullptr, &byte, 1, &count, nullptr));
  EXPECT_EQ(GetFileSize(INVALID_HANDLE_VALUE, nullptr), INVALID_FILE_SIZE);
  EXPECT_EQ(SetFilePointer(INVALID_HANDLE_VALUE, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetFileDescriptor(INVALID_HANDLE_VALUE), -1);
}

TEST(FileHandles, SixtyFourBitPositions)
{
  TempDir dir;
  const std::string path = dir.File("big.bin");
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0,
                            nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LONG high = 1;  // 4 GiB + 16: a sparse file
  EXPECT_EQ(SetFilePointer(file, 16, &high, FILE_BEGIN), 16u);
  EXPECT_EQ(high, 1);
  EXPECT_TRUE(SetEndOfFile(file));
  DWORD sizeHigh = 0;
  EXPECT_EQ(GetFileSize(file, &sizeHigh), 16u);
  EXPECT_EQ(sizeHigh, 1u);
  CloseHandle(file);
}
