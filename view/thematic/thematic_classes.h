// ThematicClasses: a layer's thematic style and the entry of it that each record falls in, so
// that a redraw picks a record's colour without reading its cell.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"
#include "view/thematic_style.h"

namespace zamra::view {

class CLayerDataView;

class ThematicClasses final {
public:
  // A record's slot: an entry's index, or one of these.
  static constexpr std::uint8_t kOtherSlot = 254;
  static constexpr std::uint8_t kNullSlot = 255;

  // A style for `table` by the values of `column`: categories (one entry per distinct text, the
  // 64 most frequent, in their order of sorting, numbers by value; colours from `palette`) or
  // `count` classes of a numeric column by `method` (colours from the sequential ramp `palette`).
  // A blank cell has no value. False, with `style` untouched, for a column that does not exist,
  // classes of a column that is not numeric, a count outside 3 .. 9 or an unknown ramp, a mode
  // that is neither, or a column without a single value to class.
  static bool Make(const CLayerDataView& table, int mode, int column, int count, int method, const std::string& palette,
                   ZMThematicStyle& style);

  // Takes `style` and finds every record's entry. kSingle clears the style. False, with the
  // previous style kept, for a column the table lacks, more than 64 entries, classes whose
  // bounds are not finite and rising, or memory running out.
  bool Apply(const CLayerDataView& table, const ZMThematicStyle& style);
  // Finds the entries again, after the texts changed (another code page).
  void Reapply(const CLayerDataView& table);
  void Clear();

  bool IsActive() const { return m_style.mode != ZMThematicStyle::kSingle; }
  const ZMThematicStyle& Style() const { return m_style; }
  // The slot of `record` (kNullSlot for a record out of range).
  std::uint8_t SlotOf(int record) const
  {
    return record >= 0 && static_cast<size_t>(record) < m_slots.size() ? m_slots[static_cast<size_t>(record)]
                                                                       : kNullSlot;
  }
  COLORREF ColorOfSlot(std::uint8_t slot) const;
  COLORREF ColorOf(int record) const { return ColorOfSlot(SlotOf(record)); }

private:
  // The number in a cell, false for a blank cell or a column that holds no numbers.
  static bool NumberOf(const CLayerDataView& table, int row, int column, double& value);
  static bool IsNumberColumn(const CLayerDataView& table, int column);
  bool FindSlots(const CLayerDataView& table, const ZMThematicStyle& style, std::vector<std::uint8_t>& slots) const;

  ZMThematicStyle m_style;
  std::vector<std::uint8_t> m_slots;  // one per record
};

}  // namespace zamra::view
