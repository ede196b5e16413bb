// System directories over POSIX.
// SPDX-License-Identifier: MIT
#include "platform/system_paths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>  // mkdir, lstat, stat
#include <unistd.h>    // geteuid, readlink

#include "platform/code_page.h"
#include "platform/file_io.h"

namespace {

bool IsUsableTmpdir(const char* value)
{
  struct stat status {};
  return value != nullptr && value[0] == '/' && ::stat(value, &status) == 0 && S_ISDIR(status.st_mode);
}

// The per-user directory under /tmp. Anyone may create /tmp/zamra-<uid> first, so the
// directory is trusted only after checking what it really is.
bool PrivateTempDirectory(std::string& path)
{
  const uid_t user = ::geteuid();
  path = "/tmp/zamra-" + std::to_string(user);
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastError(static_cast<DWORD>(errno));
    return false;
  }
  struct stat status {};
  if (::lstat(path.c_str(), &status) != 0) {
    SetLastError(static_cast<DWORD>(errno));
    return false;
  }
  if (!S_ISDIR(status.st_mode) || status.st_uid != user) {
    SetLastError(EPERM);
    return false;
  }
  if ((status.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0) {
    SetLastError(static_cast<DWORD>(errno));
    return false;
  }
  return true;
}

bool TempDirectory(std::string& path)
{
  const char* tmpdir = std::getenv("TMPDIR");
  if (IsUsableTmpdir(tmpdir))
    path = tmpdir;
  else if (!PrivateTempDirectory(path))
    return false;
  if (path.back() != '/')
    path.push_back('/');
  return true;
}

bool ProgramPath(HINSTANCE module, std::string& path)
{
  if (module != nullptr) {
    SetLastError(EINVAL);
    return false;
  }
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) {
    SetLastError(length < 0 ? static_cast<DWORD>(errno) : ENAMETOOLONG);
    return false;
  }
  path.assign(buffer, static_cast<size_t>(length));
  return true;
}

template <typename Char>
DWORD CopyWhole(const std::basic_string<Char>& text, DWORD size, Char* buffer)
{
  if (buffer == nullptr || text.size() + 1 > size)
    return static_cast<DWORD>(text.size() + 1);
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(Char));
  return static_cast<DWORD>(text.size());
}

template <typename Char>
DWORD CopyCut(const std::basic_string<Char>& text, DWORD size, Char* buffer)
{
  if (buffer == nullptr || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (text.size() + 1 > size) {
    std::memcpy(buffer, text.data(), (size - 1) * sizeof(Char));
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(Char));
  return static_cast<DWORD>(text.size());
}

}  // namespace

DWORD GetTempPathA(DWORD size, char* buffer)
{
  std::string path;
  if (!TempDirectory(path))
    return 0;
  return CopyWhole(path, size, buffer);
}

DWORD GetTempPathW(DWORD size, WCHAR* buffer)
{
  std::string path;
  if (!TempDirectory(path))
    return 0;
  return CopyWhole(ToUtf16(path), size, buffer);
}

DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size)
{
  std::string path;
  if (!ProgramPath(module, path))
    return 0;
  return CopyCut(path, size, buffer);
}

DWORD GetModuleFileNameW(HINSTANCE module, WCHAR* buffer, DWORD size)
{
  std::string path;
  if (!ProgramPath(module, path))
    return 0;
  return CopyCut(ToUtf16(path), size, buffer);
}
