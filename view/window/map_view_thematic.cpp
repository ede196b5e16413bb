// CMapView: the column a layer's labels come from, and colours by value.
// SPDX-License-Identifier: MIT
#include "window/map_view.h"

#include <new>
#include <string>

#include "platform/memory_short.h"
#include "model/map_model.h"
#include "layers/shape_layer.h"
#include "thematic/thematic_classes.h"

namespace zamra::view {

int CMapView::SetLayerLabelColumn(ILayer* layer, int column)
{
  CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr || !held->SetLabelColumn(column))
    return 0;
  m_model->Invalidate();
  return 1;
}

int CMapView::GetLayerLabelColumn(ILayer* layer)
{
  CShapeLayer* held = HeldLayer(layer);
  return held != nullptr ? held->LabelColumn() : -1;
}

int CMapView::MakeThematicStyle(ILayer* layer, int mode, int column, int classCount, int method, const char* palette,
                                ZMThematicStyle* style)
{
  CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr || held->LayerDataView() == nullptr || style == nullptr || palette == nullptr)
    return 0;
  return zamra::sys::OrIfMemoryShort(0, [&] {
    return ThematicClasses::Make(*held->LayerDataView(), mode, column, classCount, method, palette, *style) ? 1 : 0;
  });
}

int CMapView::SetLayerThematicStyle(ILayer* layer, const ZMThematicStyle* style)
{
  CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr || held->LayerDataView() == nullptr || style == nullptr)
    return 0;
  if (!held->Thematic().Apply(*held->LayerDataView(), *style))
    return 0;
  m_model->Invalidate();
  return 1;
}

int CMapView::GetLayerThematicStyle(ILayer* layer, ZMThematicStyle* style)
{
  CShapeLayer* held = HeldLayer(layer);
  if (held == nullptr || style == nullptr)
    return 0;
  try {
    *style = held->Thematic().Style();
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return 1;
}

}  // namespace zamra::view
