// Opening the properties window on the 1,000,000-point layer (3 columns) and scrolling to its
// last row, against filling a QTableWidget with every cell as a list control is filled, on the
// same layer in the same run. Resident memory growth of each is reported.
// SPDX-License-Identifier: MIT
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>

#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "data_wnd.h"
#include "support/loaded_view.h"
#include "support/sample_data.h"
#include "view/idata_view.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"

namespace {

using zamra_bench::LoadedView;

long ResidentBytes()
{
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

void ShowTableAndScrollToTheEnd(QAbstractItemView* table)
{
  table->resize(800, 600);
  table->show();
  QApplication::processEvents();
  table->scrollToBottom();
  table->repaint();  // paints the last rows now, with their cells read
}

void PropertiesWindowOpen(benchmark::State& state)
{
  IZamraView* view = LoadedView();
  if (view == nullptr) {
    state.SkipWithError("the sample layer cannot be loaded");
    return;
  }
  long growth = 0;
  for (auto _ : state) {
    const long before = ResidentBytes();
    mapory::CDataWnd window(view, nullptr, QStringLiteral("Property"));
    window.resize(800, 600);
    window.show();
    window.ShowLayer(0, -1);
    ShowTableAndScrollToTheEnd(window.Table());
    growth = ResidentBytes() - before;
  }
  state.counters["resident_MB"] = static_cast<double>(growth) / 1e6;
}

void FilledTableWidget(benchmark::State& state)
{
  IZamraView* view = LoadedView();
  if (view == nullptr) {
    state.SkipWithError("the sample layer cannot be loaded");
    return;
  }
  IDataView* table = view->GetLayerByIndex(0)->GetDataView();
  long growth = 0;
  for (auto _ : state) {
    const long before = ResidentBytes();
    QTableWidget widget;
    const int rows = table->GetRowCount(), columns = table->GetColumnCount();
    widget.setColumnCount(columns);
    widget.setRowCount(rows);
    char text[260];
    for (int row = 0; row < rows; ++row)
      for (int column = 0; column < columns; ++column) {
        table->GetItemValue(row, column, text);
        widget.setItem(row, column, new QTableWidgetItem(QString::fromUtf8(text)));
      }
    ShowTableAndScrollToTheEnd(&widget);
    growth = ResidentBytes() - before;
  }
  state.counters["resident_MB"] = static_cast<double>(growth) / 1e6;
}

BENCHMARK(PropertiesWindowOpen)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(FilledTableWidget)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv)
{
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
