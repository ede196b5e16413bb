// LayerLoads: layers read on a thread beside the host's, so that its window keeps answering
// while a large file loads. Each load ends with a layer the model has not seen yet; the host's
// thread adds it (CMapModel::AdoptLayer) when it takes it, so the layer list may change freely
// meanwhile.
// SPDX-License-Identifier: MIT
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zamra::view {

class CMapModel;
class CShapeLayer;

class LayerLoads final {
public:
  explicit LayerLoads(CMapModel* model) : m_model(model) {}
  // Gives every load up and waits for the thread.
  ~LayerLoads();
  LayerLoads(const LayerLoads&) = delete;
  LayerLoads& operator=(const LayerLoads&) = delete;

  // Queues the load of the layer `path` names (as CMapModel::AddLayer takes it); loads run one
  // after another, in the order they began. A ticket (> 0), or 0 when no thread could be had.
  int Begin(const char* path);
  // Waits up to `milliseconds` (0: only looks): 1 when the load has ended, 0 while it runs or
  // waits its turn, -1 for a ticket not known (never given, taken or cancelled).
  int Wait(int ticket, int milliseconds);
  // Waits for the load to end and hands its layer over (null when it failed or for a ticket not
  // known), with whether memory ran short while it loaded. The ticket is spent.
  std::unique_ptr<CShapeLayer> Take(int ticket, bool* memoryShort);
  // The path a load was begun with; empty for a ticket not known.
  std::string PathOf(int ticket);
  // Gives a load up: its ticket is spent at once, and its reading stops at its next step on the
  // thread, which then frees what it read.
  void Cancel(int ticket);

private:
  struct Load {
    std::string path;
    std::atomic<bool> stop{false};
    // Guarded by m_lock:
    bool ended = false;
    bool memoryShort = false;
    std::unique_ptr<CShapeLayer> layer;
  };
  void Run(const std::stop_token& token);
  std::shared_ptr<Load> Find(int ticket);

  CMapModel* m_model;  // not owned; only handed to the layers made
  std::mutex m_lock;
  std::condition_variable_any m_changed;
  std::deque<std::shared_ptr<Load>> m_waiting;   // not started yet, in order
  std::map<int, std::shared_ptr<Load>> m_loads;  // by ticket, until taken or cancelled
  int m_lastTicket = 0;
  std::jthread m_thread;  // last: stopped and joined before the rest goes
};

}  // namespace zamra::view
