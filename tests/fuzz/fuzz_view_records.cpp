// Fuzzes the map view's own record reader: whatever the record area claims, loading either
// fails or gives records whose parts and points lie inside what was loaded; a hit test then
// walks them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "view/map_model.h"
#include "view/point_layer.h"
#include "view/polygon_layer.h"
#include "view/polyline_layer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 2)
    return 0;
  // First byte: which layer; second: how many records the index claims.
  CMapModel model;
  CPointLayer points(&model);
  CPolylineLayer lines(&model);
  CPolygonLayer rings(&model);
  CShapeLayer* layers[] = {&points, &lines, &rings};
  CShapeLayer* layer = layers[data[0] % 3];
  layer->recordCount = data[1];
  if (!layer->LoadRecords(data + 2, static_cast<int>(size - 2)))
    return 0;
  layer->HitTest(0.5, 0.5);
  double x0, y0, x1, y1;
  for (int i = 0; i < layer->recordCount; ++i)
    layer->GetShapeRect(i, &x0, &y0, &x1, &y1);
  return 0;
}
