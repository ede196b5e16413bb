// Private: a whole file read into memory with one read, for the readers that decode from
// memory. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <utility>

#include "formats/large_buffer.h"

namespace zamra::formats {

class WholeFile final {
public:
  // Opens the file for shared reading, reads it whole with one read and closes it. False when
  // it cannot be opened, is larger than `maxSize` bytes, memory runs out or the read falls
  // short.
  bool Read(const char* path, std::int64_t maxSize);
  unsigned char* Data() const { return m_buffer.Data(); }
  std::int64_t Size() const { return static_cast<std::int64_t>(m_buffer.Size()); }
  // Hands the bytes over, leaving this one empty.
  LargeBuffer TakeBuffer() { return std::move(m_buffer); }

private:
  LargeBuffer m_buffer;
};

}  // namespace zamra::formats
