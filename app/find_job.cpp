// CFindJob.
// SPDX-License-Identifier: MIT
#include "find_job.h"

#include <algorithm>
#include <cstdint>

#include "api/formats/data_view.h"
#include "view/idata_view.h"

namespace mapory {

namespace {

constexpr int kCellSize = 260;  // the view renders at most 256 bytes a cell
constexpr int kReportEvery = 4096;

// Columns of texts and numbers: what a person types can be found in them.
bool IsSearched(char type)
{
  return type == ZM_VAR_STRING || type == ZM_VAR_SHORT || type == ZM_VAR_INT || type == ZM_VAR_LONG ||
         type == ZM_VAR_FLOAT || type == ZM_VAR_DOUBLE;
}

void LowerLatin(std::string& text)
{
  for (char& c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
}

std::string Trimmed(const char* text)
{
  std::string value(text);
  const size_t first = value.find_first_not_of(' ');
  if (first == std::string::npos)
    return {};
  const size_t last = value.find_last_not_of(' ');
  return value.substr(first, last - first + 1);
}

}  // namespace

CFindJob::CFindJob(IDataView* table, std::string text, int maxMatches) : m_text(std::move(text))
{
  m_thread = std::thread([this, table, maxMatches] {
    bool reachedLimit = false;
    if (table != nullptr)
      Compute(
          *table, m_text, maxMatches,
          [this](FindMatch&& match) {
            const std::lock_guard<std::mutex> hold(m_matchesLock);
            m_matches.push_back(std::move(match));
          },
          &m_cancel, &m_progress, &reachedLimit);
    m_reachedLimit = reachedLimit;
    m_progress = 1000;
    m_done = true;
  });
}

CFindJob::~CFindJob()
{
  m_cancel = true;
  if (m_thread.joinable())
    m_thread.join();
}

std::vector<FindMatch> CFindJob::MatchesFrom(size_t first) const
{
  const std::lock_guard<std::mutex> hold(m_matchesLock);
  if (first >= m_matches.size())
    return {};
  return std::vector<FindMatch>(m_matches.begin() + static_cast<std::ptrdiff_t>(first), m_matches.end());
}

bool CFindJob::Compute(IDataView& table, const std::string& text, int maxMatches,
                       const std::function<void(FindMatch&&)>& found, const std::atomic<bool>* cancel,
                       std::atomic<int>* progress, bool* reachedLimit)
{
  if (reachedLimit != nullptr)
    *reachedLimit = false;
  std::string needle = Trimmed(text.c_str());
  LowerLatin(needle);
  const int rowCount = std::max(table.GetRowCount(), 0);
  std::vector<int> columns;
  for (int column = 0; column < std::max(table.GetColumnCount(), 0); ++column) {
    char type = 0, flag = 0;
    int length = 0;
    char name[64] = {};
    char format[64] = {};
    table.GetColumn(column, type, length, name, format, flag);
    if (IsSearched(type))
      columns.push_back(column);
  }
  if (needle.empty() || columns.empty() || maxMatches <= 0)
    return true;
  int matches = 0;
  char cell[kCellSize] = {};
  std::string folded;
  for (int row = 0; row < rowCount; ++row) {
    if (row % kReportEvery == 0) {
      if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
        return false;
      if (progress != nullptr)
        progress->store(static_cast<int>(static_cast<std::int64_t>(row) * 1000 / rowCount), std::memory_order_relaxed);
    }
    for (int column : columns) {
      cell[0] = '\0';
      table.GetItemValue(row, column, cell);
      cell[kCellSize - 1] = '\0';
      folded.assign(cell);
      LowerLatin(folded);
      if (folded.find(needle) == std::string::npos)
        continue;  // no match in this cell
      found(FindMatch{row, column, Trimmed(cell)});
      if (++matches >= maxMatches) {
        if (reachedLimit != nullptr)
          *reachedLimit = row < rowCount - 1 || column != columns.back();
        return true;
      }
    }
  }
  return true;
}

}  // namespace mapory
