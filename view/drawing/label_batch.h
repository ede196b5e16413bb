// LabelBatch: the labels a redraw has placed, kept until placing is done and then drawn, band by
// band on the drawing threads. Each label is clipped to its own box and boxes never overlap, so
// the order and the band a label is drawn in change no pixel.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace zamra::view {

class LabelBatch final {
public:
  // Keeps a label to draw into `box` later with the font and text colour selected into `dc` now.
  void Add(HDC dc, const RECT& box, std::u16string text);
  // Draws the labels whose boxes reach rows top .. bottom - 1 into dc (the surface or a band).
  void Draw(HDC dc, int top, int bottom) const;
  void Clear();
  bool IsEmpty() const { return m_labels.empty(); }

private:
  struct Style {
    LOGFONTA font{};
    COLORREF color = 0;
  };
  struct Label {
    std::size_t style = 0;
    RECT box{};
    std::u16string text;
  };
  std::vector<Style> m_styles;
  std::vector<Label> m_labels;
};

}  // namespace zamra::view
