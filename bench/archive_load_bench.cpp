// Loading a shapefile from a .zip archive (AddLayer of the member path: the members inflated into
// memory, then the same reader) against AddLayer of the same three files unzipped, for the
// 1,000,000-point and 100,000-polygon samples. The archives are written once with libzip at its
// default compression (deflate, level 6, as zip tools write them), through the view's own libzip.
#include <benchmark/benchmark.h>
#include <zip.h>

#include <filesystem>
#include <string>

#include "support/sample_data.h"
#include "map_model.h"

namespace {

std::string Sample(int which)
{
  const std::string folder = zamra_bench::SampleFolder();
  return which == 0 ? zamra_bench::EnsurePointSample(folder) : zamra_bench::EnsurePolygonSample(folder);
}

// The archive beside the sample holding its three files at the archive's root; "" when it
// cannot be written.
std::string ZippedSample(int which)
{
  namespace fs = std::filesystem;
  const fs::path shp = Sample(which);
  if (shp.empty())
    return "";
  const fs::path archive = fs::path(shp).replace_extension(".zip");
  if (fs::exists(archive))
    return archive.string() + "/" + shp.filename().string();
  const fs::path partial = fs::path(archive).concat(".partial");
  int error = 0;
  zip_t* zip = zip_open(partial.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  if (zip == nullptr)
    return "";
  for (const char* extension : {".shp", ".shx", ".dbf"}) {
    const fs::path member = fs::path(shp).replace_extension(extension);
    zip_source_t* source = zip_source_file(zip, member.c_str(), 0, -1);
    if (source == nullptr || zip_file_add(zip, member.filename().c_str(), source, ZIP_FL_OVERWRITE) < 0) {
      zip_source_free(source);
      zip_discard(zip);
      return "";
    }
  }
  if (zip_close(zip) != 0) {
    zip_discard(zip);
    return "";
  }
  std::error_code renamed;
  fs::rename(partial, archive, renamed);
  return renamed ? "" : archive.string() + "/" + shp.filename().string();
}

const char* SampleName(int which) { return which == 0 ? "points_1m" : "polygons_100k"; }

void Load(benchmark::State& state, const std::string& path)
{
  if (path.empty()) {
    state.SkipWithError("the sample cannot be made");
    return;
  }
  for (auto _ : state) {
    CMapModel model;
    if (model.AddLayer(path.c_str()) == nullptr) {
      state.SkipWithError("AddLayer failed");
      return;
    }
  }
  state.SetLabel(SampleName(static_cast<int>(state.range(0))));
}

void AddLayerUnzipped(benchmark::State& state) { Load(state, Sample(static_cast<int>(state.range(0)))); }
void AddLayerZipped(benchmark::State& state) { Load(state, ZippedSample(static_cast<int>(state.range(0)))); }

}  // namespace

BENCHMARK(AddLayerUnzipped)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AddLayerZipped)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
