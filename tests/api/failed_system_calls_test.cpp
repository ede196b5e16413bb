// The library under system calls that fail: every failure is reported, nothing already on disk
// is lost, no half-written file is left, and no descriptor leaks. The failures are planned
// through the platform's seam, so each one hits exactly the call it names.
// SPDX-License-Identifier: MIT
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <pty.h>  // openpty
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "api/base/directory.h"
#include "api/base/xml.h"
#include "api/system/gzip.h"
#include "api/system/serial_port.h"
#include "api/system/socket.h"
#include "platform/code_page.h"
#include "platform/system_calls.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using zamra::sys::Call;
using zamra::sys::ScopedCallFailure;
using zamra_test::ReadAll;
using zamra_test::TempDir;
using zamra_test::WriteAll;

int OpenDescriptors()
{
  int count = 0;
  for (int descriptor = 0; descriptor < 1024; ++descriptor)
    count += fcntl(descriptor, F_GETFD) != -1 ? 1 : 0;
  return count;
}

std::vector<std::string> Names(const std::string& folder)
{
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

const std::vector<unsigned char> kOld = {'o', 'l', 'd'};
const std::vector<unsigned char> kNew(70000, 'n');  // more than one write's worth

}  // namespace

TEST(FailedSystemCalls, PlannedFailuresHitOnlyTheNamedCallAfterTheSkippedOnes)
{
  TempDir dir;
  const std::string path = dir.File("f");
  WriteAll(path, kOld);
  {
    ScopedCallFailure failure(Call::kStat, ENOENT, 1, 1);
    struct stat status {};
    EXPECT_EQ(zamra::sys::Stat(path.c_str(), &status), 0) << "skipped";
    EXPECT_EQ(zamra::sys::LStat(path.c_str(), &status), 0) << "another call";
    EXPECT_EQ(zamra::sys::Stat(path.c_str(), &status), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(zamra::sys::Stat(path.c_str(), &status), 0) << "one failure only";
  }
  ScopedCallFailure failure(Call::kStat, EIO, 0, 3);
  zamra::sys::ClearCallFailures();
  struct stat status {};
  EXPECT_EQ(zamra::sys::Stat(path.c_str(), &status), 0) << "cleared";
}

TEST(FailedSystemCalls, SavingKeepsTheOldFileWhenAWriteSyncOrRenameFails)
{
  TempDir dir;
  const std::string path = dir.File("workspace.xml");
  ZMXml document(u"Workspace");
  for (int i = 0; i < 3000; ++i)  // well over one write's worth
    document.GetRootNode()->AddChild(u"Layer")->AddAttribute(u"path", u"a layer path");
  for (Call call : {Call::kWrite, Call::kFSync, Call::kRename}) {
    WriteAll(path, kOld);
    {
      ScopedCallFailure failure(call, call == Call::kWrite ? ENOSPC : EIO);
      EXPECT_FALSE(document.SaveXml(path.c_str())) << static_cast<int>(call);
    }
    EXPECT_EQ(ReadAll(path), kOld) << static_cast<int>(call);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"workspace.xml"}) << "no temporary file left";
  }
  ASSERT_TRUE(document.SaveXml(path.c_str()));
  EXPECT_GT(ReadAll(path).size(), 30000u);
}

// zlib writes by itself; the file it wrote becomes the target only through the rename.
TEST(FailedSystemCalls, CompressingKeepsTheTargetWhenTheNewFileCannotTakeItsPlace)
{
  TempDir dir;
  const std::string source = dir.File("plain");
  const std::string target = dir.File("packed.gz");
  WriteAll(source, kNew);
  WriteAll(target, kOld);
  {
    ScopedCallFailure failure(Call::kRename, EIO);
    EXPECT_FALSE(ZMGZip::Zip(source.c_str(), target.c_str()));
  }
  EXPECT_EQ(ReadAll(target), kOld);
  EXPECT_EQ(Names(dir.Path()).size(), 2u);
}

TEST(FailedSystemCalls, ACopyWhoseWriteFailsLeavesNoHalfFile)
{
  TempDir dir;
  fs::create_directories(dir.File("source"));
  WriteAll(dir.File("source/big"), kNew);
  {
    ScopedCallFailure failure(Call::kWrite, ENOSPC, 1);  // the second chunk fails
    ZMDirectory::CopyDirectoryW(ToUtf16(dir.File("source")).c_str(), ToUtf16(dir.File("copy")).c_str());
  }
  EXPECT_FALSE(fs::exists(dir.File("copy/big")));
  EXPECT_EQ(ZMDirectory::CopyDirectoryW(ToUtf16(dir.File("source")).c_str(), ToUtf16(dir.File("copy")).c_str()), 1);
  EXPECT_EQ(ReadAll(dir.File("copy/big")), kNew);
}

TEST(FailedSystemCalls, APortWhoseTerminalRefusesItsSettingsIsNotOpenedAndNotLeaked)
{
  int master = -1;
  int terminal = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &terminal, name, nullptr, nullptr), 0);
  const std::u16string port = ToUtf16(name);
  const int before = OpenDescriptors();
  for (Call call : {Call::kTcGetAttr, Call::kTcSetAttr, Call::kFlock}) {
    ScopedCallFailure failure(call, EIO);
    EXPECT_EQ(ZMSerailPort::OpenCom(port.c_str(), 9600), INVALID_HANDLE_VALUE) << static_cast<int>(call);
    EXPECT_EQ(OpenDescriptors(), before) << static_cast<int>(call);
  }
  HANDLE opened = ZMSerailPort::OpenCom(port.c_str(), 9600);
  EXPECT_NE(opened, INVALID_HANDLE_VALUE) << "the same port opens once the system agrees";
  ZMSerailPort::CloseCom(opened);
  close(terminal);
  close(master);
}

TEST(FailedSystemCalls, SocketsThatCannotBeBoundOrWatchedReportIt)
{
  ASSERT_EQ(ZMSocket::Init(), 1);
  const int before = OpenDescriptors();
  for (Call call : {Call::kSocket, Call::kBind}) {
    ScopedCallFailure failure(call, EADDRINUSE);
    EXPECT_EQ(ZMSocket::TcpServerSocket(0), INVALID_SOCKET) << static_cast<int>(call);
    EXPECT_EQ(OpenDescriptors(), before) << static_cast<int>(call);
  }
  const SOCKET server = ZMSocket::TcpServerSocket(0);
  ASSERT_NE(server, INVALID_SOCKET);
  ASSERT_EQ(ZMSocket::TcpListen(server, 1), 0);
  {
    ScopedCallFailure failure(Call::kPoll, ENOMEM);
    EXPECT_LT(ZMSocket::TcpSelectRead(server, 0, 1000), 0);
  }
  EXPECT_EQ(ZMSocket::TcpSelectRead(server, 0, 1000), 0) << "nothing to accept";
  closesocket(server);
  ZMSocket::Destroy();
}
