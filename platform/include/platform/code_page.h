// Code pages: conversion between narrow text in a code page and UTF-16.
//
// The process's "ANSI code page" (CP_ACP) is the locale's character set (normally UTF-8).
// The environment variable ZAMRA_CODEPAGE (a number such as 936, or a charset name such as
// GBK) overrides it, so that data written on a Chinese or Japanese desktop shows as it would
// there. Explicit code pages map to iconv charset names (936 GBK, 932 Shift-JIS, 1252, ...).
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define CP_ACP 0
#define CP_UTF8 65001

// The number of the process's ANSI code page (65001 for UTF-8).
ZAMRA_PLATFORM_API UINT GetACP();

// The iconv charset name of a code page (CP_ACP resolves to the process's), e.g. "GBK".
ZAMRA_PLATFORM_API std::string CodePageCharset(UINT codePage);

// Narrow text in `codePage` to UTF-16. `sourceLength` -1 means up to and including the
// terminator. With `targetLength` 0 answers the number of UTF-16 units needed; otherwise
// converts and answers the number written, or 0 when the target is too small. Bytes that
// are not valid in the code page become U+FFFD. A code page iconv cannot convert answers 0.
ZAMRA_PLATFORM_API int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength,
                                           WCHAR* target, int targetLength);

// UTF-16 to narrow text in `codePage`, with the same length rules. Characters the code page
// lacks become the byte *defaultChar (even a zero byte; "?" when `defaultChar` is null), and
// *usedDefault is set to TRUE when that happened.
ZAMRA_PLATFORM_API int WideCharToMultiByte(UINT codePage, DWORD flags, const WCHAR* source, int sourceLength,
                                           char* target, int targetLength, const char* defaultChar, BOOL* usedDefault);

// Convenience forms over the two above.
ZAMRA_PLATFORM_API std::u16string ToUtf16(const std::string& text, UINT codePage = CP_ACP);
ZAMRA_PLATFORM_API std::string FromUtf16(const std::u16string& text, UINT codePage = CP_ACP);
