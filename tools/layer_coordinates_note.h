// What the map tools say about a layer's coordinates: nothing for a file in longitude/latitude,
// a note on the error output when its numbers were taken as they are for want of a usable .prj,
// or when records had to be dropped in the transformation.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>

#include "shape_layer.h"

inline void PrintCoordinatesNote(const char* program, ILayer* layer)
{
  // Every layer the view hands out is one of its shapefile layers.
  const LayerProjectionInfo& info = static_cast<CShapeLayer*>(layer)->Projection();
  char name[MAX_PATH] = "";
  layer->GetName(name);
  switch (info.coordinates) {
  case LayerCoordinates::NoPrj:
    if (static_cast<CShapeLayer*>(layer)->IsConverted())
      std::fprintf(stderr,
                   "%s: %s: its file names no coordinate system; its coordinates are taken as "
                   "longitude/latitude\n",
                   program, name);
    else
      std::fprintf(stderr, "%s: %s: no .prj beside it; its coordinates are taken as longitude/latitude\n", program,
                   name);
    break;
  case LayerCoordinates::UnreadablePrj:
    std::fprintf(stderr,
                 "%s: %s: its .prj names no coordinate system PROJ can use; its coordinates are taken as "
                 "longitude/latitude\n",
                 program, name);
    break;
  case LayerCoordinates::Transformed:
    std::fprintf(stderr, "%s: %s: transformed from \"%s\" to WGS 84 longitude/latitude\n", program, name,
                 info.systemName.c_str());
    if (info.droppedRecords > 0)
      std::fprintf(stderr, "%s: %s: records with a vertex outside that system's domain, left out as null shapes: %d\n",
                   program, name, info.droppedRecords);
    break;
  case LayerCoordinates::LongitudeLatitude:
    break;
  }
}
