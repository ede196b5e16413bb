// Private: lines and rings of longitude/latitude data that cross ±180°. Such a part is stored
// with a jump of more than 180° of longitude between two vertices; drawn as it is, it runs as a
// band across the whole world. Cut, it becomes the pieces it is on either side of ±180°.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <type_traits>
#include <vector>

#include "api/formats/shape_records.h"

namespace zamra::view {

// The pieces of one ring: the ring followed along the unwrapped longitudes (a jump of more than
// 180° taken as the short way across ±180°), closed along the pole when it goes round one (its
// longitudes run through 360°, as Antarctica's do), and cut into the window -180..180 and the
// windows beside it, each moved back into -180..180. Empty when the ring does not cross ±180°
// or winds round a pole more than once (left as it is).
std::vector<std::vector<ST_POINT>> CutRingAtAntimeridian(const ST_POINT* points, int count);

// The pieces of one line cut where it jumps across ±180°, each end at the crossing's latitude.
// Empty when it does not cross.
std::vector<std::vector<ST_POINT>> CutLineAtAntimeridian(const ST_POINT* points, int count);

// Records of a polyline or polygon layer whose parts cross ±180°, with their parts replaced by
// the pieces (owned here, for as long as the records are used).
template <typename Multi>
class AntimeridianPieces final {
public:
  using Part = std::remove_pointer_t<decltype(Multi::parts)>;

  // Replaces the parts of every record of `records` that has a crossing part with the pieces of
  // its parts (the others copied as they are), and its box with theirs. `rings`: parts are areas
  // (cut and closed along ±180°), else lines. Returns how many records were cut.
  int CutRecords(Multi* records, int count, bool rings);
  // The largest piece of a record that was cut (by the span of its box), where its label goes;
  // null for a record that was not.
  const Part* LargestPiece(int record) const;

private:
  struct CutRecord {
    int record;
    const Part* largest;
  };
  std::vector<std::unique_ptr<Part[]>> m_parts;  // each part owns its points
  std::vector<CutRecord> m_cutRecords;           // in record order
};

extern template class AntimeridianPieces<ST_MPOLYLINE>;
extern template class AntimeridianPieces<ST_MPOLYGON>;

}  // namespace zamra::view
