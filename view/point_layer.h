// CPointLayer: a layer of point records, each drawn as a symbol of the symbol strip.
#pragma once

#include <memory>
#include <vector>

#include "view/shape_layer.h"

class CPointLayer final : public CShapeLayer {
public:
  explicit CPointLayer(CMapModel* model);
  ~CPointLayer() override;

  void GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY) override;
  // The nearest point within a squared distance of 2 (coordinate units); the earliest of
  // equally near points wins. Records without geometry are never hit.
  int HitTest(double x, double y) override;
  void SetPointIndex(int index) override { pointIndex = index; }
  int GetPointIndex() override { return pointIndex; }
  void DrawShapes(HDC dc) override;
  void DrawLabels(HDC dc) override;

  bool HasGeometry(int record) const { return !m_isNull[static_cast<size_t>(record)]; }
  const ST_POINT* Points() const { return m_points.get(); }

  int pointIndex = 1;

protected:
  // Walks the records by their content lengths; null shapes keep their place without geometry.
  bool AdoptRecords(MallocPtr<unsigned char> block, std::int64_t offset, std::int64_t size) override;
  LabelAnchor GetLabelAnchor(int record, ST_POINT& point, ST_RECT& envelope) override;

private:
  MallocPtr<ST_POINT> m_points;  // recordCount points
  std::vector<bool> m_isNull;            // records that are null shapes
};
