// ZMLog: appends time-stamped entries to one log file per program and day, beside the
// program's executable file ("<executable path>YYYYMMDD.log").
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/sync.h"

/// Appends time-stamped entries to one log file per program and day.
class ZAMRA_API ZMLog {
public:
  // Serialises the entries of all threads of the process.
  static CRITICAL_SECTION m_csLog;

  ZMLog() = default;
  virtual ~ZMLog() = default;
  ZMLog(const ZMLog&) = default;
  ZMLog& operator=(const ZMLog&) = default;

  // Initialises the lock: once, before the first WriteLog of any thread.
  static void Init();
  // Deletes the lock: once, after the last WriteLog.
  static void Destroy();

  // Appends "YYYY-MM-DD hh:mm:ss", a tab and `format` expanded as by printf to the day's log
  // file; no line end is added. An entry is at most 1023 bytes: longer text is cut. Nothing is
  // reported: an entry that cannot be written is dropped. The file is opened and closed for
  // each entry, so others can read it at any time.
  static void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
};
