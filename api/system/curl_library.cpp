// CurlLibrary: libcurl opened by name on first use.
// SPDX-License-Identifier: MIT
#include "system/curl_library.h"

#include "platform/runtime_library.h"

namespace {

using zamra::platform::FindRuntimeFunction;

// libcurl has kept this soname, and its functions' signatures, since 2006.
constexpr char kCurlLibrary[] = "libcurl.so.4";

CurlLibrary Open()
{
  CurlLibrary curl;
  void* library = zamra::platform::OpenRuntimeLibrary(kCurlLibrary);
  if (library == nullptr)
    return curl;
  const bool all = FindRuntimeFunction(library, "curl_global_init", curl.global_init) &&
                   FindRuntimeFunction(library, "curl_easy_init", curl.easy_init) &&
                   FindRuntimeFunction(library, "curl_easy_setopt", curl.easy_setopt) &&
                   FindRuntimeFunction(library, "curl_easy_perform", curl.easy_perform) &&
                   FindRuntimeFunction(library, "curl_easy_getinfo", curl.easy_getinfo) &&
                   FindRuntimeFunction(library, "curl_easy_cleanup", curl.easy_cleanup) &&
                   FindRuntimeFunction(library, "curl_slist_append", curl.slist_append) &&
                   FindRuntimeFunction(library, "curl_slist_free_all", curl.slist_free_all);
  // Global set-up is not thread-safe in older libcurl; here it runs once, under the static's guard.
  if (!all || curl.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    zamra::platform::CloseRuntimeLibrary(library);
    return CurlLibrary{};
  }
  return curl;  // the library stays open for the process's life
}

}  // namespace

const CurlLibrary* OpenCurlLibrary()
{
  static const CurlLibrary curl = Open();
  return curl.easy_init != nullptr ? &curl : nullptr;
}
