// Loading layers into the map view (AddLayer: .shp, .shx and .dbf) against shapelib reading the
// same three files completely, and against reading their bytes (the floor); the polygon file
// again beside a UTM .prj, whose vertices the load transforms to longitude/latitude (its peers:
// the same file without one, and PROJ transforming those vertices alone on one thread); then a point hit test over a
// million points. Resident memory per vertex is reported after loading.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>
#include <proj.h>
#include <shapefil.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/sample_families.h"
#include "model/map_model.h"
#include "layers/part_layer.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"

using namespace zamra::view;

namespace {

std::string Sample(int which, int scale = 1) { return zamra_bench::FamilySample(which, scale); }

std::string SampleName(int which, int scale = 1) { return zamra_bench::FamilySampleName(which, scale); }

// Every sample at every scale of $ZAMRA_BENCH_SCALES. Arguments: the sample, the scale.
void EverySample(benchmark::internal::Benchmark* benchmark)
{
  for (const int scale : zamra_bench::BenchScales())
    for (int which = 0; which < zamra_bench::kFamilySamples; ++which)
      benchmark->Args({which, scale});
}

std::string Sibling(const std::string& shp, const char* extension) { return shp.substr(0, shp.size() - 4) + extension; }

// The polygon sample copied into a scratch folder beside a .prj of UTM zone 33N (as ESRI writes
// it); "" when it cannot be made.
std::string ProjectedPolygonSample()
{
  namespace fs = std::filesystem;
  const std::string source = Sample(1);
  const fs::path folder = fs::path(zamra_bench::SampleFolder()) / "utm33-scratch";
  std::error_code error;
  fs::create_directories(folder, error);
  for (const char* extension : {".shp", ".shx", ".dbf"}) {
    const fs::path from = Sibling(source, extension);
    const fs::path to = folder / ("polygons_100k" + std::string(extension));
    if (!fs::exists(to) || fs::file_size(to, error) != fs::file_size(from, error))
      fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    if (error)
      return "";
  }
  std::ofstream prj(folder / "polygons_100k.prj", std::ios::trunc);
  prj << R"(PROJCS["WGS_1984_UTM_Zone_33N",GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",)"
         R"(6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]],)"
         R"(PROJECTION["Transverse_Mercator"],PARAMETER["False_Easting",500000.0],PARAMETER["False_Northing",0.0],)"
         R"(PARAMETER["Central_Meridian",15.0],PARAMETER["Scale_Factor",0.9996],PARAMETER["Latitude_Of_Origin",0.0],)"
         R"(UNIT["Meter",1.0]])";
  return prj ? (folder / "polygons_100k.shp").string() : "";
}

