// Loading a shapefile from a .zip archive (AddLayer of the member path: the members inflated into
// memory, then the same reader) against AddLayer of the same three files unzipped, and against
// the floor of any zip reader: reading the archive's bytes and inflating its members with
// libdeflate on one thread. For the 1,000,000-point and 100,000-polygon samples. The archives are written once with
// libzip at its default compression (deflate, level 6, as zip tools write them), through the view's own libzip.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zip.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/sample_data.h"
#include "model/map_model.h"
#include "shape_core/file_block.h"

using namespace zamra::view;

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

// A member's raw deflate stream and its inflated size.
struct RawMember {
  std::vector<unsigned char> packed;
  size_t size = 0;
};

// The raw streams of every member of the archive that holds `memberPath`; empty on failure.
std::vector<RawMember> RawMembers(const std::string& memberPath)
{
  const std::string archive = memberPath.substr(0, memberPath.rfind('/'));
  std::vector<RawMember> members;
  int error = 0;
  zip_t* zip = zip_open(archive.c_str(), ZIP_RDONLY, &error);
  if (zip == nullptr)
    return members;
  for (zip_int64_t index = 0; index < zip_get_num_entries(zip, 0); ++index) {
    zip_stat_t stat;
    zip_file_t* file = nullptr;
    if (zip_stat_index(zip, static_cast<zip_uint64_t>(index), 0, &stat) != 0 || stat.comp_method != ZIP_CM_DEFLATE ||
        (file = zip_fopen_index(zip, static_cast<zip_uint64_t>(index), ZIP_FL_COMPRESSED)) == nullptr) {
      members.clear();
      break;
    }
    RawMember member;
    member.packed.resize(stat.comp_size);
    member.size = stat.size;
    const bool whole = zip_fread(file, member.packed.data(), stat.comp_size) ==
                       static_cast<zip_int64_t>(stat.comp_size);
    zip_fclose(file);
    if (!whole) {
      members.clear();
      break;
    }
    members.push_back(std::move(member));
  }
  zip_discard(zip);
  return members;
}

// The floor: the archive's bytes read, then every member inflated, one after the other.
void ReadAndInflateZipped(benchmark::State& state)
{
  const std::string path = ZippedSample(static_cast<int>(state.range(0)));
  const std::vector<RawMember> members = path.empty() ? std::vector<RawMember>() : RawMembers(path);
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  if (members.empty() || decompressor == nullptr) {
    state.SkipWithError("the archive cannot be made or read");
    libdeflate_free_decompressor(decompressor);
    return;
  }
  const std::string archive = path.substr(0, path.rfind('/'));
  for (auto _ : state) {
    FileBytes bytes;
    if (!ReadWholeFile(archive.c_str(), bytes)) {
      state.SkipWithError("the archive cannot be read");
      break;
    }
    for (const RawMember& member : members) {
      FileBytes out;
      out.data.reset(AllocateLarge(static_cast<std::int64_t>(member.size), true));
      if (!out.data || libdeflate_deflate_decompress(decompressor, member.packed.data(), member.packed.size(),
                                                     out.data.get(), member.size, nullptr) != LIBDEFLATE_SUCCESS) {
        state.SkipWithError("a member does not inflate");
        break;
      }
      benchmark::DoNotOptimize(out.data.get());
    }
  }
  libdeflate_free_decompressor(decompressor);
  state.SetLabel(SampleName(static_cast<int>(state.range(0))));
}

void AddLayerUnzipped(benchmark::State& state) { Load(state, Sample(static_cast<int>(state.range(0)))); }
void AddLayerZipped(benchmark::State& state) { Load(state, ZippedSample(static_cast<int>(state.range(0)))); }

}  // namespace

BENCHMARK(AddLayerUnzipped)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(AddLayerZipped)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadAndInflateZipped)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
