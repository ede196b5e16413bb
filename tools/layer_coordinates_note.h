// What the map tools say about a layer's coordinates: nothing for a file in longitude/latitude,
// a note on the error output when its numbers were taken as they are for want of a usable
// coordinate system, or when records had to be dropped in the transformation.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdio>
#include <string>

#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"
#include "view/vector_source.h"

inline void PrintCoordinatesNote(const char* program, IZamraView* view, ILayer* layer)
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(view);
  if (extras == nullptr || layer == nullptr)
    return;
  char system[256] = "";
  int dropped = 0;
  const int coordinates = extras->GetLayerCoordinates(layer, system, sizeof system, &dropped);
  char name[MAX_PATH] = "";
  layer->GetName(name);
  std::string format, described;
  ZamraVectorSource::DescribeLayer(layer, format, described);
  switch (coordinates) {
  case ZM_COORDINATES_NONE_NAMED:
    if (format != "ESRI Shapefile")  // read through GDAL: no .prj to speak of
      std::fprintf(stderr,
                   "%s: %s: its file names no coordinate system; its coordinates are taken as "
                   "longitude/latitude\n",
                   program, name);
    else
      std::fprintf(stderr, "%s: %s: no .prj beside it; its coordinates are taken as longitude/latitude\n", program,
                   name);
    break;
  case ZM_COORDINATES_UNREADABLE:
    std::fprintf(stderr,
                 "%s: %s: its .prj names no coordinate system PROJ can use; its coordinates are taken as "
                 "longitude/latitude\n",
                 program, name);
    break;
  case ZM_COORDINATES_TRANSFORMED:
    std::fprintf(stderr, "%s: %s: transformed from \"%s\" to WGS 84 longitude/latitude\n", program, name, system);
    if (dropped > 0)
      std::fprintf(stderr, "%s: %s: records with a vertex outside that system's domain, left out as null shapes: %d\n",
                   program, name, dropped);
    break;
  default:
    break;
  }
}
