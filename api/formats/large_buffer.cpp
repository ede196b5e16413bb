// LargeBuffer: bulk buffers, on huge pages when large.
// SPDX-License-Identifier: MIT
#include "formats/large_buffer.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>  // mmap, madvise
#include <utility>

#include "platform/memory_room.h"

namespace zamra::formats {

namespace {

constexpr size_t kMappedFrom = size_t{4} << 20;
constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_mappedSize(std::exchange(other.m_mappedSize, 0))
{}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept
{
  if (this != &other) {
    Release();
    m_data = std::exchange(other.m_data, nullptr);
    m_size = std::exchange(other.m_size, 0);
    m_mappedSize = std::exchange(other.m_mappedSize, 0);
  }
  return *this;
}

void LargeBuffer::Release()
{
  if (m_mappedSize > 0)
    munmap(m_data, m_mappedSize);
  else
    delete[] m_data;
  m_data = nullptr;
  m_size = 0;
  m_mappedSize = 0;
}

bool LargeBuffer::Allocate(size_t size)
{
  Release();
  // Granted by overcommit, a block larger than the memory left would kill the process as it
  // is filled: refused now instead, and noted as a load that memory could not hold.
  if (size > static_cast<size_t>(INT64_MAX) || !zamra::sys::HasMemoryFor(static_cast<std::int64_t>(size))) {
    zamra::sys::NoteMemoryShort();
    return false;
  }
  if (size >= kMappedFrom) {
    const size_t mapped = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* memory = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
      zamra::sys::NoteMemoryShort();
      return false;
    }
    madvise(memory, mapped, MADV_HUGEPAGE);  // a hint; a system without huge pages ignores it
    m_data = static_cast<unsigned char*>(memory);
    m_mappedSize = mapped;
  } else {
    m_data = new (std::nothrow) unsigned char[size > 0 ? size : 1];
    if (m_data == nullptr) {
      zamra::sys::NoteMemoryShort();
      return false;
    }
  }
  m_size = size;
  return true;
}

}  // namespace zamra::formats
