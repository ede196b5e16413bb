// Compressing and expanding a file: ZMGZip against Debian's gzip program on the same file at
// the same level (6), both from disk to disk, in wall time (the peer runs as a child process,
// whose time includes starting the program).
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "api/system/gzip.h"

namespace {

constexpr size_t kBytes = size_t{16} * 1024 * 1024;

// Text-like data (a .dbf or an XML workspace compresses like this): words from a small
// vocabulary with numbers between them.
struct Files {
  std::string dir;
  std::string plain, packed, back;
  Files()
  {
    char pattern[] = "/tmp/zamra-gzip-bench-XXXXXX";
    dir = mkdtemp(pattern);
    plain = dir + "/data.txt";
    packed = dir + "/data.txt.gz";
    back = dir + "/back.txt";
    std::mt19937 random(5);
    const char* words[] = {"road ", "river ", "polygon ", "12.5 ", "station ", "north ", "0.000 ", "ZJ "};
    std::string text;
    text.reserve(kBytes + 16);
    while (text.size() < kBytes)
      text += words[random() % 8];
    std::FILE* file = std::fopen(plain.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    ZMGZip::Zip(plain.c_str(), packed.c_str());
  }
  ~Files() { std::system(("rm -rf '" + dir + "'").c_str()); }
};

Files& Data()
{
  static Files files;
  return files;
}

void Run(benchmark::State& state, const std::string& command)
{
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0)
      state.SkipWithError("gzip failed");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void BM_ZipZMGZip(benchmark::State& state)
{
  Files& files = Data();
  for (auto _ : state)
    benchmark::DoNotOptimize(ZMGZip::Zip(files.plain.c_str(), (files.dir + "/ours.gz").c_str()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void BM_ZipGzipTool(benchmark::State& state)
{
  Files& files = Data();
  Run(state, "gzip -6 -c '" + files.plain + "' > '" + files.dir + "/tool.gz'");
}

void BM_UnZipZMGZip(benchmark::State& state)
{
  Files& files = Data();
  for (auto _ : state)
    benchmark::DoNotOptimize(ZMGZip::UnZip(files.packed.c_str(), files.back.c_str()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBytes));
}

void BM_UnZipGzipTool(benchmark::State& state)
{
  Files& files = Data();
  Run(state, "gzip -d -c '" + files.packed + "' > '" + files.dir + "/tool.txt'");
}

}  // namespace

BENCHMARK(BM_ZipZMGZip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZipGzipTool)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnZipZMGZip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UnZipGzipTool)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
