// Private: the files of one shapefile read from a .zip archive into memory, for the same
// reader that takes them from disk.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "shape_core/file_block.h"
#include "view/shapefile_archive.h"

namespace zamra::view {

// The .shp and whichever companions the archive holds beside it (same folder, same base name,
// the extension in either letter case).
struct ShapefileBytes {
  FileBytes shp;
  FileBytes shx;  // size 0 when the archive has none
  FileBytes dbf;
  bool hasDbf = false;
  std::string cpg;  // the .cpg's text, empty when there is none
  std::string prj;  // the .prj's text, empty when there is none
  bool hasPrj = false;
};

// Reads member `member` (a .shp) of `archive` and its companions. Ok, or why not: a missing
// member is CannotOpen.
ZamraArchiveStatus ReadArchiveShapefile(const std::string& archive, const std::string& member, ShapefileBytes& files);

}  // namespace zamra::view
