// ConvertedSource: where a layer read from another format than the shapefile came from.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

namespace zamra::view {

// Where a layer read from another format came from.
struct ConvertedSource {
  std::string format;                    // the format's name ("GeoPackage")
  std::string name;                      // what GetName gives: the file's name, or the table's and its kind
  std::string table;                     // the table's name in the file
  std::vector<std::string> columnNames;  // the fields' whole names, which a .dbf cuts to 10 bytes
};

}  // namespace zamra::view
