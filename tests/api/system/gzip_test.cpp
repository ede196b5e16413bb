// ZMGZip round trips, checked with Debian's gzip tools as the independent reader.
// SPDX-License-Identifier: MIT
#include "api/system/gzip.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/system_calls.h"
#include "support/temp_dir.h"

using zamra::sys::Call;
using zamra::sys::ScopedCallFailure;
using zamra_test::ReadAll;
using zamra_test::RunCommand;
using zamra_test::TempDir;
using zamra_test::WriteAll;

namespace {

std::vector<unsigned char> MixedBytes(size_t count)
{
  std::mt19937 random(7);
  std::vector<unsigned char> bytes(count);
  for (size_t i = 0; i < count; ++i)  // half text-like, half noise: both code paths of deflate
    bytes[i] = i % 2 ? static_cast<unsigned char>('a' + i % 13) : static_cast<unsigned char>(random());
  return bytes;
}

bool GzipAccepts(const std::string& path)
{
  int status = -1;
  RunCommand("gzip -t '" + path + "' 2>&1", &status);
  return status == 0;
}

}  // namespace

TEST(GZip, RoundTripsBytesAndGzipAgrees)
{
  TempDir dir;
  const auto original = MixedBytes(25000);  // more than two blocks
  WriteAll(dir.File("data.bin"), original);
  ASSERT_TRUE(ZMGZip::Zip(dir.File("data.bin").c_str(), dir.File("data.gz").c_str()));
  EXPECT_TRUE(GzipAccepts(dir.File("data.gz")));
  RunCommand("zcat '" + dir.File("data.gz") + "' > '" + dir.File("zcat.bin") + "'");
  EXPECT_EQ(ReadAll(dir.File("zcat.bin")), original);
  ASSERT_TRUE(ZMGZip::UnZip(dir.File("data.gz").c_str(), dir.File("back.bin").c_str()));
  EXPECT_EQ(ReadAll(dir.File("back.bin")), original);

  // And a file compressed by gzip itself expands the same way.
  RunCommand("gzip -9 -c '" + dir.File("data.bin") + "' > '" + dir.File("tool.gz") + "'");
  ASSERT_TRUE(ZMGZip::UnZip(dir.File("tool.gz").c_str(), dir.File("tool.bin").c_str()));
  EXPECT_EQ(ReadAll(dir.File("tool.bin")), original);
}

TEST(GZip, EmptyFileRoundTrips)
{
  TempDir dir;
  WriteAll(dir.File("empty"), {});
  ASSERT_TRUE(ZMGZip::Zip(dir.File("empty").c_str(), dir.File("empty.gz").c_str()));
  EXPECT_TRUE(GzipAccepts(dir.File("empty.gz")));
  WriteAll(dir.File("back"), {'o', 'l', 'd'});
  ASSERT_TRUE(ZMGZip::UnZip(dir.File("empty.gz").c_str(), dir.File("back").c_str()));
  EXPECT_TRUE(std::filesystem::exists(dir.File("back")));
  EXPECT_TRUE(ReadAll(dir.File("back")).empty());
}

TEST(GZip, MissingFilesFailAndLeaveTheTargetAlone)
{
  TempDir dir;
  WriteAll(dir.File("kept"), {'k', 'e', 'p', 't'});
  EXPECT_FALSE(ZMGZip::Zip(dir.File("missing").c_str(), dir.File("kept").c_str()));
  EXPECT_FALSE(ZMGZip::UnZip(dir.File("missing.gz").c_str(), dir.File("kept").c_str()));
  EXPECT_EQ(ReadAll(dir.File("kept")), (std::vector<unsigned char>{'k', 'e', 'p', 't'}));
  EXPECT_FALSE(ZMGZip::UnZip(dir.File("missing.gz").c_str(), dir.File("new").c_str()));
  EXPECT_FALSE(std::filesystem::exists(dir.File("new")));
  EXPECT_FALSE(ZMGZip::Zip(dir.File("kept").c_str(), dir.File("no-dir/out.gz").c_str()));
  EXPECT_FALSE(ZMGZip::Zip(nullptr, dir.File("x.gz").c_str()));
}

