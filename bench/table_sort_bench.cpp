// Sorting the properties window's table of the 1,000,000-point layer by a numeric column
// (VALUE) and by a text column (NAME): the time from the header click to the first sorted
// screen painted, and how the window kept painting meanwhile (paints during the sort and the
// longest time the event loop waited). The peer reads the same column with shapelib and sorts
// the record numbers the same way (stable, numbers as numbers), with no window at all.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <shapefil.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "data_wnd.h"
#include "layer_table_model.h"
#include "resource_table.h"
#include "support/loaded_view.h"
#include "support/sample_data.h"
#include "view/idata_view.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

namespace {

using zamra_bench::LoadedView;

constexpr int kNameColumn = 1;
constexpr int kValueColumn = 2;

// Counts the paints of a window's widgets.
class PaintCounter final : public QObject {
public:
  bool eventFilter(QObject*, QEvent* event) override
  {
    if (event->type() == QEvent::Paint)
      ++paints;
    return false;
  }
  int paints = 0;
};

void SortToFirstScreen(benchmark::State& state, int column)
{
  IZamraView* view = LoadedView();
  if (view == nullptr) {
    state.SkipWithError("the sample layer cannot be loaded");
    return;
  }
  mapory::CDataWnd window(view, nullptr, QStringLiteral("Property"));
  window.resize(800, 600);
  window.show();
  PaintCounter counter;
  qApp->installEventFilter(&counter);
  double longestWait = 0;
  int paints = 0;
  for (auto _ : state) {
    state.PauseTiming();
    window.ShowLayer(-1, -1);
    window.ShowLayer(0, -1);  // unsorted again
    QApplication::processEvents();
    counter.paints = 0;
    state.ResumeTiming();
    window.SortByColumn(column, true);
    QElapsedTimer wait;
    while (window.IsOrdering()) {
      wait.start();
      QApplication::processEvents(QEventLoop::AllEvents, 5);
      longestWait = std::max(longestWait, static_cast<double>(wait.nsecsElapsed()) / 1e6);
    }
    paints = counter.paints;
    window.Table()->viewport()->repaint();  // the first sorted screen
  }
  qApp->removeEventFilter(&counter);
  state.counters["paints_while_sorting"] = paints;
  state.counters["longest_event_loop_wait_ms"] = longestWait;
  // The screen shows the smallest value first.
  mapory::CLayerTableModel* model = window.Model();
  state.SetLabel(model->data(model->index(0, column)).toString().trimmed().toStdString());
}

void WindowSortByValue(benchmark::State& state) { SortToFirstScreen(state, kValueColumn); }
void WindowSortByName(benchmark::State& state) { SortToFirstScreen(state, kNameColumn); }

// The peer: shapelib reads the column from the .dbf, then a stable sort of the record numbers.
void ShapelibReadAndSort(benchmark::State& state, int column)
{
  const std::string shp = zamra_bench::EnsurePointSample(zamra_bench::SampleFolder());
  const std::string dbfPath = shp.substr(0, shp.size() - 4) + ".dbf";
  for (auto _ : state) {
    DBFHandle dbf = DBFOpen(dbfPath.c_str(), "rb");
    if (dbf == nullptr) {
      state.SkipWithError("shapelib cannot open the table");
      return;
    }
    const int rows = DBFGetRecordCount(dbf);
    std::vector<int> order(static_cast<size_t>(rows));
    std::iota(order.begin(), order.end(), 0);
    if (column == kValueColumn) {
      std::vector<double> keys(static_cast<size_t>(rows));
      for (int row = 0; row < rows; ++row)
        keys[static_cast<size_t>(row)] = DBFReadDoubleAttribute(dbf, row, column);
      std::stable_sort(order.begin(), order.end(),
                       [&keys](int a, int b) { return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)]; });
    } else {
      std::vector<std::string> keys(static_cast<size_t>(rows));
      for (int row = 0; row < rows; ++row)
        keys[static_cast<size_t>(row)] = DBFReadStringAttribute(dbf, row, column);
      std::stable_sort(order.begin(), order.end(),
                       [&keys](int a, int b) { return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)]; });
    }
    DBFClose(dbf);
    benchmark::DoNotOptimize(order.data());
  }
}

void ShapelibSortByValue(benchmark::State& state) { ShapelibReadAndSort(state, kValueColumn); }
void ShapelibSortByName(benchmark::State& state) { ShapelibReadAndSort(state, kNameColumn); }

BENCHMARK(WindowSortByValue)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ShapelibSortByValue)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WindowSortByName)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ShapelibSortByName)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  mapory::CResourceTable::SelectLanguage(1);  // English texts for the progress bar
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
