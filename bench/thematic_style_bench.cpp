// Colours by value on the 1,000,000-point layer: classifying it by its numeric column (equal
// intervals, quantiles, natural breaks) and the first redraw after it at full extent, against the
// plain redraw of the same layer in the same run; categories of its text column likewise.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cmath>
#include <string>

#include "api/base/bitmap.h"
#include "support/sample_data.h"
#include "platform/gdi.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"
#include "thematic/thematic_classes.h"

using namespace zamra::view;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kValueColumn = 2;  // the sample's numeric column
constexpr int kNameColumn = 1;   // its text column

// The point layer at full extent in a model of the screen's size, with a strip of 16 symbols.
struct Scene {
  CMapModel model;
  CShapeLayer* layer = nullptr;

  Scene()
  {
    model.OnSize(kWidth, kHeight);
    if (model.AddLayer(zamra_bench::EnsurePointSample(zamra_bench::SampleFolder()).c_str()) == nullptr)
      return;
    layer = model.GetLayer(0);
    HDC strip = ZMBitmap::CreateMemDc(16 * 16, 16);
    model.SetPoiDC(strip, 16, 16, 16);
    double left = 0, bottom = 0, right = 0, top = 0;
    layer->GetRect(&left, &bottom, &right, &top);
    const double byWidth = (right - left) * CMapModel::kMetersPerDegreeX * CMapModel::kPixelsPerMeter / kWidth;
    const double byHeight = (top - bottom) * CMapModel::kMetersPerDegreeY * CMapModel::kPixelsPerMeter / kHeight;
    model.SetScaleValue(std::ceil(std::max(byWidth, byHeight)));
  }

  // Makes the style, sets it on the layer and redraws: what choosing it in the dialog costs.
  bool ClassifyAndRedraw(int mode, int column, int method, const char* palette)
  {
    ZMThematicStyle style;
    if (!ThematicClasses::Make(*layer->LayerDataView(), mode, column, 5, method, palette, style) ||
        !layer->Thematic().Apply(*layer->LayerDataView(), style))
      return false;
    model.Invalidate();
    model.Render(nullptr, 0, 0);
    return true;
  }
};

void PlainRedraw(benchmark::State& state)
{
  Scene scene;
  if (scene.layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  for (auto _ : state) {
    scene.model.Invalidate();
    scene.model.Render(nullptr, 0, 0);
  }
}

// Argument: the method (0 equal intervals, 1 quantiles, 2 natural breaks).
void ClassesAndFirstRedraw(benchmark::State& state)
{
  Scene scene;
  if (scene.layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  for (auto _ : state)
    if (!scene.ClassifyAndRedraw(ZMThematicStyle::kClasses, kValueColumn, static_cast<int>(state.range(0)), "YlOrRd")) {
      state.SkipWithError("classifying failed");
      return;
    }
  static const char* const kMethods[] = {"equal_interval", "quantiles", "natural_breaks"};
  state.SetLabel(kMethods[state.range(0)]);
}

void CategoriesAndFirstRedraw(benchmark::State& state)
{
  Scene scene;
  if (scene.layer == nullptr) {
    state.SkipWithError("AddLayer failed");
    return;
  }
  for (auto _ : state)
    if (!scene.ClassifyAndRedraw(ZMThematicStyle::kCategories, kNameColumn, 0, "Set1")) {
      state.SkipWithError("classifying failed");
      return;
    }
}

// A redraw with the classes already set: what panning and zooming then cost.
void ClassedRedraw(benchmark::State& state)
{
  Scene scene;
  if (scene.layer == nullptr || !scene.ClassifyAndRedraw(ZMThematicStyle::kClasses, kValueColumn, 0, "YlOrRd")) {
    state.SkipWithError("classifying failed");
    return;
  }
  for (auto _ : state) {
    scene.model.Invalidate();
    scene.model.Render(nullptr, 0, 0);
  }
}

BENCHMARK(PlainRedraw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(ClassedRedraw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(ClassesAndFirstRedraw)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(CategoriesAndFirstRedraw)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();

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
