// Fuzzes the reading of shapefiles from .zip archives: the archive's directory, its member
// names, the members' bytes and the shapefiles in them, through the map view's loader. Whatever
// the archive holds, it is refused with a status or its shapefiles load; nothing is written.
// SPDX-License-Identifier: MIT
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/map_model.h"
#include "scratch_file.h"
#include "view/ilayer.h"
#include "view/shapefile_archive.h"

using namespace zamra::view;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (size > (1u << 20))
    return 0;
  const std::string archive = zamra_fuzz::WriteScratchFile(data, size, ".zip");
  if (archive.empty())
    return 0;
  std::vector<std::string> members;
  if (ZamraArchive::ListShapefiles(archive, members) != ZamraArchiveStatus::Ok)
    return 0;
  CMapModel model;
  for (size_t i = 0; i < members.size() && i < 4; ++i)
    if (ILayer* layer = model.AddLayer(ZamraArchive::MemberPath(archive, members[i]).c_str())) {
      layer->HitTest(0.5, 0.5);
      double x0, y0, x1, y1;
      layer->GetRect(&x0, &y0, &x1, &y1);
    }
  return 0;
}
