// The POSIX calls behind one seam, with the failures a test plans.
// SPDX-License-Identifier: MIT
#include "platform/system_calls.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace zamra::sys {
namespace {

struct PlannedFailure {
  std::atomic<int> skip{0};
  std::atomic<int> count{0};
  std::atomic<int> error{0};
};

std::array<PlannedFailure, static_cast<size_t>(Call::kCount)> g_planned;
std::atomic<int> g_plannedCalls{0};  // how many entries are armed: the common path reads only this

// True when this call is to fail (errno set).
bool Fails(Call call)
{
  if (g_plannedCalls.load(std::memory_order_relaxed) == 0)
    return false;
  PlannedFailure& planned = g_planned[static_cast<size_t>(call)];
  if (planned.count.load() <= 0)
    return false;
  if (planned.skip.fetch_sub(1) > 0)
    return false;
  if (planned.count.fetch_sub(1) <= 0)
    return false;
  errno = planned.error.load();
  return true;
}

}  // namespace

void FailCall(Call call, int error, int skip, int count)
{
  if (call >= Call::kCount || count <= 0)
    return;
  PlannedFailure& planned = g_planned[static_cast<size_t>(call)];
  planned.error = error;
  planned.skip = skip;
  planned.count = count;
  g_plannedCalls.fetch_add(1);
}

void ClearCallFailures()
{
  for (PlannedFailure& planned : g_planned) {
    planned.count = 0;
    planned.skip = 0;
  }
  g_plannedCalls = 0;
}

int Open(const char* path, int flags, mode_t mode) { return Fails(Call::kOpen) ? -1 : ::open(path, flags, mode); }

int OpenAt(int directory, const char* name, int flags, mode_t mode)
{
  return Fails(Call::kOpenAt) ? -1 : ::openat(directory, name, flags, mode);
}

int Close(int descriptor) { return Fails(Call::kClose) ? -1 : ::close(descriptor); }

ssize_t Read(int descriptor, void* buffer, size_t count)
{
  return Fails(Call::kRead) ? -1 : ::read(descriptor, buffer, count);
}

ssize_t Write(int descriptor, const void* buffer, size_t count)
{
  return Fails(Call::kWrite) ? -1 : ::write(descriptor, buffer, count);
}

ssize_t PRead(int descriptor, void* buffer, size_t count, off_t offset)
{
  return Fails(Call::kPRead) ? -1 : ::pread(descriptor, buffer, count, offset);
}

ssize_t PWrite(int descriptor, const void* buffer, size_t count, off_t offset)
{
  return Fails(Call::kPWrite) ? -1 : ::pwrite(descriptor, buffer, count, offset);
}

namespace {

// One loop for the four whole transfers: `step` moves at most `count` bytes at `moved` bytes in.
template <typename Step>
bool Transfer(size_t count, size_t* done, bool writing, Step step)
{
  size_t moved = 0;
  bool ok = true;
  while (moved < count) {
    const ssize_t got = step(moved, count - moved);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) {
      // The end of a file being read; a write taking nothing would otherwise loop for ever.
      if (writing) {
        errno = ENOSPC;
        ok = false;
      }
      break;
    }
    moved += static_cast<size_t>(got);
  }
  if (done != nullptr)
    *done = moved;
  return ok;
}

}  // namespace

bool ReadFully(int descriptor, void* buffer, size_t count, size_t* done)
{
  auto* bytes = static_cast<char*>(buffer);
  return Transfer(count, done, false, [&](size_t at, size_t left) { return Read(descriptor, bytes + at, left); });
}

bool PReadFully(int descriptor, void* buffer, size_t count, off_t offset, size_t* done)
{
  auto* bytes = static_cast<char*>(buffer);
  return Transfer(count, done, false, [&](size_t at, size_t left) {
    return PRead(descriptor, bytes + at, left, offset + static_cast<off_t>(at));
  });
}

bool WriteFully(int descriptor, const void* buffer, size_t count, size_t* done)
{
  const auto* bytes = static_cast<const char*>(buffer);
  return Transfer(count, done, true, [&](size_t at, size_t left) { return Write(descriptor, bytes + at, left); });
}

bool PWriteFully(int descriptor, const void* buffer, size_t count, off_t offset, size_t* done)
{
  const auto* bytes = static_cast<const char*>(buffer);
  return Transfer(count, done, true, [&](size_t at, size_t left) {
    return PWrite(descriptor, bytes + at, left, offset + static_cast<off_t>(at));
  });
}

off_t LSeek(int descriptor, off_t offset, int whence)
{
  return Fails(Call::kLSeek) ? -1 : ::lseek(descriptor, offset, whence);
}

int FStat(int descriptor, struct stat* status) { return Fails(Call::kFStat) ? -1 : ::fstat(descriptor, status); }

int Stat(const char* path, struct stat* status) { return Fails(Call::kStat) ? -1 : ::stat(path, status); }

int LStat(const char* path, struct stat* status) { return Fails(Call::kLStat) ? -1 : ::lstat(path, status); }

int FStatAt(int directory, const char* name, struct stat* status, int flags)
{
  return Fails(Call::kFStatAt) ? -1 : ::fstatat(directory, name, status, flags);
}

int Mkdir(const char* path, mode_t mode) { return Fails(Call::kMkdir) ? -1 : ::mkdir(path, mode); }

