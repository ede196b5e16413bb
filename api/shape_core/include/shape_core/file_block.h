// Private: one read of a whole file into memory, as every shapefile reader does it. The block
// comes from malloc so that a loader can keep it (the view compacts points in place) and
// shrink it with realloc. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
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

// A read of a whole file that threads share: each thread that calls Help reads the next chunks
// nobody has taken yet, so that a thread done early with other work reads part of the rest.
class SharedFileRead final {
public:
  SharedFileRead() = default;
  ~SharedFileRead();
  SharedFileRead(const SharedFileRead&) = delete;
  SharedFileRead& operator=(const SharedFileRead&) = delete;

  // Opens the file and makes its block (see ReadWholeFile); false when the file cannot be
  // opened, exceeds 2 GiB or memory runs out. Help and Finish then find nothing to read. A set
  // `stop` flag ends the reading at the next chunk, as a failed one would.
  bool Start(const char* path, bool hugePages = false, const std::atomic<bool>* stop = nullptr);
  // Reads chunks until none is left to take. Any thread, any number of times.
  void Help();
  // Waits for the chunks other threads are still reading, then hands the whole file over;
  // false when any chunk could not be read whole (or Start failed).
  bool Finish(FileBytes& bytes);

private:
  int m_descriptor = -1;
  FileBytes m_bytes;
  std::int64_t m_chunks = 0;
  std::atomic<std::int64_t> m_nextChunk{0};
  std::atomic<std::int64_t> m_doneChunks{0};
  std::atomic<bool> m_failed{false};
  const std::atomic<bool>* m_stop = nullptr;  // not owned
};
