// Private: multipatch records (3-D surfaces of triangle strips, fans and rings) as the polygons
// they cover on the map, which is how the view draws and hit-tests them.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "shape_core/file_block.h"
#include "shape_core/record_index.h"

namespace zamra::view {

// Which rings of one record start a polygon of their own; the rings after one, up to the next
// that starts one, are its holes (or islands in them).
using PolygonStarts = std::vector<std::vector<bool>>;

// Writes the records that `index` finds in a multipatch .shp as a polygon .shp in memory: each
// triangle of a strip, a fan or a triangle list becomes a ring that is a polygon of its own; an
// outer ring or a first ring starts a polygon, and the inner rings and rings after it are its
// holes. Parts of unknown type, the z values and the measures are left out. A null shape, a
// record of another type and one whose counts contradict its length become null shapes. The
// new file holds as many records as `index`, in the same order, and `starts` one entry per
// record (empty for a null shape). False when memory runs out or the file would pass 2 GiB.
bool MultipatchAsPolygons(const zamra::shape::RecordIndex& index, FileBytes& polygons, PolygonStarts& starts,
                          bool hugePages);

}  // namespace zamra::view
