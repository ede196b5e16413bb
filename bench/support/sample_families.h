// The large samples of both families by number, for benchmarks that run over all of them: 0 to 2
// the first family (points, polygons, polylines), 3 to 5 the second (clustered points, coastline
// polygons, rivers), each at scale 1 or 10.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "support/coast_samples.h"
#include "support/sample_data.h"

namespace zamra_bench {

constexpr int kFamilySamples = 6;

// The sample's .shp, written first if it is missing ("" when it cannot be).
inline std::string FamilySample(int which, int scale = 1)
{
  const std::string folder = SampleFolder();
  switch (which) {
  case 0:
    return EnsurePointSample(folder, scale);
  case 1:
    return EnsurePolygonSample(folder, scale);
  case 2:
    return EnsurePolylineSample(folder, scale);
  case 3:
    return EnsureClusterPointSample(folder, scale);
  case 4:
    return EnsureCoastPolygonSample(folder, scale);
  default:
    return EnsureRiverSample(folder, scale);
  }
}

// The sample's file name without folder and extension, as benchmark labels show it.
inline std::string FamilySampleName(int which, int scale = 1)
{
  const std::string path = FamilySample(which, scale);
  const size_t slash = path.find_last_of('/');
  return path.substr(slash + 1, path.size() - slash - 5);
}

// The scales in $ZAMRA_BENCH_SCALES: "1" (the default) or "1,10". Ten times the size takes some
// 5 GB of files and minutes to write the first time.
inline std::vector<int> BenchScales()
{
  const char* scales = std::getenv("ZAMRA_BENCH_SCALES");
  std::istringstream list(scales && *scales ? scales : "1");
  std::vector<int> result;
  for (std::string scale; std::getline(list, scale, ',');)
    result.push_back(std::atoi(scale.c_str()));
  return result;
}

}  // namespace zamra_bench
