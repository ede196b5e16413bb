// LabelBatch: labels drawn after all of a redraw's labels are placed.
// SPDX-License-Identifier: MIT
#include "drawing/label_batch.h"

#include <cstring>
#include <utility>

#include "platform/gdi.h"

namespace zamra::view {

void LabelBatch::Add(HDC dc, const RECT& box, std::u16string text)
{
  Style style;
  if (GetObjectA(GetCurrentObject(dc, OBJ_FONT), sizeof style.font, &style.font) == 0)
    style.font = LOGFONTA{};  // none to be read (every layer selects one): a font of default size
  style.color = GetTextColor(dc);
  // A layer's labels come one after another in one style.
  if (m_styles.empty() || m_styles.back().color != style.color ||
      std::memcmp(&m_styles.back().font, &style.font, sizeof style.font) != 0)
    m_styles.push_back(style);
  m_labels.push_back(Label{m_styles.size() - 1, box, std::move(text)});
}

void LabelBatch::Draw(HDC dc, int top, int bottom) const
{
  std::size_t label = 0;
  for (std::size_t style = 0; style < m_styles.size(); ++style) {
    HFONT font = CreateFontIndirectA(&m_styles[style].font);
    HGDIOBJ previousFont = SelectObject(dc, font);
    const int previousMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previousColor = SetTextColor(dc, m_styles[style].color);
    for (; label < m_labels.size() && m_labels[label].style == style; ++label) {
      RECT box = m_labels[label].box;
      if (box.bottom <= top || box.top >= bottom)
        continue;  // the label has no row in this band
      DrawTextW(dc, m_labels[label].text.c_str(), static_cast<int>(m_labels[label].text.size()), &box,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SetTextColor(dc, previousColor);
    SetBkMode(dc, previousMode);
    SelectObject(dc, previousFont);
    DeleteObject(font);
  }
}

void LabelBatch::Clear()
{
  m_styles.clear();
  m_labels.clear();
}

}  // namespace zamra::view
