// libFuzzer entry point: ZMBitmap::LoadBmp over arbitrary file contents.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <string>

#include "api/base/bitmap.h"
#include "platform/gdi.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  const std::string path = zamra_fuzz::WriteScratchFile(data, size);
  if (path.empty())
    return 0;
  int width = 0, height = 0;
  HDC dc = ZMBitmap::LoadBmp(path.c_str(), width, height);
  if (dc != nullptr)
    DeleteDC(dc);
  return 0;
}
