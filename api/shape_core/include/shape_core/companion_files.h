// Private: the names of the files that travel with a .shp (.shx, .dbf, .cpg, .prj). Not part of
// the library's interface.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace zamra::shape {

// The path up to the last "." of its file name; false when the file name has none (a "." in a
// folder name does not count).
bool BaseOfPath(const std::string& path, std::string& base);

// The companion of `shpPath` with `extension` (".shx", ".dbf", ".cpg", ".prj"), in the letter
// case of the .shp's own extension (files copied from other systems come as ".SHP", ".SHX"),
// or in the other case when only that one exists. Empty when `shpPath` has no extension.
std::string CompanionPath(const std::string& shpPath, const char* extension);

// The .shp a path names: for the .shx or .dbf of a shapefile (any letter case) whose .shp
// exists, that .shp; any other path as it is. Every way of adding a layer goes through this,
// so that a user who picks the wrong file of the three still gets the shapefile.
std::string ShapefileOfPath(const std::string& path);

}  // namespace zamra::shape
