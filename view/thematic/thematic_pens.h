// ThematicBrushes and ThematicPens: the brush or pen of each record's thematic colour, made once
// a redraw and selected into the context as the records' colours change.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"
#include "thematic/thematic_classes.h"

namespace zamra::view {

// Common to both: one drawing object a slot, made when first needed. Restores the object that
// was selected at construction and deletes its own when it goes. Does nothing for a layer
// without a thematic style.
class ThematicObjects {
public:
  ThematicObjects(const ThematicObjects&) = delete;
  ThematicObjects& operator=(const ThematicObjects&) = delete;

  // Selects the object of `record`'s colour (when it is not selected already).
  void Select(int record);

protected:
  ThematicObjects(HDC dc, const ThematicClasses& classes, UINT kind);
  ~ThematicObjects();
  virtual HGDIOBJ Make(COLORREF color) const = 0;

private:
  HDC m_dc;
  const ThematicClasses& m_classes;
  HGDIOBJ m_previous = nullptr;
  std::vector<HGDIOBJ> m_objects;  // by slot
  int m_selectedSlot = -1;
};

class ThematicBrushes final : public ThematicObjects {
public:
  ThematicBrushes(HDC dc, const ThematicClasses& classes);
  ~ThematicBrushes() = default;

private:
  HGDIOBJ Make(COLORREF color) const override;
};

class ThematicPens final : public ThematicObjects {
public:
  ThematicPens(HDC dc, const ThematicClasses& classes, int style, int width);
  ~ThematicPens() = default;

private:
  HGDIOBJ Make(COLORREF color) const override;
  int m_style;
  int m_width;
};

}  // namespace zamra::view
