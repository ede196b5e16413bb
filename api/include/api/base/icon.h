// ZMIcon: predefined icons, icons from files, and the icon of a file type.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/icon.h"
#include "platform/win_types.h"

// Numbers of the predefined icons.
#define IDI_APPLICATION 32512u
#define IDI_HAND 32513u
#define IDI_QUESTION 32514u
#define IDI_EXCLAMATION 32515u
#define IDI_ASTERISK 32516u
#define IDI_WINLOGO 32517u
#define IDI_SHIELD 32518u
#define IDI_WARNING IDI_EXCLAMATION
#define IDI_ERROR IDI_HAND
#define IDI_INFORMATION IDI_ASTERISK

/// Predefined icons, icons from files and the icon of a file type.
class ZAMRA_API ZMIcon {
public:
  ZMIcon() = default;
  virtual ~ZMIcon() = default;
  ZMIcon(const ZMIcon&) = default;
  ZMIcon& operator=(const ZMIcon&) = default;

  // A predefined icon by its number (IDI_...), from the desktop's icon theme or the
  // application's style. Shared: the caller need not and cannot destroy it. Null for an
  // unknown number, or when no GUI application runs.
  static HICON LoadIconA(unsigned number);

  // An icon loaded from an icon (or image) file at its own size; belongs to the caller
  // (DestroyIcon). Null when the file cannot be read.
  static HICON LoadIconA(const WCHAR* path);

  // The icon the desktop shows for files of that path's type, judged from the name alone (the
  // file need not exist). Belongs to the caller (DestroyIcon). Null when no GUI application
  // runs or the path is null.
  static HICON GetFileTypeIcon(const WCHAR* path);
};
