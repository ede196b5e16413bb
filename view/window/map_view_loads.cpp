// CMapView: layers loaded in the background, taken into the list on the host's thread.
// SPDX-License-Identifier: MIT
#include <cstring>
#include <new>
#include <string>

#include "window/layer_loads.h"
#include "model/map_model.h"
#include "window/map_view.h"
#include "layers/shape_layer.h"
#include "window/workspace_load.h"

namespace zamra::view {

int CMapView::BeginAddLayer(const char* path)
{
  if (!m_model || path == nullptr)
    return 0;
  try {
    if (!m_loads)
      m_loads = std::make_unique<LayerLoads>(m_model.get());
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return m_loads->Begin(path);
}

int CMapView::WaitAddLayer(int ticket, int milliseconds) { return m_loads ? m_loads->Wait(ticket, milliseconds) : -1; }

ILayer* CMapView::EndAddLayer(int ticket, int* memoryShort)
{
  bool shortOfMemory = false;
  std::unique_ptr<CShapeLayer> layer = m_loads ? m_loads->Take(ticket, &shortOfMemory) : nullptr;
  if (memoryShort != nullptr)
    *memoryShort = shortOfMemory ? 1 : 0;
  ILayer* added = m_model ? m_model->AdoptLayer(std::move(layer)) : nullptr;
  EndWorkspaceLayer(ticket, added);
  return added;
}

void CMapView::CancelAddLayer(int ticket)
{
  if (m_loads)
    m_loads->Cancel(ticket);
  EndWorkspaceLayer(ticket, nullptr);
}

int CMapView::GetAddLayerPath(int ticket, char* path)
{
  if (path == nullptr)
    return 0;
  path[0] = '\0';
  const std::string known = m_loads ? m_loads->PathOf(ticket) : std::string();
  if (known.empty() || known.size() >= MAX_PATH)
    return 0;
  std::memcpy(path, known.c_str(), known.size() + 1);
  return static_cast<int>(known.size()) + 1;
}

}  // namespace zamra::view
