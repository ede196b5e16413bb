// Fuzzes the URL splitter over arbitrary text, with output buffers of exactly the sizes its
// contract names, so that the sanitizer sees any write past them.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "api/system/http.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  const std::string url(reinterpret_cast<const char*>(data), size);  // cut at a zero byte, as callers do
  auto host = std::make_unique<char[]>(ZMHttp::kMaxHost + 1);
  auto path = std::make_unique<char[]>(ZMHttp::kMaxUrl + 1);
  unsigned short port = 0;
  if (ZMHttp::ParseUrl(url.c_str(), host.get(), path.get(), port)) {
    if (std::strlen(host.get()) > static_cast<size_t>(ZMHttp::kMaxHost) || port == 0)
      __builtin_trap();
  }
  return 0;
}
