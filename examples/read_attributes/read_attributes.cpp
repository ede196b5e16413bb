// read_attributes: prints a shapefile's shape type, its records' boxes and their attributes,
// built as another project would build it, against the installed ZamraApi only.
//
//   read_attributes FILE.shp [ROWS]
// SPDX-License-Identifier: MIT
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "api/formats/data_view.h"
#include "api/formats/shape_file.h"

namespace {

// The box of record `index`, whatever the file's shape type; false for a null shape.
bool RecordBox(ZMShapeFile& file, int index, ST_RECT& box)
{
  if (auto* points = dynamic_cast<ZMShapePointFile*>(&file)) {
    const ST_POINT* point = points->GetShape(index);
    if (point == nullptr)
      return false;
    box.left = box.right = point->x;
    box.bottom = box.top = point->y;
    return true;
  }
  if (auto* lines = dynamic_cast<ZMShapePolylineFile*>(&file)) {
    const ST_MPOLYLINE* line = lines->GetShape(index);
    if (line == nullptr)
      return false;
    box = line->envelop;
    return true;
  }
  if (auto* polygons = dynamic_cast<ZMShapePolygonFile*>(&file)) {
    const ST_MPOLYGON* polygon = polygons->GetShape(index);
    if (polygon == nullptr)
      return false;
    box = polygon->envelop;
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 2) {
    std::fprintf(stderr, "usage: read_attributes FILE.shp [ROWS]\n");
    return 2;
  }
  const int rowsWanted = argc > 2 ? std::atoi(argv[2]) : 5;
  // GetInstance picks the class for the file's shape type; the object is ours to delete.
  std::unique_ptr<ZMShapeFile> file(ZMShapeFile::GetInstance(argv[1]));
  if (!file) {
    std::fprintf(stderr, "read_attributes: %s: not a readable point, polyline or polygon shapefile\n", argv[1]);
    return 1;
  }
  ZMDataView* table = file->GetDataView();  // owned by the file
  if (table == nullptr)
    return 1;
  std::printf("shape type %d, %d records, %d columns\n", file->GetShapeType(), file->GetRecordCount(),
              table->GetColumnCount());
  for (int column = 0; column < table->GetColumnCount(); ++column) {
    char type = 0, flag = 0;
    int length = 0;
    char name[40];
    table->GetColumn(column, type, length, name, nullptr, flag);
    std::printf("column %s\n", name);
  }
  for (int row = 0; row < file->GetRecordCount() && row < rowsWanted; ++row) {
    ST_RECT box;
    if (RecordBox(*file, row, box))
      std::printf("record %d: box %.3f %.3f %.3f %.3f\n", row, box.left, box.bottom, box.right, box.top);
    else
      std::printf("record %d: no geometry\n", row);
    for (int column = 0; column < table->GetColumnCount(); ++column) {
      char text[ZMDataView::kTextSize];
      table->GetItemValue(row, column, text, sizeof text);
      std::printf("  %s\n", text);
    }
  }
  return 0;
}
