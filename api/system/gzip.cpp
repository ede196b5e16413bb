// ZMGZip over zlib's gzip file interface.
#include "api/system/gzip.h"

#include <cstdio>
#include <memory>
#include <sys/stat.h>  // stat, to tell whether two names are one file

#include <zlib.h>

namespace {

constexpr unsigned kBlockSize = 10240;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

// Opening the target for writing would empty the source before it was read.
bool SameFile(const char* first, const char* second)
{
  struct stat a {}, b {};
  return ::stat(first, &a) == 0 && ::stat(second, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool ZMGZip::Zip(const char* sourceFile, const char* gzipFile)
{
  if (sourceFile == nullptr || gzipFile == nullptr || SameFile(sourceFile, gzipFile))
    return false;
  FilePointer source(std::fopen(sourceFile, "rb"));
  if (!source)
    return false;
  gzFile target = gzopen(gzipFile, "wb");
  if (target == nullptr)
    return false;
  unsigned char block[kBlockSize];
  bool ok = true;
  std::size_t got;
  while (ok && (got = std::fread(block, 1, sizeof block, source.get())) > 0)
    ok = gzwrite(target, block, static_cast<unsigned>(got)) == static_cast<int>(got);
  ok = ok && !std::ferror(source.get());
  // gzclose writes the trailer: a failure there leaves an incomplete file.
  const bool closed = gzclose(target) == Z_OK;
  return ok && closed;
}

bool ZMGZip::UnZip(const char* gzipFile, const char* targetFile)
{
  if (gzipFile == nullptr || targetFile == nullptr || SameFile(gzipFile, targetFile))
    return false;
  gzFile source = gzopen(gzipFile, "rb");
  if (source == nullptr)
    return false;
  FilePointer target(std::fopen(targetFile, "wb"));
  if (!target) {
    gzclose(source);
    return false;
  }
  unsigned char block[kBlockSize];
  bool ok = true;
  int got;
  while ((got = gzread(source, block, sizeof block)) > 0) {
    if (std::fwrite(block, 1, static_cast<std::size_t>(got), target.get()) != static_cast<std::size_t>(got)) {
      ok = false;
      break;
    }
  }
  // A negative read is damaged or truncated gzip data.
  ok = ok && got == 0;
  const bool sourceClosed = gzclose(source) == Z_OK;
  const bool targetClosed = std::fclose(target.release()) == 0;
  return ok && sourceClosed && targetClosed;
}
