// Private: one read of a whole file into memory, as every loader of the view does it.
#pragma once

#include <cstdint>
#include <memory>

struct FileBytes {
  std::unique_ptr<unsigned char[]> data;  // uninitialised until read: no time spent zeroing
  std::int64_t size = 0;
};

// The whole file, or false when it cannot be opened or read completely (or exceeds the 2 GiB
// that shapefile offsets can address).
bool ReadWholeFile(const char* path, FileBytes& bytes);
