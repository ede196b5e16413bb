// BandWorkers: the threads that draw the bands of a map after the first, kept from one redraw
// to the next. A thread started for every redraw would begin each time with cold fonts: text
// drawing keeps its glyphs per thread.
// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zamra::view {

class BandWorkers final {
public:
  BandWorkers() = default;
  ~BandWorkers();
  BandWorkers(const BandWorkers&) = delete;
  BandWorkers& operator=(const BandWorkers&) = delete;

  // Runs band(0) on this thread and band(1) .. band(count - 1) on kept threads, and returns when
  // all are done. A band whose thread cannot be started is run here after band 0. `band` must
  // not throw.
  void Run(int count, const std::function<void(int band)>& band);

private:
  struct Worker {
    std::mutex mutex;
    std::condition_variable changed;
    const std::function<void(int)>* task = nullptr;  // set while the worker has a band to draw
    int band = 0;
    bool quit = false;
    std::thread thread;  // last: it starts once the rest is made
  };
  static void Serve(Worker& worker);
  // The worker for band `index` (1 ..), started if need be; null when no thread can be had.
  Worker* WorkerFor(int index);

  std::vector<std::unique_ptr<Worker>> m_workers;  // m_workers[i] draws band i + 1
};

}  // namespace zamra::view
