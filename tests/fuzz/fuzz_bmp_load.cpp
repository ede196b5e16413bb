// libFuzzer entry point: ZMBitmap::LoadBmp over arbitrary file contents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>  // mkstemp, close

#include "api/base/bitmap.h"

namespace {

// One scratch file for the whole run, rewritten with each input.
const std::string& ScratchPath()
{
  static const std::string path = [] {
    char pattern[] = "/tmp/fuzz-bmp-XXXXXX";
    const int descriptor = mkstemp(pattern);
    if (descriptor >= 0)
      close(descriptor);
    return std::string(pattern);
  }();
  return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  FILE* file = std::fopen(ScratchPath().c_str(), "wb");
  if (file == nullptr)
    return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  int width = 0, height = 0;
  HDC dc = ZMBitmap::LoadBmp(ScratchPath().c_str(), width, height);
  if (dc != nullptr)
    DeleteDC(dc);
  return 0;
}
