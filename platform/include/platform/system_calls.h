// The POSIX calls the libraries make, each through one function here, so that a test can make
// any of them fail with the error it chooses (a full disk, a refused socket, a lost terminal)
// and check that the caller reports the failure and loses nothing.
//
// Each function behaves as the call it is named after: the same arguments, the same result,
// errno set on failure.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <termios.h>

#include "platform/platform_export.h"

namespace zamra::sys {

enum class Call {
  kOpen,
  kOpenAt,
  kClose,
  kRead,
  kWrite,
  kPRead,
  kPWrite,
  kLSeek,
  kStat,
  kLStat,
  kFStat,
  kFStatAt,
  kMkdir,
  kRmdir,
  kRename,
  kAccess,
  kUnlink,
  kUnlinkAt,
  kReadLink,
  kReadLinkAt,
  kSymlink,
  kDup,
  kFSync,
  kFTruncate,
  kFAllocate,
  kFChown,
  kFChmod,
  kGetRLimit,
  kGetCwd,
  kOpenDirectory,
  kReadDirectory,
  kPoll,
  kSocket,
  kBind,
  kListen,
  kConnect,
  kSetSockOpt,
  kIoctl,
  kSigAction,
  kFlock,
  kTcGetAttr,
  kTcSetAttr,
  kTcFlush,
  kCount
};

// Test hook: after `skip` more calls of `call` succeed, the next `count` fail with `error`
// (errno), without reaching the system. Counted over all threads.
ZAMRA_PLATFORM_API void FailCall(Call call, int error, int skip = 0, int count = 1);
// Forgets every failure still planned.
ZAMRA_PLATFORM_API void ClearCallFailures();

// Plans failures for the life of a scope (a test's body).
class ScopedCallFailure final {
public:
  ScopedCallFailure(Call call, int error, int skip = 0, int count = 1) { FailCall(call, error, skip, count); }
  ~ScopedCallFailure() { ClearCallFailures(); }
  ScopedCallFailure(const ScopedCallFailure&) = delete;
  ScopedCallFailure& operator=(const ScopedCallFailure&) = delete;
};

// Files and folders.
ZAMRA_PLATFORM_API int Open(const char* path, int flags, mode_t mode = 0);
ZAMRA_PLATFORM_API int OpenAt(int directory, const char* name, int flags, mode_t mode = 0);
ZAMRA_PLATFORM_API int Close(int descriptor);
ZAMRA_PLATFORM_API ssize_t Read(int descriptor, void* buffer, size_t count);
ZAMRA_PLATFORM_API ssize_t Write(int descriptor, const void* buffer, size_t count);
ZAMRA_PLATFORM_API ssize_t PRead(int descriptor, void* buffer, size_t count, off_t offset);
ZAMRA_PLATFORM_API ssize_t PWrite(int descriptor, const void* buffer, size_t count, off_t offset);
ZAMRA_PLATFORM_API off_t LSeek(int descriptor, off_t offset, int whence);
// Whole transfers over the calls above: each goes on after a short transfer and after a call
// the system interrupted (EINTR), so callers see all the bytes, the end of the file, or an error.
// *done, when given, receives the count moved either way.
// Reads until `count` bytes have come or the file ends. False on an error (errno set).
ZAMRA_PLATFORM_API bool ReadFully(int descriptor, void* buffer, size_t count, size_t* done = nullptr);
ZAMRA_PLATFORM_API bool PReadFully(int descriptor, void* buffer, size_t count, off_t offset, size_t* done = nullptr);
// Writes all `count` bytes. False on an error (errno set; ENOSPC where the system took none).
ZAMRA_PLATFORM_API bool WriteFully(int descriptor, const void* buffer, size_t count, size_t* done = nullptr);
ZAMRA_PLATFORM_API bool PWriteFully(int descriptor, const void* buffer, size_t count, off_t offset,
                                    size_t* done = nullptr);
ZAMRA_PLATFORM_API int Stat(const char* path, struct stat* status);
ZAMRA_PLATFORM_API int FStat(int descriptor, struct stat* status);
ZAMRA_PLATFORM_API int LStat(const char* path, struct stat* status);
ZAMRA_PLATFORM_API int FStatAt(int directory, const char* name, struct stat* status, int flags);
ZAMRA_PLATFORM_API int Mkdir(const char* path, mode_t mode);
ZAMRA_PLATFORM_API int Rmdir(const char* path);
ZAMRA_PLATFORM_API int Rename(const char* from, const char* to);
ZAMRA_PLATFORM_API int Access(const char* path, int mode);
ZAMRA_PLATFORM_API int Unlink(const char* path);
ZAMRA_PLATFORM_API int UnlinkAt(int directory, const char* name, int flags);
ZAMRA_PLATFORM_API ssize_t ReadLink(const char* path, char* buffer, size_t size);
ZAMRA_PLATFORM_API ssize_t ReadLinkAt(int directory, const char* name, char* buffer, size_t size);
ZAMRA_PLATFORM_API int Symlink(const char* destination, const char* path);
ZAMRA_PLATFORM_API int Dup(int descriptor);
ZAMRA_PLATFORM_API int FSync(int descriptor);
ZAMRA_PLATFORM_API int FTruncate(int descriptor, off_t length);
ZAMRA_PLATFORM_API int FAllocate(int descriptor, int mode, off_t offset, off_t length);
ZAMRA_PLATFORM_API int FChown(int descriptor, uid_t owner, gid_t group);
ZAMRA_PLATFORM_API int FChmod(int descriptor, mode_t mode);
ZAMRA_PLATFORM_API int GetRLimit(int resource, struct rlimit* limit);
// The working folder in memory of malloc (the caller frees it), or null.
ZAMRA_PLATFORM_API char* GetCwd();
ZAMRA_PLATFORM_API uid_t GetEUid();
ZAMRA_PLATFORM_API pid_t GetPid();

// An open descriptor (or none, when negative), closed through Close at the end of its scope.
class ScopedDescriptor final {
public:
  explicit ScopedDescriptor(int descriptor) : m_descriptor(descriptor) {}
  ~ScopedDescriptor()
  {
    if (m_descriptor >= 0)
      Close(m_descriptor);
  }
  ScopedDescriptor(const ScopedDescriptor&) = delete;
  ScopedDescriptor& operator=(const ScopedDescriptor&) = delete;

