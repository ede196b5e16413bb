// Fuzzes the reading of other vector formats through GDAL: a GeoJSON text of any features,
// geometries (collections inside collections, curves, empty parts, Z and M) and fields (numbers
// past 64 bits, lists, dates, long texts), listed by kind and each layer loaded through the map
// view's loader. GDAL's own parser is not ours; what is fuzzed is what we make of what it gives:
// the geometry read from its well-known binary, the table's widths and cells, the layers.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/map_model.h"
#include "scratch_file.h"
#include "view/ilayer.h"
#include "view/vector_source.h"

using namespace zamra::view;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 16))
    return 0;
  const std::string source = zamra_fuzz::WriteScratchFile(data, size, ".geojson");
  if (source.empty())
    return 0;
  std::vector<ZamraVectorLayer> layers;
  if (ZamraVectorSource::ListLayers(source, layers) != ZamraVectorStatus::Ok)
    return 0;
  CMapModel model;
  for (const ZamraVectorLayer& entry : layers)
    if (ILayer* layer = model.AddLayer(entry.path.c_str())) {
      layer->HitTest(0.5, 0.5);
      IDataView* table = layer->GetDataView();
      zm_variant value;
      for (int row = 0; table != nullptr && row < table->GetRowCount() && row < 8; ++row)
        for (int column = 0; column < table->GetColumnCount(); ++column)
          table->GetItemValue(row, column, value);
    }
  return 0;
}
