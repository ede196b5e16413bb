// ThematicClasses: making a thematic style from a table, and a record's entry in it.
// SPDX-License-Identifier: MIT
#include "thematic/thematic_classes.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>
#include <utility>

#include "api/formats/data_view.h"
#include "thematic/class_breaks.h"
#include "records/layer_data_view.h"

namespace zamra::view {

namespace {

// Texts of the numbers a table renders, read back the same way whatever the user's locale.
bool ParseNumber(const std::string& text, double& value)
{
  const char* begin = text.c_str();
  while (*begin == ' ')
    ++begin;
  const char* end = text.c_str() + text.size();
  return std::from_chars(begin, end, value).ec == std::errc();
}

std::vector<COLORREF> ClassColors(const std::string& ramp, int count)
{
  // Ties can leave fewer than three classes, for which no ramp has colours of its own: they
  // take the lightest of the three-class ramp's.
  std::vector<COLORREF> colors = zamra::thematic::RampColors(ramp, std::max(count, ZMThematicStyle::kMinClasses));
  colors.resize(colors.empty() ? 0 : static_cast<size_t>(count));
  return colors;
}

}  // namespace

bool ThematicClasses::IsNumberColumn(const CLayerDataView& table, int column)
{
  if (table.Table() == nullptr || column < 0 || column >= table.Table()->GetColumnCount())
    return false;
  char type = 0, flag = 0;
  int length = 0;
  char name[40];
  table.Table()->GetColumn(column, type, length, name, nullptr, flag);
  return type == ZM_VAR_SHORT || type == ZM_VAR_INT || type == ZM_VAR_LONG || type == ZM_VAR_FLOAT ||
         type == ZM_VAR_DOUBLE;
}

bool ThematicClasses::NumberOf(const CLayerDataView& table, int row, int column, double& value)
{
  zm_variant cell;
  table.Table()->GetItemValue(row, column, cell);
  if (cell.data == nullptr)
    return false;
  switch (cell.type) {
  case ZM_VAR_SHORT: {
    std::int16_t number = 0;
    if (cell.length < static_cast<int>(sizeof number))
      return false;
    std::memcpy(&number, cell.data, sizeof number);
    value = number;
    return true;
  }
  case ZM_VAR_INT:
  case ZM_VAR_LONG: {
    std::int32_t number = 0;
    if (cell.length < static_cast<int>(sizeof number))
      return false;
    std::memcpy(&number, cell.data, sizeof number);
    value = number;
    return true;
  }
  case ZM_VAR_FLOAT:
  case ZM_VAR_DOUBLE:
    // A FLOAT column holds the numbers of a dBASE file as doubles; a single has four bytes.
    if (cell.length >= 8) {
      std::memcpy(&value, cell.data, sizeof value);
    } else if (cell.length >= 4) {
      float number = 0;
      std::memcpy(&number, cell.data, sizeof number);
      value = number;
    } else {
      return false;
    }
    return std::isfinite(value);
  default:
    return false;  // blank cells and texts
  }
}

bool ThematicClasses::Make(const CLayerDataView& table, int mode, int column, int count, int method,
                           const std::string& palette, ZMThematicStyle& style)
{
  const ZMDataView* cells = table.Table();
  if (cells == nullptr || column < 0 || column >= cells->GetColumnCount())
    return false;
  const int rows = cells->GetRowCount();
  ZMThematicStyle made;
  made.mode = mode;
  made.column = column;
  made.method = method;
  made.palette = palette;
  try {
    if (mode == ZMThematicStyle::kCategories) {
      const std::vector<std::string> palettes = zamra::thematic::PaletteNames();
      if (std::find(palettes.begin(), palettes.end(), palette) == palettes.end())
        return false;
      struct Seen {
        int times = 0;
        int firstRow = 0;
      };
      std::unordered_map<std::string, Seen> seen;
      char text[ZMDataView::kTextSize];
      for (int row = 0; row < rows; ++row) {
        table.GetItemText(row, column, text, sizeof text);
        if (text[0] == '\0') {
          made.hasNull = true;  // a blank cell: no value
          continue;
        }
        auto [at, added] = seen.try_emplace(text, Seen{0, row});
        ++at->second.times;
      }
      if (seen.empty())
        return false;
      std::vector<std::pair<std::string, Seen>> values(seen.begin(), seen.end());
      // The most frequent values get entries; ties go to the value met first.
      std::sort(values.begin(), values.end(), [](const auto& a, const auto& b) {
        return a.second.times != b.second.times ? a.second.times > b.second.times
                                                : a.second.firstRow < b.second.firstRow;
      });
      if (values.size() > static_cast<size_t>(ZMThematicStyle::kMaxCategories)) {
        values.resize(static_cast<size_t>(ZMThematicStyle::kMaxCategories));
        made.hasOther = true;
      }
      const bool numbers = IsNumberColumn(table, column);
      std::sort(values.begin(), values.end(), [numbers](const auto& a, const auto& b) {
        double x = 0, y = 0;
        if (numbers && ParseNumber(a.first, x) && ParseNumber(b.first, y) && x != y)
          return x < y;
        return a.first < b.first;
      });
      for (size_t i = 0; i < values.size(); ++i)
        made.entries.push_back(
            ZMThematicEntry{values[i].first, 0.0, 0.0, zamra::thematic::PaletteColor(palette, static_cast<int>(i))});
    } else if (mode == ZMThematicStyle::kClasses) {
      if (!IsNumberColumn(table, column) || count < ZMThematicStyle::kMinClasses ||
          count > ZMThematicStyle::kMaxClasses || zamra::thematic::RampColors(palette, count).empty())
        return false;
      std::vector<double> values;
      values.reserve(static_cast<size_t>(rows));
      for (int row = 0; row < rows; ++row) {
        double value = 0;
        if (NumberOf(table, row, column, value))
          values.push_back(value);
        else
          made.hasNull = true;
      }
      if (values.empty())
        return false;
      const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
      const double minimum = *lowest, maximum = *highest;
      std::vector<double> bounds;
      switch (method) {
      case ZMThematicStyle::kQuantiles:
        bounds = zamra::thematic::QuantileBreaks(values, count);
        break;
      case ZMThematicStyle::kNaturalBreaks:
        bounds = zamra::thematic::NaturalBreaks(values, count);
        break;
      default:
        made.method = ZMThematicStyle::kEqualInterval;
        bounds = zamra::thematic::EqualIntervalBreaks(minimum, maximum, count);
        break;
      }
      const std::vector<COLORREF> colors = ClassColors(palette, static_cast<int>(bounds.size()));
      double lower = minimum;
      for (size_t i = 0; i < bounds.size(); ++i) {
        made.entries.push_back(ZMThematicEntry{std::string(), lower, bounds[i], colors[i]});
        lower = bounds[i];
      }
    } else {
      return false;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  style = std::move(made);
  return true;
}

bool ThematicClasses::FindSlots(const CLayerDataView& table, const ZMThematicStyle& style,
                                std::vector<std::uint8_t>& slots) const
{
  const ZMDataView* cells = table.Table();
  if (cells == nullptr || style.column < 0 || style.column >= cells->GetColumnCount() || style.entries.empty() ||
      style.entries.size() > static_cast<size_t>(ZMThematicStyle::kMaxCategories))
    return false;
  const int rows = cells->GetRowCount();
  slots.assign(static_cast<size_t>(rows), kNullSlot);
  if (style.mode == ZMThematicStyle::kCategories) {
    std::unordered_map<std::string, std::uint8_t> entryOf;
    for (size_t i = 0; i < style.entries.size(); ++i)
      entryOf.emplace(style.entries[i].value, static_cast<std::uint8_t>(i));  // a repeated value keeps its first entry
    char text[ZMDataView::kTextSize];
    for (int row = 0; row < rows; ++row) {
      table.GetItemText(row, style.column, text, sizeof text);
      if (text[0] == '\0')
        continue;  // no value
      const auto found = entryOf.find(text);
      slots[static_cast<size_t>(row)] = found != entryOf.end() ? found->second : kOtherSlot;
    }
    return true;
  }
  if (style.mode != ZMThematicStyle::kClasses || !IsNumberColumn(table, style.column))
    return false;
  for (size_t i = 0; i < style.entries.size(); ++i) {
    const ZMThematicEntry& entry = style.entries[i];
    if (!std::isfinite(entry.lower) || !std::isfinite(entry.upper) || entry.upper < entry.lower ||
        (i > 0 && entry.upper < style.entries[i - 1].upper))
      return false;
  }
  const int count = static_cast<int>(style.entries.size());
  for (int row = 0; row < rows; ++row) {
    double value = 0;
    if (!NumberOf(table, row, style.column, value))
      continue;  // no value
    std::uint8_t slot = kOtherSlot;
    if (value >= style.entries.front().lower)
      for (int i = 0; i < count; ++i)
        if (value <= style.entries[static_cast<size_t>(i)].upper) {
          slot = static_cast<std::uint8_t>(i);
          break;
        }
    slots[static_cast<size_t>(row)] = slot;
  }
  return true;
}

bool ThematicClasses::Apply(const CLayerDataView& table, const ZMThematicStyle& style)
{
  if (style.mode == ZMThematicStyle::kSingle) {
    Clear();
    return true;
  }
  try {
    std::vector<std::uint8_t> slots;
    if (!FindSlots(table, style, slots))
      return false;
    ZMThematicStyle copy = style;
    m_style = std::move(copy);
    m_slots = std::move(slots);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void ThematicClasses::Reapply(const CLayerDataView& table)
{
  if (!IsActive())
    return;
  try {
    std::vector<std::uint8_t> slots;
    if (FindSlots(table, m_style, slots))
      m_slots = std::move(slots);
  } catch (const std::bad_alloc&) {
    // the entries found before stay
  }
}

void ThematicClasses::Clear()
{
  m_style = ZMThematicStyle();
  m_slots.clear();
  m_slots.shrink_to_fit();
}

COLORREF ThematicClasses::ColorOfSlot(std::uint8_t slot) const
{
  if (slot == kOtherSlot)
    return m_style.otherColor;
  if (slot >= m_style.entries.size())
    return m_style.nullColor;
  return m_style.entries[slot].color;
}

}  // namespace zamra::view
