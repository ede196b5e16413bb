// ZamraVectorSource: files of the vector formats GDAL reads (GeoPackage, GeoJSON, FlatGeobuf,
// KML, GPX, GML, MapInfo, CSV, ...), as the view opens them. Shapefiles are read by the view
// itself and never come here. GDAL is opened the first time one of these files is added, so a
// machine without it still opens shapefiles.
//
// A source holds tables; a table's features may be points, lines, polygons or a mix. Each table
// and kind is one layer. A source that gives one layer is named by its own path; otherwise a
// layer is named "SOURCE|TABLE|KIND" (KIND: points, lines or polygons), which
// IZamraView::AddLayer takes like any other path and the layer's GetPath gives back.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "view/ilayer.h"
#include "view/zamra_view_export.h"

// What a source turned out to be.
enum class ZamraVectorStatus {
  Ok,
  NoGdal,      // the GDAL library cannot be opened on this machine
  CannotOpen,  // missing, unreadable, or not in a format GDAL reads
  Damaged,     // GDAL opened it but failed while reading its features
  NoGeometry,  // sound, but no table has points, lines or polygons (or not the one named)
  TooLarge,    // more than a layer can hold, or than memory holds
  Stopped,     // given up by the caller before the end
};

// One layer a source gives.
struct ZamraVectorLayer {
  std::string table;  // the table's name in the source
  int type = 0;       // the layer type: 1 points, 3 lines, 5 polygons
  std::string title;  // "roads (lines)", as a list of the source's layers shows it
  std::string path;   // the path that names the layer
};

/// A file of a vector format GDAL reads, listed as the layers (table and kind) the view can add.
class ZAMRA_VIEW_API ZamraVectorSource {
public:
  // Whether the view reads `path` through GDAL: any "SOURCE|TABLE|KIND" path, and anything else
  // but "", a shapefile (.shp, .shx, .dbf, any letter case), a .zip archive or a path into one.
  // Says nothing about whether the file exists or reads (the disk is looked at only to find a
  // path into an archive).
  static bool IsVectorSource(const std::string& path);
  // Whether GDAL can be opened (opening it on the first call).
  static bool IsAvailable();
  // The layers of `source`, table by table in the source's order, each table's kinds as points,
  // lines, polygons; a source of one layer gives its own path as that layer's. NoGdal without
  // GDAL. Any status but Ok leaves `layers` empty.
  static ZamraVectorStatus ListLayers(const std::string& source, std::vector<ZamraVectorLayer>& layers);
  // The path of one table and kind (1, 3 or 5) of a source, in the "SOURCE|TABLE|KIND" form;
  // another type gives an empty KIND, which SplitLayerPath refuses.
  static std::string LayerPath(const std::string& source, const std::string& table, int type);
  // Splits a "SOURCE|TABLE|KIND" path at its first and last bar (a table's name may hold bars);
  // false (strings empty, `type` 0) for any other path.
  static bool SplitLayerPath(const std::string& path, std::string& source, std::string& table, int& type);
  // Why the layer at `path` does not load: Ok when it reads (the fault was elsewhere), or the
  // status of the source; NoGeometry too for a source of several layers named by its own path.
  // Reads the source again: meant for after a failed load.
  static ZamraVectorStatus CheckLayer(const std::string& path);
  // The format a layer of the view was read from ("GeoPackage", "ESRI Shapefile") and the name
  // of its coordinate system ("" without a .prj or one PROJ cannot read). False, both "", for
  // null or a layer the view did not make.
  static bool DescribeLayer(ILayer* layer, std::string& format, std::string& coordinateSystem);
};
