// Loading shapefiles and dBASE tables: ZMShapeFile::GetInstance and ZMDbfFile::LoadFile
// against shapelib reading the same files completely (every shape, every cell as text).
//
// The time is the load alone: releasing what a load keeps (our objects, the shapes shapelib
// keeps in the "Keep" cases) happens with the clock stopped. shapelib's plain reading frees
// each shape before reading the next, inside its loop. Each case also reports its peak memory
// per row: the growth of the process's peak resident set during one load, divided by the rows.
// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <functional>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include "api/formats/dbf_file.h"
#include "api/formats/shape_file.h"
#include "support/sample_data.h"

namespace {

// Resident set sizes of this process in bytes, from /proc/self/status.
long long StatusBytes(const char* key)
{
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t keyLength = std::strlen(key);
  while (std::getline(status, line))
    if (line.compare(0, keyLength, key) == 0)
      return std::atoll(line.c_str() + keyLength) * 1024;
  return 0;
}

// Resets the peak resident set to the current one (Linux: "5" to clear_refs).
void ResetPeak()
{
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
}

// What one load produced: its row count (-1: failed) and how to release what it keeps.
struct Loaded {
  long long rows = -1;
  std::function<void()> release = [] {};
};

Loaded LoadWithZamra(const std::string& path)
{
  ZMShapeFile* shapeFile = ZMShapeFile::GetInstance(path.c_str());
  if (shapeFile == nullptr)
    return {};
  benchmark::DoNotOptimize(shapeFile);
  return {shapeFile->GetRecordCount(), [shapeFile] { delete shapeFile; }};
}

long long ReadDbfCells(const std::string& dbfPath)
{
  DBFHandle dbf = DBFOpen(dbfPath.c_str(), "rb");
  if (dbf == nullptr)
    return -1;
  const int rows = DBFGetRecordCount(dbf);
  const int fields = DBFGetFieldCount(dbf);
  size_t characters = 0;
  for (int row = 0; row < rows; ++row)
    for (int field = 0; field < fields; ++field)
      characters += std::strlen(DBFReadStringAttribute(dbf, row, field));
  benchmark::DoNotOptimize(characters);
  DBFClose(dbf);
  return rows;
}

Loaded ReadDbfWithShapelib(const std::string& dbfPath) { return {ReadDbfCells(dbfPath)}; }

Loaded ReadWithShapelib(const std::string& path)
{
  SHPHandle shp = SHPOpen(path.c_str(), "rb");
  if (shp == nullptr)
    return {};
  int entities = 0;
  int shapeType = 0;
  SHPGetInfo(shp, &entities, &shapeType, nullptr, nullptr);
  double sum = 0.0;
  for (int index = 0; index < entities; ++index) {
    SHPObject* shape = SHPReadObject(shp, index);
    if (shape != nullptr && shape->nVertices > 0)
      sum += shape->padfX[0];
    SHPDestroyObject(shape);
  }
  benchmark::DoNotOptimize(sum);
  SHPClose(shp);
  const std::string dbfPath = path.substr(0, path.size() - 4) + ".dbf";
  return {ReadDbfCells(dbfPath) == entities ? entities : -1};
}

// The same reading, but every shape is kept until the end, as a loader that holds the file
// in memory (what GetInstance does) would have to.
Loaded ReadAndKeepWithShapelib(const std::string& path)
{
  SHPHandle shp = SHPOpen(path.c_str(), "rb");
  if (shp == nullptr)
    return {};
  int entities = 0;
  int shapeType = 0;
  SHPGetInfo(shp, &entities, &shapeType, nullptr, nullptr);
  auto shapes = std::make_shared<std::vector<SHPObject*>>(static_cast<size_t>(entities));
  for (int index = 0; index < entities; ++index)
    (*shapes)[static_cast<size_t>(index)] = SHPReadObject(shp, index);
  SHPClose(shp);
  const std::string dbfPath = path.substr(0, path.size() - 4) + ".dbf";
  const long long rows = ReadDbfCells(dbfPath);
  return {rows == entities ? entities : -1, [shapes] {
            for (SHPObject* shape : *shapes)
              SHPDestroyObject(shape);
          }};
}

Loaded LoadDbfWithZamra(const std::string& dbfPath)
{
  ZMDataView* table = ZMDbfFile::LoadFile(dbfPath.c_str());
  if (table == nullptr)
    return {};
  return {table->GetRowCount(), [table] { delete table; }};
}

template <typename Load>
void Measure(benchmark::State& state, const std::string& path, Load load)
{
  if (path.empty()) {
    state.SkipWithError("sample files cannot be written");
    return;
  }
  ResetPeak();
  const long long before = StatusBytes("VmRSS:");
  Loaded first = load(path);
  const long long peak = StatusBytes("VmHWM:");
  first.release();
  state.counters["rows"] = static_cast<double>(first.rows);
  state.counters["peak_bytes_per_row"] = first.rows > 0
                                             ? static_cast<double>(peak - before) / static_cast<double>(first.rows)
                                             : 0.0;
  for (auto _ : state) {
    Loaded loaded = load(path);
    state.PauseTiming();
    loaded.release();
    const bool failed = loaded.rows < 0;
    state.ResumeTiming();
    if (failed) {
      state.SkipWithError("load failed");
      return;
    }
  }
}

std::string PointSample() { return zamra_bench::EnsurePointSample(zamra_bench::SampleFolder()); }
std::string PolygonSample() { return zamra_bench::EnsurePolygonSample(zamra_bench::SampleFolder()); }
std::string DbfOf(const std::string& shp) { return shp.empty() ? "" : shp.substr(0, shp.size() - 4) + ".dbf"; }

void Points_Zamra(benchmark::State& state) { Measure(state, PointSample(), LoadWithZamra); }
void Points_Shapelib(benchmark::State& state) { Measure(state, PointSample(), ReadWithShapelib); }
void Points_ShapelibKeep(benchmark::State& state) { Measure(state, PointSample(), ReadAndKeepWithShapelib); }
void Polygons_ShapelibKeep(benchmark::State& state) { Measure(state, PolygonSample(), ReadAndKeepWithShapelib); }
void Polygons_Zamra(benchmark::State& state) { Measure(state, PolygonSample(), LoadWithZamra); }
void Polygons_Shapelib(benchmark::State& state) { Measure(state, PolygonSample(), ReadWithShapelib); }
void PointsDbf_Zamra(benchmark::State& state) { Measure(state, DbfOf(PointSample()), LoadDbfWithZamra); }
void PointsDbf_Shapelib(benchmark::State& state) { Measure(state, DbfOf(PointSample()), ReadDbfWithShapelib); }

}  // namespace

BENCHMARK(Points_Zamra)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Points_Shapelib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Points_ShapelibKeep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Polygons_Zamra)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Polygons_Shapelib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Polygons_ShapelibKeep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PointsDbf_Zamra)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PointsDbf_Shapelib)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