TEST(GZip, PlainTextExpandsToACopy)
{
  TempDir dir;
  const std::string text = "not compressed at all\nsecond line\n";
  WriteAll(dir.File("plain.txt"), std::vector<unsigned char>(text.begin(), text.end()));
  ASSERT_TRUE(ZMGZip::UnZip(dir.File("plain.txt").c_str(), dir.File("copy.txt").c_str()));
  const auto copy = ReadAll(dir.File("copy.txt"));
  EXPECT_EQ(std::string(copy.begin(), copy.end()), text);
}

TEST(GZip, DamageAndFailedWritesAreReported)
{
  TempDir dir;
  const auto original = MixedBytes(25000);
  WriteAll(dir.File("data.bin"), original);
  ASSERT_TRUE(ZMGZip::Zip(dir.File("data.bin").c_str(), dir.File("data.gz").c_str()));
  auto packed = ReadAll(dir.File("data.gz"));

  // Cut short: the trailer and part of the data are missing.
  WriteAll(dir.File("cut.gz"), std::vector<unsigned char>(packed.begin(), packed.begin() + packed.size() / 2));
  EXPECT_FALSE(ZMGZip::UnZip(dir.File("cut.gz").c_str(), dir.File("cut.bin").c_str()));

  // A changed byte in the trailer's checksum.
  packed[packed.size() - 6] ^= 0xFF;
  WriteAll(dir.File("bad.gz"), packed);
  EXPECT_FALSE(ZMGZip::UnZip(dir.File("bad.gz").c_str(), dir.File("bad.bin").c_str()));

  // A full disk.
  if (std::filesystem::exists("/dev/full")) {
    EXPECT_FALSE(ZMGZip::Zip(dir.File("data.bin").c_str(), "/dev/full"));
    EXPECT_FALSE(ZMGZip::UnZip(dir.File("data.gz").c_str(), "/dev/full"));
  }
}

TEST(GZip, SourcesThatCannotBeOpenedOrReadFailAndKeepTheTarget)
{
  TempDir dir;
  const std::vector<unsigned char> kept = {'k', 'e', 'p', 't'};
  WriteAll(dir.File("data.bin"), MixedBytes(50000));  // several blocks' worth
  ASSERT_TRUE(ZMGZip::Zip(dir.File("data.bin").c_str(), dir.File("data.gz").c_str()));
  WriteAll(dir.File("kept.gz"), kept);
  WriteAll(dir.File("kept.bin"), kept);
  const auto count = [&] { return std::distance(std::filesystem::directory_iterator(dir.Path()), {}); };
  ASSERT_EQ(count(), 4);
  {
    ScopedCallFailure refused(Call::kOpen, EACCES);
    EXPECT_FALSE(ZMGZip::Zip(dir.File("data.bin").c_str(), dir.File("kept.gz").c_str()));
  }
  {
    ScopedCallFailure broken(Call::kRead, EIO, 1);  // the first block comes, the second fails
    EXPECT_FALSE(ZMGZip::Zip(dir.File("data.bin").c_str(), dir.File("kept.gz").c_str()));
  }
  {
    ScopedCallFailure refused(Call::kOpen, EACCES);
    EXPECT_FALSE(ZMGZip::UnZip(dir.File("data.gz").c_str(), dir.File("kept.bin").c_str()));
  }
  EXPECT_EQ(ReadAll(dir.File("kept.gz")), kept);
  EXPECT_EQ(ReadAll(dir.File("kept.bin")), kept);
  EXPECT_EQ(count(), 4) << "no half-written file is left";
  ASSERT_TRUE(ZMGZip::UnZip(dir.File("data.gz").c_str(), dir.File("kept.bin").c_str()));
  EXPECT_EQ(ReadAll(dir.File("kept.bin")), MixedBytes(50000));
}

TEST(GZip, SameFileForBothIsRefusedAndKept)
{
  TempDir dir;
  const auto original = MixedBytes(5000);
  WriteAll(dir.File("data.bin"), original);
  EXPECT_FALSE(ZMGZip::Zip(dir.File("data.bin").c_str(), dir.File("data.bin").c_str()));
  EXPECT_FALSE(ZMGZip::UnZip(dir.File("data.bin").c_str(), dir.File("./data.bin").c_str()));
  EXPECT_EQ(ReadAll(dir.File("data.bin")), original);
}
