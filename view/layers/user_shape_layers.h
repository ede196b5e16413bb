// CUserPolylineLayer and CUserPolygonLayer: the host's own lines and rings, each item drawn in
// the layer's style or, when added with its own style, in the item's.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <vector>

#include "platform/win_types.h"
#include "view/iuser_layers.h"

namespace zamra::view {

class MapCanvas;

// One user line or ring with an owned copy of its points.
struct CUserShapeItem {
  static constexpr int kNameSize = 21;  // 20 characters and the terminator

  int id = 0;
  int value = 0;
  int pointCount = 0;
  std::unique_ptr<ST_POINT[]> points;
  ST_RECT envelop;
  char name[kNameSize] = "";
  BYTE ownStyle = 0;
  BYTE tag = 0;  // stored, read by nothing
  BYTE penWidth = 1;
  COLORREF penColor = 0;
  COLORREF fillColor = 0;  // rings only
};

// What user line and ring layers share: their items, pen, tag and labels. `Interface` is the
// exported interface the layer implements.
template <typename Interface>
class CUserShapeLayerBase : public Interface {
public:
  static constexpr int kFaceSize = 100;

  CUserShapeLayerBase(const CUserShapeLayerBase&) = delete;
  CUserShapeLayerBase& operator=(const CUserShapeLayerBase&) = delete;

  void ClearShapes() override { m_items.clear(); }
  void SetLabelVisible(int visible) override { m_labelVisible = visible; }
  void SetLabelFont(COLORREF color, const char* face, int size) override;

  void DrawLabels(HDC dc);
  int ItemCount() const { return static_cast<int>(m_items.size()); }

protected:
  CUserShapeLayerBase(MapCanvas* canvas, BYTE tag) : m_canvas(canvas), m_tag(tag) {}
  ~CUserShapeLayerBase() override = default;

  // Appends the item; 1, or 0 when memory runs out.
  int AddItem(CUserShapeItem&& item);
  void SetPen(BYTE tag, COLORREF penColor, BYTE penWidth);
  // Draws the items as polylines, or as rings filled with `fillColor` when it is given.
  void DrawItems(HDC dc, const COLORREF* fillColor);

private:
  MapCanvas* m_canvas;  // not owned
  std::vector<CUserShapeItem> m_items;
  BYTE m_tag;  // stored, read by nothing
  COLORREF m_penColor = RGB(200, 200, 200);
  BYTE m_penWidth = 1;
  COLORREF m_labelColor = 0;
  char m_labelFace[kFaceSize] = "simsun";
  int m_labelSize = 12;
  int m_labelVisible = 1;
};

extern template class CUserShapeLayerBase<IUserPolylineLayer>;
extern template class CUserShapeLayerBase<IUserPolygonLayer>;

class CUserPolylineLayer final : public CUserShapeLayerBase<IUserPolylineLayer> {
public:
  explicit CUserPolylineLayer(MapCanvas* canvas) : CUserShapeLayerBase(canvas, 0) {}

  void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth) override;
  // Copies the points (none when `line` is null or empty); answers 1.
  int AddShape(int id, int value, const char* name, ST_POLYLINE* line, BYTE ownStyle, BYTE tag, COLORREF penColor,
               BYTE penWidth) override;
  void DrawShapes(HDC dc) { DrawItems(dc, nullptr); }
};

class CUserPolygonLayer final : public CUserShapeLayerBase<IUserPolygonLayer> {
public:
  explicit CUserPolygonLayer(MapCanvas* canvas) : CUserShapeLayerBase(canvas, 100) {}

  void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth, COLORREF fillColor) override;
  int AddShape(int id, int value, const char* name, ST_POLYGON* ring, BYTE ownStyle, BYTE tag, COLORREF penColor,
               BYTE penWidth, COLORREF fillColor) override;
  void DrawShapes(HDC dc) { DrawItems(dc, &m_fillColor); }

private:
  COLORREF m_fillColor = RGB(255, 200, 200);
};

}  // namespace zamra::view
