// ZamraVectorSource::DescribeLayer: a layer's format and coordinate system, as the layer keeps
// them; beside the layers, which the rest of the vector-source code does not need.
// SPDX-License-Identifier: MIT
#include "view/vector_source.h"

#include <new>
#include <string>

#include "layers/shape_layer.h"

using namespace zamra::view;

bool ZamraVectorSource::DescribeLayer(ILayer* layer, std::string& format, std::string& coordinateSystem)
{
  format.clear();
  coordinateSystem.clear();
  const auto* shapeLayer = dynamic_cast<CShapeLayer*>(layer);
  if (shapeLayer == nullptr)
    return false;
  try {
    format = shapeLayer->Format();
    coordinateSystem = shapeLayer->Projection().systemName;
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}
