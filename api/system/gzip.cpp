// ZMGZip over zlib's gzip file interface.
// SPDX-License-Identifier: MIT
#include "api/system/gzip.h"

#include <zlib.h>

#include "base/replacement_file.h"
#include "platform/file_io.h"
#include "platform/system_calls.h"

namespace {

constexpr unsigned kBlockSize = 10240;

// Opening the target for writing would empty the source before it was read.
bool SameFile(const char* first, const char* second)
{
  struct stat a {
  }, b{};
  return zamra::sys::Stat(first, &a) == 0 && zamra::sys::Stat(second, &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

}  // namespace

bool ZMGZip::Zip(const char* sourceFile, const char* gzipFile)
{
  if (sourceFile == nullptr || gzipFile == nullptr || SameFile(sourceFile, gzipFile))
    return false;
  const zamra::sys::ScopedDescriptor source(zamra::sys::Open(sourceFile, O_RDONLY | O_CLOEXEC));
  if (!source.Valid())
    return false;
  zamra::base::ReplacementFile file(gzipFile);
  if (!file.Create())
    return false;
  // zlib writes through its own descriptor, a duplicate that gzclose releases.
  const int descriptor = zamra::sys::Dup(GetFileDescriptor(file.Handle()));
  gzFile target = descriptor >= 0 ? gzdopen(descriptor, "wb") : nullptr;
  if (target == nullptr) {
    if (descriptor >= 0)
      zamra::sys::Close(descriptor);
    return false;
  }
  unsigned char block[kBlockSize];
  bool ok = true;
  // A block that comes short is the end of the file.
  for (std::size_t got = sizeof block; ok && got == sizeof block;) {
    ok = zamra::sys::ReadFully(source.Get(), block, sizeof block, &got) &&
         (got == 0 || gzwrite(target, block, static_cast<unsigned>(got)) == static_cast<int>(got));
  }
  // gzclose writes the trailer: a failure there leaves an incomplete file.
  const bool closed = gzclose(target) == Z_OK;
  return ok && closed && file.Finish() && file.Commit();
}

bool ZMGZip::UnZip(const char* gzipFile, const char* targetFile)
{
  if (gzipFile == nullptr || targetFile == nullptr || SameFile(gzipFile, targetFile))
    return false;
  // Opened here so that the failure to open is the seam's; zlib reads on through its own calls
  // and closes the descriptor with gzclose.
  const int descriptor = zamra::sys::Open(gzipFile, O_RDONLY | O_CLOEXEC);
  gzFile source = descriptor >= 0 ? gzdopen(descriptor, "rb") : nullptr;
  if (source == nullptr) {
    if (descriptor >= 0)
      zamra::sys::Close(descriptor);
    return false;
  }
  zamra::base::ReplacementFile target(targetFile);
  if (!target.Create()) {
    gzclose(source);
    return false;
  }
  unsigned char block[kBlockSize];
  bool ok = true;
  int got;
  while ((got = gzread(source, block, sizeof block)) > 0) {
    DWORD written = 0;
    if (!WriteFile(target.Handle(), block, static_cast<DWORD>(got), &written, nullptr) ||
        written != static_cast<DWORD>(got)) {
      ok = false;
      break;
    }
  }
  // A negative read is damaged or truncated gzip data.
  ok = ok && got == 0;
  const bool sourceClosed = gzclose(source) == Z_OK;
  return ok && sourceClosed && target.Finish() && target.Commit();
}
