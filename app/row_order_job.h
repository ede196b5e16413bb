// CRowOrderJob: which rows of an attribute table the properties window shows, and in what
// order: sorted by one column by its real type (numbers as numbers, texts as texts) and kept
// only when a cell contains a text. Worked out on a thread of its own, so that the window
// paints and answers while a table of a million rows is read and sorted.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class IDataView;

namespace mapory {

struct RowOrderRequest {
  int sortColumn = -1;  // -1: record order
  bool ascending = true;
  std::string filter;  // UTF-8; empty keeps every row
};

class CRowOrderJob final {
public:
  // Starts at once. `table` belongs to the view and must stay until the job is done or
  // destroyed; the job only reads it.
  CRowOrderJob(IDataView* table, RowOrderRequest request);
  // Cancels and waits for the thread.
  ~CRowOrderJob();
  CRowOrderJob(const CRowOrderJob&) = delete;
  CRowOrderJob& operator=(const CRowOrderJob&) = delete;

  void Cancel() { m_cancel = true; }
  bool IsDone() const { return m_done; }
  // Work done so far, 0 to 1000.
  int Progress() const { return m_progress; }
  const RowOrderRequest& Request() const { return m_request; }
  // The record numbers to show, in order; valid once done and not cancelled.
  std::vector<int> TakeRows() { return std::move(m_rows); }
  bool WasCancelled() const { return m_cancelled; }

  // The same work on the calling thread. Sorting is stable: equal values keep record order,
  // and empty numbers come first. Texts sort and filter ignoring the case of Latin letters. `cancel` and
  // `progress` may be null. Answers false when cancelled.
  static bool Compute(IDataView& table, const RowOrderRequest& request, std::vector<int>& rows,
                      const std::atomic<bool>* cancel, std::atomic<int>* progress);

private:
  RowOrderRequest m_request;
  std::vector<int> m_rows;
  std::atomic<bool> m_cancel{false};
  std::atomic<bool> m_done{false};
  std::atomic<int> m_progress{0};
  bool m_cancelled = false;  // written by the thread before m_done
  std::thread m_thread;
};

}  // namespace mapory
