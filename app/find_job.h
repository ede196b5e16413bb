// CFindJob: the cells of an attribute table that contain a text, looked for on a thread of its
// own so that the program paints and answers while a table of a million rows is read. Text and
// number columns are searched (numbers as the table shows them), record by record and column by
// column, ignoring the case of Latin letters; the search stops at a number of matches.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class IDataView;

namespace mapory {

struct FindMatch {
  int record = -1;
  int column = -1;
  std::string value;  // the cell as the table shows it (UTF-8), without surrounding blanks
};

class CFindJob final {
public:
  // As many matches as a list shows without becoming a second table.
  static constexpr int kMaxMatches = 200;

  // Starts at once. `table` belongs to the view and must stay until the job is done or
  // destroyed; the job only reads it. `text` is UTF-8; an empty text finds nothing.
  CFindJob(IDataView* table, std::string text, int maxMatches = kMaxMatches);
  // Cancels and waits for the thread.
  ~CFindJob();
  CFindJob(const CFindJob&) = delete;
  CFindJob& operator=(const CFindJob&) = delete;

  void Cancel() { m_cancel = true; }
  bool IsDone() const { return m_done; }
  // Rows read so far, 0 to 1000.
  int Progress() const { return m_progress; }
  const std::string& Text() const { return m_text; }
  // The matches found so far, from `first` on (the earlier ones were taken before): record order,
  // then column order. Complete once done.
  std::vector<FindMatch> MatchesFrom(size_t first) const;
  // Whether the search stopped at the number of matches rather than at the end of the table.
  bool ReachedLimit() const { return m_reachedLimit; }

  // The same work on the calling thread, handing each match to `found` as it is met. `cancel` and
  // `progress` may be null. Answers false when cancelled; `reachedLimit` (may be null) tells
  // whether the search stopped at `maxMatches`.
  static bool Compute(IDataView& table, const std::string& text, int maxMatches,
                      const std::function<void(FindMatch&&)>& found, const std::atomic<bool>* cancel,
                      std::atomic<int>* progress, bool* reachedLimit);

private:
  std::string m_text;
  mutable std::mutex m_matchesLock;
  std::vector<FindMatch> m_matches;  // guarded by m_matchesLock
  std::atomic<bool> m_cancel{false};
  std::atomic<bool> m_done{false};
  std::atomic<int> m_progress{0};
  bool m_reachedLimit = false;  // written by the thread before m_done
  std::thread m_thread;
};

}  // namespace mapory
