// CPartLayer: what polyline and polygon layers share: records of parts, loaded alike, boxed
// alike and labelled in their boxes.
// SPDX-License-Identifier: MIT
#pragma once

#include "coordinates/antimeridian.h"
#include "drawing/map_canvas.h"
#include "records/part_records.h"
#include "layers/shape_layer.h"
#include "shape_core/shape_layout.h"

namespace zamra::view {

template <typename Multi>
class CPartLayer : public CShapeLayer {
public:
  CPartLayer(MapCanvas* canvas, int shapeType) : CShapeLayer(canvas, shapeType) {}

  // The record's box, or the layer's for an index out of range.
  void GetShapeRect(int index, double* minX, double* minY, double* maxX, double* maxY) override
  {
    // A null shape has no box of its own.
    const bool own = index >= 0 && index < RecordCount() && m_records.Records()[index].partCount > 0;
    const ST_RECT& box = own ? m_records.Records()[index].envelop : Header().envelop;
    *minX = box.left;
    *minY = box.bottom;
    *maxX = box.right;
    *maxY = box.top;
  }

  void DrawLabels(HDC dc) override { DrawLabelsWithFont(dc); }

  const Multi* Records() const { return m_records.Records(); }
  std::int64_t VertexCount() const { return m_records.PointCount(); }

protected:
  bool AdoptRecords(MallocPtr<unsigned char> block, const zamra::shape::RecordIndex& index, int fileType) override
  {
    return m_records.Load(std::move(block), index, RecordCount(), fileType, Header().envelop);
  }

  bool RecordsExtent(ST_RECT& extent) const override { return m_records.Extent(extent); }

  void CutAtAntimeridian() override
  {
    m_antimeridian.CutRecords(m_records.Records(), RecordCount(), GetType() == zamra::shape::kPolygon);
  }

  int ProjectRecords(const LayerProjection& projection) override
  {
    return ProjectPartRecords(projection, m_records.Records(), RecordCount(), m_records.Points(),
                              m_records.PointCount());
  }

  LabelAnchor GetLabelAnchor(int record, ST_POINT&, ST_RECT& envelope) override
  {
    const Multi& target = m_records.Records()[record];
    if (target.partCount == 0)
      return LabelAnchor::None;  // null shapes are neither drawn nor labelled
    // A record cut at ±180° spans the world: labelled on its largest piece.
    const auto* piece = m_antimeridian.LargestPiece(record);
    envelope = piece != nullptr ? piece->envelop : target.envelop;
    return LabelAnchor::InEnvelope;
  }

  // Every part of every record, each its own polygon or polyline, culled by its box.
  void DrawAllParts(HDC dc, bool filled)
  {
    const Multi* records = m_records.Records();
    for (int record = 0; record < RecordCount(); ++record) {
      const Multi& target = records[record];
      if (!Canvas()->IsVisibleIn(dc, target.envelop))
        continue;  // the record's box holds its parts
      for (int part = 0; part < target.partCount; ++part)
        Canvas()->DrawPart(dc, target.parts[part].points, target.parts[part].pointCount, target.parts[part].envelop,
                           filled, GetLineColor());
    }
  }

  PartRecords<Multi> m_records;
  AntimeridianPieces<Multi> m_antimeridian;  // the pieces of records that cross ±180°
};

}  // namespace zamra::view
