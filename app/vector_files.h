// The program's side of the formats read through GDAL: the Add Layer dialog's filters, and what
// the user is told when a file of such a format cannot be read.
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include "view/vector_source.h"

namespace mapory {

// "All vector files" first, then one filter per family of formats (shapefiles and .zip archives
// first among them), then all files.
QStringList VectorFileFilters();
// Whether a file's name is one of the patterns of the filters (a .zip's included), by extension.
bool IsVectorFileName(const QString& path);
// The message for a source that cannot be read, in the current language.
QString VectorProblem(ZamraVectorStatus status);

}  // namespace mapory
