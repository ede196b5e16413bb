// A second family of benchmark shapefiles, from another generator than sample_data.h, so that no
// figure rests on one kind of file: points in dense clusters, coastline-like polygons (ragged
// rings of varying length, with lakes as holes and islands as extra parts) and long rivers that
// wander across the map. Each comes at a scale of 1 (as large as the first family: 1,000,000
// points, 100,000 polygons, 20,000 rivers of some 5,000,000 vertices) or 10 (ten times that),
// with a table of other columns than the first family's. Written byte by byte, only when missing.
// SPDX-License-Identifier: MIT
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/sample_data.h"

namespace zamra_bench {

namespace coast_detail {

using detail::PutBig;
using detail::PutLittle;
using detail::Random;

struct Column {
  const char* name;
  char letter;
  int length;
  int decimals;
};

// A .dbf with `columns`; `fill` writes the fields of one record (after its deletion flag).
template <typename Fill>
std::vector<unsigned char> MakeTable(int rows, const std::vector<Column>& columns, Fill fill)
{
  int recordLength = 1;
  for (const Column& column : columns)
    recordLength += column.length;
  std::vector<unsigned char> out(32, 0);
  out[0] = 3;
  out[1] = 125;
  out[2] = 6;
  out[3] = 15;
  std::memcpy(&out[4], &rows, 4);
  const auto headerLength = static_cast<std::int16_t>(32 * columns.size() + 33);
  const auto record = static_cast<std::int16_t>(recordLength);
  std::memcpy(&out[8], &headerLength, 2);
  std::memcpy(&out[10], &record, 2);
  for (const Column& column : columns) {
    unsigned char bytes[32] = {};
    std::memcpy(bytes, column.name, std::strlen(column.name));
    bytes[11] = static_cast<unsigned char>(column.letter);
    bytes[16] = static_cast<unsigned char>(column.length);
    bytes[17] = static_cast<unsigned char>(column.decimals);
    out.insert(out.end(), bytes, bytes + 32);
  }
  out.push_back(0x0D);
  out.reserve(out.size() + static_cast<size_t>(rows) * static_cast<size_t>(recordLength) + 1);
  std::string fields;
  for (int row = 0; row < rows; ++row) {
    fields.clear();
    fill(row, fields);
    fields.resize(static_cast<size_t>(recordLength - 1), ' ');
    out.push_back(' ');
    out.insert(out.end(), fields.begin(), fields.end());
  }
  out.push_back(0x1A);
  return out;
}

// `text` left-aligned in `width` characters.
inline void PutText(std::string& fields, const std::string& text, size_t width)
{
  std::string cell = text.substr(0, width);
  cell.resize(width, ' ');
  fields += cell;
}

// `thousandths / 10^decimals` right-aligned in `width`, with integer arithmetic (no locale).
inline void PutFixed(std::string& fields, std::int64_t scaled, int decimals, int width)
{
  std::int64_t unit = 1;
  for (int i = 0; i < decimals; ++i)
    unit *= 10;
  char text[64];
  if (decimals == 0)
    std::snprintf(text, sizeof text, "%*lld", width, static_cast<long long>(scaled));
  else
    std::snprintf(text, sizeof text, "%*lld.%0*lld", width - decimals - 1, static_cast<long long>(scaled / unit),
                  decimals, static_cast<long long>(scaled % unit));
  fields += text;
}

const char* const kNames[] = {"North Shore", "Saltmarsh Bay", "Grey Cliffs", "Otter Creek", "Pine Point",
                              "Heron Lake",  "Kelp Reef",     "Mill Race",   "Stony Ford",  "Wren Island"};

// The table of the polygons and the rivers: NAME C(40), CLASS N(4,0), AREA N(19,6).
inline std::vector<unsigned char> FeatureTable(int rows, std::uint64_t seed)
{
  Random random(seed);
  return MakeTable(rows, {{"NAME", 'C', 40, 0}, {"CLASS", 'N', 4, 0}, {"AREA", 'N', 19, 6}},
                   [&random](int row, std::string& fields) {
                     PutText(fields, std::string(kNames[row % 10]) + " " + std::to_string(row / 10), 40);
                     PutFixed(fields, row % 17, 0, 4);
                     PutFixed(fields, static_cast<std::int64_t>(random.Next() * 1e12), 6, 19);
                   });
}

// Whole shapefile files from the records' contents (each: type, box, parts, points).
struct ShapeWriter {
  std::vector<unsigned char> shp, shx;
  double box[4] = {1e300, 1e300, -1e300, -1e300};
  int count = 0;

