// Loading files of other formats through GDAL into the map view (AddLayer) against OGR's own
// plain read of every feature of the same file (each feature fetched with its geometry and
// fields, then freed): the floor for anything built on GDAL. The 100,000-polygon sample as
// GeoPackage and FlatGeobuf and the 1,000,000-point sample as GeoPackage, converted from the
// benchmark shapefiles with ogr2ogr once and kept beside them.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>
#include <gdal.h>
#include <ogr_api.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/sample_data.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"

using namespace zamra::view;

namespace {

struct Converted {
  const char* label;
  int sample;  // 0 points, 1 polygons
  const char* driver;
  const char* extension;
};

const Converted kFiles[] = {
    {"polygons_100k.gpkg", 1, "GPKG", ".gpkg"},
    {"polygons_100k.fgb", 1, "FlatGeobuf", ".fgb"},
    {"points_1m.gpkg", 0, "GPKG", ".gpkg"},
};

// The converted file, made with ogr2ogr unless it is there; "" when it cannot be made.
std::string ConvertedFile(int which)
{
  namespace fs = std::filesystem;
  const Converted& file = kFiles[which];
  const std::string folder = zamra_bench::SampleFolder();
  const std::string shp = file.sample == 0 ? zamra_bench::EnsurePointSample(folder)
                                           : zamra_bench::EnsurePolygonSample(folder);
  if (shp.empty())
    return "";
  const fs::path out = fs::path(folder) / "gdal" / file.label;
  std::error_code error;
  if (fs::exists(out, error))
    return out.string();
  fs::create_directories(out.parent_path(), error);
  const fs::path partial = out.string() + ".part" + file.extension;
  fs::remove(partial, error);
  const std::string command = std::string("ogr2ogr -f ") + file.driver + " '" + partial.string() + "' '" + shp +
                              "' -nln " + fs::path(file.label).stem().string() + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0)
    return "";
  fs::rename(partial, out, error);
  return error ? "" : out.string();
}

void ViewAddLayerGdal(benchmark::State& state)
{
  const std::string path = ConvertedFile(static_cast<int>(state.range(0)));
  if (path.empty()) {
    state.SkipWithError("cannot convert the sample with ogr2ogr");
    return;
  }
  int records = 0;
  for (auto _ : state) {
    CMapModel model;
    auto* layer = dynamic_cast<CShapeLayer*>(model.AddLayer(path.c_str()));
    if (layer == nullptr) {
      state.SkipWithError("AddLayer failed");
      return;
    }
    records = layer->RecordCount();
  }
  state.counters["records"] = records;
  state.SetLabel(kFiles[state.range(0)].label);
}

void OgrPlainRead(benchmark::State& state)
{
  const std::string path = ConvertedFile(static_cast<int>(state.range(0)));
  if (path.empty()) {
    state.SkipWithError("cannot convert the sample with ogr2ogr");
    return;
  }
  GDALAllRegister();
  long long features = 0;
  for (auto _ : state) {
    GDALDatasetH dataset = GDALOpenEx(path.c_str(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr);
    if (dataset == nullptr) {
      state.SkipWithError("GDAL cannot open the file");
      return;
    }
    OGRLayerH layer = GDALDatasetGetLayer(dataset, 0);
    const int fields = OGR_FD_GetFieldCount(OGR_L_GetLayerDefn(layer));
    features = 0;
    while (OGRFeatureH feature = OGR_L_GetNextFeature(layer)) {
      benchmark::DoNotOptimize(OGR_F_GetGeometryRef(feature));
      for (int field = 0; field < fields; ++field)
        benchmark::DoNotOptimize(OGR_F_GetFieldAsString(feature, field));
      OGR_F_Destroy(feature);
      ++features;
    }
    GDALClose(dataset);
  }
  state.counters["records"] = static_cast<double>(features);
  state.SetLabel(kFiles[state.range(0)].label);
}

}  // namespace

BENCHMARK(ViewAddLayerGdal)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(OgrPlainRead)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
