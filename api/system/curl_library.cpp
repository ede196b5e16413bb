// CurlLibrary: libcurl opened by name on first use.
#include "system/curl_library.h"

#include <dlfcn.h>

namespace {

// libcurl has kept this soname, and its functions' signatures, since 2006.
constexpr char kCurlLibrary[] = "libcurl.so.4";

template <typename Function>
bool Find(void* library, const char* name, Function& function)
{
  function = reinterpret_cast<Function>(dlsym(library, name));
  return function != nullptr;
}

CurlLibrary Open()
{
  CurlLibrary curl;
  void* library = dlopen(kCurlLibrary, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr)
    return curl;
  const bool all = Find(library, "curl_global_init", curl.global_init) &&
                   Find(library, "curl_easy_init", curl.easy_init) &&
                   Find(library, "curl_easy_setopt", curl.easy_setopt) &&
                   Find(library, "curl_easy_perform", curl.easy_perform) &&
                   Find(library, "curl_easy_getinfo", curl.easy_getinfo) &&
                   Find(library, "curl_easy_cleanup", curl.easy_cleanup) &&
                   Find(library, "curl_slist_append", curl.slist_append) &&
                   Find(library, "curl_slist_free_all", curl.slist_free_all);
  // Global set-up is not thread-safe in older libcurl; here it runs once, under the static's guard.
  if (!all || curl.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
    dlclose(library);
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
