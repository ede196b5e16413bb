// CUserPolylineLayer and CUserPolygonLayer: the host's own lines and rings, each item drawn in
// the layer's style or, when added with its own style, in the item's.
#pragma once

#include <memory>
#include <vector>

#include "platform/win_types.h"
#include "view/include/iuser_layers.h"

class CMapModel;

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

class CUserPolylineLayer final : public IUserPolylineLayer {
public:
  static constexpr int kFaceSize = 100;

  explicit CUserPolylineLayer(CMapModel* model) : m_model(model) {}
  CUserPolylineLayer(const CUserPolylineLayer&) = delete;
  CUserPolylineLayer& operator=(const CUserPolylineLayer&) = delete;

  void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth) override;
  // Copies the points (none when `line` is null or empty); answers 1.
  int AddShape(int id, int value, const char* name, ST_POLYLINE* line, BYTE ownStyle, BYTE tag, COLORREF penColor,
               BYTE penWidth) override;
  void ClearShapes() override { m_items.clear(); }
  void SetLabelVisible(int visible) override { labelVisible = visible; }
  void SetLabelFont(COLORREF color, const char* face, int size) override;

  void DrawShapes(HDC dc);
  void DrawLabels(HDC dc);
  int ItemCount() const { return static_cast<int>(m_items.size()); }

  BYTE tag = 0;
  COLORREF penColor = RGB(200, 200, 200);
  BYTE penWidth = 1;
  COLORREF labelColor = 0;
  char labelFace[kFaceSize] = "simsun";
  int labelSize = 12;
  int labelVisible = 1;

private:
  CMapModel* m_model;  // not owned
  std::vector<CUserShapeItem> m_items;
};

class CUserPolygonLayer final : public IUserPolygonLayer {
public:
  static constexpr int kFaceSize = 100;

  explicit CUserPolygonLayer(CMapModel* model) : m_model(model) {}
  CUserPolygonLayer(const CUserPolygonLayer&) = delete;
  CUserPolygonLayer& operator=(const CUserPolygonLayer&) = delete;

  void SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth, COLORREF fillColor) override;
  int AddShape(int id, int value, const char* name, ST_POLYGON* ring, BYTE ownStyle, BYTE tag, COLORREF penColor,
               BYTE penWidth, COLORREF fillColor) override;
  void ClearShapes() override { m_items.clear(); }
  void SetLabelVisible(int visible) override { labelVisible = visible; }
  void SetLabelFont(COLORREF color, const char* face, int size) override;

  void DrawShapes(HDC dc);
  void DrawLabels(HDC dc);
  int ItemCount() const { return static_cast<int>(m_items.size()); }

  BYTE tag = 100;
  BYTE penWidth = 1;
  COLORREF penColor = RGB(200, 200, 200);
  COLORREF fillColor = RGB(255, 200, 200);
  int labelVisible = 1;
  COLORREF labelColor = 0;
  char labelFace[kFaceSize] = "simsun";
  int labelSize = 12;

private:
  CMapModel* m_model;  // not owned
  std::vector<CUserShapeItem> m_items;
};
