// One read of a whole file.
#include "view/file_bytes.h"

#include <climits>
#include <new>

#include "api/base/file.h"
#include "platform/file_io.h"

bool ReadWholeFile(const char* path, FileBytes& bytes)
{
  HANDLE file = ZMFile::OpenForRead(path);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  std::int64_t size = 0;
  bool ok = GetFileSizeEx(file, &size) && size >= 0 && size <= INT_MAX;
  if (ok) {
    bytes.data.reset(new (std::nothrow) unsigned char[size > 0 ? size : 1]);
    DWORD read = 0;
    ok = bytes.data != nullptr && ReadFile(file, bytes.data.get(), static_cast<DWORD>(size), &read, nullptr) &&
         read == static_cast<DWORD>(size);
    bytes.size = size;
  }
  CloseHandle(file);
  if (!ok)
    bytes = FileBytes();
  return ok;
}
