// The memory the process may still use, read from its limits and from the kernel's counts.
// SPDX-License-Identifier: MIT
#include "platform/memory_room.h"

#include <sys/resource.h>  // getrlimit

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

constexpr std::int64_t kAlwaysGranted = std::int64_t{32} << 20;
constexpr std::int64_t kUnknown = INT64_MAX;

std::atomic<std::uint64_t> g_memoryShort{0};

// The value of a "Name:   1234 kB" line of a /proc file, in bytes; kUnknown without it.
std::int64_t ProcKilobytes(const char* path, const char* name)
{
  std::ifstream file(path);
  const size_t nameLength = std::strlen(name);
  for (std::string line; std::getline(file, line);)
    if (line.compare(0, nameLength, name) == 0 && line.size() > nameLength && line[nameLength] == ':')
      return std::stoll(line.substr(nameLength + 1)) * 1024;
  return kUnknown;
}

// A control-group file holding one number, or "max"; kUnknown when there is none.
std::int64_t GroupNumber(const std::string& path)
{
  std::ifstream file(path);
  std::string text;
  if (!(file >> text) || text == "max")
    return kUnknown;
  return std::stoll(text);
}

// Room under the unified control group's memory limit: its folder comes from the "0::" line.
std::int64_t GroupRoom()
{
  std::ifstream groups("/proc/self/cgroup");
  for (std::string line; std::getline(groups, line);) {
    if (line.compare(0, 3, "0::") != 0)
      continue;
    const std::string folder = "/sys/fs/cgroup" + line.substr(3);
    const std::int64_t limit = GroupNumber(folder + "/memory.max");
    const std::int64_t used = GroupNumber(folder + "/memory.current");
    if (limit == kUnknown || used == kUnknown)
      return kUnknown;
    return limit - used;
  }
  return kUnknown;
}

}  // namespace

namespace zamra::sys {

bool HasMemoryFor(std::int64_t bytes)
{
  if (bytes < kAlwaysGranted)
    return true;
  try {
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
      const std::int64_t mapped = ProcKilobytes("/proc/self/status", "VmSize");
      if (mapped != kUnknown && bytes > static_cast<std::int64_t>(limit.rlim_cur) - mapped)
        return false;
    }
    const std::int64_t available = ProcKilobytes("/proc/meminfo", "MemAvailable");
    const std::int64_t swap = ProcKilobytes("/proc/meminfo", "SwapFree");
    if (available != kUnknown && bytes > available + (swap != kUnknown ? swap : 0))
      return false;
    return bytes <= GroupRoom();
  } catch (...) {
    return true;  // counts that cannot be read refuse nothing: the allocation itself still may
  }
}

void NoteMemoryShort() { g_memoryShort.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t MemoryShortCount() { return g_memoryShort.load(std::memory_order_relaxed); }

}  // namespace zamra::sys