  void Add(std::int32_t type, const std::vector<std::vector<double>>& parts)  // parts of x,y,x,y...
  {
    std::int64_t points = 0;
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const auto& part : parts) {
      points += static_cast<std::int64_t>(part.size() / 2);
      for (size_t i = 0; i < part.size(); i += 2) {
        minX = std::min(minX, part[i]);
        maxX = std::max(maxX, part[i]);
        minY = std::min(minY, part[i + 1]);
        maxY = std::max(maxY, part[i + 1]);
      }
    }
    box[0] = std::min(box[0], minX);
    box[1] = std::min(box[1], minY);
    box[2] = std::max(box[2], maxX);
    box[3] = std::max(box[3], maxY);
    const auto content = static_cast<std::int32_t>(4 + 32 + 8 + 4 * parts.size() + 16 * points);
    PutBig(shx, static_cast<std::int32_t>((100 + shp.size()) / 2));
    PutBig(shx, content / 2);
    PutBig(shp, ++count);
    PutBig(shp, content / 2);
    PutLittle<std::int32_t>(shp, type);
    for (double value : {minX, minY, maxX, maxY})
      PutLittle(shp, value);
    PutLittle<std::int32_t>(shp, static_cast<std::int32_t>(parts.size()));
    PutLittle<std::int32_t>(shp, static_cast<std::int32_t>(points));
    std::int32_t start = 0;
    for (const auto& part : parts) {
      PutLittle<std::int32_t>(shp, start);
      start += static_cast<std::int32_t>(part.size() / 2);
    }
    for (const auto& part : parts)
      for (double value : part)
        PutLittle(shp, value);
  }

  bool Write(const std::string& base, std::int32_t type, const std::vector<unsigned char>& dbf) const
  {
    std::vector<unsigned char> shpFile, shxFile;
    detail::PutHeader(shpFile, type, 100 + static_cast<std::int64_t>(shp.size()), box);
    detail::PutHeader(shxFile, type, 100 + static_cast<std::int64_t>(shx.size()), box);
    shpFile.insert(shpFile.end(), shp.begin(), shp.end());
    shxFile.insert(shxFile.end(), shx.begin(), shx.end());
    return detail::WriteFileAtomically(base + ".dbf", dbf) && detail::WriteFileAtomically(base + ".shx", shxFile) &&
           detail::WriteFileAtomically(base + ".shp", shpFile);
  }
};

// A ragged ring around (x, y): `vertices` points whose radius wanders, closed; clockwise (an
// outer ring) or counter-clockwise (a hole).
inline std::vector<double> RaggedRing(Random& random, double x, double y, double radius, int vertices, bool clockwise)
{
  std::vector<double> ring;
  ring.reserve(static_cast<size_t>(vertices) * 2);
  double wander = 1.0;
  for (int i = 0; i < vertices - 1; ++i) {
    wander = std::clamp(wander + (random.Next() - 0.5) * 0.25, 0.6, 1.3);
    const double angle = (clockwise ? -2.0 : 2.0) * M_PI * i / (vertices - 1);
    ring.push_back(x + radius * wander * std::cos(angle));
    ring.push_back(y + radius * wander * std::sin(angle));
  }
  ring.push_back(ring[0]);
  ring.push_back(ring[1]);
  return ring;
}

}  // namespace coast_detail

inline std::string ScaledName(const char* name, int scale)
{
  return std::string(name) + "_" + std::to_string(scale) + "x";
}

// Points in 50 clusters per scale, Gaussian around their centres, over Europe's longitudes and
// latitudes; table CODE C(8), CATEGORY C(32), ELEV N(8,1), SEEN D.
inline std::string EnsureClusterPointSample(const std::string& folder, int scale)
{
  using namespace coast_detail;
  const std::string base = folder + "/" + ScaledName("cluster_points", scale);
  if (detail::SampleExists(base))
    return base + ".shp";
  const int count = 1000000 * scale, clusters = 50 * scale;
  Random random(11);
  std::vector<double> centres;
  for (int i = 0; i < clusters; ++i) {
    centres.push_back(-10.0 + 50.0 * random.Next());
    centres.push_back(35.0 + 35.0 * random.Next());
  }
  std::vector<unsigned char> shp, shx;
  shp.reserve(static_cast<size_t>(count) * 28);
  for (int index = 0; index < count; ++index) {
    const auto cluster = static_cast<size_t>(random.Next() * clusters);
    // Box-Muller: a normal spread of about half a degree.
    const double r = 0.5 * std::sqrt(-2.0 * std::log(1.0 - random.Next())), a = 2.0 * M_PI * random.Next();
    const double x = std::clamp(centres[2 * cluster] + r * std::cos(a), -179.0, 179.0);
    const double y = std::clamp(centres[2 * cluster + 1] + r * std::sin(a), -89.0, 89.0);
    PutBig(shx, static_cast<std::int32_t>((100 + shp.size()) / 2));
    PutBig(shx, 10);
    PutBig(shp, index + 1);
    PutBig(shp, 10);
    PutLittle<std::int32_t>(shp, 1);
    PutLittle(shp, x);
    PutLittle(shp, y);
  }
  const double box[4] = {-15.0, 30.0, 45.0, 75.0};
  std::vector<unsigned char> shpFile, shxFile;
  detail::PutHeader(shpFile, 1, 100 + static_cast<std::int64_t>(shp.size()), box);
  detail::PutHeader(shxFile, 1, 100 + static_cast<std::int64_t>(shx.size()), box);
  shpFile.insert(shpFile.end(), shp.begin(), shp.end());
  shxFile.insert(shxFile.end(), shx.begin(), shx.end());
  shp.clear();
  shp.shrink_to_fit();
  static const char* const kCategories[] = {"lighthouse", "harbour entrance buoy", "fishing hut", "radio mast",
                                            "birdwatching tower"};
  const std::vector<unsigned char> dbf = MakeTable(
      count, {{"CODE", 'C', 8, 0}, {"CATEGORY", 'C', 32, 0}, {"ELEV", 'N', 8, 1}, {"SEEN", 'D', 8, 0}},
      [&random](int row, std::string& fields) {
        char code[16];
        std::snprintf(code, sizeof code, "P%07d", row % 10000000);
        PutText(fields, code, 8);
        PutText(fields, kCategories[row % 5], 32);
        PutFixed(fields, static_cast<std::int64_t>(random.Next() * 30000) - 500, 1, 8);
        char date[16];
        std::snprintf(date, sizeof date, "2%03d%02d%02d", row % 30, 1 + row % 12, 1 + row % 28);
        fields += date;
      });
  const bool written = detail::WriteFileAtomically(base + ".dbf", dbf) &&
                       detail::WriteFileAtomically(base + ".shx", shxFile) &&
                       detail::WriteFileAtomically(base + ".shp", shpFile);
  return written ? base + ".shp" : "";
}

