// Decoding multi-part content: ZMType's bounded reader over a large record area in memory,
// against shapelib reading the same records from a file (SHPReadObject), and against a plain
// copy of the bytes (the floor).
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>
#include <shapefil.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "api/formats/shape_type.h"

namespace {

constexpr int kRecords = 50000;
constexpr int kPartsPerRecord = 2;
constexpr int kPointsPerPart = 50;  // 5,000,000 points, about 80 MB

struct RecordArea {
  std::vector<unsigned char> bytes;  // a .shp file: header, then records
  std::vector<size_t> offsets;       // where each record's content starts (after its type)
  std::vector<int> lengths;          // content length after the type
  std::string base;                  // the files written for shapelib
};

const RecordArea& Area()
{
  static RecordArea area = [] {
    RecordArea a;
    std::mt19937 random(42);
    std::uniform_real_distribution<double> coordinate(-180, 180);
    const int content = 40 + 4 * kPartsPerRecord + 16 * kPartsPerRecord * kPointsPerPart;
    a.bytes.resize(100 + static_cast<size_t>(kRecords) * (8 + 4 + content));
    std::vector<unsigned char> shx(100 + 8 * static_cast<size_t>(kRecords));
    size_t offset = 100;
    for (int r = 0; r < kRecords; ++r) {
      unsigned char* record = a.bytes.data() + offset;
      ZMType::WriteEsriInt(record, r + 1);
      ZMType::WriteEsriInt(record + 4, (4 + content) / 2);
      ZMType::WriteEsriInt(shx.data() + 100 + 8 * static_cast<size_t>(r), static_cast<int>(offset / 2));
      ZMType::WriteEsriInt(shx.data() + 104 + 8 * static_cast<size_t>(r), (4 + content) / 2);
      ZMType::WriteInt(record + 8, 5);
      unsigned char* body = record + 12;
      const ST_RECT box{-180, 180, 90, -90};
      ZMType::WriteEnvelop(body, &box);
      ZMType::WriteInt(body + 32, kPartsPerRecord);
      ZMType::WriteInt(body + 36, kPartsPerRecord * kPointsPerPart);
      for (int p = 0; p < kPartsPerRecord; ++p)
        ZMType::WriteInt(body + 40 + 4 * static_cast<size_t>(p), p * kPointsPerPart);
      unsigned char* points = body + 40 + 4 * static_cast<size_t>(kPartsPerRecord);
      for (int i = 0; i < kPartsPerRecord * kPointsPerPart; ++i) {
        ZMType::WriteDouble(points + 16 * static_cast<size_t>(i), coordinate(random));
        ZMType::WriteDouble(points + 16 * static_cast<size_t>(i) + 8, coordinate(random) / 2);
      }
      a.offsets.push_back(offset + 12);
      a.lengths.push_back(content);
      offset += 8 + 4 + static_cast<size_t>(content);
    }
    tagShpHead head;
    head.shapeType = 5;
    head.version = 1000;
    head.envelop = {-180, 180, 90, -90};
    head.fileLength = static_cast<int>(a.bytes.size());
    ZMType::WriteShpHead(a.bytes.data(), &head);
    head.fileLength = static_cast<int>(shx.size());
    ZMType::WriteShpHead(shx.data(), &head);
    a.base = "/tmp/zamra-bench-multipart-" + std::to_string(getpid());
    FILE* shp = std::fopen((a.base + ".shp").c_str(), "wb");
    std::fwrite(a.bytes.data(), 1, a.bytes.size(), shp);
    std::fclose(shp);
    FILE* index = std::fopen((a.base + ".shx").c_str(), "wb");
    std::fwrite(shx.data(), 1, shx.size(), index);
    std::fclose(index);
    return a;
  }();
  return area;
}

void RecordAreaBytes(benchmark::State& state)
{
  const size_t bytes = Area().bytes.size() - 100;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void ZamraDecode(benchmark::State& state)
{
  const RecordArea& area = Area();
  for (auto _ : state) {
    size_t points = 0;
    for (size_t i = 0; i < area.offsets.size(); ++i) {
      ST_MPOLYGON polygon;
      ZMType::ReadMPolygon(area.bytes.data() + area.offsets[i], area.lengths[i], &polygon);
      points += static_cast<size_t>(polygon.parts[0].pointCount);
    }
    benchmark::DoNotOptimize(points);
  }
  RecordAreaBytes(state);
}

void ShapelibReadObject(benchmark::State& state)
{
  const RecordArea& area = Area();
  for (auto _ : state) {
    SHPHandle handle = SHPOpen(area.base.c_str(), "rb");
    size_t points = 0;
    for (int i = 0; i < kRecords; ++i) {
      SHPObject* object = SHPReadObject(handle, i);
      points += static_cast<size_t>(object->nVertices);
      SHPDestroyObject(object);
    }
    SHPClose(handle);
    benchmark::DoNotOptimize(points);
  }
  RecordAreaBytes(state);
}

void PlainCopy(benchmark::State& state)
{
  const RecordArea& area = Area();
  std::vector<unsigned char> copy(area.bytes.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), area.bytes.data(), area.bytes.size());
    benchmark::ClobberMemory();
  }
  RecordAreaBytes(state);
}

BENCHMARK(ZamraDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(ShapelibReadObject)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainCopy)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove((Area().base + ".shp").c_str());
  std::remove((Area().base + ".shx").c_str());
  return 0;
}
