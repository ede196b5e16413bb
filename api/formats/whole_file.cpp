// WholeFile: one read of a whole file into one buffer.
// SPDX-License-Identifier: MIT
#include "formats/whole_file.h"

#include "api/base/file.h"
#include "platform/file_io.h"

namespace zamra::formats {

bool WholeFile::Read(const char* path, std::int64_t maxSize)
{
  m_buffer.Release();
  HANDLE file = ZMFile::OpenForRead(path);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  std::int64_t size = 0;
  DWORD read = 0;
  const bool ok = GetFileSizeEx(file, &size) && size >= 0 && size <= maxSize && size < UINT32_MAX &&
                  m_buffer.Allocate(static_cast<size_t>(size)) &&
                  ReadFile(file, m_buffer.Data(), static_cast<DWORD>(size), &read, nullptr) && read == size;
  CloseHandle(file);
  if (!ok)
    m_buffer.Release();
  return ok;
}

}  // namespace zamra::formats
