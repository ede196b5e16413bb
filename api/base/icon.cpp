// ZMIcon: icons through Qt's icon themes, styles and image readers.
// SPDX-License-Identifier: MIT
#include "api/base/icon.h"

#include <map>
#include <mutex>

#include <QApplication>
#include <QIcon>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPixmap>
#include <QStyle>

#include "platform/application_kind.h"

namespace {

QString WideText(const WCHAR* text)
{
  qsizetype length = 0;
  while (text[length] != 0)
    ++length;
  return QString::fromUtf16(text, length);
}

// The theme's icon, else the style's standard one (styles need a widget application).
QIcon ThemeOrStyleIcon(const QString& themeName, QStyle::StandardPixmap fallback)
{
  QIcon icon = QIcon::fromTheme(themeName);
  if (icon.isNull() && zamra::platform::HaveWidgetApplication())
    icon = QApplication::style()->standardIcon(fallback);
  return icon;
}

std::mutex g_predefinedMutex;

}  // namespace

HICON ZMIcon::LoadIconA(unsigned number)
{
  if (!zamra::platform::HaveGuiApplication())
    return nullptr;
  std::lock_guard<std::mutex> lock(g_predefinedMutex);
  static std::map<unsigned, HICON> loaded;  // shared icons, made once each
  const auto found = loaded.find(number);
  if (found != loaded.end())
    return found->second;
  QIcon icon;
  switch (number) {
  case IDI_APPLICATION:
    icon = ThemeOrStyleIcon("application-x-executable", QStyle::SP_TitleBarMenuButton);
    break;
  case IDI_HAND:
    icon = ThemeOrStyleIcon("dialog-error", QStyle::SP_MessageBoxCritical);
    break;
  case IDI_QUESTION:
    icon = ThemeOrStyleIcon("dialog-question", QStyle::SP_MessageBoxQuestion);
    break;
  case IDI_EXCLAMATION:
    icon = ThemeOrStyleIcon("dialog-warning", QStyle::SP_MessageBoxWarning);
    break;
  case IDI_ASTERISK:
    icon = ThemeOrStyleIcon("dialog-information", QStyle::SP_MessageBoxInformation);
    break;
  case IDI_WINLOGO:
    icon = ThemeOrStyleIcon("computer", QStyle::SP_ComputerIcon);
    break;
  case IDI_SHIELD:
    icon = ThemeOrStyleIcon("security-high", QStyle::SP_VistaShield);
    break;
  default:
    return nullptr;
  }
  HICON handle = CreateSharedIconFromQIcon(icon);
  if (handle != nullptr)
    loaded[number] = handle;
  return handle;
}

HICON ZMIcon::LoadIconA(const WCHAR* path)
{
  if (path == nullptr || !zamra::platform::HaveGuiApplication())
    return nullptr;
  const QImage image = QImageReader(WideText(path)).read();
  if (image.isNull())
    return nullptr;
  return CreateIconFromQIcon(QIcon(QPixmap::fromImage(image)));
}

HICON ZMIcon::GetFileTypeIcon(const WCHAR* path)
{
  if (path == nullptr || !zamra::platform::HaveGuiApplication())
    return nullptr;
  const QMimeType type = QMimeDatabase().mimeTypeForFile(WideText(path), QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull())
    icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull())
    icon = ThemeOrStyleIcon("text-x-generic", QStyle::SP_FileIcon);  // a plain file
  return CreateIconFromQIcon(icon);
}
