// Filters and messages for the formats read through GDAL.
// SPDX-License-Identifier: MIT
#include "vector_files.h"

#include <QFileInfo>

#include "resource_table.h"

namespace mapory {

namespace {

struct Family {
  const char* key;       // the family's name in the text files
  const char* patterns;  // its files
};

// The families whose files the Add Layer dialog offers; others GDAL reads open from "All files".
const Family kFamilies[] = {
    {"vector_filter_shapefile", "*.shp *.zip"},
    {"vector_filter_geopackage", "*.gpkg"},
    {"vector_filter_geojson", "*.geojson *.json *.geojsonl *.geojsons"},
    {"vector_filter_flatgeobuf", "*.fgb"},
    {"vector_filter_kml", "*.kml *.kmz"},
    {"vector_filter_gpx", "*.gpx"},
    {"vector_filter_gml", "*.gml"},
    {"vector_filter_mapinfo", "*.tab *.mif"},
    {"vector_filter_csv", "*.csv"},
};

QString Text(const char* key) { return CResourceTable::Current().Text(QString::fromLatin1(key)); }

}  // namespace

QStringList VectorFileFilters()
{
  QStringList filters;
  QString all;
  for (const Family& family : kFamilies) {
    const QString patterns = QString::fromLatin1(family.patterns);
    all += (all.isEmpty() ? QString() : QStringLiteral(" ")) + patterns;
    filters << Text(family.key) + QStringLiteral(" (") + patterns + QStringLiteral(")");
  }
  filters.prepend(Text("vector_filter_all") + QStringLiteral(" (") + all + QStringLiteral(")"));
  filters << Text("vector_filter_any") + QStringLiteral(" (*)");
  return filters;
}

bool IsVectorFileName(const QString& path)
{
  const QString name = QFileInfo(path).fileName().toLower();
  for (const Family& family : kFamilies)
    for (const QString& pattern : QString::fromLatin1(family.patterns).split(QLatin1Char(' ')))
      if (name.endsWith(pattern.mid(1)))  // "*.gpkg": the name ends in ".gpkg"
        return true;
  return false;
}

QString VectorProblem(ZamraVectorStatus status)
{
  switch (status) {
  case ZamraVectorStatus::Ok:
    break;
  case ZamraVectorStatus::NoGdal:
    return Text("vector_no_gdal");
  case ZamraVectorStatus::CannotOpen:
    return Text("vector_cannot_open");
  case ZamraVectorStatus::Damaged:
    return Text("vector_damaged");
  case ZamraVectorStatus::NoGeometry:
    return Text("vector_no_geometry");
  case ZamraVectorStatus::TooLarge:
    return Text("vector_too_large");
  case ZamraVectorStatus::Stopped:
    break;  // the user gave it up: nothing to explain
  }
  return Text("open_file_false");
}

}  // namespace mapory