  bool Valid() const { return m_descriptor >= 0; }
  int Get() const { return m_descriptor; }

private:
  int m_descriptor;
};

// The entries of one open folder other than "." and "..", read by descriptor so that no
// symbolic link on the way is followed.
class ZAMRA_PLATFORM_API DirectoryList final {
public:
  // Takes over `descriptor` (an open folder, or negative for none).
  explicit DirectoryList(int descriptor);
  ~DirectoryList();
  DirectoryList(const DirectoryList&) = delete;
  DirectoryList& operator=(const DirectoryList&) = delete;

  bool Valid() const { return m_stream != nullptr; }
  int Descriptor() const;
  // The next entry's name, or null at the end (or when the folder cannot be read on).
  const char* Next();

private:
  DIR* m_stream;
};

// Sockets, terminals and signals.
ZAMRA_PLATFORM_API int Poll(pollfd* watched, nfds_t count, int timeout);
ZAMRA_PLATFORM_API int Socket(int domain, int type, int protocol);
ZAMRA_PLATFORM_API int Bind(int descriptor, const sockaddr* address, socklen_t length);
ZAMRA_PLATFORM_API int Listen(int descriptor, int backlog);
ZAMRA_PLATFORM_API int Connect(int descriptor, const sockaddr* address, socklen_t length);
ZAMRA_PLATFORM_API int SetSockOpt(int descriptor, int level, int option, const void* value, socklen_t length);
ZAMRA_PLATFORM_API int Ioctl(int descriptor, unsigned long request, void* argument = nullptr);
ZAMRA_PLATFORM_API int SigAction(int signal, const struct sigaction* action, struct sigaction* previous);
ZAMRA_PLATFORM_API int Flock(int descriptor, int operation);
ZAMRA_PLATFORM_API int TcGetAttr(int descriptor, termios* settings);
ZAMRA_PLATFORM_API int TcSetAttr(int descriptor, int when, const termios* settings);
ZAMRA_PLATFORM_API int TcFlush(int descriptor, int queue);

}  // namespace zamra::sys
