// CRowOrderJob.
// SPDX-License-Identifier: MIT
#include "row_order_job.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "api/formats/data_view.h"
#include "view/idata_view.h"

namespace mapory {

namespace {

// Thrown out of a comparison to stop a sort that was cancelled; never leaves Compute.
struct Cancelled {};

constexpr int kCellSize = 260;  // the view renders at most 256 bytes a cell

bool IsNumeric(char type)
{
  return type == ZM_VAR_SHORT || type == ZM_VAR_INT || type == ZM_VAR_LONG || type == ZM_VAR_FLOAT ||
         type == ZM_VAR_DOUBLE;
}

// A numeric cell as a double; NaN for an empty cell or bytes that do not fit the type.
double NumberOf(const zm_variant& value)
{
  const double none = std::numeric_limits<double>::quiet_NaN();
  if (value.data == nullptr)
    return none;
  switch (value.type) {
  case ZM_VAR_SHORT: {
    if (value.length < 2)
      return none;
    std::int16_t number = 0;
    std::memcpy(&number, value.data, sizeof number);
    return number;
  }
  case ZM_VAR_INT:
  case ZM_VAR_LONG: {
    if (value.length < 4)
      return none;
    std::int32_t number = 0;
    std::memcpy(&number, value.data, sizeof number);
    return number;
  }
  case ZM_VAR_FLOAT:
  case ZM_VAR_DOUBLE:
    if (value.length >= 8) {  // float columns hold dBASE numbers as doubles
      double number = 0;
      std::memcpy(&number, value.data, sizeof number);
      return number;
    }
    if (value.length >= 4) {
      float number = 0;
      std::memcpy(&number, value.data, sizeof number);
      return number;
    }
    return none;
  default:
    return none;
  }
}

void LowerLatin(std::string& text)
{
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
}

std::string CellText(IDataView& table, int row, int column)
{
  char text[kCellSize] = {};
  table.GetItemValue(row, column, text);
  text[kCellSize - 1] = '\0';
  return text;
}

}  // namespace

CRowOrderJob::CRowOrderJob(IDataView* table, RowOrderRequest request) : m_request(std::move(request))
{
  m_thread = std::thread([this, table] {
    std::vector<int> rows;
    const bool finished = table != nullptr && Compute(*table, m_request, rows, &m_cancel, &m_progress);
    m_rows = std::move(rows);
    m_cancelled = !finished;
    m_done = true;
  });
}

CRowOrderJob::~CRowOrderJob()
{
  m_cancel = true;
  if (m_thread.joinable())
    m_thread.join();
}

bool CRowOrderJob::Compute(IDataView& table, const RowOrderRequest& request, std::vector<int>& rows,
                           const std::atomic<bool>* cancel, std::atomic<int>* progress)
{
  const auto cancelled = [cancel] { return cancel != nullptr && cancel->load(std::memory_order_relaxed); };
  const auto report = [progress](std::int64_t done, std::int64_t total) {
    if (progress != nullptr && total > 0)
      progress->store(static_cast<int>(done * 1000 / total), std::memory_order_relaxed);
  };
  const int rowCount = std::max(table.GetRowCount(), 0);
  const int columnCount = std::max(table.GetColumnCount(), 0);
  const bool filtering = !request.filter.empty();
  const bool sorting = request.sortColumn >= 0 && request.sortColumn < columnCount;
  // Reading is most of the work; the sort itself counts as the last tenth.
  const std::int64_t total = static_cast<std::int64_t>(rowCount) * ((filtering ? 1 : 0) + (sorting ? 1 : 0)) +
                             (sorting ? rowCount / 9 : 0);
  std::int64_t done = 0;
  constexpr int kReportEvery = 4096;

  rows.clear();
  rows.reserve(static_cast<size_t>(rowCount));
  if (filtering) {
    std::string needle = request.filter;
    LowerLatin(needle);
    for (int row = 0; row < rowCount; ++row) {
      if (row % kReportEvery == 0) {
        if (cancelled())
          return false;
        report(done + row, total);
      }
      for (int column = 0; column < columnCount; ++column) {
        std::string text = CellText(table, row, column);
        LowerLatin(text);
        if (text.find(needle) != std::string::npos) {
          rows.push_back(row);
          break;
        }
      }
    }
    done += rowCount;
  } else {
    for (int row = 0; row < rowCount; ++row)
      rows.push_back(row);
  }
  if (!sorting) {
    report(total, total);
    return true;
  }

  char type = 0, flag = 0;
  int length = 0;
  char name[64] = {};
  char format[64] = {};
  table.GetColumn(request.sortColumn, type, length, name, format, flag);
  const int column = request.sortColumn;
  const bool ascending = request.ascending;
  // Progress is the share of the rows read so far (at least one, so never a division by zero).
  const std::int64_t sortedRows = std::max<std::int64_t>(1, static_cast<std::int64_t>(rows.size()));
  try {
    if (IsNumeric(type)) {
      std::vector<double> keys(rows.size());
      zm_variant value;
      for (size_t i = 0; i < rows.size(); ++i) {
        if (i % kReportEvery == 0) {
          if (cancelled())
            return false;
          report(done + static_cast<std::int64_t>(i) * rowCount / sortedRows, total);
        }
        table.GetItemValue(rows[i], column, value);
        keys[i] = NumberOf(value);
      }
      done += rowCount;
      report(done, total);
      std::vector<int> order(rows.size());
      for (size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
      std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        if (cancelled())
          throw Cancelled{};
        const double x = keys[static_cast<size_t>(a)], y = keys[static_cast<size_t>(b)];
        // Empty values first (last when descending), like the smallest number.
        if (std::isnan(x) || std::isnan(y))
          return ascending ? (std::isnan(x) && !std::isnan(y)) : (!std::isnan(x) && std::isnan(y));
        return ascending ? x < y : y < x;
      });
      std::vector<int> sorted(rows.size());
      for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = rows[static_cast<size_t>(order[i])];
      rows = std::move(sorted);
    } else {
      // Texts compare with Latin letters folded to lower case, byte by byte (code point order
      // for UTF-8). The first eight bytes, packed into one number, decide most comparisons
      // without touching the strings.
      struct Entry {
        std::uint64_t prefix;
        std::uint32_t index;
      };
      std::vector<std::string> keys(rows.size());
      std::vector<Entry> entries(rows.size());
      for (size_t i = 0; i < rows.size(); ++i) {
        if (i % kReportEvery == 0) {
          if (cancelled())
            return false;
          report(done + static_cast<std::int64_t>(i) * rowCount / sortedRows, total);
        }
        std::string key = CellText(table, rows[i], column);
        LowerLatin(key);
        std::uint64_t prefix = 0;
        for (size_t b = 0; b < 8; ++b)
          prefix = (prefix << 8) | (b < key.size() ? static_cast<unsigned char>(key[b]) : 0u);
        entries[i] = Entry{prefix, static_cast<std::uint32_t>(i)};
        keys[i] = std::move(key);
      }
      done += rowCount;
      report(done, total);
      // Equal texts keep record order in both directions.
      std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        if (cancelled())
          throw Cancelled{};
        if (a.prefix != b.prefix)
          return ascending ? a.prefix < b.prefix : b.prefix < a.prefix;
        const int order = keys[a.index].compare(keys[b.index]);
        if (order != 0)
          return ascending ? order < 0 : order > 0;
        return a.index < b.index;
      });
      std::vector<int> sorted(rows.size());
      for (size_t i = 0; i < entries.size(); ++i)
        sorted[i] = rows[entries[i].index];
      rows = std::move(sorted);
    }
  } catch (const Cancelled&) {
    return false;
  }
  report(total, total);
  return true;
}

}  // namespace mapory
