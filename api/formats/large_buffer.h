// Private: an uninitialised byte buffer for the bulk data of loaded files. Large buffers are
// mappings of their own on huge pages where the system offers them, so that filling one costs
// a few page faults per 2 MiB instead of one per 4 KiB. Not part of the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

namespace zamra::formats {

class LargeBuffer final {
public:
  LargeBuffer() = default;
  ~LargeBuffer() { Release(); }
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  // Replaces the buffer by one of `size` bytes (uninitialised); false when memory runs out.
  bool Allocate(size_t size);
  void Release();
  unsigned char* Data() const { return m_data; }
  size_t Size() const { return m_size; }

private:
  unsigned char* m_data = nullptr;
  size_t m_size = 0;
  size_t m_mappedSize = 0;  // non-zero: m_data is an anonymous mapping of this size
};

}  // namespace zamra::formats
