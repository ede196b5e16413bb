// ZamraArchive: shapefiles inside .zip archives, as the view opens them. A shapefile in an
// archive is named by one path, the archive's path followed by the member's path inside it
// ("/data/roads.zip/2024/roads.shp"); IZamraView::AddLayer takes such a path like any other,
// and the layer's GetPath gives it back. The members are read into memory, never unpacked;
// member names are libzip's guess of their encoding, as UTF-8. Nothing is kept between calls.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "view/zamra_view_export.h"

// What an archive turned out to be.
enum class ZamraArchiveStatus {
  Ok,
  CannotOpen,   // missing, unreadable, or not a zip archive
  Damaged,      // inconsistent, or a member fails its checks or cannot be read whole
  UnsafePath,   // a member named with "..", from the root or with a drive: refused whole
  TooLarge,     // a member larger than a shapefile can be (2 GiB), or memory runs out
  NoShapefile,  // a sound archive without any .shp
};

/// Shapefiles inside .zip archives, named by the archive's path followed by the member's.
class ZAMRA_VIEW_API ZamraArchive {
public:
  // Whether `path` ends in ".zip" (any letter case): an archive rather than a file in one.
  static bool IsArchive(const std::string& path);
  // Splits a path into the archive and the member inside it, at the first folder of the path
  // that is a regular file named *.zip (the disk is looked at). False when the path has none
  // (both left empty) or nothing follows it (`archive` set, `member` empty).
  static bool SplitMemberPath(const std::string& path, std::string& archive, std::string& member);
  // The one path of `member` inside `archive`: the two joined by "/", unchecked.
  static std::string MemberPath(const std::string& archive, const std::string& member);
  // The .shp members (any letter case) of the archive, in the archive's order, in `members`;
  // NoShapefile when there is none. Any status but Ok leaves `members` empty.
  static ZamraArchiveStatus ListShapefiles(const std::string& archive, std::vector<std::string>& members);
  // Why the shapefile at a member path does not load, as far as the archive goes: Ok when the
  // .shp and the companions beside it read whole (the fault is then in the shapefile itself),
  // CannotOpen for a path that names no .shp member of an archive. Reads the files again: meant
  // for after a failed load.
  static ZamraArchiveStatus CheckMember(const std::string& memberPath);
};
