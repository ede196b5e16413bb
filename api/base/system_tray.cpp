// ZMSystemTray: the notification-icon record and its three requests.
// SPDX-License-Identifier: MIT
#include "api/base/system_tray.h"

#include <cstring>

ZMSystemTray::ZMSystemTray() { std::memset(&m_data, 0, sizeof m_data); }

BOOL ZMSystemTray::Create(HWND owner, UINT callbackMessage, HICON icon, const WCHAR* tip, UINT id)
{
  std::memset(&m_data, 0, sizeof m_data);
  m_data.uID = id;
  m_data.hWnd = owner;
  m_data.cbSize = NOTIFYICONDATAW_V1_SIZE;
  m_data.hIcon = icon;
  m_data.uCallbackMessage = callbackMessage;
  m_data.uFlags = NIF_MESSAGE;
  if (icon != nullptr)
    m_data.uFlags |= NIF_ICON;
  if (tip != nullptr) {
    m_data.uFlags |= NIF_TIP;
    // The record holds 63 characters and the terminator; longer tips are cut.
    const std::size_t capacity = sizeof m_data.szTip / sizeof m_data.szTip[0] - 1;
    std::size_t length = 0;
    while (length < capacity && tip[length] != 0) {
      m_data.szTip[length] = tip[length];
      ++length;
    }
  }
  return Shell_NotifyIconW(NIM_ADD, &m_data);
}

BOOL ZMSystemTray::ChangeIcon(HICON icon)
{
  m_data.hIcon = icon;
  return Shell_NotifyIconW(NIM_MODIFY, &m_data);
}

BOOL ZMSystemTray::Delete() { return Shell_NotifyIconW(NIM_DELETE, &m_data); }
