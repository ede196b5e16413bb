// For fuzz targets whose reader takes a file name: each input is written to one scratch file,
// made once for the whole run.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <cstdlib>   // mkstemps
#include <unistd.h>  // close

namespace zamra_fuzz {

// The scratch file's path after writing `data` to it; empty when it cannot be written. The file
// is named on the first call, ending in `suffix` (".zip" for readers that go by the name).
inline std::string WriteScratchFile(const std::uint8_t* data, std::size_t size, const char* suffix = "")
{
  static const std::string path = [suffix] {
    std::string pattern = std::string("/tmp/zamra-fuzz-XXXXXX") + suffix;
    const int descriptor = mkstemps(pattern.data(), static_cast<int>(std::char_traits<char>::length(suffix)));
    if (descriptor >= 0)
      close(descriptor);
    return pattern;
  }();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return std::string();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  return path;
}

}  // namespace zamra_fuzz
