// Large sample shapefiles for the benchmarks: 1,000,000 points, 100,000 polygons (one ring of
// 50 vertices each) and 200,000 polylines (25 vertices each), every one with a 3-column .dbf
// (ID N(10,0), NAME C(20), VALUE N(14,3)). The files are written directly, byte by byte, so
// that they do not depend on the readers and writers they measure, and only when they are not
// there yet: every benchmark that asks for them reuses the same files.
// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace zamra_bench {

// The folder that holds the sample files: $ZAMRA_BENCH_DATA, else /tmp/zamra-bench-data.
inline std::string SampleFolder()
{
  const char* configured = std::getenv("ZAMRA_BENCH_DATA");
  std::string folder = configured && *configured ? configured : "/tmp/zamra-bench-data";
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  return folder;
}

namespace detail {

// Deterministic numbers, the same on every machine.
class Random {
public:
  explicit Random(std::uint64_t seed) : m_state(seed) {}
  double Next()  // in [0, 1)
  {
    m_state = m_state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(m_state >> 11) * (1.0 / 9007199254740992.0);
  }

private:
  std::uint64_t m_state;
};

inline void PutBig(std::vector<unsigned char>& out, std::int32_t value)
{
  const auto bits = static_cast<std::uint32_t>(value);
  out.push_back(static_cast<unsigned char>(bits >> 24));
  out.push_back(static_cast<unsigned char>(bits >> 16));
  out.push_back(static_cast<unsigned char>(bits >> 8));
  out.push_back(static_cast<unsigned char>(bits));
}

template <typename T>
void PutLittle(std::vector<unsigned char>& out, T value)
{
  unsigned char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);  // the benchmark machines are little-endian
  out.insert(out.end(), bytes, bytes + sizeof value);
}

inline void PutHeader(std::vector<unsigned char>& out, std::int32_t shapeType, std::int64_t fileBytes,
                      const double box[4])
{
  PutBig(out, 9994);
  for (int i = 0; i < 5; ++i)
    PutBig(out, 0);
  PutBig(out, static_cast<std::int32_t>(fileBytes / 2));
  PutLittle<std::int32_t>(out, 1000);
  PutLittle<std::int32_t>(out, shapeType);
  for (int i = 0; i < 4; ++i)
    PutLittle(out, box[i]);
  for (int i = 0; i < 4; ++i)
    PutLittle(out, 0.0);
}

inline bool WriteFileAtomically(const std::string& path, const std::vector<unsigned char>& bytes)
{
  const std::string temporary = path + ".partial";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr)
    return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    std::remove(temporary.c_str());
    return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// The .dbf of `rows` records: ID, NAME, VALUE.
inline std::vector<unsigned char> MakeTable(int rows, std::uint64_t seed)
{
  const int recordLength = 1 + 10 + 20 + 14;
  std::vector<unsigned char> out(32, 0);
  out[0] = 3;
  out[1] = 124;
  out[2] = 1;
  out[3] = 1;
  std::memcpy(&out[4], &rows, 4);
  const std::int16_t headerLength = 32 * 3 + 33;
  const std::int16_t record = recordLength;
  std::memcpy(&out[8], &headerLength, 2);
  std::memcpy(&out[10], &record, 2);
  struct Descriptor {
    const char* name;
    char letter;
    int length;
    int decimals;
  };
  const Descriptor descriptors[3] = {{"ID", 'N', 10, 0}, {"NAME", 'C', 20, 0}, {"VALUE", 'N', 14, 3}};
  for (const Descriptor& descriptor : descriptors) {
    unsigned char bytes[32] = {};
    std::memcpy(bytes, descriptor.name, std::strlen(descriptor.name));
    bytes[11] = static_cast<unsigned char>(descriptor.letter);
    bytes[16] = static_cast<unsigned char>(descriptor.length);
    bytes[17] = static_cast<unsigned char>(descriptor.decimals);
    out.insert(out.end(), bytes, bytes + 32);
  }
  out.push_back(0x0D);
  static const char* const kWords[] = {"Amber", "Birch", "Cedar", "Delta", "Ember", "Fjord", "Grove", "Harbor"};
  Random random(seed);
  out.reserve(out.size() + static_cast<size_t>(rows) * recordLength + 1);
  char text[64];
  for (int row = 0; row < rows; ++row) {
    out.push_back(' ');
    std::snprintf(text, sizeof text, "%10d", row + 1);
    out.insert(out.end(), text, text + 10);
    const int words = std::snprintf(text, sizeof text, "%s %s %d", kWords[row % 8], kWords[(row / 8) % 8], row % 1000);
    std::string name(text, static_cast<size_t>(words));
    name.resize(20, ' ');
    out.insert(out.end(), name.begin(), name.end());
    // The value is printed with integer arithmetic: no locale can put a comma in it.
    const auto thousandths = static_cast<std::int64_t>(random.Next() * 1e9);
    std::snprintf(text, sizeof text, "%10lld.%03lld", static_cast<long long>(thousandths / 1000),
                  static_cast<long long>(thousandths % 1000));
    out.insert(out.end(), text, text + 14);
  }
  out.push_back(0x1A);
  return out;
}

