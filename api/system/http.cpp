// ZMHttp over libcurl.
// SPDX-License-Identifier: MIT
#include "api/system/http.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <strings.h>  // strncasecmp

#include "base/replacement_file.h"
#include "platform/file_io.h"
#include "platform/memory_short.h"
#include "system/curl_library.h"

namespace {

std::atomic<unsigned long> g_connectTimeOut{5000};
std::atomic<unsigned long> g_connectRetries{2};
std::atomic<unsigned long> g_stallTimeOut{30000};

constexpr long kChunkSize = 102400;
constexpr long kMaxRedirects = 10;

using Clock = std::chrono::steady_clock;

// libcurl, once Fetch has found it open.
const CurlLibrary& Curl() { return *OpenCurlLibrary(); }

struct Download {
  CURL* curl = nullptr;
  const char* fileName = nullptr;
  Clock::time_point start;
  bool answered = false;    // response headers seen, file created
  bool fileFailed = false;  // the file could not be created or written
  // The body goes to a file beside the target, which takes the target's place only once the
  // transfer is complete: a cut or refused download leaves the old file as it was.
  std::unique_ptr<zamra::base::ReplacementFile> file;
  long status = 0;
  curl_off_t expected = -1;
  curl_off_t written = 0;

  int Elapsed() const
  {
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  }
  void Trace(const char* format) const { std::printf(format, Elapsed()); }
};

// The response headers are complete: note status and length, then (re)create the file.
void OnAnswer(Download& download)
{
  download.answered = true;
  download.Trace("InternetConnect=%d\n");
  download.Trace("HttpOpenRequest=%d\n");
  download.Trace("HttpSendRequest=%d\n");
  Curl().easy_getinfo(download.curl, CURLINFO_RESPONSE_CODE, &download.status);
  download.Trace("HttpQueryInfoW=%d\n");
  curl_off_t length = -1;
  if (Curl().easy_getinfo(download.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0)
    download.expected = length;
  download.Trace("HttpQueryInfo=%d\n");
  download.file = std::make_unique<zamra::base::ReplacementFile>(download.fileName);
  download.fileFailed = !download.file->Create();
}

size_t OnBody(char* data, size_t size, size_t count, void* context)
{
  auto& download = *static_cast<Download*>(context);
  if (!download.answered)
    OnAnswer(download);
  if (download.fileFailed)
    return 0;  // ends the transfer
  const size_t total = size * count;
  DWORD wrote = 0;
  // A body longer than announced is not the resource either; curl's chunks fit a DWORD.
  if (!WriteFile(download.file->Handle(), data, static_cast<DWORD>(total), &wrote, nullptr) || wrote != total) {
    download.fileFailed = true;
    return 0;
  }
  download.written += static_cast<curl_off_t>(total);
  return total;
}

bool StartsWithName(const std::string& line, const char* name)
{
  return strncasecmp(line.c_str(), name, std::strlen(name)) == 0;
}

// Splits the caller's header block into lines; adds the lines that keep curl from sending
// headers of its own that the caller did not ask for.
curl_slist* HeaderList(const char* headers, int headersLength, bool post, bool* ok)
{
  *ok = true;
  std::string block;
  if (headers != nullptr)
    block = headersLength < 0 ? std::string(headers) : std::string(headers, ::strnlen(headers, headersLength));
  curl_slist* list = nullptr;
  bool hasContentType = false;
  bool hasExpect = false;
  size_t begin = 0;
  while (begin < block.size()) {
    size_t end = block.find('\n', begin);
    if (end == std::string::npos)
      end = block.size();
    std::string line = block.substr(begin, end - begin);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    begin = end + 1;
    if (line.empty())
      continue;
    hasContentType = hasContentType || StartsWithName(line, "Content-Type:");
    hasExpect = hasExpect || StartsWithName(line, "Expect:");
    curl_slist* grown = Curl().slist_append(list, line.c_str());
    if (grown == nullptr) {
      *ok = false;
      return list;
    }
    list = grown;
  }
  const char* extras[] = {post && !hasContentType ? "Content-Type:" : nullptr, hasExpect ? nullptr : "Expect:"};
  for (const char* extra : extras) {
    if (extra == nullptr)
      continue;
    curl_slist* grown = Curl().slist_append(list, extra);
    if (grown == nullptr) {
      *ok = false;
      return list;
    }
    list = grown;
  }
  return list;
}

bool IsConnectFailure(CURLcode code, CURL* curl)
{
  if (code == CURLE_COULDNT_CONNECT)
    return true;
  curl_off_t connected = 0;
  return code == CURLE_OPERATION_TIMEDOUT &&
         Curl().easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connected) == CURLE_OK && connected == 0;
}

struct CurlCleanup {
  CURL* curl;
  curl_slist* headers = nullptr;
  ~CurlCleanup()
  {
    Curl().slist_free_all(headers);
    Curl().easy_cleanup(curl);
  }
};

int Fetch(const char* url, const char* headers, int headersLength, const char* body, int bodyLength,
          const char* fileName)
{
  Download download;
  download.start = Clock::now();
  download.fileName = fileName;
  char host[ZMHttp::kMaxHost + 1];
  char path[ZMHttp::kMaxUrl + 1];
  unsigned short port = 80;
  if (fileName == nullptr || (body != nullptr && bodyLength < 0) || !ZMHttp::ParseUrl(url, host, path, port) ||
      host[0] == '\0')
    return 0;
  download.Trace("parseurl=%d\n");

  if (OpenCurlLibrary() == nullptr)
    return 0;  // no libcurl on this machine: nothing can be fetched
  CurlCleanup handles{Curl().easy_init()};
  download.curl = handles.curl;
  if (download.curl == nullptr)
    return 0;
  download.Trace("InternetOpen=%d\n");
  CURL* curl = download.curl;
  Curl().easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(g_connectTimeOut.load()));
  // A server that stops sending (before or within the body) would otherwise hold the caller
  // for ever: less than a byte a second for the stall time-out ends the transfer.
  Curl().easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  Curl().easy_setopt(curl, CURLOPT_LOW_SPEED_TIME,
                     static_cast<long>(std::max<unsigned long>(1, (g_stallTimeOut.load() + 999) / 1000)));
  download.Trace("InternetSetOptionEx=%d\n");
  const unsigned long retries = g_connectRetries.load();
  download.Trace("InternetSetOptionEx=%d\n");

