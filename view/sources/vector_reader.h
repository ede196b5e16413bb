// Private: a table of a source GDAL reads, turned into the files of a shapefile held in memory
// (.shp and .dbf), so that the one loader of the view's layers reads every format alike.
//
// Geometry: multi-geometries become parts, curves are linearised, a collection gives each of its
// members to the layer of their kind, Z and M are dropped; rings are closed. Attributes: integers (64-bit ones
// too) and reals are number fields written in a form that reads back exactly; dates and times
// are ISO 8601 text; lists are JSON text; text stays as GDAL gives it, UTF-8 where the driver
// says so (the table then says UTF-8, as a .cpg would).
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "view/vector_source.h"
#include "sources/archive_members.h"
#include "sources/converted_source.h"

namespace zamra::view {

// One layer read from a source.
struct VectorLayerFiles {
  ShapefileBytes files;    // files.prj holds the table's coordinate system as WKT, when it has one
  int type = 0;            // 1, 3 or 5
  ConvertedSource source;  // the format's name, the layer's and the table's
};

// The layers of `source` (see ZamraVectorSource::ListLayers).
ZamraVectorStatus ListVectorLayers(const std::string& source, std::vector<ZamraVectorLayer>& layers);
// Reads the layer a path names: a source of one layer, or a "SOURCE|TABLE|KIND" path. A source of
// several layers is NoGeometry here: its layers are to be named one by one. A set `stop` flag
// (set by another thread) ends the reading early with Stopped.
ZamraVectorStatus ReadVectorLayer(const std::string& path, VectorLayerFiles& layer,
                                  const std::atomic<bool>* stop = nullptr);
// The word for a layer type in layer paths and titles: "points", "lines", "polygons" ("" for others).
const char* VectorKindWord(int type);

}  // namespace zamra::view
