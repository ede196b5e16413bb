// The files the map tools were given, with each .zip archive replaced by the shapefiles in it,
// and each file of another format replaced by its layers (one per table and kind).
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "view/shapefile_archive.h"
#include "view/vector_source.h"

// What the tools say about a file of another format that cannot be read.
inline const char* VectorProblem(ZamraVectorStatus status)
{
  switch (status) {
  case ZamraVectorStatus::Ok:
    return nullptr;
  case ZamraVectorStatus::NoGdal:
    return "not a shapefile, and the GDAL library that reads other formats is not installed";
  case ZamraVectorStatus::CannotOpen:
    return "cannot open the file (missing, unreadable or not a vector format GDAL reads)";
  case ZamraVectorStatus::Damaged:
    return "the file is damaged: reading its features failed";
  case ZamraVectorStatus::NoGeometry:
    return "the file holds no points, lines or polygons";
  case ZamraVectorStatus::TooLarge:
    return "the file is too large to read into memory";
  case ZamraVectorStatus::Stopped:
    return "reading was given up";
  }
  return nullptr;
}

// `files` as they are, except that an archive (a regular file named *.zip) becomes the one path
// of each shapefile it holds; an archive that cannot be read is reported on the error output
// with `program`'s name and counts in *failures.
inline std::vector<std::string> ExpandArchives(const std::vector<std::string>& files, const char* program,
                                               int* failures)
{
  std::vector<std::string> expanded;
  for (const std::string& file : files) {
    std::vector<std::string> members;
    if (ZamraVectorSource::IsVectorSource(file)) {
      std::vector<ZamraVectorLayer> layers;
      std::string source, table;
      int type = 0;
      if (ZamraVectorSource::SplitLayerPath(file, source, table, type)) {
        expanded.push_back(file);  // one layer named already
      } else if (const char* problem = VectorProblem(ZamraVectorSource::ListLayers(file, layers))) {
        std::fprintf(stderr, "%s: %s: %s\n", program, file.c_str(), problem);
        ++*failures;
      } else {
        for (const ZamraVectorLayer& layer : layers)
          expanded.push_back(layer.path);
      }
      continue;
    }
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
