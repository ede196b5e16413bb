// For fuzz targets whose reader takes a file name: each input is written to one scratch file,
// made once for the whole run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>  // mkstemp, close

namespace zamra_fuzz {

// The scratch file's path after writing `data` to it; empty when it cannot be written.
inline std::string WriteScratchFile(const std::uint8_t* data, std::size_t size)
{
  static const std::string path = [] {
    char pattern[] = "/tmp/zamra-fuzz-XXXXXX";
    const int descriptor = mkstemp(pattern);
    if (descriptor >= 0)
      close(descriptor);
    return std::string(pattern);
  }();
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return std::string();
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  return path;
}

}  // namespace zamra_fuzz
