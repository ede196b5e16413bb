// Notification-area icons: a table of QSystemTrayIcon by owner window and identifier.
// SPDX-License-Identifier: MIT
#include "platform/shell_notify.h"

#include <map>
#include <memory>
#include <utility>

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QWidget>

#include "platform/application_kind.h"
#include "platform/icon.h"
#include "platform/window_message.h"

namespace {

using TrayKey = std::pair<HWND, UINT>;

std::map<TrayKey, std::unique_ptr<QSystemTrayIcon>>& TrayIcons()
{
  static auto* icons = new std::map<TrayKey, std::unique_ptr<QSystemTrayIcon>>();
  return *icons;
}

QString TipText(const NOTIFYICONDATAW& data)
{
  qsizetype length = 0;
  while (length < 63 && data.szTip[length] != 0)
    ++length;
  return QString::fromUtf16(data.szTip, length);
}

void Apply(QSystemTrayIcon& tray, const NOTIFYICONDATAW& data)
{
  if ((data.uFlags & NIF_ICON) != 0)
    tray.setIcon(IconFromHandle(data.hIcon));
  if ((data.uFlags & NIF_TIP) != 0)
    tray.setToolTip(TipText(data));
}

// Mouse messages a tray icon reports to its owner, as the second message parameter.
constexpr LPARAM kLeftButtonUp = 0x0202;
constexpr LPARAM kLeftButtonDoubleClick = 0x0203;
constexpr LPARAM kRightButtonUp = 0x0205;
constexpr LPARAM kMiddleButtonUp = 0x0208;

// Clicks on the icon reach the owner window as its callback message, posted in order.
void ConnectCallback(QSystemTrayIcon& tray, const NOTIFYICONDATAW& data)
{
  if ((data.uFlags & NIF_MESSAGE) == 0 || data.hWnd == nullptr)
    return;
  QPointer<QWidget> owner(data.hWnd);
  const UINT message = data.uCallbackMessage;
  const UINT id = data.uID;
  QObject::connect(&tray, &QSystemTrayIcon::activated, [owner, message, id](QSystemTrayIcon::ActivationReason reason) {
    LPARAM mouse = kLeftButtonUp;
    if (reason == QSystemTrayIcon::DoubleClick)
      mouse = kLeftButtonDoubleClick;
    else if (reason == QSystemTrayIcon::Context)
      mouse = kRightButtonUp;
    else if (reason == QSystemTrayIcon::MiddleClick)
      mouse = kMiddleButtonUp;
    if (owner)
      PostMessage(owner.data(), message, id, mouse);
  });
}

}  // namespace

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data)
{
  // Tray icons are widgets of the user-interface thread's application.
  if (data == nullptr || !zamra::platform::HaveWidgetApplication() || !QSystemTrayIcon::isSystemTrayAvailable())
    return FALSE;
  const TrayKey key{data->hWnd, data->uID};
  auto& icons = TrayIcons();
  const auto found = icons.find(key);
  switch (message) {
  case NIM_ADD: {
    if (found != icons.end())
      return FALSE;
    auto tray = std::make_unique<QSystemTrayIcon>();
    Apply(*tray, *data);
    ConnectCallback(*tray, *data);
    tray->show();
    icons.emplace(key, std::move(tray));
    return TRUE;
  }
  case NIM_MODIFY:
    if (found == icons.end())
      return FALSE;
    Apply(*found->second, *data);
    return TRUE;
  case NIM_DELETE:
    if (found == icons.end())
      return FALSE;
    icons.erase(found);
    return TRUE;
  default:
    return FALSE;
  }
}
