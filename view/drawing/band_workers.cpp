// BandWorkers: kept drawing threads.
// SPDX-License-Identifier: MIT
#include "drawing/band_workers.h"

#include <new>
#include <system_error>

namespace zamra::view {

BandWorkers::~BandWorkers()
{
  for (const auto& worker : m_workers) {
    {
      const std::lock_guard<std::mutex> lock(worker->mutex);
      worker->quit = true;
    }
    worker->changed.notify_all();
    worker->thread.join();
  }
}

void BandWorkers::Serve(Worker& worker)
{
  std::unique_lock<std::mutex> lock(worker.mutex);
  for (;;) {
    worker.changed.wait(lock, [&worker] { return worker.quit || worker.task != nullptr; });
    if (worker.quit)
      return;
    const std::function<void(int)>& task = *worker.task;
    const int band = worker.band;
    lock.unlock();
    task(band);
    lock.lock();
    worker.task = nullptr;
    worker.changed.notify_all();
  }
}

BandWorkers::Worker* BandWorkers::WorkerFor(int index)
{
  try {
    while (static_cast<int>(m_workers.size()) < index) {
      m_workers.reserve(m_workers.size() + 1);  // so that the push below cannot fail
      auto worker = std::make_unique<Worker>();
      worker->thread = std::thread(Serve, std::ref(*worker));
      m_workers.push_back(std::move(worker));
    }
  } catch (const std::bad_alloc&) {
    return nullptr;
  } catch (const std::system_error&) {
    return nullptr;
  }
  return m_workers[static_cast<size_t>(index - 1)].get();
}

void BandWorkers::Run(int count, const std::function<void(int band)>& band)
{
  // Made before any band starts: once one does, nothing here may fail.
  std::vector<Worker*> started;
  std::vector<int> unhelped;
  started.reserve(static_cast<size_t>(count));
  unhelped.reserve(static_cast<size_t>(count));
  for (int index = 1; index < count; ++index) {
    Worker* worker = WorkerFor(index);
    if (worker == nullptr) {
      unhelped.push_back(index);
      continue;
    }
    {
      const std::lock_guard<std::mutex> lock(worker->mutex);
      worker->task = &band;
      worker->band = index;
    }
    worker->changed.notify_all();
    started.push_back(worker);
  }
  band(0);
  for (int index : unhelped)
    band(index);
  for (Worker* worker : started) {
    std::unique_lock<std::mutex> lock(worker->mutex);
    worker->changed.wait(lock, [worker] { return worker->task == nullptr; });
  }
}

}  // namespace zamra::view
