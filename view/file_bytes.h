// Private: one read of a whole file into memory, as every loader of the view does it. The
// block comes from malloc so that a loader can keep it (points are compacted in place) and
// shrink it with realloc.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};

template <typename T>
using MallocPtr = std::unique_ptr<T, FreeDeleter>;

struct FileBytes {
  MallocPtr<unsigned char> data;  // uninitialised until read: no time spent zeroing
  std::int64_t size = 0;
};

// A block of `bytes` bytes from malloc, 16-byte aligned, with large blocks asked to be backed
// by huge pages (fewer page faults when it is first written); null when memory runs out.
unsigned char* AllocateLarge(std::int64_t bytes);

// The whole file, or false when it cannot be opened or read completely (or exceeds the 2 GiB
// that shapefile offsets can address).
bool ReadWholeFile(const char* path, FileBytes& bytes);
