// Private: how ZMDataView stores its cells, shared with the dBASE reader that fills loaded
// rows in bulk. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "formats/large_buffer.h"

namespace zamra::formats {

// A column definition.
struct Column {
  char type = 0;
  char flag = 0;
  int length = 0;
  char name[40] = {};      // at most 39 characters and the terminator
  char* format = nullptr;  // owned; null until set
  // How the column stood in the dBASE file it was read from, so that a save writes it back
  // alike: the field letter ("N" or "F") and decimal count of a number field; 0 and -1 for a
  // column defined by a caller.
  char fieldLetter = 0;
  int fieldDecimals = -1;
};

// The layout of zm_variant, with its spare byte telling where the block lives.
struct Cell {
  char type = 0;
  char inStorage = 0;  // 1: `data` lies in the table's Storage and is not freed on its own
  std::int16_t length = 0;
  unsigned char* data = nullptr;
};

// Bump allocator for the rows and cell blocks of a loaded file: a few large chunks instead of
// one allocation per cell. Everything goes at once with Clear.
class Storage final {
public:
  // `alignment` is a power of two. Throws std::bad_alloc when memory runs out.
  void* Allocate(size_t size, size_t alignment)
  {
    const size_t offset = (m_used + alignment - 1) & ~(alignment - 1);
    if (m_chunks.empty() || offset + size > m_chunks.back().Size())
      return AllocateInNewChunk(size);
    m_used = offset + size;
    return m_chunks.back().Data() + offset;
  }
  // Starts a chunk of at least `size` bytes, for a caller that knows what it will allocate.
  void Reserve(size_t size);
  bool Owns(const void* pointer) const;
  void Clear();
  // Takes over the chunks of `other` (which is left empty); allocation goes on in this one's.
  void Adopt(Storage&& other);

private:
  void* AllocateInNewChunk(size_t size);

  static constexpr size_t kChunkSize = size_t{4} << 20;
  std::vector<LargeBuffer> m_chunks;
  size_t m_used = 0;  // bytes taken from the last chunk
};

}  // namespace zamra::formats