inline bool SampleExists(const std::string& base)
{
  for (const char* extension : {".shp", ".shx", ".dbf"})
    if (!std::filesystem::exists(base + extension))
      return false;
  return true;
}

// Writes a trio of multi-part shapes: `count` records of one part with `vertices` points,
// each a closed ring (polygons) or an open wavy line (polylines), spread over a grid.
inline bool WriteMultiPartSample(const std::string& base, int count, int vertices, std::int32_t shapeType,
                                 std::uint64_t seed)
{
  const std::int64_t content = 4 + 40 + 4 + 16 * static_cast<std::int64_t>(vertices);
  const std::int64_t fileBytes = 100 + count * (8 + content);
  const int columns = static_cast<int>(std::ceil(std::sqrt(count * 1.6)));
  const double cellWidth = 60.0 / columns;                             // longitudes 75 to 135
  const double cellHeight = 35.0 / ((count + columns - 1) / columns);  // latitudes 18 to 53
  const double box[4] = {75.0, 18.0, 135.0, 53.0};
  std::vector<unsigned char> shp;
  std::vector<unsigned char> shx;
  shp.reserve(static_cast<size_t>(fileBytes));
  PutHeader(shp, shapeType, fileBytes, box);
  PutHeader(shx, shapeType, 100 + 8 * static_cast<std::int64_t>(count), box);
  Random random(seed);
  std::vector<double> xs(static_cast<size_t>(vertices));
  std::vector<double> ys(static_cast<size_t>(vertices));
  for (int index = 0; index < count; ++index) {
    const double centerX = 75.0 + (index % columns + 0.5) * cellWidth;
    const double centerY = 18.0 + (index / columns + 0.5) * cellHeight;
    for (int vertex = 0; vertex < vertices; ++vertex) {
      if (shapeType == 5) {
        // A jittered circle, closed by repeating the first vertex.
        const int step = vertex == vertices - 1 ? 0 : vertex;
        const double angle = -2.0 * M_PI * step / (vertices - 1);  // clockwise: an outer ring
        const double radius = 0.3 + (step == 0 ? 0.1 : 0.1 * random.Next());
        xs[static_cast<size_t>(vertex)] = centerX + radius * cellWidth * std::cos(angle);
        ys[static_cast<size_t>(vertex)] = centerY + radius * cellHeight * std::sin(angle);
      } else {
        const double t = static_cast<double>(vertex) / (vertices - 1);
        xs[static_cast<size_t>(vertex)] = centerX + (t - 0.5) * 0.9 * cellWidth;
        ys[static_cast<size_t>(vertex)] = centerY + (random.Next() - 0.5) * 0.8 * cellHeight;
      }
    }
    double minX = xs[0], maxX = xs[0], minY = ys[0], maxY = ys[0];
    for (int vertex = 1; vertex < vertices; ++vertex) {
      minX = std::min(minX, xs[static_cast<size_t>(vertex)]);
      maxX = std::max(maxX, xs[static_cast<size_t>(vertex)]);
      minY = std::min(minY, ys[static_cast<size_t>(vertex)]);
      maxY = std::max(maxY, ys[static_cast<size_t>(vertex)]);
    }
    PutBig(shx, static_cast<std::int32_t>(shp.size() / 2));
    PutBig(shx, static_cast<std::int32_t>(content / 2));
    PutBig(shp, index + 1);
    PutBig(shp, static_cast<std::int32_t>(content / 2));
    PutLittle<std::int32_t>(shp, shapeType);
    PutLittle(shp, minX);
    PutLittle(shp, minY);
    PutLittle(shp, maxX);
    PutLittle(shp, maxY);
    PutLittle<std::int32_t>(shp, 1);
    PutLittle<std::int32_t>(shp, vertices);
    PutLittle<std::int32_t>(shp, 0);
    for (int vertex = 0; vertex < vertices; ++vertex) {
      PutLittle(shp, xs[static_cast<size_t>(vertex)]);
      PutLittle(shp, ys[static_cast<size_t>(vertex)]);
    }
  }
  return WriteFileAtomically(base + ".dbf", MakeTable(count, seed + 1)) && WriteFileAtomically(base + ".shx", shx) &&
         WriteFileAtomically(base + ".shp", shp);
}

}  // namespace detail

