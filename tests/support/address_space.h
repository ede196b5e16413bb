// The process's address space, for tests of room set aside for sizes read from files: its peak
// (which an allocation raises even when its pages are never touched) and a limit on it, as
// `ulimit -v` sets one.
// SPDX-License-Identifier: MIT
#pragma once

#include <sys/resource.h>  // setrlimit, RLIMIT_AS

#include <cstdint>
#include <fstream>
#include <string>

namespace zamra_test {

// AddressSanitizer maps terabytes of shadow memory and keeps freed blocks in quarantine: an
// address-space limit would stop it from starting anything, and the peak says nothing there.
constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// ThreadSanitizer's allocator ends the process where memory runs out instead of throwing, so a
// limit cannot make an allocation fail the way a test wants.
constexpr bool kThreadSanitizer =
#if defined(__SANITIZE_THREAD__)
    true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// A "Vm...:" line of /proc/self/status in KB, -1 without it.
inline long VmKilobytes(const char* name)
{
  std::ifstream status("/proc/self/status");
  const std::string prefix = std::string(name) + ":";
  for (std::string line; std::getline(status, line);)
    if (line.rfind(prefix, 0) == 0)
      return std::stol(line.substr(prefix.size()));
  return -1;
}

inline long PeakKilobytes() { return VmKilobytes("VmPeak"); }

// While it lives, the process may map at most `roomBytes` more than it has mapped now (the
// soft limit; the old one comes back afterwards). Limited() is false when it could not be set.
class AddressSpaceLimit final {
public:
  explicit AddressSpaceLimit(std::int64_t roomBytes)
  {
    m_set = getrlimit(RLIMIT_AS, &m_old) == 0;
    const long mapped = VmKilobytes("VmSize");
    if (!m_set || mapped < 0) {
      m_set = false;
      return;
    }
    rlimit limited = m_old;
    limited.rlim_cur = static_cast<rlim_t>(mapped) * 1024 + static_cast<rlim_t>(roomBytes);
    m_set = setrlimit(RLIMIT_AS, &limited) == 0;
  }
  ~AddressSpaceLimit()
  {
    if (m_set)
      setrlimit(RLIMIT_AS, &m_old);
  }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;
  bool Limited() const { return m_set; }

private:
  rlimit m_old{};
  bool m_set = false;
};

}  // namespace zamra_test
