// CUserShapeLayerBase, CUserPolylineLayer and CUserPolygonLayer.
// SPDX-License-Identifier: MIT
#include "layers/user_shape_layers.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/gdi.h"
#include "platform/memory_short.h"
#include "drawing/map_canvas.h"
#include "drawing/text_fields.h"

namespace zamra::view {

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

}  // namespace

template <typename Interface>
void CUserShapeLayerBase<Interface>::SetLabelFont(COLORREF color, const char* face, int size)
{
  m_labelColor = color;
  CopyTextField(m_labelFace, face, sizeof m_labelFace);
  m_labelSize = size;
}

template <typename Interface>
int CUserShapeLayerBase<Interface>::AddItem(CUserShapeItem&& item)
{
  try {
    m_items.push_back(std::move(item));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

template <typename Interface>
void CUserShapeLayerBase<Interface>::SetPen(BYTE tag, COLORREF penColor, BYTE penWidth)
{
  m_tag = tag;
  m_penColor = penColor;
  m_penWidth = penWidth;
}

// An item added with its own style keeps it; the others follow the layer's.
template <typename Interface>
void CUserShapeLayerBase<Interface>::DrawItems(HDC dc, const COLORREF* fillColor)
{
  for (const CUserShapeItem& item : m_items) {
    if (item.pointCount == 0)
      continue;
    HPEN pen = CreatePen(0, m_canvas->DevicePenWidth(item.ownStyle ? item.penWidth : m_penWidth),
                         item.ownStyle ? item.penColor : m_penColor);
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HBRUSH brush = nullptr;
    HGDIOBJ previousBrush = nullptr;
    if (fillColor != nullptr) {
      brush = CreateSolidBrush(item.ownStyle ? item.fillColor : *fillColor);
      previousBrush = SelectObject(dc, brush);
    }
    m_canvas->DrawPart(dc, item.points.get(), item.pointCount, item.envelop, fillColor != nullptr,
                       item.ownStyle ? item.penColor : m_penColor);
    if (brush != nullptr) {
      SelectObject(dc, previousBrush);
      DeleteObject(brush);
    }
    SelectObject(dc, previousPen);
    DeleteObject(pen);
  }
}

template <typename Interface>
void CUserShapeLayerBase<Interface>::DrawLabels(HDC dc)
{
  if (!m_labelVisible)
    return;
  LabelFont font(dc, m_labelFace, m_canvas->DeviceLength(m_labelSize), m_labelColor);
  const int charWidth = m_canvas->DeviceLength(kUserLabelCharWidth);
  for (const CUserShapeItem& item : m_items)
    if (item.pointCount > 0)
      m_canvas->DrawLabelInEnvelope(dc, item.name, item.envelop, charWidth);
}

template class CUserShapeLayerBase<IUserPolylineLayer>;
template class CUserShapeLayerBase<IUserPolygonLayer>;

void CUserPolylineLayer::SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth) { SetPen(tag, penColor, penWidth); }

int CUserPolylineLayer::AddShape(int id, int value, const char* name, ST_POLYLINE* line, BYTE ownStyle, BYTE itemTag,
                                 COLORREF itemPenColor, BYTE itemPenWidth)
{
  return zamra::sys::OrIfMemoryShort(
      0, [&] { return AddItem(MakeItem(id, value, name, line, ownStyle, itemTag, itemPenColor, itemPenWidth)); });
}

void CUserPolygonLayer::SetStyle(BYTE tag, COLORREF penColor, BYTE penWidth, COLORREF fillColor)
{
  SetPen(tag, penColor, penWidth);
  m_fillColor = fillColor;
}

int CUserPolygonLayer::AddShape(int id, int value, const char* name, ST_POLYGON* ring, BYTE ownStyle, BYTE itemTag,
                                COLORREF itemPenColor, BYTE itemPenWidth, COLORREF itemFillColor)
{
  try {
    CUserShapeItem item = MakeItem(id, value, name, ring, ownStyle, itemTag, itemPenColor, itemPenWidth);
    item.fillColor = itemFillColor;
    return AddItem(std::move(item));
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

}  // namespace zamra::view
