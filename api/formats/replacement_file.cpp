// ReplacementFile: write beside the target, then rename into place.
#include "api/formats/replacement_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>      // rename, remove
#include <sys/stat.h>  // stat, fchmod
#include <unistd.h>    // getpid

#include "platform/file_io.h"

namespace zamra::formats {

ReplacementFile::ReplacementFile(std::string target) : m_target(std::move(target)) {}

ReplacementFile::~ReplacementFile()
{
  if (m_handle != INVALID_HANDLE_VALUE)
    CloseHandle(m_handle);
  if (!m_committed && !m_temporary.empty())
    std::remove(m_temporary.c_str());
}

bool ReplacementFile::Create()
{
  // Only a regular file (or nothing) can be replaced; a folder in its place would refuse the
  // final rename after the other files of a save had already moved in.
  struct stat existing {};
  const bool exists = ::stat(m_target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode))
    return false;
  static std::atomic<unsigned> s_counter{0};
  // CREATE_NEW never opens someone else's file; a name already taken just tries the next.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string name = m_target + ".~" + std::to_string(static_cast<long>(getpid())) + "-" +
                             std::to_string(s_counter.fetch_add(1)) + ".tmp";
    m_handle = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (m_handle != INVALID_HANDLE_VALUE) {
      m_temporary = name;
      if (exists)  // the replacement keeps the permissions of the file it replaces
        ::fchmod(GetFileDescriptor(m_handle), existing.st_mode & 07777);
      return true;
    }
    if (GetLastError() != EEXIST)
      return false;
  }
  return false;
}

bool ReplacementFile::Finish()
{
  if (m_handle == INVALID_HANDLE_VALUE)
    return false;
  const bool flushed = FlushFileBuffers(m_handle) != FALSE;
  const bool closed = CloseHandle(m_handle) != FALSE;
  m_handle = INVALID_HANDLE_VALUE;
  return flushed && closed;
}

bool ReplacementFile::Commit()
{
  if (m_handle != INVALID_HANDLE_VALUE || m_temporary.empty() || m_committed)
    return false;
  if (std::rename(m_temporary.c_str(), m_target.c_str()) != 0)
    return false;
  m_committed = true;
  return true;
}

} // namespace zamra::formats
