// CUserPoiLayer.
// SPDX-License-Identifier: MIT
#include "layers/user_poi_layer.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/memory_short.h"
#include "drawing/map_canvas.h"
#include "drawing/text_fields.h"

namespace zamra::view {

CUserPoiLayer::CUserPoiLayer(MapCanvas* canvas) : m_canvas(canvas) {}

void CUserPoiLayer::Fill(Item& item, int key, const char* name, int value, double x, double y, int symbolIndex)
{
  item.key = key;
  item.value = value;
  item.symbolIndex = symbolIndex;
  item.x = x;
  item.y = y;
  CopyTextField(item.name, name, sizeof item.name);
}

int CUserPoiLayer::AddPoi(int key, const char* name, int value, double x, double y, int symbolIndex)
{
  Item item;
  Fill(item, key, name, value, x, y, symbolIndex);
  return zamra::sys::OrIfMemoryShort(0, [&] {
    m_items.push_back(item);
    return 1;
  });
}

int CUserPoiLayer::ClearPois()
{
  m_items.clear();
  return 1;
}

int CUserPoiLayer::GetPoi(int key, char* name, int* value, double* x, double* y, int* symbolIndex)
{
  for (const Item& item : m_items) {
    if (item.key != key)
      continue;
    if (name)
      std::strcpy(name, item.name);
    if (value)
      *value = item.value;
    if (x)
      *x = item.x;
    if (y)
      *y = item.y;
    if (symbolIndex)
      *symbolIndex = item.symbolIndex;
    return 1;
  }
  return 0;
}

int CUserPoiLayer::RemovePoi(int key)
{
  if (key < 0)
    return ClearPois();
  const auto found = std::find_if(m_items.begin(), m_items.end(), [key](const Item& item) { return item.key == key; });
  if (found == m_items.end())
    return 0;
  m_items.erase(found);
  return 1;
}

void CUserPoiLayer::SetLabelFont(COLORREF color, const char* face, int size)
{
  labelColor = color;
  CopyTextField(labelFace, face, sizeof labelFace);
  labelSize = size;
}

int CUserPoiLayer::RemovePoisByValue(int value)
{
  std::erase_if(m_items, [value](const Item& item) { return item.value == value; });
  return 1;
}

int CUserPoiLayer::FindPoi(double minX, double minY, double maxX, double maxY, int* key, int* value)
{
  const double centerX = (minX + maxX) * 0.5;
  const double centerY = (minY + maxY) * 0.5;
  double best = 0.0;  // no cap: the first item inside the box counts however far it lies
  bool found = false;
  for (const Item& item : m_items) {
    if (!(minX <= item.x && item.x <= maxX && minY <= item.y && item.y <= maxY))
      continue;
    const double d = (item.x - centerX) * (item.x - centerX) + (item.y - centerY) * (item.y - centerY);
    if (!found || d < best) {
      best = d;
      found = true;
      if (key)
        *key = item.key;
      if (value)
        *value = item.value;
    }
  }
  return found ? 1 : 0;
}

int CUserPoiLayer::UpdatePoi(int key, const char* name, int value, double x, double y, int symbolIndex)
{
  for (Item& item : m_items) {
    if (item.key == key) {
      Fill(item, key, name, value, x, y, symbolIndex);
      return 1;
    }
  }
  return 0;
}

void CUserPoiLayer::DrawSymbols(HDC dc)
{
  for (const Item& item : m_items)
    m_canvas->DrawSymbol(dc, item.x, item.y, item.symbolIndex);
}

void CUserPoiLayer::DrawLabels(HDC dc)
{
  if (!labelVisible)
    return;
  const int size = m_canvas->DeviceLength(labelSize);  // fonts grow with the screen's pixel ratio
  LabelFont font(dc, labelFace, size, labelColor);
  for (const Item& item : m_items)
    m_canvas->DrawLabelAtPoint(dc, item.name, item.x, item.y, size);
}

}  // namespace zamra::view
