// ZMFile: file opening, whole-file reads and file mappings.
// SPDX-License-Identifier: MIT
#include "api/base/file.h"

#include <atomic>
#include <climits>
#include <new>
#include <string>

#include "base/path_join.h"
#include "platform/code_page.h"
#include "platform/file_mapping.h"
#include "platform/memory_short.h"
#include "platform/system_calls.h"
#include "platform/system_paths.h"

namespace {

std::atomic<unsigned> g_tempFileCounter{0};

std::string NarrowPath(const WCHAR* path) { return FromUtf16(std::u16string(path)); }

void* FailMapping(HANDLE* file, HANDLE* mapping, HANDLE openFile, HANDLE openMapping)
{
  if (openMapping != nullptr)
    CloseHandle(openMapping);
  if (openFile != INVALID_HANDLE_VALUE)
    CloseHandle(openFile);
  if (file)
    *file = INVALID_HANDLE_VALUE;
  if (mapping)
    *mapping = nullptr;
  return nullptr;
}

// Maps all of `openFile` and hands out both handles; on failure releases both.
void* MapWholeFile(HANDLE openFile, DWORD protect, DWORD access, DWORD size, HANDLE* file, HANDLE* mapping)
{
  if (openFile == INVALID_HANDLE_VALUE)
    return FailMapping(file, mapping, openFile, nullptr);
  HANDLE openMapping = CreateFileMappingW(openFile, nullptr, protect, 0, size, nullptr);
  if (openMapping == nullptr)
    return FailMapping(file, mapping, openFile, nullptr);
  void* view = MapViewOfFile(openMapping, access, 0, 0, 0);
  if (view == nullptr)
    return FailMapping(file, mapping, openFile, openMapping);
  *file = openFile;
  *mapping = openMapping;
  return view;
}

int IsFile(const std::string& path)
{
  struct stat status {};
  return zamra::sys::Stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) ? 1 : 0;
}

}  // namespace