// Coastline-like polygons on a grid: a ragged outer ring of 24 to 120 vertices; three in ten
// with a lake (a hole), one in four with an island (a second outer ring beside it).
inline std::string EnsureCoastPolygonSample(const std::string& folder, int scale)
{
  using namespace coast_detail;
  const std::string base = folder + "/" + ScaledName("coast_polygons", scale);
  if (detail::SampleExists(base))
    return base + ".shp";
  const int count = 100000 * scale;
  const int columns = static_cast<int>(std::ceil(std::sqrt(count * 1.4)));
  const double cellWidth = 50.0 / columns, cellHeight = 35.0 / ((count + columns - 1) / columns);
  Random random(13);
  ShapeWriter writer;
  writer.shp.reserve(static_cast<size_t>(count) * 1400);
  for (int index = 0; index < count; ++index) {
    const double x = -10.0 + (index % columns + 0.5) * cellWidth;
    const double y = 35.0 + (index / columns + 0.5) * cellHeight;
    const double radius = 0.3 * std::min(cellWidth, cellHeight);
    std::vector<std::vector<double>> parts;
    parts.push_back(RaggedRing(random, x, y, radius, 24 + static_cast<int>(random.Next() * 97), true));
    if (random.Next() < 0.3)
      parts.push_back(RaggedRing(random, x, y, radius * 0.3, 12 + static_cast<int>(random.Next() * 19), false));
    if (random.Next() < 0.25)
      parts.push_back(RaggedRing(random, x + radius * 1.45, y + radius * 1.2, radius * 0.15,
                                 12 + static_cast<int>(random.Next() * 19), true));
    writer.Add(5, parts);
  }
  return writer.Write(base, 5, FeatureTable(count, 17)) ? base + ".shp" : "";
}

// Long rivers: random walks of 150 to 350 vertices that wander over a tenth of the map; one in
// ten has a second part (a side arm).
inline std::string EnsureRiverSample(const std::string& folder, int scale)
{
  using namespace coast_detail;
  const std::string base = folder + "/" + ScaledName("rivers", scale);
  if (detail::SampleExists(base))
    return base + ".shp";
  const int count = 20000 * scale;
  Random random(19);
  ShapeWriter writer;
  writer.shp.reserve(static_cast<size_t>(count) * 4000);
  const auto walk = [&random](double x, double y, int vertices) {
    std::vector<double> line;
    double heading = random.Next() * 2.0 * M_PI;
    for (int i = 0; i < vertices; ++i) {
      line.push_back(x);
      line.push_back(y);
      heading += (random.Next() - 0.5) * 0.6;
      x = std::clamp(x + 0.02 * std::cos(heading), -10.0, 40.0);
      y = std::clamp(y + 0.02 * std::sin(heading), 35.0, 70.0);
    }
    return line;
  };
  for (int index = 0; index < count; ++index) {
    std::vector<std::vector<double>> parts;
    parts.push_back(
        walk(-10.0 + 50.0 * random.Next(), 35.0 + 35.0 * random.Next(), 150 + static_cast<int>(random.Next() * 201)));
    if (random.Next() < 0.1)
      parts.push_back(walk(parts[0][parts[0].size() / 2 & ~size_t{1}], parts[0][(parts[0].size() / 2 & ~size_t{1}) + 1],
                           40 + static_cast<int>(random.Next() * 60)));
    writer.Add(3, parts);
  }
  return writer.Write(base, 3, FeatureTable(count, 23)) ? base + ".shp" : "";
}

}  // namespace zamra_bench
