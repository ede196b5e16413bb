// Fuzzes the shared record reader and the map view's layers built on it. The first byte picks
// the .shx: none, one made from the .shp's own records with one entry moved, or one carried in
// the input (two bytes of length, then its bytes, then the .shp). Whatever the files claim, every
// record handed out lies inside the .shp, and a layer either refuses the files or holds records
// whose parts and points lie inside what it loaded; hit tests and boxes then walk them.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "shape_core/record_index.h"
#include "api/formats/shape_type.h"
#include "model/map_model.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"

using namespace zamra::view;

namespace zs = zamra::shape;

namespace {

// The index a writer would have made for the records the .shp holds.
std::vector<unsigned char> IndexOf(const std::vector<unsigned char>& shp)
{
  zs::RecordIndex walked;
  if (!walked.Build(shp.data(), static_cast<std::int64_t>(shp.size()), nullptr, 0))
    return {};
  std::vector<unsigned char> shx(shp.begin(), shp.begin() + zs::kHeaderSize);
  walked.ForEach([&](int, const zs::Record& record) {
    const std::int64_t offset = record.content - zs::kRecordHeaderSize - shp.data();
    unsigned char entry[zs::kIndexEntrySize];
    ZMType::WriteEsriInt(entry, static_cast<int>(offset / 2));
    ZMType::WriteEsriInt(entry + 4, static_cast<int>(record.length / 2));
    shx.insert(shx.end(), entry, entry + sizeof entry);
    return true;
  });
  return shx;
}

void CheckRecords(const std::vector<unsigned char>& shp, const zs::RecordIndex& index)
{
  const unsigned char* begin = shp.data();
  const unsigned char* end = shp.data() + shp.size();
  index.ForEach([&](int, const zs::Record& record) {
    if (record.content < begin + zs::kHeaderSize + zs::kRecordHeaderSize || record.length < zs::kTypeSize ||
        record.length > end - record.content)
      std::abort();
    return true;
  });
}

void ExerciseLayer(CShapeLayer& layer, const std::vector<unsigned char>& shp, const std::vector<unsigned char>* shx)
{
  FileBytes bytes;
  bytes.data.reset(AllocateLarge(static_cast<std::int64_t>(shp.size())));
  if (!bytes.data)
    return;
  std::memcpy(bytes.data.get(), shp.data(), shp.size());
  bytes.size = static_cast<std::int64_t>(shp.size());
  if (!layer.LoadGeometry(std::move(bytes), shx ? shx->data() : nullptr,
                          shx ? static_cast<std::int64_t>(shx->size()) : 0))
    return;
  layer.HitTest(0.5, 0.5);
  double x0, y0, x1, y1;
  for (int i = 0; i < layer.RecordCount(); ++i)
    layer.GetShapeRect(i, &x0, &y0, &x1, &y1);
  layer.GetRect(&x0, &y0, &x1, &y1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size < 1 || size > (1u << 24))
    return 0;
  const int mode = data[0] % 3;
  ++data;
  --size;
  // Exact-size copies, so that the sanitizer sees any read past the end.
  std::vector<unsigned char> shx;
  if (mode == 2) {
    if (size < 2)
      return 0;
    const size_t length = std::min<size_t>(data[0] | (data[1] << 8), size - 2);
    shx.assign(data + 2, data + 2 + length);
    data += 2 + length;
    size -= 2 + length;
  }
  const std::vector<unsigned char> shp(data, data + size);
  if (mode == 1) {
    shx = IndexOf(shp);
    if (shx.size() > zs::kHeaderSize && !shp.empty()) {
      // One entry moved by the last byte of the .shp: the index now disagrees somewhere.
      const size_t entry = shp.back() % ((shx.size() - zs::kHeaderSize) / zs::kIndexEntrySize);
      shx[zs::kHeaderSize + zs::kIndexEntrySize * entry + 3] ^= shp.back();
    }
  }
  const std::vector<unsigned char>* index = mode == 0 ? nullptr : &shx;

  tagShpHead head;
  if (shp.size() >= zs::kHeaderSize)
    ZMType::ReadShpHead(shp.data(), &head);
  zs::RecordIndex records;
  if (!records.Build(shp.data(), static_cast<std::int64_t>(shp.size()), index ? index->data() : nullptr,
                     index ? static_cast<std::int64_t>(index->size()) : 0))
    return 0;
  CheckRecords(shp, records);

  CMapModel model;
  CPointLayer points(&model);
  CPolylineLayer lines(&model);
  CPolygonLayer rings(&model);
  switch (CShapeLayer::LayerTypeOf(records.Header().shapeType)) {
  case 1:
    ExerciseLayer(points, shp, index);
    break;
  case 3:
    ExerciseLayer(lines, shp, index);
    break;
  case 5:
    ExerciseLayer(rings, shp, index);
    break;
  default:
    break;
  }
  return 0;
}
