// LayerLoads: one thread that loads layers in the order they were asked for.
// SPDX-License-Identifier: MIT
#include "window/layer_loads.h"

#include <chrono>
#include <new>
#include <system_error>

#include "platform/memory_room.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"

namespace zamra::view {

LayerLoads::~LayerLoads()
{
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (auto& [ticket, load] : m_loads)
      load->stop = true;
  }
  if (m_thread.joinable()) {
    m_thread.request_stop();
    m_thread.join();
  }
}

int LayerLoads::Begin(const char* path)
{
  if (path == nullptr)
    return 0;
  try {
    auto load = std::make_shared<Load>();
    load->path = path;
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_thread.joinable())
      m_thread = std::jthread([this](const std::stop_token& token) { Run(token); });
    m_waiting.push_back(load);
    m_loads.emplace(++m_lastTicket, std::move(load));
    m_changed.notify_all();
    return m_lastTicket;
  } catch (const std::bad_alloc&) {
    return 0;
  } catch (const std::system_error&) {
    return 0;  // no thread to be had
  }
}

std::shared_ptr<LayerLoads::Load> LayerLoads::Find(int ticket)
{
  const auto found = m_loads.find(ticket);
  return found != m_loads.end() ? found->second : nullptr;
}

int LayerLoads::Wait(int ticket, int milliseconds)
{
  std::unique_lock<std::mutex> lock(m_lock);
  std::shared_ptr<Load> load = Find(ticket);
  if (!load)
    return -1;
  m_changed.wait_for(lock, std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 0),
                     [&load] { return load->ended; });
  return load->ended ? 1 : 0;
}

std::unique_ptr<CShapeLayer> LayerLoads::Take(int ticket, bool* memoryShort)
{
  if (memoryShort != nullptr)
    *memoryShort = false;
  std::unique_lock<std::mutex> lock(m_lock);
  std::shared_ptr<Load> load = Find(ticket);
  if (!load)
    return nullptr;
  m_changed.wait(lock, [&load] { return load->ended; });
  m_loads.erase(ticket);
  if (memoryShort != nullptr)
    *memoryShort = load->memoryShort;
  return std::move(load->layer);
}

std::string LayerLoads::PathOf(int ticket)
{
  std::lock_guard<std::mutex> lock(m_lock);
  const std::shared_ptr<Load> load = Find(ticket);
  return load ? load->path : std::string();
}

void LayerLoads::Cancel(int ticket)
{
  std::shared_ptr<Load> load;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    load = Find(ticket);
    if (!load)
      return;
    load->stop = true;
    m_loads.erase(ticket);
    // Still waiting: it never starts. Running: the thread drops it when it ends.
    std::erase(m_waiting, load);
  }
  // An ended load's layer is freed here, outside the lock.
}

void LayerLoads::Run(const std::stop_token& token)
{
  for (;;) {
    std::shared_ptr<Load> load;
    {
      std::unique_lock<std::mutex> lock(m_lock);
      if (!m_changed.wait(lock, token, [this] { return !m_waiting.empty(); }) || token.stop_requested())
        return;  // the owner goes
      load = std::move(m_waiting.front());
      m_waiting.pop_front();
    }
    const std::uint64_t memoryShort = zamra::sys::MemoryShortCount();
    std::unique_ptr<CShapeLayer> layer;
    try {
      const std::string layerPath = CMapModel::ResolveLayerPath(load->path.c_str());
      layer = CMapModel::LoadLayer(m_model, layerPath.c_str(), &load->stop);
    } catch (const std::bad_alloc&) {
      zamra::sys::NoteMemoryShort();
      layer.reset();  // nothing may leave a thread
    }
    if (load->stop)
      layer.reset();  // given up meanwhile: freed here, on this thread
    std::lock_guard<std::mutex> lock(m_lock);
    load->memoryShort = !layer && zamra::sys::MemoryShortCount() != memoryShort;
    load->layer = std::move(layer);
    load->ended = true;
    m_changed.notify_all();
  }
}

}  // namespace zamra::view
