// One read of a whole file.
#include "shape_core/file_block.h"

#include <climits>
#include <sys/mman.h>  // madvise

#include "platform/file_io.h"

namespace {

constexpr std::int64_t kHugePage = 2 * 1024 * 1024;

}  // namespace

unsigned char* AllocateLarge(std::int64_t bytes, bool hugePages)
{
  if (bytes <= 0)
    bytes = 1;
  auto* block = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(bytes)));
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
