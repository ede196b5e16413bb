// The whole transfers of the system-call seam: every byte, the end of a file, or an error, after
// short transfers and interrupted calls alike.
// SPDX-License-Identifier: MIT
#include "platform/system_calls.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/temp_dir.h"

using zamra::sys::Call;
using zamra::sys::ScopedCallFailure;
using zamra_test::ReadAll;
using zamra_test::TempDir;
using zamra_test::WriteAll;

namespace {

// A file opened through the seam, closed at the end of the scope.
class OpenFile final {
public:
  OpenFile(const std::string& path, int flags) : m_descriptor(zamra::sys::Open(path.c_str(), flags, 0644)) {}
  ~OpenFile()
  {
    if (m_descriptor >= 0)
      zamra::sys::Close(m_descriptor);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int Descriptor() const { return m_descriptor; }

private:
  int m_descriptor;
};

const std::vector<unsigned char> kBytes = {'s', 'h', 'a', 'p', 'e', 's'};

}  // namespace

TEST(WholeTransfers, AReadGoesOnAfterShortReadsUntilEveryByteHasCome)
{
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  // A pipe hands out what has arrived so far: three pieces make short reads.
  std::thread writer([&] {
    for (int piece = 0; piece < 3; ++piece) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_EQ(write(ends[1], kBytes.data() + piece * 2, 2), 2);
    }
  });
  std::vector<unsigned char> read(kBytes.size());
  size_t done = 0;
  EXPECT_TRUE(zamra::sys::ReadFully(ends[0], read.data(), read.size(), &done));
  writer.join();
  close(ends[0]);
  close(ends[1]);
  EXPECT_EQ(done, kBytes.size());
  EXPECT_EQ(read, kBytes);
}

TEST(WholeTransfers, InterruptedCallsAreRepeatedAndTheEndOfAFileIsNoError)
{
  TempDir dir;
  const std::string path = dir.File("f");
  WriteAll(path, kBytes);
  OpenFile file(path, O_RDONLY);
  ASSERT_GE(file.Descriptor(), 0);
  std::vector<unsigned char> read(100, 0);
  size_t done = 0;
  {
    ScopedCallFailure interrupted(Call::kRead, EINTR, 0, 2);
    EXPECT_TRUE(zamra::sys::ReadFully(file.Descriptor(), read.data(), read.size(), &done));
  }
  EXPECT_EQ(done, kBytes.size()) << "the file ends before the buffer";
  read.resize(done);
  EXPECT_EQ(read, kBytes);

  unsigned char tail[10] = {};
  ScopedCallFailure interrupted(Call::kPRead, EINTR);
  EXPECT_TRUE(zamra::sys::PReadFully(file.Descriptor(), tail, sizeof tail, 4, &done));
  EXPECT_EQ(done, 2u);
  EXPECT_EQ(std::string(tail, tail + 2), "es");
}

TEST(WholeTransfers, ErrorsAreReportedWithTheCountAlreadyMoved)
{
  TempDir dir;
  const std::string path = dir.File("f");
  OpenFile file(path, O_RDWR | O_CREAT);
  ASSERT_GE(file.Descriptor(), 0);
  size_t done = 99;
  {
    ScopedCallFailure interrupted(Call::kWrite, EINTR);
    EXPECT_TRUE(zamra::sys::WriteFully(file.Descriptor(), kBytes.data(), kBytes.size(), &done));
    EXPECT_EQ(done, kBytes.size());
  }
  {
    ScopedCallFailure full(Call::kWrite, ENOSPC);
    errno = 0;
    EXPECT_FALSE(zamra::sys::WriteFully(file.Descriptor(), kBytes.data(), kBytes.size(), &done));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_EQ(done, 0u);
  }
  {
    ScopedCallFailure broken(Call::kPWrite, EIO);
    EXPECT_FALSE(zamra::sys::PWriteFully(file.Descriptor(), "xx", 2, 0, &done));
    EXPECT_EQ(errno, EIO);
  }
  EXPECT_TRUE(zamra::sys::PWriteFully(file.Descriptor(), "S", 1, 0));
  EXPECT_EQ(ReadAll(path), (std::vector<unsigned char>{'S', 'h', 'a', 'p', 'e', 's'}));

  unsigned char read[4] = {};
  {
    ScopedCallFailure broken(Call::kPRead, EIO);
    errno = 0;
    EXPECT_FALSE(zamra::sys::PReadFully(file.Descriptor(), read, sizeof read, 0, &done));
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(done, 0u);
  }

  // Two bytes wait in a pipe: the first read is short, the second fails.
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "ab", 2), 2);
  ScopedCallFailure broken(Call::kRead, EIO, 1);
  EXPECT_FALSE(zamra::sys::ReadFully(ends[0], read, sizeof read, &done));
  close(ends[0]);
  close(ends[1]);
  EXPECT_EQ(errno, EIO);
  EXPECT_EQ(done, 2u);
  EXPECT_EQ(std::string(read, read + 2), "ab");
}
