// One read of a whole file.
// SPDX-License-Identifier: MIT
#include "shape_core/file_block.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/mman.h>  // madvise
#include <sys/stat.h>
#include <utility>

#include "platform/file_io.h"
#include "platform/memory_room.h"
#include "platform/system_calls.h"

namespace {

constexpr std::int64_t kHugePage = std::int64_t{2} * 1024 * 1024;
// Chunks of a shared read: whole huge pages, and few enough that taking one costs nothing.
constexpr std::int64_t kReadChunk = 2 * kHugePage;

}  // namespace

unsigned char* AllocateLarge(std::int64_t bytes, bool hugePages)
{
  if (bytes <= 0)
    bytes = 1;
  // Granted by overcommit, a block larger than the memory left would kill the process as it
  // is filled: refused now instead, and noted as a load that memory could not hold.
  if (!zamra::sys::HasMemoryFor(bytes)) {
    zamra::sys::NoteMemoryShort();
    return nullptr;
  }
  auto* block = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(bytes)));
  if (block == nullptr)
    zamra::sys::NoteMemoryShort();
  if (block != nullptr && hugePages && bytes >= 2 * kHugePage) {
    // Only the whole huge pages inside the block can be advised.
    const auto start = (reinterpret_cast<std::uintptr_t>(block) + kHugePage - 1) &
                       ~static_cast<std::uintptr_t>(kHugePage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(block) + static_cast<std::uintptr_t>(bytes)) &
                     ~static_cast<std::uintptr_t>(kHugePage - 1);
    if (end > start)
      madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
  }
  return block;
}

bool ReadWholeFile(const char* path, FileBytes& bytes, bool hugePages)
{
  if (path == nullptr)
    return false;
  HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  std::int64_t size = 0;
  bool ok = GetFileSizeEx(file, &size) && size >= 0 && size <= INT_MAX;
  if (ok) {
    bytes.data.reset(AllocateLarge(size, hugePages));
    DWORD read = 0;
    ok = bytes.data != nullptr && ReadFile(file, bytes.data.get(), static_cast<DWORD>(size), &read, nullptr) &&
         read == static_cast<DWORD>(size);
    bytes.size = size;
  }
  CloseHandle(file);
  if (!ok)
    bytes = FileBytes();
  return ok;
}

SharedFileRead::~SharedFileRead()
{
  if (m_descriptor >= 0)
    zamra::sys::Close(m_descriptor);
}

bool SharedFileRead::Start(const char* path, bool hugePages, const std::atomic<bool>* stop)
{
  if (path == nullptr || m_descriptor >= 0)
    return false;
  m_stop = stop;
  m_descriptor = zamra::sys::Open(path, O_RDONLY | O_CLOEXEC);
  if (m_descriptor < 0)
    return false;
  struct stat status {};
  if (zamra::sys::FStat(m_descriptor, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > INT_MAX)
    return false;
  m_bytes.data.reset(AllocateLarge(status.st_size, hugePages));
  if (!m_bytes.data)
    return false;
  m_bytes.size = status.st_size;
  m_chunks = (m_bytes.size + kReadChunk - 1) / kReadChunk;
  return true;
}

void SharedFileRead::Help()
{
  for (std::int64_t chunk = m_nextChunk.fetch_add(1); chunk < m_chunks; chunk = m_nextChunk.fetch_add(1)) {
    const std::int64_t begin = chunk * kReadChunk;
    const std::int64_t end = std::min(begin + kReadChunk, m_bytes.size);
    if (m_stop != nullptr && m_stop->load(std::memory_order_relaxed))
      m_failed = true;  // given up by its caller: the rest is not read
    const size_t wanted = static_cast<size_t>(end - begin);
    size_t read = 0;
    // An error, or the file ended early: it shrank since Start.
    if (!m_failed.load(std::memory_order_relaxed) &&
        (!zamra::sys::PReadFully(m_descriptor, m_bytes.data.get() + begin, wanted, begin, &read) || read != wanted))
      m_failed = true;
    m_doneChunks.fetch_add(1);
    m_doneChunks.notify_all();
  }
}

bool SharedFileRead::Finish(FileBytes& bytes)
{
  bytes = FileBytes();
  if (!m_bytes.data)
    return false;
  Help();  // whatever nobody has taken yet
  for (std::int64_t done = m_doneChunks.load(); done < m_chunks; done = m_doneChunks.load())
    m_doneChunks.wait(done);
  if (m_failed)
    return false;
  bytes = std::move(m_bytes);
  return true;
}
