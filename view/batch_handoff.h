// BatchHandoff: a bounded queue of batches from one thread that makes them to one that uses
// them, so that both work side by side while only a few batches are held at once.
// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <utility>

template <typename Batch>
class BatchHandoff final {
public:
  explicit BatchHandoff(size_t capacity) : m_capacity(capacity) {}
  BatchHandoff(const BatchHandoff&) = delete;
  BatchHandoff& operator=(const BatchHandoff&) = delete;

  // Waits for room, then queues the batch; false when the user has stopped taking them.
  bool Put(Batch batch)
  {
    std::unique_lock lock(m_mutex);
    m_room.wait(lock, [this] { return m_batches.size() < m_capacity || m_stopped; });
    if (m_stopped)
      return false;
    m_batches.push_back(std::move(batch));
    m_ready.notify_one();
    return true;
  }

  // No batch follows the ones queued.
  void Close()
  {
    const std::lock_guard lock(m_mutex);
    m_closed = true;
    m_ready.notify_one();
  }

  // Waits for the next batch; false once the queue is closed and empty.
  bool Take(Batch& batch)
  {
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] { return !m_batches.empty() || m_closed; });
    if (m_batches.empty())
      return false;
    batch = std::move(m_batches.front());
    m_batches.pop_front();
    m_room.notify_one();
    return true;
  }

  // The user takes no more: a waiting or later Put returns false at once.
  void Stop()
  {
    const std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_room.notify_all();
  }

private:
  const size_t m_capacity;
  std::mutex m_mutex;
  std::condition_variable m_ready;
  std::condition_variable m_room;
  std::deque<Batch> m_batches;
  bool m_closed = false;
  bool m_stopped = false;
};
