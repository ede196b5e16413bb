// The recent layers in the settings store.
// SPDX-License-Identifier: MIT
#include "recent_layers.h"

#include <QSettings>

#include "mapory_app.h"
#include "resource_ids.h"

namespace mapory {

namespace {

QString Key(int number) { return QStringLiteral("Recent File List/File%1").arg(number); }

}  // namespace

QStringList RecentLayers()
{
  QSettings settings = CMaporyApp::Settings();
  QStringList paths;
  for (int number = 1; number <= kRecentLayerCount; ++number) {
    const QString path = settings.value(Key(number)).toString();
    if (!path.isEmpty() && !paths.contains(path))
      paths << path;
  }
  return paths;
}

void AddRecentLayer(const QString& path)
{
  if (path.isEmpty())
    return;
  QStringList paths = RecentLayers();
  paths.removeAll(path);
  paths.prepend(path);
  QSettings settings = CMaporyApp::Settings();
  for (int number = 1; number <= kRecentLayerCount; ++number) {
    if (number <= paths.size())
      settings.setValue(Key(number), paths[number - 1]);
    else
      settings.remove(Key(number));
  }
  settings.sync();
}

}  // namespace mapory
