// mapory-identify: which record lies at a geographic point in each of the given files, with its
// attributes. It loads the files through the map view control, as the viewer does: shapefiles,
// archives (.zip: every shapefile in it) and the vector formats GDAL reads (every table and kind).
//
//   mapory-identify LONGITUDE LATITUDE FILE.shp|FILE.zip|FILE.gpkg|... [FILE ...]
//
// Exit code 0 when every file loaded, 1 when one could not be loaded, 2 for a usage error.
// SPDX-License-Identifier: MIT
#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "api/formats/data_view.h"
#include "archive_files.h"
#include "layer_coordinates_note.h"
#include "load_failure.h"
#include "view/izamra_view.h"

namespace {

bool ParseNumber(const char* text, double& value)
{
  char* end = nullptr;
  value = std::strtod(text, &end);
  return end != text && *end == '\0';
}

void PrintRecord(ILayer* layer, int record)
{
  IDataView* table = layer->GetDataView();
  const int columns = table->GetColumnCount();
  for (int column = 0; column < columns; ++column) {
    char type = 0, flag = 0;
    int length = 0;
    char name[40] = "";
    char format[64] = "";
    table->GetColumn(column, type, length, name, format, flag);
    char value[ZMDataView::kTextSize] = "";
    if (record < table->GetRowCount())
      table->GetItemValue(record, column, value);
    std::printf("  %-12s %s\n", name, value);
  }
}

}  // namespace

int main(int argc, char** argv)
{
  double x = 0.0, y = 0.0;
  if (argc < 4 || !ParseNumber(argv[1], x) || !ParseNumber(argv[2], y)) {
    std::fprintf(stderr, "usage: mapory-identify LONGITUDE LATITUDE FILE.shp|FILE.zip|FILE.gpkg|... [FILE ...]\n");
    return 2;
  }
  // The view lives in a window; without a display it works just as well offscreen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  std::unique_ptr<IZamraView> view(IZamraView::GetInstance());
  if (!view || !view->Create(nullptr, 0, 0, 0, 0, 600, 400, nullptr, 2001)) {
    std::fprintf(stderr, "mapory-identify: cannot create the map view\n");
    return 1;
  }
  int failures = 0;
  const std::vector<std::string> files = ExpandArchives(std::vector<std::string>(argv + 3, argv + argc),
                                                        "mapory-identify", &failures);
  int status = failures > 0 ? 1 : 0;
  for (const std::string& file : files) {
    const std::uint64_t memoryShort = zamra::sys::MemoryShortCount();
    ILayer* layer = view->AddLayer(file.c_str());
    if (layer == nullptr) {
      std::fprintf(stderr, "mapory-identify: %s: %s\n", file.c_str(), LoadFailureReason(memoryShort));
      status = 1;
      continue;
    }
    PrintCoordinatesNote("mapory-identify", view.get(), layer);
    char name[MAX_PATH] = "";
    layer->GetName(name);
    const int record = layer->HitTest(x, y);
    if (record < 0) {
      std::printf("%s: nothing at (%g, %g)\n", name, x, y);
      continue;
    }
    std::printf("%s: record %d\n", name, record);
    PrintRecord(layer, record);
  }
  return status;
}
