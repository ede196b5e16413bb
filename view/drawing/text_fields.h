// Private: fixed-size text fields and the label font of the view's layers.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <string>

#include "platform/win_types.h"

namespace zamra::view {

// Copies `source` (null: "") into a field of `size` bytes, cut to size - 1 characters.
void CopyTextField(char* field, const char* source, std::size_t size);

// The last "/" or "\" of a path, whichever comes later (paths here use "/", files named
// elsewhere may use "\"); null when it has neither.
const char* LastPathSeparator(const char* path);

// The face labels are drawn in unless a user chooses another: the one fontconfig picks for
// sans-serif text in the interface language (the default locale's), so that its script is covered.
std::string DefaultLabelFace();
// The face a label font of `face` is drawn with: `face` when it is installed, else the default
// (a workspace from another machine keeps the name it gives, and draws with a face that exists).
std::string DrawnLabelFace(const char* face);

// Selects a label font (height `size`, default character set, face cut to 31 characters and
// drawn as DrawnLabelFace says), a transparent background and the text colour into a context
// for one scope, and restores the previous font and colour afterwards.
class LabelFont final {
public:
  LabelFont(HDC dc, const char* face, int size, COLORREF color);
  ~LabelFont();
  LabelFont(const LabelFont&) = delete;
  LabelFont& operator=(const LabelFont&) = delete;

private:
  HDC m_dc;
  HFONT m_font;
  HGDIOBJ m_previousFont;
  COLORREF m_previousColor;
  int m_previousMode;
};

}  // namespace zamra::view