int Rmdir(const char* path) { return Fails(Call::kRmdir) ? -1 : ::rmdir(path); }

int Rename(const char* from, const char* to) { return Fails(Call::kRename) ? -1 : ::rename(from, to); }

int Access(const char* path, int mode) { return Fails(Call::kAccess) ? -1 : ::access(path, mode); }

int Unlink(const char* path) { return Fails(Call::kUnlink) ? -1 : ::unlink(path); }

int UnlinkAt(int directory, const char* name, int flags)
{
  return Fails(Call::kUnlinkAt) ? -1 : ::unlinkat(directory, name, flags);
}

ssize_t ReadLink(const char* path, char* buffer, size_t size)
{
  return Fails(Call::kReadLink) ? -1 : ::readlink(path, buffer, size);
}

ssize_t ReadLinkAt(int directory, const char* name, char* buffer, size_t size)
{
  return Fails(Call::kReadLinkAt) ? -1 : ::readlinkat(directory, name, buffer, size);
}

int Symlink(const char* destination, const char* path)
{
  return Fails(Call::kSymlink) ? -1 : ::symlink(destination, path);
}

int Dup(int descriptor) { return Fails(Call::kDup) ? -1 : ::dup(descriptor); }

int FSync(int descriptor) { return Fails(Call::kFSync) ? -1 : ::fsync(descriptor); }

int FTruncate(int descriptor, off_t length) { return Fails(Call::kFTruncate) ? -1 : ::ftruncate(descriptor, length); }

int FAllocate(int descriptor, int mode, off_t offset, off_t length)
{
  return Fails(Call::kFAllocate) ? -1 : ::fallocate(descriptor, mode, offset, length);
}

int FChown(int descriptor, uid_t owner, gid_t group)
{
  return Fails(Call::kFChown) ? -1 : ::fchown(descriptor, owner, group);
}

int FChmod(int descriptor, mode_t mode) { return Fails(Call::kFChmod) ? -1 : ::fchmod(descriptor, mode); }

int GetRLimit(int resource, struct rlimit* limit)
{
  return Fails(Call::kGetRLimit) ? -1 : ::getrlimit(static_cast<__rlimit_resource_t>(resource), limit);
}

char* GetCwd() { return Fails(Call::kGetCwd) ? nullptr : ::getcwd(nullptr, 0); }

uid_t GetEUid() { return ::geteuid(); }

pid_t GetPid() { return ::getpid(); }

DirectoryList::DirectoryList(int descriptor)
    : m_stream(descriptor >= 0 && !Fails(Call::kOpenDirectory) ? ::fdopendir(descriptor) : nullptr)
{
  if (m_stream == nullptr && descriptor >= 0)
    ::close(descriptor);
}

DirectoryList::~DirectoryList()
{
  if (m_stream != nullptr)
    ::closedir(m_stream);
}

int DirectoryList::Descriptor() const { return m_stream != nullptr ? ::dirfd(m_stream) : -1; }

const char* DirectoryList::Next()
{
  if (m_stream == nullptr || Fails(Call::kReadDirectory))
    return nullptr;
  while (dirent* entry = ::readdir(m_stream)) {
    const char* name = entry->d_name;
    if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
      return name;
  }
  return nullptr;
}

int Poll(pollfd* watched, nfds_t count, int timeout)
{
  return Fails(Call::kPoll) ? -1 : ::poll(watched, count, timeout);
}

int Socket(int domain, int type, int protocol) { return Fails(Call::kSocket) ? -1 : ::socket(domain, type, protocol); }

int Bind(int descriptor, const sockaddr* address, socklen_t length)
{
  return Fails(Call::kBind) ? -1 : ::bind(descriptor, address, length);
}

int Listen(int descriptor, int backlog) { return Fails(Call::kListen) ? -1 : ::listen(descriptor, backlog); }

int Connect(int descriptor, const sockaddr* address, socklen_t length)
{
  return Fails(Call::kConnect) ? -1 : ::connect(descriptor, address, length);
}

int SetSockOpt(int descriptor, int level, int option, const void* value, socklen_t length)
{
  return Fails(Call::kSetSockOpt) ? -1 : ::setsockopt(descriptor, level, option, value, length);
}

int Ioctl(int descriptor, unsigned long request, void* argument)
{
  return Fails(Call::kIoctl) ? -1 : ::ioctl(descriptor, request, argument);
}

int SigAction(int signal, const struct sigaction* action, struct sigaction* previous)
{
  return Fails(Call::kSigAction) ? -1 : ::sigaction(signal, action, previous);
}

int Flock(int descriptor, int operation) { return Fails(Call::kFlock) ? -1 : ::flock(descriptor, operation); }

int TcGetAttr(int descriptor, termios* settings)
{
  return Fails(Call::kTcGetAttr) ? -1 : ::tcgetattr(descriptor, settings);
}

int TcSetAttr(int descriptor, int when, const termios* settings)
{
  return Fails(Call::kTcSetAttr) ? -1 : ::tcsetattr(descriptor, when, settings);
}

int TcFlush(int descriptor, int queue) { return Fails(Call::kTcFlush) ? -1 : ::tcflush(descriptor, queue); }

}  // namespace zamra::sys
