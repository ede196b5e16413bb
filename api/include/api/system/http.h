// ZMHttp: fetches one URL over HTTP (GET or POST) into a local file, with a process-wide
// connect time-out and number of connect retries. Each download prints trace lines with the
// milliseconds since the call began to standard output.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"

/// Fetches one URL over HTTP (GET or POST) into a local file.
class ZAMRA_API ZMHttp {
public:
  // Longest URL and host name the working buffers take, without the terminator.
  static constexpr int kMaxUrl = 1023;
  static constexpr int kMaxHost = 255;

  ZMHttp() = default;
  virtual ~ZMHttp() = default;
  ZMHttp(const ZMHttp&) = default;
  ZMHttp& operator=(const ZMHttp&) = default;

  // Fetches `url` (as ParseUrl splits it; always over plain HTTP) and stores the response body
  // in `fileName`. The body is written to a file beside it, which replaces `fileName` only when
  // the transfer completed: a 2xx status and, when the server announced a length, that many
  // bytes. Any other end (an error status, a cut or stalled transfer, a failed write) leaves
  // an existing `fileName` as it was and no new file behind. `headers` (may be null) are extra
  // request lines separated by "\r\n", `headersLength` bytes long or -1 for zero-terminated.
  // A null `body` sends a GET, otherwise a POST of `bodyLength` bytes. Redirects are followed.
  // Gives 1 when a 2xx response's body was stored completely (as long as any Content-Length
  // said); 0 otherwise. A transfer that receives nothing for the stall time-out is given up.
  static int DownLoad(const char* url, const char* headers, int headersLength, const char* body, int bodyLength,
                      const char* fileName);

  // Splits a URL: `host` (room for kMaxHost + 1 bytes) gets the text after the first "://" (or
  // from the start) up to the next "/" or ":"; `port` the decimal number after that ":", else
  // 80; `path` (room for kMaxUrl + 1 bytes) the rest after that "/", without it, or "/" when
  // there is none. False, with nothing written but `port` = 80, for a URL that starts with "/",
  // one longer than kMaxUrl, a host longer than kMaxHost, or a port that is not 1 to 65535.
  static bool ParseUrl(const char* url, char* host, char* path, unsigned short& port);

  // Process-wide settings for later downloads: connect time-out (default 5000 ms) and connect
  // retries after a failed connection attempt (default 2). Set them before downloads start.
  static void SetTimeOut(unsigned long milliseconds);
  static void SetRetry(unsigned long count);
  // Process-wide: a transfer (waiting for the answer or within the body) that receives less than
  // a byte a second for this long, in whole seconds rounded up, fails (default 30000 ms). The
  // speed is averaged over the last few seconds, so a stall after data is noticed that much later.
  static void SetStallTimeOut(unsigned long milliseconds);
};
