// PointGrid: the points of a layer sorted into a grid of cells, so that a view of a small part
// of a million points visits that part only, and still in record order.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "api/formats/shape_records.h"

namespace zamra::view {

class PointGrid final {
public:
  // Sorts `count` points (one per record) into cells over their box. Points that are not
  // finite go into no cell: no view shows them.
  void Build(const ST_POINT* points, int count);
  bool IsBuilt() const { return m_side > 0; }
  void Clear();

  // Whether the grid saves work for `extent`: it covers well under half of the points' box.
  bool Helps(const ST_RECT& extent) const;
  // The records whose point lies in `extent` (edges included), in ascending order.
  void Collect(const ST_POINT* points, const ST_RECT& extent, std::vector<int>& records);

private:
  int CellColumn(double x) const;
  int CellRow(double y) const;

  int m_side = 0;  // cells along each axis; 0: not built
  ST_RECT m_box{};
  double m_cellsPerX = 0.0;
  double m_cellsPerY = 0.0;
  std::vector<int> m_cellStarts;       // m_side * m_side + 1 offsets into m_records
  std::vector<int> m_records;          // by cell, each cell's in ascending order
  std::vector<std::uint64_t> m_marks;  // one bit a record, cleared after each Collect
};

}  // namespace zamra::view
