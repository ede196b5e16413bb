// CUserPolylineLayer and CUserPolygonLayer.
#include "view/user_shape_layers.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdi.h"
#include "view/map_model.h"
#include "view/text_fields.h"

namespace {

// User labels are always placed as if their characters were 12 pixels wide.
constexpr int kUserLabelCharWidth = 12;

template <typename Part>
CUserShapeItem MakeItem(int id, int value, const char* name, const Part* shape, BYTE ownStyle, BYTE tag,
                        COLORREF penColor, BYTE penWidth)
{
  CUserShapeItem item;
  item.id = id;
  item.value = value;
  CopyTextField(item.name, name, sizeof item.name);
  item.ownStyle = ownStyle;
  item.tag = tag;
  item.penColor = penColor;
  item.penWidth = penWidth;
  if (shape != nullptr && shape->pointCount > 0 && shape->points != nullptr) {
    item.pointCount = shape->pointCount;
    item.points.reset(new ST_POINT[static_cast<size_t>(shape->pointCount)]);
    std::memcpy(item.points.get(), shape->points, sizeof(ST_POINT) * static_cast<size_t>(shape->pointCount));
    ST_RECT box{item.points[0].x, item.points[0].x, item.points[0].y, item.points[0].y};
    for (int i = 1; i < item.pointCount; ++i) {
      box.left = std::min(box.left, item.points[i].x);
      box.right = std::max(box.right, item.points[i].x);
      box.bottom = std::min(box.bottom, item.points[i].y);
      box.top = std::max(box.top, item.points[i].y);
    }
    item.envelop = box;
  }
  return item;
}

// Draws the items as polylines, or as rings filled with `fillColor` when it is given. An item
// added with its own style keeps it; the others follow the layer's.
void DrawItems(CMapModel* model, HDC dc, const std::vector<CUserShapeItem>& items, BYTE penWidth, COLORREF penColor,
               const COLORREF* fillColor)
{
  for (const CUserShapeItem& item : items) {
    if (item.pointCount == 0)
      continue;
    HPEN pen = item.ownStyle ? CreatePen(0, item.penWidth, item.penColor) : CreatePen(0, penWidth, penColor);
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HBRUSH brush = nullptr;
    HGDIOBJ previousBrush = nullptr;
    if (fillColor != nullptr) {
      brush = CreateSolidBrush(item.ownStyle ? item.fillColor : *fillColor);
      previousBrush = SelectObject(dc, brush);
    }
    model->DrawPart(dc, item.points.get(), item.pointCount, item.envelop, fillColor != nullptr,
                    item.ownStyle ? item.penColor : penColor);
    if (brush != nullptr) {
      SelectObject(dc, previousBrush);
      DeleteObject(brush);
    }
    SelectObject(dc, previousPen);
    DeleteObject(pen);
  }
}

void DrawItemLabels(CMapModel* model, HDC dc, const std::vector<CUserShapeItem>& items, const char* face, int size,
                    COLORREF color)
{
  LabelFont font(dc, face, size, color);
  for (const CUserShapeItem& item : items)
    if (item.pointCount > 0)
      model->DrawLabelInEnvelope(dc, item.name, item.envelop, kUserLabelCharWidth);
}

} // namespace

void CUserPolylineLayer::SetStyle(BYTE newTag, COLORREF newPenColor, BYTE newPenWidth)
{
  tag = newTag;
  penColor = newPenColor;
  penWidth = newPenWidth;
}

int CUserPolylineLayer::AddShape(int id, int value, const char* name, ST_POLYLINE* line, BYTE ownStyle, BYTE itemTag,
                                 COLORREF itemPenColor, BYTE itemPenWidth)
{
  try {
    m_items.push_back(MakeItem(id, value, name, line, ownStyle, itemTag, itemPenColor, itemPenWidth));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

void CUserPolylineLayer::SetLabelFont(COLORREF color, const char* face, int size)
{
  labelColor = color;
  CopyTextField(labelFace, face, sizeof labelFace);
  labelSize = size;
}

void CUserPolylineLayer::DrawShapes(HDC dc) { DrawItems(m_model, dc, m_items, penWidth, penColor, nullptr); }

void CUserPolylineLayer::DrawLabels(HDC dc)
{
  if (labelVisible)
    DrawItemLabels(m_model, dc, m_items, labelFace, labelSize, labelColor);
}

void CUserPolygonLayer::SetStyle(BYTE newTag, COLORREF newPenColor, BYTE newPenWidth, COLORREF newFillColor)
{
  tag = newTag;
  penColor = newPenColor;
  penWidth = newPenWidth;
  fillColor = newFillColor;
}

int CUserPolygonLayer::AddShape(int id, int value, const char* name, ST_POLYGON* ring, BYTE ownStyle, BYTE itemTag,
                                COLORREF itemPenColor, BYTE itemPenWidth, COLORREF itemFillColor)
{
  try {
    CUserShapeItem item = MakeItem(id, value, name, ring, ownStyle, itemTag, itemPenColor, itemPenWidth);
    item.fillColor = itemFillColor;
    m_items.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

void CUserPolygonLayer::SetLabelFont(COLORREF color, const char* face, int size)
{
  labelColor = color;
  CopyTextField(labelFace, face, sizeof labelFace);
  labelSize = size;
}

void CUserPolygonLayer::DrawShapes(HDC dc) { DrawItems(m_model, dc, m_items, penWidth, penColor, &fillColor); }

void CUserPolygonLayer::DrawLabels(HDC dc)
{
  if (labelVisible)
    DrawItemLabels(m_model, dc, m_items, labelFace, labelSize, labelColor);
}
