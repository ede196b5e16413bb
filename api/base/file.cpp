// ZMFile: file opening.
#include "api/base/file.h"

HANDLE ZMFile::OpenForRead(const char* path)
{
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE ZMFile::CreateForWrite(const char* path)
{
  return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
