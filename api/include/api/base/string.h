// ZMString: static text helpers (code pages, colour text, time stamps, bit strings,
// validators, system error texts, unique names).
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

/// Static text helpers: code pages, colour texts, time stamps and bit strings.
class ZAMRA_API ZMString {
public:
  ZMString() = default;
  virtual ~ZMString() = default;
  ZMString(const ZMString&) = default;
  ZMString& operator=(const ZMString&) = default;

  // Converts the zero-terminated narrow `source` in `codePage` (0: the process's code page)
  // to UTF-16. Answers the number of UTF-16 units the result needs, terminator included, and
  // writes exactly that many into `target` when it is not null (the caller sizes it; ask
  // first with a null target). Bytes invalid in the code page become U+FFFD. 0 when `source`
  // is null or the code page is unknown.
  static int ToUnicode(const char* source, WCHAR* target, UINT codePage);

  // Converts the zero-terminated UTF-16 `source` to narrow text in `codePage`. Answers the
  // number of bytes needed, terminator included, and writes that many into `target` when it
  // is not null. A character the code page lacks becomes one zero byte. 0 for a null source
  // or an unknown code page.
  static int ToAnsi(const WCHAR* source, char* target, UINT codePage);

  // "r,g,b" (decimal, read as atoi reads, only the first 11 characters looked at) to a
  // colour 0x00BBGGRR; each component keeps its low 8 bits. 0 for a text without two commas.
  static COLORREF TextToColor(const char* text);

  // "YYYY-MM-DD hh:mm:ss" of the current local time or of `time`, with its terminator
  // (20 characters of room).
  static void GetLocalTimeString(char* buffer);
  static void GetLocalTimeString(WCHAR* buffer);
  static void GetLocalTimeString(char* buffer, const SYSTEMTIME& time);
  static void GetLocalTimeString(WCHAR* buffer, const SYSTEMTIME& time);

  // "YYYYMMDD" of the current local date, with its terminator (9 units of room).
  static void GetShortLocalDateString(WCHAR* buffer);

  // The system's message text for the errno value `code`, cut to fit `size` characters with
  // its terminator. Answers the number of characters written without the terminator; 0 (the
  // buffer untouched) when `buffer` is null or `size` is 0.
  static int GetErrorMessage(DWORD code, char* buffer, int size);
  static int GetErrorMessage(DWORD code, WCHAR* buffer, int size);

  // 32 (or 16) characters '0'/'1', most significant bit first, and a terminator.
  static void GetBitString(std::uint32_t value, char* buffer);
  static void GetBitString(std::uint16_t value, char* buffer);

  // Copies `source` into `target` without every occurrence of `pattern`, compared without
  // regard to ASCII case; an empty pattern removes nothing. `target` needs room for
  // `source`. Answers `target`.
  static char* Replace(const char* source, const char* pattern, char* target);

  // Validators over the first `length` characters of `text`.
  // Digits and at most one point (length 0 and a lone point pass).
  static bool IsNumber(const char* text, int length);
  // Digits only (length 0 passes).
  static bool IsIntNumber(const char* text, int length);
  // Exactly one '@' with a point somewhere after it, and none of # $ % ( ) [ ] \ ~.
  static bool IsMail(const char* text, int length);
  // At least 7 characters of digits and points, each group of at most three digits and at
  // most 255. The number of groups is not checked.
  static bool IsIpAddr(const char* text, int length);

  // Writes "YYYYMMDDhhmmss" of the local time followed by a process-wide counter in at least
  // four digits (19 bytes of room while the counter stays below 10000). Distinct names also
  // when called from several threads at once.
  static void MakeGUID(char* buffer);
};
