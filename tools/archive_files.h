// The files the map tools were given, with each .zip archive replaced by the shapefiles in it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "view/shapefile_archive.h"

// `files` as they are, except that an archive (a regular file named *.zip) becomes the one path
// of each shapefile it holds; an archive that cannot be read is reported on the error output
// with `program`'s name and counts in *failures.
inline std::vector<std::string> ExpandArchives(const std::vector<std::string>& files, const char* program,
                                               int* failures)
{
  std::vector<std::string> expanded;
  for (const std::string& file : files) {
    std::vector<std::string> members;
    if (!ZamraArchive::IsArchive(file)) {
      expanded.push_back(file);
      continue;
    }
    const char* problem = nullptr;
    switch (ZamraArchive::ListShapefiles(file, members)) {
    case ZamraArchiveStatus::Ok:
      break;
    case ZamraArchiveStatus::CannotOpen:
      problem = "cannot open the archive (missing, unreadable or not a zip archive)";
      break;
    case ZamraArchiveStatus::Damaged:
      problem = "the archive is damaged";
      break;
    case ZamraArchiveStatus::UnsafePath:
      problem = "the archive names a file outside its folders (\"..\" or from the root); not read";
      break;
    case ZamraArchiveStatus::TooLarge:
      problem = "a file in the archive is too large to read into memory";
      break;
    case ZamraArchiveStatus::NoShapefile:
      problem = "the archive holds no shapefile";
      break;
    }
    if (problem != nullptr) {
      std::fprintf(stderr, "%s: %s: %s\n", program, file.c_str(), problem);
      ++*failures;
      continue;
    }
    for (const std::string& member : members)
      expanded.push_back(ZamraArchive::MemberPath(file, member));
  }
  return expanded;
}
