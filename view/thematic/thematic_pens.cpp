// ThematicBrushes and ThematicPens.
// SPDX-License-Identifier: MIT
#include "thematic/thematic_pens.h"

#include "platform/gdi.h"

namespace zamra::view {

ThematicObjects::ThematicObjects(HDC dc, const ThematicClasses& classes, UINT kind) : m_dc(dc), m_classes(classes)
{
  if (m_classes.IsActive()) {
    m_previous = GetCurrentObject(dc, kind);
    m_objects.assign(256, nullptr);  // every slot a byte can name
  }
}

ThematicObjects::~ThematicObjects()
{
  if (m_previous != nullptr)
    SelectObject(m_dc, m_previous);
  for (HGDIOBJ object : m_objects)
    if (object != nullptr)
      DeleteObject(object);
}

void ThematicObjects::Select(int record)
{
  if (m_objects.empty())
    return;  // no thematic style: the layer's own object stays
  const std::uint8_t slot = m_classes.SlotOf(record);
  if (slot == m_selectedSlot)
    return;
  HGDIOBJ& object = m_objects[slot];
  if (object == nullptr)
    object = Make(m_classes.ColorOfSlot(slot));
  SelectObject(m_dc, object);
  m_selectedSlot = slot;
}

ThematicBrushes::ThematicBrushes(HDC dc, const ThematicClasses& classes) : ThematicObjects(dc, classes, OBJ_BRUSH) {}

HGDIOBJ ThematicBrushes::Make(COLORREF color) const { return CreateSolidBrush(color); }

ThematicPens::ThematicPens(HDC dc, const ThematicClasses& classes, int style, int width)
    : ThematicObjects(dc, classes, OBJ_PEN), m_style(style), m_width(width)
{}

HGDIOBJ ThematicPens::Make(COLORREF color) const { return CreatePen(m_style, m_width, color); }

}  // namespace zamra::view
