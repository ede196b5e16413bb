// File mappings over mmap and POSIX shared memory.
// SPDX-License-Identifier: MIT
#include "platform/file_mapping.h"

#include <cerrno>
#include <fcntl.h>  // O_* for shm_open
#include <map>
#include <mutex>
#include <string>
#include <sys/mman.h>  // mmap, shm_open
#include <sys/stat.h>  // fstat
#include <unistd.h>    // dup, ftruncate, geteuid

#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/handle_object.h"

namespace {

class MappingHandle final : public HandleObject {
public:
  MappingHandle(int descriptor, std::uint64_t size, bool writable, std::string unlinkName)
      : m_descriptor(descriptor), m_size(size), m_writable(writable), m_unlinkName(std::move(unlinkName))
  {}
  ~MappingHandle() override
  {
    ::close(m_descriptor);
    if (!m_unlinkName.empty())
      ::shm_unlink(m_unlinkName.c_str());
  }
  int Descriptor() const { return m_descriptor; }
  std::uint64_t Size() const { return m_size; }
  bool Writable() const { return m_writable; }

private:
  int m_descriptor;
  std::uint64_t m_size;
  bool m_writable;
  std::string m_unlinkName;  // set when this handle created a named block
};

// munmap needs the length that UnmapViewOfFile is not given.
std::mutex g_viewsLock;
std::map<const void*, std::size_t> g_views;

// "Local\\name" and the like become one POSIX name component, private to the user.
std::string SharedMemoryName(const WCHAR* name)
{
  std::string text = FromUtf16(std::u16string(name), CP_UTF8);
  for (char& c : text)
    if (c == '/' || c == '\\')
      c = '_';
  return "/zamra-" + std::to_string(::geteuid()) + "-" + text;
}

void Fail(int error) { SetLastError(static_cast<DWORD>(error)); }

HANDLE NamedBlock(std::uint64_t size, bool writable, const WCHAR* name)
{
  if (name == nullptr || name[0] == 0 || size == 0) {
    Fail(EINVAL);
    return nullptr;
  }
  const std::string shmName = SharedMemoryName(name);
  const int openFlags = writable ? O_RDWR : O_RDONLY;
  bool created = true;
  int descriptor = ::shm_open(shmName.c_str(), openFlags | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (descriptor < 0 && errno == EEXIST) {
    created = false;
    descriptor = ::shm_open(shmName.c_str(), openFlags | O_CLOEXEC, 0600);
  }
  if (descriptor < 0) {
    Fail(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0) {
    Fail(errno);
    ::close(descriptor);
    return nullptr;
  }
  std::uint64_t actual = static_cast<std::uint64_t>(status.st_size);
  if (created && ::ftruncate(descriptor, static_cast<off_t>(size)) != 0) {
    Fail(errno);
    ::close(descriptor);
    ::shm_unlink(shmName.c_str());
    return nullptr;
  }
  if (created)
    actual = size;
  HANDLE handle = (new MappingHandle(descriptor, actual, writable, created ? shmName : std::string()))->ToHandle();
  SetLastError(created ? 0 : ERROR_ALREADY_EXISTS);
  return handle;
}

}  // namespace

HANDLE CreateFileMappingW(HANDLE file, void* /*security*/, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          const WCHAR* name)
{
  const bool writable = protect == PAGE_READWRITE;
  if (!writable && protect != PAGE_READONLY) {
    Fail(EINVAL);
    return nullptr;
  }
  const std::uint64_t size = (static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow;
  if (file == INVALID_HANDLE_VALUE)
    return NamedBlock(size, writable, name);

  const int fileDescriptor = GetFileDescriptor(file);
  struct stat status {};
  if (fileDescriptor < 0 || ::fstat(fileDescriptor, &status) != 0) {
    Fail(EBADF);
    return nullptr;
  }
  std::uint64_t mappedSize = size == 0 ? static_cast<std::uint64_t>(status.st_size) : size;
  if (mappedSize == 0) {
    Fail(EINVAL);  // nothing to map: an empty file without a size
    return nullptr;
  }
  if (mappedSize > static_cast<std::uint64_t>(status.st_size)) {
    if (!writable) {
      Fail(EINVAL);
      return nullptr;
    }
    if (::ftruncate(fileDescriptor, static_cast<off_t>(mappedSize)) != 0) {
      Fail(errno);
      return nullptr;
    }
  }
  const int descriptor = ::fcntl(fileDescriptor, F_DUPFD_CLOEXEC, 0);
  if (descriptor < 0) {
    Fail(errno);
    return nullptr;
  }
  return (new MappingHandle(descriptor, mappedSize, writable, std::string()))->ToHandle();
}

HANDLE OpenFileMappingW(DWORD access, BOOL /*inherit*/, const WCHAR* name)
{
  if (name == nullptr || name[0] == 0) {
    Fail(EINVAL);
    return nullptr;
  }
  const bool writable = (access & FILE_MAP_WRITE) != 0;
  const int descriptor = ::shm_open(SharedMemoryName(name).c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC, 0600);
  if (descriptor < 0) {
    Fail(errno);
    return nullptr;
  }
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || status.st_size == 0) {
    Fail(EINVAL);
    ::close(descriptor);
    return nullptr;
  }
  return (new MappingHandle(descriptor, static_cast<std::uint64_t>(status.st_size), writable, std::string()))
      ->ToHandle();
}

void* MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, std::size_t bytes)
{
  auto* handle = dynamic_cast<MappingHandle*>(HandleObject::FromHandle(mapping));
  if (handle == nullptr) {
    Fail(EBADF);
    return nullptr;
  }
  const bool wantsWrite = (access & FILE_MAP_WRITE) != 0;
  const std::uint64_t offset = (static_cast<std::uint64_t>(offsetHigh) << 32) | offsetLow;
  if ((wantsWrite && !handle->Writable()) || offset >= handle->Size() ||
      offset % static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE)) != 0) {
    Fail(EINVAL);
    return nullptr;
  }
  const std::uint64_t available = handle->Size() - offset;
  if (bytes == 0)
    bytes = static_cast<std::size_t>(available);
  if (bytes > available) {
    Fail(EINVAL);
    return nullptr;
  }
  void* view = ::mmap(nullptr, bytes, wantsWrite ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, handle->Descriptor(),
                      static_cast<off_t>(offset));
  if (view == MAP_FAILED) {
    Fail(errno);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(g_viewsLock);
  g_views[view] = bytes;
  return view;
}

BOOL UnmapViewOfFile(const void* view)
{
  std::size_t bytes = 0;
  {
    std::lock_guard<std::mutex> guard(g_viewsLock);
    const auto found = g_views.find(view);
    if (found == g_views.end()) {
      Fail(EINVAL);
      return FALSE;
    }
    bytes = found->second;
    g_views.erase(found);
  }
  return ::munmap(const_cast<void*>(view), bytes) == 0 ? TRUE : FALSE;
}
