// Icon handles: a checked table of Qt icons.
// SPDX-License-Identifier: MIT
#include "platform/icon.h"

#include <mutex>
#include <new>
#include <unordered_set>

#include <QIcon>

namespace {

struct IconObject {
  QIcon icon;
  bool shared;
};

std::mutex g_iconMutex;

std::unordered_set<const void*>& LiveIcons()
{
  static auto* icons = new std::unordered_set<const void*>();
  return *icons;
}

HICON NewIcon(const QIcon& icon, bool shared)
{
  if (icon.isNull())
    return nullptr;
  auto* object = new (std::nothrow) IconObject{icon, shared};
  if (object == nullptr)
    return nullptr;
  std::lock_guard<std::mutex> lock(g_iconMutex);
  LiveIcons().insert(object);
  return reinterpret_cast<HICON>(object);
}

}  // namespace

HICON CreateIconFromQIcon(const QIcon& icon) { return NewIcon(icon, false); }

HICON CreateSharedIconFromQIcon(const QIcon& icon) { return NewIcon(icon, true); }

QIcon IconFromHandle(HICON icon)
{
  std::lock_guard<std::mutex> lock(g_iconMutex);
  if (icon == nullptr || LiveIcons().count(icon) == 0)
    return QIcon();
  return reinterpret_cast<IconObject*>(icon)->icon;
}

BOOL DestroyIcon(HICON icon)
{
  IconObject* object = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_iconMutex);
    if (icon == nullptr || LiveIcons().count(icon) == 0)
      return FALSE;
    object = reinterpret_cast<IconObject*>(icon);
    if (object->shared)
      return TRUE;
    LiveIcons().erase(icon);
  }
  delete object;
  return TRUE;
}
