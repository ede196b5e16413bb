// File handles over POSIX descriptors.
// SPDX-License-Identifier: MIT
#include "platform/file_io.h"

#include <cerrno>
#include <climits>
#include <sys/file.h>  // LOCK_*
#include <unistd.h>    // SEEK_*

#include "platform/handle_object.h"
#include "platform/system_calls.h"

namespace {

thread_local DWORD t_lastError = 0;

class FileHandle final : public HandleObject {
public:
  explicit FileHandle(int descriptor) : m_descriptor(descriptor) {}
  ~FileHandle() override
  {
    if (m_descriptor >= 0)
      zamra::sys::Close(m_descriptor);
  }
  int Descriptor() const { return m_descriptor; }

private:
  int m_descriptor;
};

FileHandle* AsFile(HANDLE handle) { return dynamic_cast<FileHandle*>(HandleObject::FromHandle(handle)); }

void RememberErrno() { t_lastError = static_cast<DWORD>(errno); }

}  // namespace

HandleObject::~HandleObject() = default;

HANDLE CreateFileA(const char* path, DWORD access, DWORD shareMode, void* /*security*/, DWORD disposition,
                   DWORD /*flags*/, HANDLE /*templateFile*/)
{
  if (path == nullptr || path[0] == '\0') {
    t_lastError = ENOENT;
    return INVALID_HANDLE_VALUE;
  }
  const bool wantsWrite = (access & GENERIC_WRITE) != 0;
  const bool wantsRead = (access & GENERIC_READ) != 0;
  int flags = O_CLOEXEC;
  flags |= wantsWrite ? (wantsRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  switch (disposition) {
  case CREATE_NEW:
    flags |= O_CREAT | O_EXCL;
    break;
  case CREATE_ALWAYS:
  case OPEN_ALWAYS:
    flags |= O_CREAT;
    break;
  case OPEN_EXISTING:
  case TRUNCATE_EXISTING:
    break;
  default:
    t_lastError = EINVAL;
    return INVALID_HANDLE_VALUE;
  }
  // Truncation waits until the lock is held, so that a refused writer destroys nothing.
  const int descriptor = zamra::sys::Open(path, flags, 0666);
  if (descriptor < 0) {
    RememberErrno();
    return INVALID_HANDLE_VALUE;
  }
  struct stat status {};
  if (zamra::sys::FStat(descriptor, &status) == 0 && S_ISDIR(status.st_mode)) {
    zamra::sys::Close(descriptor);
    t_lastError = EISDIR;
    return INVALID_HANDLE_VALUE;
  }
  if (wantsWrite || (shareMode & FILE_SHARE_WRITE) == 0) {
    const int lockKind = wantsWrite ? LOCK_EX : LOCK_SH;
    if (zamra::sys::Flock(descriptor, lockKind | LOCK_NB) != 0 && wantsWrite) {
      RememberErrno();
      zamra::sys::Close(descriptor);
      // The file this call made (and no one else can have opened yet) goes with the failure.
      if (disposition == CREATE_NEW)
        zamra::sys::Unlink(path);
      return INVALID_HANDLE_VALUE;
    }
    // A reader that finds a writer in place reads without a lock: reading stays shared.
  }
  if (wantsWrite && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
    if (zamra::sys::FTruncate(descriptor, 0) != 0) {
      RememberErrno();
      zamra::sys::Close(descriptor);
      return INVALID_HANDLE_VALUE;
    }
  }
  return (new FileHandle(descriptor))->ToHandle();
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* /*overlapped*/)
{
  if (read)
    *read = 0;
  FileHandle* handle = AsFile(file);
  if (handle == nullptr || (buffer == nullptr && toRead > 0)) {
    t_lastError = EBADF;
    return FALSE;
  }
  size_t done = 0;
  const bool ok = zamra::sys::ReadFully(handle->Descriptor(), buffer, toRead, &done);
  if (!ok)
    RememberErrno();
  if (read)
    *read = static_cast<DWORD>(done);
  return ok ? TRUE : FALSE;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* /*overlapped*/)
{
  if (written)
    *written = 0;
  FileHandle* handle = AsFile(file);
  if (handle == nullptr || (buffer == nullptr && toWrite > 0)) {
    t_lastError = EBADF;
    return FALSE;
  }
  size_t done = 0;
  const bool ok = zamra::sys::WriteFully(handle->Descriptor(), buffer, toWrite, &done);
  if (!ok)
    RememberErrno();
  if (written)
    *written = static_cast<DWORD>(done);
  return ok ? TRUE : FALSE;
}

BOOL GetFileSizeEx(HANDLE file, std::int64_t* size)
{
  FileHandle* handle = AsFile(file);
  struct stat status {};
  if (handle == nullptr || size == nullptr || zamra::sys::FStat(handle->Descriptor(), &status) != 0) {
    t_lastError = handle == nullptr ? EBADF : static_cast<DWORD>(errno);
    return FALSE;
  }
  *size = status.st_size;
  return TRUE;
}

DWORD GetFileSize(HANDLE file, DWORD* high)
{
  std::int64_t size = 0;
  if (!GetFileSizeEx(file, &size))
    return INVALID_FILE_SIZE;
  if (high)
    *high = static_cast<DWORD>(static_cast<std::uint64_t>(size) >> 32);
  return static_cast<DWORD>(static_cast<std::uint64_t>(size) & 0xFFFFFFFFu);
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* high, DWORD method)
{
  FileHandle* handle = AsFile(file);
  if (handle == nullptr) {
    t_lastError = EBADF;
    return INVALID_SET_FILE_POINTER;
  }
  std::int64_t offset = distance;
  if (high)
    offset = static_cast<std::int64_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*high)) << 32) |
                                       static_cast<std::uint32_t>(distance));
  int whence = SEEK_SET;
  if (method == FILE_CURRENT)
    whence = SEEK_CUR;
  else if (method == FILE_END)
    whence = SEEK_END;
  const off_t position = zamra::sys::LSeek(handle->Descriptor(), offset, whence);
  if (position < 0) {
    RememberErrno();
    return INVALID_SET_FILE_POINTER;
  }
  if (high)
    *high = static_cast<LONG>(static_cast<std::uint64_t>(position) >> 32);
  return static_cast<DWORD>(static_cast<std::uint64_t>(position) & 0xFFFFFFFFu);
}

BOOL SetEndOfFile(HANDLE file)
{
  FileHandle* handle = AsFile(file);
  if (handle == nullptr) {
    t_lastError = EBADF;
    return FALSE;
  }
  const off_t position = zamra::sys::LSeek(handle->Descriptor(), 0, SEEK_CUR);
  if (position < 0 || zamra::sys::FTruncate(handle->Descriptor(), position) != 0) {
    RememberErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE file)
{
  FileHandle* handle = AsFile(file);
  if (handle == nullptr) {
    t_lastError = EBADF;
    return FALSE;
  }
  if (zamra::sys::FSync(handle->Descriptor()) != 0) {
    RememberErrno();
    return FALSE;
  }
  return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
  HandleObject* object = HandleObject::FromHandle(handle);
  if (object == nullptr) {
    t_lastError = EBADF;
    return FALSE;
  }
  delete object;
  return TRUE;
}

int GetFileDescriptor(HANDLE file)
{
  FileHandle* handle = AsFile(file);
  return handle ? handle->Descriptor() : -1;
}

DWORD GetLastError() { return t_lastError; }

void SetLastError(DWORD error) { t_lastError = error; }
