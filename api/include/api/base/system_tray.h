// ZMSystemTray: one icon in the desktop's notification area.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/shell_notify.h"
#include "platform/win_types.h"

/// One icon in the desktop's notification area.
class ZAMRA_API ZMSystemTray {
public:
  ZMSystemTray();
  virtual ~ZMSystemTray() = default;
  ZMSystemTray(const ZMSystemTray&) = default;
  ZMSystemTray& operator=(const ZMSystemTray&) = default;

  // Fills the record (flags: NIF_MESSAGE always, NIF_ICON with an icon, NIF_TIP with a tip;
  // the tip is cut to 63 characters) and adds the icon to the notification area. TRUE when
  // the desktop showed it; FALSE where there is no notification area. The icon stays the
  // caller's.
  BOOL Create(HWND owner, UINT callbackMessage, HICON icon, const WCHAR* tip, UINT id);

  // Shows another icon; only takes effect when Create was given an icon (the flags are kept).
  BOOL ChangeIcon(HICON icon);

  // Removes the icon from the notification area.
  BOOL Delete();

  // The notification-icon record as Create left it.
  const NOTIFYICONDATAW& GetData() const { return m_data; }

private:
  NOTIFYICONDATAW m_data;
};
