// Private: one read of a whole file into memory, as every shapefile reader does it. The block
// comes from malloc so that a loader can keep it (the view compacts points in place) and
// shrink it with realloc. Not part of the library's interface.
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

// A block of `bytes` bytes from malloc, 16-byte aligned; null when memory runs out. With
// `hugePages` a large block is asked to be backed by huge pages: fewer page faults when it is
// first written, which pays for blocks that are kept (measured: it slows blocks that are
// read once and freed).
unsigned char* AllocateLarge(std::int64_t bytes, bool hugePages = false);

// The whole file, or false when it cannot be opened or read completely (or exceeds the 2 GiB
// that shapefile offsets can address).
bool ReadWholeFile(const char* path, FileBytes& bytes, bool hugePages = false);