  std::string target = "http://" + std::string(host) + ":" + std::to_string(port) + "/";
  if (std::strcmp(path, "/") != 0)
    target += path;
  bool headersOk = true;
  handles.headers = HeaderList(headers, headersLength, body != nullptr, &headersOk);
  if (!headersOk)
    return 0;
  Curl().easy_setopt(curl, CURLOPT_URL, target.c_str());
  Curl().easy_setopt(curl, CURLOPT_USERAGENT, "IE 6");
  Curl().easy_setopt(curl, CURLOPT_HTTPHEADER, handles.headers);
  Curl().easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  Curl().easy_setopt(curl, CURLOPT_BUFFERSIZE, kChunkSize);
  Curl().easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
  Curl().easy_setopt(curl, CURLOPT_MAXREDIRS, kMaxRedirects);
  Curl().easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http");
  Curl().easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http");
  Curl().easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
  Curl().easy_setopt(curl, CURLOPT_WRITEDATA, &download);
  if (body != nullptr) {
    Curl().easy_setopt(curl, CURLOPT_POST, 1L);
    Curl().easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLength));
    Curl().easy_setopt(curl, CURLOPT_POSTFIELDS, body);
  }

  CURLcode code = CURLE_OK;
  for (unsigned long attempt = 0;; ++attempt) {
    code = Curl().easy_perform(curl);
    if (download.answered || attempt >= retries || !IsConnectFailure(code, curl))
      break;
  }
  if (code == CURLE_OK && !download.answered)
    OnAnswer(download);  // an empty body
  if (!download.answered)
    return 0;
  bool complete = code == CURLE_OK && !download.fileFailed;
  // An error page is stored like any body, but it is not the resource asked for.
  complete = complete && download.status >= 200 && download.status <= 299;
  complete = complete && (download.expected < 0 || download.written == download.expected);
  // Only a complete body replaces the target; otherwise the file beside it goes.
  return complete && download.file->Finish() && download.file->Commit() ? 1 : 0;
}

}  // namespace

int ZMHttp::DownLoad(const char* url, const char* headers, int headersLength, const char* body, int bodyLength,
                     const char* fileName)
{
  return zamra::sys::OrIfMemoryShort(0, [&] { return Fetch(url, headers, headersLength, body, bodyLength, fileName); });
}

bool ZMHttp::ParseUrl(const char* url, char* host, char* path, unsigned short& port)
{
  port = 80;
  if (url == nullptr || host == nullptr || path == nullptr || url[0] == '/')
    return false;
  const size_t length = ::strnlen(url, kMaxUrl + 1);
  if (length > static_cast<size_t>(kMaxUrl))
    return false;
  const char* end = url + length;
  const char* scheme = std::strstr(url, "://");
  const char* hostBegin = scheme ? scheme + 3 : url;
  const char* slash = std::strchr(hostBegin, '/');
  const char* hostEnd = slash ? slash : end;
  const char* colon = static_cast<const char*>(std::memchr(hostBegin, ':', static_cast<size_t>(hostEnd - hostBegin)));
  unsigned long portNumber = 80;
  if (colon != nullptr) {
    const char* digit = colon + 1;
    if (digit == hostEnd)
      return false;
    portNumber = 0;
    for (; digit < hostEnd; ++digit) {
      if (*digit < '0' || *digit > '9')
        return false;
      portNumber = portNumber * 10 + static_cast<unsigned long>(*digit - '0');
      if (portNumber > 65535)
        return false;
    }
    if (portNumber == 0)
      return false;
  }
  const char* nameEnd = colon ? colon : hostEnd;
  const size_t hostLength = static_cast<size_t>(nameEnd - hostBegin);
  if (hostLength > static_cast<size_t>(kMaxHost))
    return false;
  std::memcpy(host, hostBegin, hostLength);
  host[hostLength] = '\0';
  if (slash != nullptr) {
    const size_t pathLength = static_cast<size_t>(end - (slash + 1));
    std::memcpy(path, slash + 1, pathLength);
    path[pathLength] = '\0';
  } else {
    std::strcpy(path, "/");
  }
  port = static_cast<unsigned short>(portNumber);
  return true;
}

void ZMHttp::SetTimeOut(unsigned long milliseconds) { g_connectTimeOut = milliseconds; }

void ZMHttp::SetRetry(unsigned long count) { g_connectRetries = count; }

void ZMHttp::SetStallTimeOut(unsigned long milliseconds) { g_stallTimeOut = milliseconds; }
