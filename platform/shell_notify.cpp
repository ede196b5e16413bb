// Notification-area icons: a table of QSystemTrayIcon by owner window and identifier.
#include "platform/shell_notify.h"

#include <map>
#include <memory>
#include <utility>

#include <QApplication>
#include <QIcon>
#include <QString>
#include <QSystemTrayIcon>

#include "platform/icon.h"

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

} // namespace

BOOL Shell_NotifyIconW(DWORD message, NOTIFYICONDATAW* data)
{
  // Tray icons are widgets of the user-interface thread's application.
  if (data == nullptr || qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr ||
      !QSystemTrayIcon::isSystemTrayAvailable())
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
