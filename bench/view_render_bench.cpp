// A full redraw of the map view at full extent into 1920 x 1080, with symbols and labels on,
// for the large sample layers of both families (ten times larger too with
// ZAMRA_BENCH_SCALES=1,10); the first family's against gdal_rasterize
// burning the same layer into a 1920 x 1080 raster of the same extent (the whole process, as a
// user would run it), in the same run. Then a redraw zoomed in on a tenth of the data. Each view
// is drawn once before it is timed: what is timed is a redraw (the first drawing of a layer also
// finds the label points of its areas and lines, once).
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "api/base/bitmap.h"
#include "support/sample_families.h"
#include "platform/gdi.h"
#include "model/map_model.h"
#include "view/ilayer.h"

using namespace zamra::view;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

std::string Sample(int which, int scale) { return zamra_bench::FamilySample(which, scale); }

std::string SampleName(int which, int scale) { return zamra_bench::FamilySampleName(which, scale); }

// Every sample with 1 and 2 drawing threads at every scale of $ZAMRA_BENCH_SCALES. Arguments:
// the sample, the number of threads, the scale.
void EverySample(benchmark::internal::Benchmark* benchmark)
{
  for (const int scale : zamra_bench::BenchScales())
    for (int which = 0; which < zamra_bench::kFamilySamples; ++which)
      for (int threads = 1; threads <= 2; ++threads)
        benchmark->Args({which, threads, scale});
}

// A model of the screen's size showing one layer at full extent, with a strip of 16 symbols.
struct Scene {
  CMapModel model;
  ILayer* layer = nullptr;
  double left = 0, bottom = 0, right = 0, top = 0;

  Scene(int which, int scale)
  {
    model.OnSize(kWidth, kHeight);
    layer = model.AddLayer(Sample(which, scale).c_str());
    if (layer == nullptr)
      return;
    layer->GetRect(&left, &bottom, &right, &top);
    HDC strip = ZMBitmap::CreateMemDc(16 * 16, 16);
    const RECT symbol{2, 2, 14, 14};
    for (int i = 0; i < 16; ++i) {
      RECT tile{symbol.left + 16 * i, symbol.top, symbol.right + 16 * i, symbol.bottom};
      SetBkColor(strip, RGB(20 * i, 60, 200));
      ExtTextOutA(strip, 0, 0, ETO_OPAQUE, &tile, nullptr, 0, nullptr);
    }
    model.SetPoiDC(strip, 16, 16, 16);
    // The scale at which the layer's extent just fits the picture.
    const double byWidth = (right - left) * CMapModel::kMetersPerDegreeX * CMapModel::kPixelsPerMeter / kWidth;
    const double byHeight = (top - bottom) * CMapModel::kMetersPerDegreeY * CMapModel::kPixelsPerMeter / kHeight;
    model.SetScaleValue(std::ceil(std::max(byWidth, byHeight)));
  }
};

void ViewRedrawFullExtent(benchmark::State& state)
{
  const int which = static_cast<int>(state.range(0));
  Scene scene(which, static_cast<int>(state.range(2)));
  if (scene.layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  scene.model.SetDrawingThreads(static_cast<int>(state.range(1)));
  scene.model.Render(nullptr, 0, 0);  // a redraw, not the first drawing that finds label points
  for (auto _ : state) {
    scene.model.Invalidate();
    scene.model.Render(nullptr, 0, 0);
  }
  state.SetLabel(SampleName(which, static_cast<int>(state.range(2))));
}

void ViewRedrawTenth(benchmark::State& state)
{
  const int which = static_cast<int>(state.range(0));
  Scene scene(which, static_cast<int>(state.range(2)));
  if (scene.layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  scene.model.SetDrawingThreads(static_cast<int>(state.range(1)));
  // A tenth of the extent's area around its middle.
  scene.model.SetScaleValue(std::ceil(scene.model.Scale() / std::sqrt(10.0)));
  scene.model.Render(nullptr, 0, 0);  // as above
  for (auto _ : state) {
    scene.model.Invalidate();
    scene.model.Render(nullptr, 0, 0);
  }
  state.SetLabel(SampleName(which, static_cast<int>(state.range(2))));
}

void GdalRasterize(benchmark::State& state)
{
  const int which = static_cast<int>(state.range(0));
  const std::string shp = Sample(which, 1);
  Scene scene(which, 1);
  char command[2048];
  const std::string output = zamra_bench::SampleFolder() + "/rasterized.tif";
  std::snprintf(command, sizeof command,
                "gdal_rasterize -q -burn 255 -ot Byte -ts %d %d -te %.9f %.9f %.9f %.9f '%s' '%s' > /dev/null 2>&1",
                kWidth, kHeight, scene.left, scene.bottom, scene.right, scene.top, shp.c_str(), output.c_str());
  for (auto _ : state) {
    std::remove(output.c_str());
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command);
    const auto end = std::chrono::steady_clock::now();
    if (status != 0) {
      state.SkipWithError("gdal_rasterize failed (is gdal-bin installed?)");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
  state.SetLabel(SampleName(which, 1));
}

// Wall-clock times: the bands' threads do part of the work.
BENCHMARK(ViewRedrawFullExtent)->Apply(EverySample)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(GdalRasterize)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(ViewRedrawTenth)->Apply(EverySample)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
  // Labels need fonts, which need a GUI application; no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