// Each function writes its trio into `folder` unless it is there already, and returns the
// path of the .shp ("" when the files cannot be written).

// `scale` 10 gives files ten times as large: points_10m, polygons_1m, polylines_2m.
inline std::string EnsurePointSample(const std::string& folder, int scale = 1)
{
  const std::string base = folder + (scale == 1 ? "/points_1m" : "/points_" + std::to_string(scale) + "m");
  if (detail::SampleExists(base))
    return base + ".shp";
  const int count = 1000000 * scale;
  const double box[4] = {75.0, 18.0, 135.0, 53.0};
  std::vector<unsigned char> shp;
  std::vector<unsigned char> shx;
  shp.reserve(100 + static_cast<size_t>(count) * 28);
  detail::PutHeader(shp, 1, 100 + 28 * static_cast<std::int64_t>(count), box);
  detail::PutHeader(shx, 1, 100 + 8 * static_cast<std::int64_t>(count), box);
  detail::Random random(1);
  for (int index = 0; index < count; ++index) {
    detail::PutBig(shx, static_cast<std::int32_t>(shp.size() / 2));
    detail::PutBig(shx, 10);
    detail::PutBig(shp, index + 1);
    detail::PutBig(shp, 10);
    detail::PutLittle<std::int32_t>(shp, 1);
    detail::PutLittle(shp, 75.0 + 60.0 * random.Next());
    detail::PutLittle(shp, 18.0 + 35.0 * random.Next());
  }
  const bool written = detail::WriteFileAtomically(base + ".dbf", detail::MakeTable(count, 2)) &&
                       detail::WriteFileAtomically(base + ".shx", shx) &&
                       detail::WriteFileAtomically(base + ".shp", shp);
  return written ? base + ".shp" : "";
}

inline std::string EnsurePolygonSample(const std::string& folder, int scale = 1)
{
  const std::string base = folder + (scale == 1 ? "/polygons_100k" : "/polygons_" + std::to_string(scale / 10) + "m");
  if (!detail::SampleExists(base) && !detail::WriteMultiPartSample(base, 100000 * scale, 50, 5, 3))
    return "";
  return base + ".shp";
}

inline std::string EnsurePolylineSample(const std::string& folder, int scale = 1)
{
  const std::string base = folder + (scale == 1 ? "/polylines_200k" : "/polylines_" + std::to_string(scale / 5) + "m");
  if (!detail::SampleExists(base) && !detail::WriteMultiPartSample(base, 200000 * scale, 25, 3, 5))
    return "";
  return base + ".shp";
}

}  // namespace zamra_bench
