// Notification-area icons over QSystemTrayIcon, one per (owner window, identifier).
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define NIM_ADD 0x00000000u
#define NIM_MODIFY 0x00000001u
#define NIM_DELETE 0x00000002u

#define NIF_MESSAGE 0x00000001u
#define NIF_ICON 0x00000002u
#define NIF_TIP 0x00000004u

// The notification-icon record in its first form: `cbSize` holds 152, that form's size.
struct NOTIFYICONDATAW {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  WCHAR szTip[64];
};

#define NOTIFYICONDATAW_V1_SIZE 152

// NIM_ADD shows a new icon (with the record's icon and tip where its flags say so), NIM_MODIFY
// updates the icon and tip of the icon added for the same window and identifier, NIM_DELETE
// removes it. With NIF_MESSAGE at NIM_ADD, clicks on the icon are posted to hWnd as
// uCallbackMessage, wParam uID and lParam the mouse message (0x0202 left button up, 0x0203 left
// double click, 0x0205 right button up, 0x0208 middle button up).
// FALSE when the desktop has no notification area (or no QApplication runs),
// when adding twice, or when modifying or removing an icon that was not added.
ZAMRA_PLATFORM_API BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data);
