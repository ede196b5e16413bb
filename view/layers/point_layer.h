// CPointLayer: a layer of point records, each drawn as a symbol of the symbol strip. A
// multipoint record is one feature with a symbol at each of its points.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "drawing/point_grid.h"
#include "layers/shape_layer.h"

namespace zamra::view {

class CPointLayer final : public CShapeLayer {
public:
  explicit CPointLayer(MapCanvas* canvas);
  ~CPointLayer() override;

  // The record's point, or the box of a multipoint's points; the layer's box for a record
  // without geometry; nothing for an index out of range.
  void GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY) override;
  // The record with the nearest point within a squared distance of 2 (coordinate units); the
  // earliest of equally near points wins. Records without geometry are never hit.
  int HitTest(double x, double y) override;
  void SetPointIndex(int index) override { pointIndex = index; }
  int GetPointIndex() override { return pointIndex; }
  void DrawShapes(HDC dc) override;
  void DrawLabels(HDC dc) override;

  bool HasGeometry(int record) const { return !m_isNull[static_cast<size_t>(record)]; }
  // All points, in record order: one per record for a point file (a null shape's reads (0, 0)),
  // all of a multipoint record's points one after another for a multipoint file.
  const ST_POINT* Points() const { return m_points.get(); }
  // The points of `record`: [FirstPoint(record), FirstPoint(record + 1)).
  std::int64_t FirstPoint(int record) const
  {
    return m_firstPoint.empty() ? record : m_firstPoint[static_cast<size_t>(record)];
  }

  int pointIndex = 1;

protected:
  bool AdoptRecords(MallocPtr<unsigned char> block, const zamra::shape::RecordIndex& index, int fileType) override;
  bool RecordsExtent(ST_RECT& extent) const override;
  int ProjectRecords(const LayerProjection& projection) override;
  LabelAnchor GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope) override;

private:
  // Layers smaller than this are culled point by point as fast as through a grid.
  static constexpr int kGridMinimumRecords = 4096;
  // Fills the label candidates from the grid, built when first needed; false when the grid
  // would not save work for `extent` (the caller culls every point then).
  bool CullWithGrid(const ST_RECT& extent);
  // Culls the points to the visible extent (noting the label candidates) and calls
  // draw(record, x, y) for each visible point, in record order.
  template <typename Draw>
  void DrawPoints(Draw draw);

  MallocPtr<ST_POINT> m_points;
  std::vector<std::int64_t> m_firstPoint;  // multipoint files: recordCount + 1 starts; else empty
  std::vector<bool> m_isNull;              // records that are null shapes
  // Records whose label point showed in the last drawing of the symbols, and which redraw that was.
  std::vector<int> m_labelCandidates;
  // Their label points, when the grid picked them: a few scattered among a million, read again
  // from here rather than from far apart in m_points. Empty after a pass over all the records.
  std::vector<ST_POINT> m_candidatePoints;
  std::uint64_t m_candidatesRedraw = 0;
  PointGrid m_grid;
};

}  // namespace zamra::view
