// PointGrid.
// SPDX-License-Identifier: MIT
#include "drawing/point_grid.h"

#include <algorithm>
#include <cmath>

namespace zamra::view {

namespace {

constexpr int kPointsPerCell = 16;
constexpr int kMaxSide = 512;

}  // namespace

void PointGrid::Clear()
{
  m_side = 0;
  m_cellStarts = {};
  m_records = {};
  m_marks = {};
}

void PointGrid::Build(const ST_POINT* points, int count)
{
  Clear();
  bool any = false;
  for (int i = 0; i < count; ++i) {
    const ST_POINT& p = points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
      continue;
    if (!any)
      m_box = ST_RECT{p.x, p.x, p.y, p.y};
    m_box.left = std::min(m_box.left, p.x);
    m_box.right = std::max(m_box.right, p.x);
    m_box.bottom = std::min(m_box.bottom, p.y);
    m_box.top = std::max(m_box.top, p.y);
    any = true;
  }
  m_side = std::clamp(static_cast<int>(std::sqrt(count / kPointsPerCell)), 1, kMaxSide);
  const double width = m_box.right - m_box.left;
  const double height = m_box.top - m_box.bottom;
  m_cellsPerX = width > 0 ? m_side / width : 0.0;
  m_cellsPerY = height > 0 ? m_side / height : 0.0;
  // A counting sort by cell: filled in record order, so each cell's records ascend.
  const size_t cells = static_cast<size_t>(m_side) * static_cast<size_t>(m_side);
  m_cellStarts.assign(cells + 1, 0);
  std::vector<int> cellOf(static_cast<size_t>(count), -1);
  for (int i = 0; any && i < count; ++i) {
    const ST_POINT& p = points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y))
      continue;
    const int cell = CellRow(p.y) * m_side + CellColumn(p.x);
    cellOf[static_cast<size_t>(i)] = cell;
    ++m_cellStarts[static_cast<size_t>(cell) + 1];
  }
  for (size_t cell = 0; cell < cells; ++cell)
    m_cellStarts[cell + 1] += m_cellStarts[cell];
  m_records.resize(static_cast<size_t>(m_cellStarts[cells]));
  std::vector<int> next(m_cellStarts.begin(), m_cellStarts.end() - 1);
  for (int i = 0; i < count; ++i)
    if (const int cell = cellOf[static_cast<size_t>(i)]; cell >= 0)
      m_records[static_cast<size_t>(next[static_cast<size_t>(cell)]++)] = i;
  m_marks.assign((static_cast<size_t>(count) + 63) / 64, 0);
}

int PointGrid::CellColumn(double x) const
{
  const double at = std::clamp((x - m_box.left) * m_cellsPerX, 0.0, static_cast<double>(m_side - 1));
  return static_cast<int>(at);
}

int PointGrid::CellRow(double y) const
{
  const double at = std::clamp((y - m_box.bottom) * m_cellsPerY, 0.0, static_cast<double>(m_side - 1));
  return static_cast<int>(at);
}

bool PointGrid::Helps(const ST_RECT& extent) const
{
  if (!IsBuilt())
    return false;
  const long long columns = CellColumn(extent.right) - CellColumn(extent.left) + 1;
  const long long rows = CellRow(extent.top) - CellRow(extent.bottom) + 1;
  return 2 * columns * rows < static_cast<long long>(m_side) * m_side;
}

void PointGrid::Collect(const ST_POINT* points, const ST_RECT& extent, std::vector<int>& records)
{
  records.clear();
  if (!IsBuilt() || extent.right < m_box.left || extent.left > m_box.right || extent.top < m_box.bottom ||
      extent.bottom > m_box.top)
    return;
  size_t lowest = m_marks.size(), highest = 0;
  const auto mark = [&](size_t from, size_t to, bool test) {
    for (size_t k = from; k < to; ++k) {
      const int record = m_records[k];
      if (test) {
        const ST_POINT& p = points[record];
        if (p.x < extent.left || p.x > extent.right || p.y < extent.bottom || p.y > extent.top)
          continue;
      }
      const size_t word = static_cast<size_t>(record) / 64;
      m_marks[word] |= std::uint64_t{1} << (record % 64);
      lowest = std::min(lowest, word);
      highest = std::max(highest, word);
    }
  };
  // A cell's column and row only grow with x and y, so a point in a cell strictly between the
  // extent's first and last columns and rows lies strictly inside it: those cells' points are
  // taken without being read.
  const int firstColumn = CellColumn(extent.left), lastColumn = CellColumn(extent.right);
  const int firstRow = CellRow(extent.bottom), lastRow = CellRow(extent.top);
  const auto start = [this](int cell) { return static_cast<size_t>(m_cellStarts[static_cast<size_t>(cell)]); };
  for (int row = firstRow; row <= lastRow; ++row) {
    const int firstCell = row * m_side + firstColumn, lastCell = row * m_side + lastColumn;
    if (row == firstRow || row == lastRow || lastColumn - firstColumn < 2) {
      mark(start(firstCell), start(lastCell + 1), true);
      continue;
    }
    mark(start(firstCell), start(firstCell + 1), true);
    mark(start(firstCell + 1), start(lastCell), false);
    mark(start(lastCell), start(lastCell + 1), true);
  }
  // The marks, read in order, give the records in order; reading clears them for next time.
  for (size_t word = lowest; word <= highest && word < m_marks.size(); ++word) {
    std::uint64_t bits = m_marks[word];
    m_marks[word] = 0;
    while (bits != 0) {
      const int bit = __builtin_ctzll(bits);
      records.push_back(static_cast<int>(word * 64 + static_cast<size_t>(bit)));
      bits &= bits - 1;
    }
  }
}

}  // namespace zamra::view
