// The last four shapefiles added as layers, newest first, kept in the settings store's recent
// file list ("Recent File List", File1 .. File4) beside the language.
// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

namespace mapory {

// The list as stored (no empty entries, at most four).
QStringList RecentLayers();
// Puts `path` at the top of the list (moving it there when it is already in it) and keeps
// four entries.
void AddRecentLayer(const QString& path);

}  // namespace mapory
