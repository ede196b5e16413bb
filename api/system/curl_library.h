// CurlLibrary: the libcurl functions the HTTP client calls, from the library opened the first
// time a download starts. Linking libcurl would load it, and the two dozen TLS, Kerberos and LDAP
// libraries it brings, at every start of every program, though few programs download anything.
// SPDX-License-Identifier: MIT
#pragma once

#include <curl/curl.h>

struct CurlLibrary {
  decltype(&curl_global_init) global_init = nullptr;
  decltype(&curl_easy_init) easy_init = nullptr;
  decltype(&curl_easy_setopt) easy_setopt = nullptr;
  decltype(&curl_easy_perform) easy_perform = nullptr;
  decltype(&curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&curl_slist_append) slist_append = nullptr;
  decltype(&curl_slist_free_all) slist_free_all = nullptr;
};

// The functions, all of them found and curl_global_init done, or null when libcurl cannot be
// opened. Opened once, by the first caller of any thread, and kept for the process's life.
const CurlLibrary* OpenCurlLibrary();
