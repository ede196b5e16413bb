// ZMDirectory: directory trees walked by descriptor, so that no symbolic link is followed.
// SPDX-License-Identifier: MIT
#include "api/base/directory.h"

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "base/path_join.h"
#include "platform/code_page.h"
#include "platform/memory_short.h"
#include "platform/system_calls.h"
#include "platform/system_paths.h"

namespace {

std::string NarrowPath(const WCHAR* path) { return FromUtf16(std::u16string(path)); }

// "link/" would make the kernel follow the link in spite of O_NOFOLLOW.
std::string WithoutTrailingSlashes(std::string path)
{
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

bool IsDirectory(const std::string& path)
{
  struct stat status {};
  return zamra::sys::Stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void CreateTree(const std::string& path)
{
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (!IsDirectory(part))
      zamra::sys::Mkdir(part.c_str(), 0777);
  }
  if (!IsDirectory(path))
    zamra::sys::Mkdir(path.c_str(), 0777);
}

using zamra::sys::DirectoryList;

// Empties the directory open as `descriptor`, which it takes over. Each entry is looked at
// without following links, and a subdirectory is opened with O_NOFOLLOW, so a link swapped in
// meanwhile is refused rather than followed.
void EmptyDirectory(int descriptor)
{
  DirectoryList list(descriptor);
  if (!list.Valid())
    return;
  while (const char* name = list.Next()) {
    struct stat status {};
    if (zamra::sys::FStatAt(list.Descriptor(), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
      continue;  // gone meanwhile
    if (S_ISDIR(status.st_mode)) {
      EmptyDirectory(zamra::sys::OpenAt(list.Descriptor(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      zamra::sys::UnlinkAt(list.Descriptor(), name, AT_REMOVEDIR);
    } else {
      zamra::sys::UnlinkAt(list.Descriptor(), name, 0);
    }
  }
}

struct CopyGuard {
  dev_t targetDevice;
  ino_t targetInode;
};

void CopyFileAt(int sourceDirectory, const char* name, const struct stat& status, const std::string& target)
{
  const int in = zamra::sys::OpenAt(sourceDirectory, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (in < 0)
    return;
  // O_EXCL: a file already in the target is never overwritten.
  const int out = zamra::sys::Open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                   status.st_mode & 07777);
  if (out < 0) {
    zamra::sys::Close(in);
    return;
  }
  char chunk[65536];
  bool ok = true;
  // A chunk that comes short is the end of the file.
  for (size_t got = sizeof chunk; ok && got == sizeof chunk;)
    ok = zamra::sys::ReadFully(in, chunk, sizeof chunk, &got) && zamra::sys::WriteFully(out, chunk, got);
  zamra::sys::Close(in);
  zamra::sys::Close(out);
  if (!ok)
    zamra::sys::Unlink(target.c_str());  // no half copy under the source's name
}

void CopyLinkAt(int sourceDirectory, const char* name, const std::string& target)
{
  char destination[4096];
  const ssize_t length = zamra::sys::ReadLinkAt(sourceDirectory, name, destination, sizeof destination - 1);
  if (length < 0)
    return;
  destination[length] = '\0';
  zamra::sys::Symlink(destination, target.c_str());  // fails, as wanted, when the name is taken
}

void CopyTree(int descriptor, const std::string& target, const CopyGuard& guard)
{
  DirectoryList list(descriptor);
  if (!list.Valid())
    return;
  CreateTree(target);
  while (const char* name = list.Next()) {
    struct stat status {};
    if (zamra::sys::FStatAt(list.Descriptor(), name, &status, AT_SYMLINK_NOFOLLOW) != 0)
      continue;
    const std::string targetPath = target + "/" + name;
    if (S_ISDIR(status.st_mode)) {
      if (status.st_dev == guard.targetDevice && status.st_ino == guard.targetInode)
        continue;  // the target itself, inside the source: not copied into itself
      CopyTree(zamra::sys::OpenAt(list.Descriptor(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC), targetPath,
               guard);
    } else if (S_ISREG(status.st_mode)) {
      CopyFileAt(list.Descriptor(), name, status, targetPath);
    } else if (S_ISLNK(status.st_mode)) {
      CopyLinkAt(list.Descriptor(), name, targetPath);
    }
    // Devices, pipes and sockets are skipped: reading a pipe could block for ever.
  }
}

}  // namespace

int ZMDirectory::IsDirectoryW(const WCHAR* path)
{
  if (path == nullptr)
    return 0;
  return zamra::sys::OrIfMemoryShort(0, [&] { return IsDirectory(NarrowPath(path)) ? 1 : 0; });
}

int ZMDirectory::CreateDirectoryW(const WCHAR* path)
{
  if (path == nullptr || path[0] == 0)
    return 1;
  zamra::sys::RunIgnoringMemoryShort([&] { CreateTree(NarrowPath(path)); });
  return 1;
}

int ZMDirectory::DeleteDirectoryW(const WCHAR* directory)
{
  if (directory == nullptr)
    return 0;
  try {
    const std::string path = WithoutTrailingSlashes(NarrowPath(directory));
    const int descriptor = zamra::sys::Open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0)
      return 0;
    EmptyDirectory(descriptor);
    zamra::sys::Rmdir(path.c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int ZMDirectory::CopyDirectoryW(const WCHAR* source, const WCHAR* target)
{
  if (source == nullptr || target == nullptr)
    return 0;
  try {
    const std::string sourcePath = NarrowPath(source);
    const std::string targetPath = NarrowPath(target);
    const int descriptor = zamra::sys::Open(sourcePath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
      return 0;
    CreateTree(targetPath);
    struct stat targetStatus {};
    CopyGuard guard{};
    if (zamra::sys::Stat(targetPath.c_str(), &targetStatus) == 0)
      guard = CopyGuard{targetStatus.st_dev, targetStatus.st_ino};
    CopyTree(descriptor, targetPath, guard);
    return 1;
  } catch (const std::bad_alloc&) {
    return 1;  // the listing had started; partial work stays
  }
}

WCHAR* ZMDirectory::PathAppendW(WCHAR* path, const WCHAR* more)
{
  return zamra::sys::OrIfMemoryShort(nullptr, [&] { return zamra_path::Append(path, more); });
}

char* ZMDirectory::PathCombineA(char* target, const char* directory, const char* file)
{
  return zamra::sys::OrIfMemoryShort(nullptr, [&] { return zamra_path::Combine(target, directory, file); });
}

WCHAR* ZMDirectory::GetTempPathW(WCHAR* buffer, DWORD size)
{
  if (buffer == nullptr)
    return nullptr;
  const DWORD length = ::GetTempPathW(size, buffer);
  return length != 0 && length < size ? buffer : nullptr;
}

WCHAR* ZMDirectory::GetWindowsDirectoryW(WCHAR* /*buffer*/, DWORD /*size*/) { return nullptr; }

WCHAR* ZMDirectory::GetSystemDirectoryW(WCHAR* /*buffer*/, DWORD /*size*/) { return nullptr; }

namespace {

template <typename Char>
Char* CutAtLastSeparator(Char* buffer, DWORD length, DWORD size)
{
  if (length == 0 || length >= size) {  // not found, or cut short
    if (size > 0)
      buffer[0] = 0;
    return buffer;
  }
  DWORD cut = length;
  while (cut > 0 && buffer[cut - 1] != Char('/'))
    --cut;
  // Keep "/" alone for a program in the root directory.
  buffer[cut > 1 ? cut - 1 : cut] = 0;
  return buffer;
}

}  // namespace

WCHAR* ZMDirectory::GetAppDirectoryW(WCHAR* buffer, DWORD size)
{
  if (buffer == nullptr)
    return nullptr;
  return CutAtLastSeparator(buffer, GetModuleFileNameW(nullptr, buffer, size), size);
}

char* ZMDirectory::GetAppDirectoryA(char* buffer, DWORD size)
{
  if (buffer == nullptr)
    return nullptr;
  return CutAtLastSeparator(buffer, GetModuleFileNameA(nullptr, buffer, size), size);
}
