// ZMThematicStyle: colours a layer's features by the value of one column of its table, either one
// colour per distinct value (categories) or one per range of a numeric column (classes), and the
// colour ramps and palettes those colours come from.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "platform/win_types.h"
#include "view/zamra_view_export.h"

// One entry of a thematic style: a value (categories) or a range (classes), and its colour.
struct ZMThematicEntry {
  std::string value;  // categories: the cell's text as the table shows it (UTF-8)
  // Classes: a value belongs to the first class whose upper bound it does not pass, and is
  // "other" below the first class's lower bound; for classes that follow one another, that is
  // lower < v <= upper, the first class also holding its lower bound.
  double lower = 0.0;
  double upper = 0.0;
  COLORREF color = 0;

  bool operator==(const ZMThematicEntry&) const = default;
};

struct ZMThematicStyle {
  enum Mode { kSingle = 0, kCategories = 1, kClasses = 2 };
  enum Method { kEqualInterval = 0, kQuantiles = 1, kNaturalBreaks = 2 };
  static constexpr int kMaxCategories = 64;  // further values are "other"
  static constexpr int kMinClasses = 3;
  static constexpr int kMaxClasses = 9;

  int mode = kSingle;           // kSingle: the layer's own colours, the rest is ignored
  int column = -1;              // the column of the layer's table the values come from
  int method = kEqualInterval;  // classes: how the breaks were found (kept for the dialog)
  std::string palette;          // the ramp or palette the colours were taken from (kept for the dialog)
  std::vector<ZMThematicEntry> entries;
  // Features whose value is none of the entries' (categories beyond the 64 most frequent, or
  // numbers outside every class) and features without a value (a blank cell; for classes also
  // a number that is not finite, or one its column keeps as text, beyond 32 bits). They are
  // drawn in these colours either way; the flags say whether the legend lists them and a
  // workspace file keeps their colours.
  bool hasOther = false;
  COLORREF otherColor = RGB(160, 160, 160);
  bool hasNull = false;
  COLORREF nullColor = RGB(224, 224, 224);  // lighter than "other"

  bool operator==(const ZMThematicStyle&) const = default;
};

namespace zamra::thematic {

// The sequential ramps (for classes) and qualitative palettes (for categories) by name, in the
// order a list shows them.
ZAMRA_VIEW_API std::vector<std::string> RampNames();
ZAMRA_VIEW_API std::vector<std::string> PaletteNames();
// `count` colours (3 .. 9) of a sequential ramp, light to dark; empty for an unknown name or count.
ZAMRA_VIEW_API std::vector<COLORREF> RampColors(const std::string& name, int count);
// Colour number `index` (0 and up) of a qualitative palette; past the palette's end the other
// palettes follow, and after all of them (66 colours) the same again, so that 64 categories get
// colours that mostly differ (a few colours are in two palettes). Black for an unknown name
// (names are matched exactly) or a negative index.
ZAMRA_VIEW_API COLORREF PaletteColor(const std::string& name, int index);

}  // namespace zamra::thematic