HANDLE ZMFile::OpenForRead(const char* path)
{
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE ZMFile::CreateForWrite(const char* path)
{
  return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE ZMFile::CreateTempFile(const WCHAR* name)
{
  if (name == nullptr || name[0] == 0)
    return INVALID_HANDLE_VALUE;
  try {
    char directory[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH)
      return INVALID_HANDLE_VALUE;
    // The name is removed as soon as the file is open, so nobody can see which name it had:
    // a unique suffix keeps an existing file of the same name from being truncated.
    const std::string unique = NarrowPath(name) + "." + std::to_string(zamra::sys::GetPid()) + "-" +
                               std::to_string(g_tempFileCounter.fetch_add(1));
    char path[MAX_PATH];
    if (zamra_path::Combine(path, directory, unique.c_str()) == nullptr)
      return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE)
      zamra::sys::Unlink(path);  // the open handle keeps the file until it is closed
    return file;
  } catch (const std::bad_alloc&) {
    return INVALID_HANDLE_VALUE;
  }
}

int ZMFile::IsFileW(const WCHAR* path)
{
  if (path == nullptr)
    return 0;
  return zamra::sys::OrIfMemoryShort(0, [&] { return IsFile(NarrowPath(path)); });
}

int ZMFile::IsFileA(const char* path) { return path != nullptr ? IsFile(path) : 0; }

WCHAR* ZMFile::PathCombineW(WCHAR* target, const WCHAR* directory, const WCHAR* file)
{
  return zamra::sys::OrIfMemoryShort(nullptr, [&] { return zamra_path::Combine(target, directory, file); });
}

char* ZMFile::PathCombineA(char* target, const char* directory, const char* file)
{
  return zamra::sys::OrIfMemoryShort(nullptr, [&] { return zamra_path::Combine(target, directory, file); });
}

int ZMFile::ReadFileData(const char* path, char** data, int* size)
{
  if (size == nullptr || data == nullptr)
    return 0;
  *size = 0;
  HANDLE file = OpenForRead(path);
  if (file == INVALID_HANDLE_VALUE)
    return 0;
  std::int64_t length = 0;
  if (!GetFileSizeEx(file, &length) || length > INT_MAX) {
    CloseHandle(file);
    return 0;
  }
  if (length == 0) {
    CloseHandle(file);
    return 1;
  }
  char* buffer = new (std::nothrow) char[static_cast<size_t>(length)];
  if (buffer == nullptr) {
    CloseHandle(file);
    return 0;
  }
  DWORD read = 0;
  ReadFile(file, buffer, static_cast<DWORD>(length), &read, nullptr);
  CloseHandle(file);
  // The size reported is what the read brought, so a file that shrank meanwhile is never
  // read past its data.
  *data = buffer;
  *size = static_cast<int>(read);
  return 1;
}

int ZMFile::FreeFileData(char* data)
{
  delete[] data;
  return 1;
}

int ZMFile::WriteString(HANDLE file, const char* text)
{
  if (text == nullptr)
    return 0;
  return WriteData(file, text, static_cast<DWORD>(zamra_path::Length(text)));
}

int ZMFile::WriteString(HANDLE file, const WCHAR* text)
{
  if (text == nullptr)
    return 0;
  // UTF-16 little-endian on disk, whatever the host's byte order.
  const size_t length = zamra_path::Length(text);
  try {
    std::string bytes(length * 2, '\0');
    for (size_t i = 0; i < length; ++i) {
      bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
      bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return WriteData(file, bytes.data(), static_cast<DWORD>(bytes.size()));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int ZMFile::WriteData(HANDLE file, const void* data, DWORD count)
{
  DWORD written = 0;
  return WriteFile(file, data, count, &written, nullptr) && written == count ? 1 : 0;
}

int ZMFile::ReadData(HANDLE file, void* buffer, DWORD* count)
{
  if (count == nullptr)
    return 0;
  DWORD read = 0;
  if (!ReadFile(file, buffer, *count, &read, nullptr))
    return 0;
  *count = read;
  return 1;
}

bool ZMFile::GetFileVersion(const char* /*path*/, WORD* major, WORD* minor, WORD* build, WORD* revision)
{
  for (WORD* number : {major, minor, build, revision})
    if (number != nullptr)
      *number = 0;
  return false;
}

void* ZMFile::MapFileForRead(const WCHAR* path, HANDLE* file, HANDLE* mapping)
{
  if (path == nullptr || file == nullptr || mapping == nullptr)
    return FailMapping(file, mapping, INVALID_HANDLE_VALUE, nullptr);
  try {
    HANDLE openFile = CreateFileA(NarrowPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    return MapWholeFile(openFile, PAGE_READONLY, FILE_MAP_READ, 0, file, mapping);
  } catch (const std::bad_alloc&) {
    return FailMapping(file, mapping, INVALID_HANDLE_VALUE, nullptr);
  }
}

void* ZMFile::MapFileForCreate(const WCHAR* path, HANDLE* file, HANDLE* mapping, DWORD size)
{
  if (path == nullptr || file == nullptr || mapping == nullptr)
    return FailMapping(file, mapping, INVALID_HANDLE_VALUE, nullptr);
  try {
    HANDLE openFile = CreateFileA(NarrowPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return MapWholeFile(openFile, PAGE_READWRITE, FILE_MAP_ALL_ACCESS, size, file, mapping);
  } catch (const std::bad_alloc&) {
    return FailMapping(file, mapping, INVALID_HANDLE_VALUE, nullptr);
  }
}

void* ZMFile::MapFileForMemoryCreate(HANDLE* mapping, DWORD size, const WCHAR* name)
{
  if (mapping == nullptr)
    return nullptr;
  *mapping = nullptr;
  try {
    HANDLE openMapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (openMapping == nullptr)
      return nullptr;
    void* view = MapViewOfFile(openMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view == nullptr) {
      CloseHandle(openMapping);
      return nullptr;
    }
    *mapping = openMapping;
    return view;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* ZMFile::MapFileForMemoryOpen(HANDLE* mapping, const WCHAR* name)
{
  if (mapping == nullptr)
    return nullptr;
  *mapping = nullptr;
  try {
    HANDLE openMapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (openMapping == nullptr)
      return nullptr;
    void* view = MapViewOfFile(openMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    if (view == nullptr) {
      CloseHandle(openMapping);
      return nullptr;
    }
    *mapping = openMapping;
    return view;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void ZMFile::UnMapFile(void* view, HANDLE mapping, HANDLE file)
{
  if (view != nullptr)
    UnmapViewOfFile(view);
  if (mapping != nullptr)
    CloseHandle(mapping);
  if (file != INVALID_HANDLE_VALUE)
    CloseHandle(file);
}
