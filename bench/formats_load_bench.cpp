// Loading shapefiles and dBASE tables: ZMShapeFile::GetInstance and ZMDbfFile::LoadFile
// against shapelib reading the same files completely (every shape, every cell as text).
//
// Each case also reports its peak memory per row: the growth of the process's peak resident
// set while one load runs, divided by the rows loaded.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <shapefil.h>

#include "api/formats/dbf_file.h"
#include "api/formats/shape_file.h"
#include "bench/support/sample_data.h"

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

// Runs `load` once and reports the peak growth of the resident set per row.
template <typename Load>
void ReportPeakPerRow(benchmark::State& state, Load load)
{
  ResetPeak();
  const long long before = StatusBytes("VmRSS:");
  const long long rows = load();
  const long long peak = StatusBytes("VmHWM:");
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["peak_bytes_per_row"] = rows > 0 ? static_cast<double>(peak - before) / rows : 0.0;
}

long long LoadWithZamra(const std::string& path)
{
  ZMShapeFile* shapeFile = ZMShapeFile::GetInstance(path.c_str());
  if (shapeFile == nullptr)
    return -1;
  const long long rows = shapeFile->GetRecordCount();
  benchmark::DoNotOptimize(shapeFile);
  delete shapeFile;
  return rows;
}

long long ReadDbfWithShapelib(const std::string& dbfPath)
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

long long ReadWithShapelib(const std::string& path)
{
  SHPHandle shp = SHPOpen(path.c_str(), "rb");
  if (shp == nullptr)
    return -1;
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
  return ReadDbfWithShapelib(dbfPath) == entities ? entities : -1;
}

// The same reading, but every shape is kept until the end, as a loader that holds the file
// in memory (what GetInstance does) would have to.
long long ReadAndKeepWithShapelib(const std::string& path)
{
  SHPHandle shp = SHPOpen(path.c_str(), "rb");
  if (shp == nullptr)
    return -1;
  int entities = 0;
  int shapeType = 0;
  SHPGetInfo(shp, &entities, &shapeType, nullptr, nullptr);
  std::vector<SHPObject*> shapes(static_cast<size_t>(entities));
  for (int index = 0; index < entities; ++index)
    shapes[static_cast<size_t>(index)] = SHPReadObject(shp, index);
  SHPClose(shp);
  const std::string dbfPath = path.substr(0, path.size() - 4) + ".dbf";
  const long long rows = ReadDbfWithShapelib(dbfPath);
  for (SHPObject* shape : shapes)
    SHPDestroyObject(shape);
  return rows == entities ? entities : -1;
}

long long LoadDbfWithZamra(const std::string& dbfPath)
{
  ZMDataView* table = ZMDbfFile::LoadFile(dbfPath.c_str());
  if (table == nullptr)
    return -1;
  const long long rows = table->GetRowCount();
  delete table;
  return rows;
}

template <typename Load>
void Measure(benchmark::State& state, const std::string& path, Load load)
{
  if (path.empty()) {
    state.SkipWithError("sample files cannot be written");
    return;
  }
  ReportPeakPerRow(state, [&] { return load(path); });
  for (auto _ : state) {
    if (load(path) < 0) {
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

} // namespace

BENCHMARK(Points_Zamra)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Points_Shapelib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Points_ShapelibKeep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Polygons_Zamra)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Polygons_Shapelib)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(Polygons_ShapelibKeep)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PointsDbf_Zamra)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PointsDbf_Shapelib)->Unit(benchmark::kMillisecond)->MinTime(2.0);

BENCHMARK_MAIN();
