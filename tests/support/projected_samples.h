// Shapefiles in projected and other coordinate systems, as city and national data portals hand
// them out: written by pyshp, their .prj by PROJ's projinfo, and their coordinates computed
// from chosen WGS 84 longitudes/latitudes by PROJ's cs2cs. Beside each NAME.shp, NAME.lonlat
// lists the WGS 84 longitude/latitude of every vertex ("record lon lat" a line, in file order);
// a record without lines there has a vertex no system can hold.
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/python_script.h"
#include "support/temp_dir.h"

namespace zamra_test {

// The files, one per situation:
//  utm33_polygons    UTM zone 33N (ESRI WKT): squares of 0.02 degrees round Berlin, Vienna and
//                    Prague, then a ring with a vertex at an easting of 1e10 metres
//  utm33_multipoints the same zone: Berlin and Prague as one record, then a record with a point
//                    at an easting of 1e10 metres
//  stateplane_points New York Long Island State Plane in US survey feet (ESRI WKT): the Empire
//                    State Building, the Statue of Liberty, JFK airport
//  tokyo_lines       the Tokyo datum's geographic system (OGC WKT 1): two streets of Tokyo
//  wgs84_polygons    WGS 84 (ESRI WKT): the numbers are longitude/latitude already
//  bad_prj_polygons  a .prj no one can read; noprj_polygons without one (both: a square at 5..6 E,
//                    45..46 N taken as it is)
inline const char* const kWriteProjectedSamples = R"(
import shapefile, subprocess, sys
folder = sys.argv[1]

def run(args, text=None):
    return subprocess.run(args, input=text, capture_output=True, text=True, check=True).stdout

def write_prj(name, text):
    with open(folder + '/' + name + '.prj', 'w') as out:
        out.write(text)

def prj(name, code, flavour):
    write_prj(name, run(['projinfo', code, '-o', flavour, '-q', '--single-line']).strip())

# WGS 84 longitude/latitude into the file's system, as PROJ's own tool does it. EPSG:4326 and
# geographic systems take latitude first.
def forward(code, points, lat_first):
    text = ''.join('%.12f %.12f\n' % (lat, lon) for lon, lat in points)
    result = []
    for line in run(['cs2cs', '-f', '%.10f', 'EPSG:4326', code], text).splitlines():
        a, b = (float(v) for v in line.split()[:2])
        result.append((b, a) if lat_first else (a, b))
    return result

def square(lon, lat, size):
    # closed and clockwise, as shapefile outer rings go
    return [(lon, lat), (lon, lat + size), (lon + size, lat + size), (lon + size, lat), (lon, lat)]

def write(name, kind, records, code, lat_first):
    # records: (label, [lonlat part, ...] or None for raw parts, raw parts)
    w = shapefile.Writer(folder + '/' + name, shapeType=kind)
    w.field('name', 'C', 20)
    with open(folder + '/' + name + '.lonlat', 'w') as known:
        for index, (label, parts, raw) in enumerate(records):
            if parts is not None:
                file_parts = [forward(code, p, lat_first) if code else p for p in parts]
                for p in parts:
                    for lon, lat in p:
                        known.write('%d %.12f %.12f\n' % (index, lon, lat))
            else:
                file_parts = raw
            if kind == shapefile.POINT:
                w.point(*file_parts[0][0])
            elif kind == shapefile.MULTIPOINT:
                w.multipoint([list(p) for p in file_parts[0]])
            elif kind == shapefile.POLYLINE:
                w.line([list(map(list, p)) for p in file_parts])
            else:
                w.poly([list(map(list, p)) for p in file_parts])
            w.record(label)
    w.close()

write('utm33_polygons', shapefile.POLYGON, [
    ('Berlin', [square(13.39, 52.51, 0.02)], None),
    ('Vienna', [square(16.36, 48.20, 0.02)], None),
    ('Prague', [square(14.41, 50.07, 0.02)], None),
    ('Outside', None, [[(400000, 5000000), (400000, 5010000), (1e10, 5010000), (410000, 5000000), (400000, 5000000)]]),
], 'EPSG:32633', False)
prj('utm33_polygons', 'EPSG:32633', 'WKT1_ESRI')

write('utm33_multipoints', shapefile.MULTIPOINT, [
    ('Pair', [[(13.40, 52.52), (14.42, 50.08)]], None),
    ('Outside', None, [[(500000, 5000000), (1e10, 5000000)]]),
], 'EPSG:32633', False)
prj('utm33_multipoints', 'EPSG:32633', 'WKT1_ESRI')

write('stateplane_points', shapefile.POINT, [
    ('Empire State', [[(-73.985656, 40.748433)]], None),
    ('Liberty', [[(-74.044502, 40.689247)]], None),
    ('JFK', [[(-73.778925, 40.641311)]], None),
], 'EPSG:2263', False)
prj('stateplane_points', 'EPSG:2263', 'WKT1_ESRI')

write('tokyo_lines', shapefile.POLYLINE, [
    ('Yasukuni', [[(139.7440, 35.6940), (139.7550, 35.6955), (139.7700, 35.6960)]], None),
    ('Harumi', [[(139.7630, 35.6720), (139.7700, 35.6660), (139.7800, 35.6580)]], None),
], 'EPSG:4301', True)
prj('tokyo_lines', 'EPSG:4301', 'WKT1_GDAL')

write('wgs84_polygons', shapefile.POLYGON, [('Plain', [square(5, 45, 1)], None)], None, False)
prj('wgs84_polygons', 'EPSG:4326', 'WKT1_ESRI')
write('bad_prj_polygons', shapefile.POLYGON, [('Plain', [square(5, 45, 1)], None)], None, False)
write_prj('bad_prj_polygons', 'PROJCS["Nowhere",GEOGCS[broken')
write('noprj_polygons', shapefile.POLYGON, [('Plain', [square(5, 45, 1)], None)], None, False)
print('written')
)";

// Writes the files into `dir`; the script's output when it failed, else empty.
inline std::string WriteProjectedSamples(const TempDir& dir)
{
  int status = -1;
  const std::string output = RunPython(dir, kWriteProjectedSamples, "'" + dir.Path() + "'", &status);
  return status == 0 ? std::string() : "pyshp/PROJ writer failed: " + output;
}

struct KnownVertex {
  int record;
  double lon, lat;
};

// The WGS 84 vertices listed beside `shpPath` (NAME.lonlat), in file order.
inline std::vector<KnownVertex> ReadKnownVertices(const std::string& shpPath)
{
  std::vector<KnownVertex> vertices;
  std::ifstream in(shpPath.substr(0, shpPath.size() - 4) + ".lonlat");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    KnownVertex vertex{};
    if (fields >> vertex.record >> vertex.lon >> vertex.lat)
      vertices.push_back(vertex);
  }
  return vertices;
}

// Ground distance in metres between two longitude/latitude points a short way apart.
inline double GroundMetres(double lon1, double lat1, double lon2, double lat2)
{
  constexpr double kMetresPerDegree = 111319.49;  // on the WGS 84 equator; close enough at 1 m
  const double dx = (lon2 - lon1) * std::cos((lat1 + lat2) * 0.5 * M_PI / 180.0) * kMetresPerDegree;
  const double dy = (lat2 - lat1) * kMetresPerDegree;
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace zamra_test
