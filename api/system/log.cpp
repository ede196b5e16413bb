// ZMLog over POSIX files.
// SPDX-License-Identifier: MIT
#include "api/system/log.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <new>
#include <string>

#include "api/base/string.h"
#include "platform/system_calls.h"
#include "platform/system_paths.h"

namespace {

constexpr int kEntrySize = 1024;
constexpr int kStampLength = 19;  // "YYYY-MM-DD hh:mm:ss"

// The executable's own path as the system reports it (at most MAX_PATH - 1 characters); empty
// when it cannot be had or was cut, since a cut path could name some other file.
std::string ExecutablePath()
{
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return std::string();
  return std::string(path, length);
}

std::string LogFileName()
{
  std::string name = ExecutablePath();
  if (name.empty())
    return name;
  WCHAR date[9] = {};
  ZMString::GetShortLocalDateString(date);
  for (int i = 0; i < 8 && date[i] != 0; ++i)
    name.push_back(static_cast<char>(date[i]));  // digits only
  return name + ".log";
}

void Append(const std::string& fileName, const char* entry, size_t length)
{
  // O_APPEND moves to the end and writes in one step, so entries of other processes writing
  // the same log meanwhile are not overwritten.
  const int file = zamra::sys::Open(fileName.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (file < 0)
    return;
  zamra::sys::WriteFully(file, entry, length);  // a log that cannot be written is given up quietly
  zamra::sys::Close(file);
}

}  // namespace

CRITICAL_SECTION ZMLog::m_csLog;

void ZMLog::Init() { InitializeCriticalSection(&m_csLog); }

void ZMLog::Destroy() { DeleteCriticalSection(&m_csLog); }

void ZMLog::WriteLog(const char* format, ...)
{
  if (format == nullptr)
    return;
  char entry[kEntrySize];
  ZMString::GetLocalTimeString(entry);
  entry[kStampLength] = '\t';
  va_list arguments;
  va_start(arguments, format);
  // vsnprintf cuts the text to the room left and always terminates it.
  const int formatted = std::vsnprintf(entry + kStampLength + 1, kEntrySize - kStampLength - 1, format, arguments);
  va_end(arguments);
  if (formatted < 0)
    return;
  const size_t length = kStampLength + 1 +
                        std::min<size_t>(static_cast<size_t>(formatted), kEntrySize - kStampLength - 2);
  try {
    const std::string fileName = LogFileName();
    if (fileName.empty())
      return;
    EnterCriticalSection(&m_csLog);
    Append(fileName, entry, length);
    LeaveCriticalSection(&m_csLog);
  } catch (const std::bad_alloc&) {  // dropped, like any entry that cannot be written
  }
}