long ResidentBytes()
{
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

void ViewAddLayer(benchmark::State& state)
{
  const std::string shp = Sample(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::int64_t vertices = 0;
  double bytesPerVertex = 0;
  for (auto _ : state) {
    const long before = ResidentBytes();
    CMapModel model;
    ILayer* layer = model.AddLayer(shp.c_str());
    if (layer == nullptr) {
      state.SkipWithError("AddLayer failed");
      return;
    }
    if (auto* points = dynamic_cast<CPointLayer*>(layer))
      vertices = points->RecordCount();
    else if (auto* polygons = dynamic_cast<CPolygonLayer*>(layer))
      vertices = polygons->VertexCount();
    else if (auto* lines = dynamic_cast<CPolylineLayer*>(layer))
      vertices = lines->VertexCount();
    bytesPerVertex = static_cast<double>(ResidentBytes() - before) / static_cast<double>(vertices);
  }
  state.counters["vertices"] = static_cast<double>(vertices);
  state.counters["rss_bytes_per_vertex"] = bytesPerVertex;
  state.SetLabel(SampleName(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}

// AddLayer of the polygon sample beside a UTM .prj: the load plus the transformation of every
// vertex. Its peer is ViewAddLayer/1, the same file without a .prj.
void ViewAddLayerProjected(benchmark::State& state)
{
  const std::string shp = ProjectedPolygonSample();
  if (shp.empty()) {
    state.SkipWithError("cannot copy the sample into the scratch folder");
    return;
  }
  std::int64_t vertices = 0;
  for (auto _ : state) {
    CMapModel model;
    auto* layer = dynamic_cast<CPolygonLayer*>(model.AddLayer(shp.c_str()));
    if (layer == nullptr || layer->Projection().coordinates != LayerCoordinates::Transformed) {
      state.SkipWithError("AddLayer failed or did not transform");
      return;
    }
    vertices = layer->VertexCount();
  }
  state.counters["vertices"] = static_cast<double>(vertices);
  state.SetLabel("polygons_100k + UTM .prj");
}

// PROJ alone on one thread: the vertices of the polygon sample (as UTM metres) transformed by
// proj_trans_generic, with the transformation made once outside the loop. What a load that
// transforms on one thread would spend on top of ViewAddLayer/1.
void ProjTransformOneThread(benchmark::State& state)
{
  CMapModel model;
  auto* layer = dynamic_cast<CPolygonLayer*>(model.AddLayer(Sample(1).c_str()));
  if (layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  std::vector<ST_POINT> original;
  original.reserve(static_cast<size_t>(layer->VertexCount()));
  for (int record = 0; record < layer->RecordCount(); ++record)
    for (int part = 0; part < layer->Records()[record].partCount; ++part)
      original.insert(original.end(), layer->Records()[record].parts[part].points,
                      layer->Records()[record].parts[part].points + layer->Records()[record].parts[part].pointCount);
  PJ_CONTEXT* context = proj_context_create();
  proj_context_set_enable_network(context, 0);
  PJ* raw = proj_create_crs_to_crs(context, "EPSG:32633", "EPSG:4326", nullptr);
  PJ* operation = raw ? proj_normalize_for_visualization(context, raw) : nullptr;
  if (operation == nullptr) {
    state.SkipWithError("PROJ cannot make the transformation");
  } else {
    std::vector<ST_POINT> points;
    for (auto _ : state) {
      state.PauseTiming();
      points = original;
      state.ResumeTiming();
      proj_trans_generic(operation, PJ_FWD, &points[0].x, sizeof(ST_POINT), points.size(), &points[0].y,
                         sizeof(ST_POINT), points.size(), nullptr, 0, 0, nullptr, 0, 0);
      benchmark::DoNotOptimize(points.data());
    }
    state.counters["vertices"] = static_cast<double>(original.size());
  }
  proj_destroy(operation);
  proj_destroy(raw);
  proj_context_destroy(context);
}

void ShapelibReadAll(benchmark::State& state)
{
  const std::string shp = Sample(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    SHPHandle handle = SHPOpen(shp.c_str(), "rb");
    DBFHandle table = DBFOpen(Sibling(shp, ".dbf").c_str(), "rb");
    if (handle == nullptr || table == nullptr) {
      state.SkipWithError("shapelib cannot open the sample");
      return;
    }
    int count = 0, type = 0;
    SHPGetInfo(handle, &count, &type, nullptr, nullptr);
    std::size_t sum = 0;
    for (int i = 0; i < count; ++i) {
      SHPObject* object = SHPReadObject(handle, i);
      sum += static_cast<std::size_t>(object->nVertices);
      SHPDestroyObject(object);
    }
    const int rows = DBFGetRecordCount(table);
    const int columns = DBFGetFieldCount(table);
    for (int row = 0; row < rows; ++row)
      for (int column = 0; column < columns; ++column)
        sum += std::strlen(DBFReadStringAttribute(table, row, column));
    DBFClose(table);
    SHPClose(handle);
    benchmark::DoNotOptimize(sum);
  }
  state.SetLabel(SampleName(static_cast<int>(state.range(0))));
}

// The floor: the bytes of the three files read into memory, as `cat > /dev/null` would.
void ReadFileBytes(benchmark::State& state)
{
  const std::string shp = Sample(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::vector<char> buffer(1 << 20);
  for (auto _ : state) {
    std::size_t total = 0;
    for (const std::string& path : {shp, Sibling(shp, ".shx"), Sibling(shp, ".dbf")}) {
      FILE* file = std::fopen(path.c_str(), "rb");
      std::size_t got;
      while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0)
        total += got;
      std::fclose(file);
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetLabel(SampleName(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}

// The floor with the memory a load must hold: each file read whole into a fresh block of its
// size, so that the block's pages are first touched by the read, as a loader's are.
void ReadFilesIntoMemory(benchmark::State& state)
{
  const std::string shp = Sample(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    std::size_t total = 0;
    for (const std::string& path : {shp, Sibling(shp, ".shx"), Sibling(shp, ".dbf")}) {
      FILE* file = std::fopen(path.c_str(), "rb");
      std::fseek(file, 0, SEEK_END);
      const auto size = static_cast<std::size_t>(std::ftell(file));
      std::fseek(file, 0, SEEK_SET);
      std::unique_ptr<char[]> block(new char[size]);
      total += std::fread(block.get(), 1, size, file);
      std::fclose(file);
      benchmark::DoNotOptimize(block.get());
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetLabel(SampleName(static_cast<int>(state.range(0)), static_cast<int>(state.range(1))));
}

void PointHitTest(benchmark::State& state)
{
  CMapModel model;
  ILayer* layer = model.AddLayer(Sample(0).c_str());
  if (layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  double x = 100.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(layer->HitTest(x, 35.0));
    x += 0.001;
  }
}

BENCHMARK(ViewAddLayer)->Apply(EverySample)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ViewAddLayerProjected)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ProjTransformOneThread)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ShapelibReadAll)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReadFileBytes)->Apply(EverySample)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ReadFilesIntoMemory)->Apply(EverySample)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PointHitTest)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
