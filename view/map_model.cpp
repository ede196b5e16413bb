// CMapModel: layer list and viewport.
#include "map_model.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <new>
#include <thread>

#include "api/base/bitmap.h"
#include "api/geometry/geometry.h"
#include "platform/gdi.h"
#include "point_layer.h"
#include "polygon_layer.h"
#include "polyline_layer.h"
#include "user_poi_layer.h"
#include "user_shape_layers.h"

namespace {

constexpr int kShapePoint = 1;
constexpr int kShapePolyline = 3;
constexpr int kShapePolygon = 5;

// The centre the model asks for at construction; with the still empty extent it becomes (0, 0).
constexpr double kInitialCenterX = 104.2273175;
constexpr double kInitialCenterY = 35.85349;

std::unique_ptr<CShapeLayer> NewLayerOfType(int shapeType, CMapModel* model)
{
  switch (shapeType) {
  case kShapePoint:
    return std::make_unique<CPointLayer>(model);
  case kShapePolyline:
    return std::make_unique<CPolylineLayer>(model);
  case kShapePolygon:
    return std::make_unique<CPolygonLayer>(model);
  default:
    return nullptr;
  }
}

} // namespace

CMapModel::CMapModel()
    : m_userPolylineLayer(std::make_unique<CUserPolylineLayer>(this)),
      m_userPolygonLayer(std::make_unique<CUserPolygonLayer>(this))
{
  ReplaceSurface();
  ClampCenter(kInitialCenterX, kInitialCenterY);
  SetDrawingThreads(static_cast<int>(std::thread::hardware_concurrency()));
}

CMapModel::~CMapModel()
{
  DeleteAllLayers();
  if (m_surface != nullptr)
    DeleteDC(m_surface);
  if (m_symbolDC != nullptr)
    DeleteDC(m_symbolDC);
}

ILayer* CMapModel::AddLayer(const char* shpPath)
{
  if (shpPath == nullptr || std::strlen(shpPath) >= MAX_PATH)
    return nullptr;
  for (const auto& layer : m_layers)
    if (std::strcmp(layer->path, shpPath) == 0)
      return nullptr;
  tagShpHead head;
  if (!ZMType::ReadShpHead(shpPath, &head))
    return nullptr;
  ZMGeometry::RectRegx(&head.envelop);
  try {
    std::unique_ptr<CShapeLayer> layer = NewLayerOfType(CShapeLayer::LayerTypeOf(head.shapeType), this);
    if (!layer || !layer->Open(shpPath))
      return nullptr;
    double left, bottom, right, top;
    layer->GetRect(&left, &bottom, &right, &top);
    if (m_layers.empty()) {
      fullExtent = {left, right, top, bottom};
    } else {
      fullExtent.left = std::min(fullExtent.left, left);
      fullExtent.right = std::max(fullExtent.right, right);
      fullExtent.top = std::max(fullExtent.top, top);
      fullExtent.bottom = std::min(fullExtent.bottom, bottom);
    }
    m_layers.push_back(std::move(layer));
    ClampCenter((fullExtent.left + fullExtent.right) * 0.5, (fullExtent.top + fullExtent.bottom) * 0.5);
    dirty = 1;
    if (m_selectedLayer < 0)
      m_selectedLayer = GetLayerCount() - 1;
    return m_layers.back().get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

int CMapModel::DeleteLayer(int index)
{
  if (index < 0 || index >= GetLayerCount())
    return 0;
  m_layers.erase(m_layers.begin() + index);
  if (index == m_selectedLayer)
    m_selectedLayer = -1;
  dirty = 1;
  return 1;
}

int CMapModel::MoveLayer(int a, int b)
{
  if (a < 0 || b < 0 || a >= GetLayerCount() || b >= GetLayerCount())
    return 0;
  std::swap(m_layers[static_cast<size_t>(a)], m_layers[static_cast<size_t>(b)]);
  dirty = 1;
  return 1;
}

CShapeLayer* CMapModel::GetLayer(int index) const
{
  if (index < 0 || index >= GetLayerCount())
    return nullptr;
  return m_layers[static_cast<size_t>(index)].get();
}

void CMapModel::DeleteAllLayers()
{
  m_layers.clear();
  m_selectedLayer = -1;
  dirty = 1;
}

void CMapModel::ClampCenter(double x, double y)
{
  if (x < fullExtent.left)
    x = fullExtent.left;
  else if (x > fullExtent.right)
    x = fullExtent.right;
  if (y < fullExtent.bottom)
    y = fullExtent.bottom;
  else if (y > fullExtent.top)
    y = fullExtent.top;
  centerX = x;
  centerY = y;
  metersPerDegreeY = kMetersPerDegreeY;
  metersPerDegreeX = kMetersPerDegreeX;
  dirty = 1;
}

int CMapModel::SetScaleValue(double value)
{
  if (!(value >= kMinScale && value <= kMaxScale))
    return 0;
  scale = value;
  dirty = 1;
  return 1;
}

void CMapModel::OnSize(int width, int height)
{
  const int newHalfWidth = width / 2;
  const int newHalfHeight = height / 2;
  if (newHalfWidth == halfWidth && newHalfHeight == halfHeight && m_surface != nullptr)
    return;
  halfWidth = newHalfWidth;
  halfHeight = newHalfHeight;
  dirty = 1;
  ReplaceSurface();
}

void CMapModel::ReplaceSurface()
{
  if (m_surface != nullptr)
    DeleteDC(m_surface);
  m_surface = nullptr;
  m_surfaceBits = nullptr;
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  if (width > 0 && height > 0)
    m_surface = ZMBitmap::CreateMemDc(width, height, &m_surfaceBits);
  std::vector<unsigned char> grid;
  if (m_surface != nullptr)
    grid.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  m_placementGrid.swap(grid);
}

void CMapModel::PixelToGeo(int px, int py, double& x, double& y) const
{
  const int dx = px - halfWidth;
  const int dy = py - halfHeight;
  x = dx * scale / metersPerDegreeX * 0.00025 + centerX;
  y = centerY - dy * scale / metersPerDegreeY * 0.00025;
}

double CMapModel::WheelScale(int wheelParameter) const
{
  return wheelParameter > 0 ? scale * 0.5 : scale * 2;
}

bool CMapModel::DragPan(int x0, int y0, int x1, int y1, int width, int height)
{
  if (x0 == x1 && y0 == y1)
    return false;
  double x = 0.0, y = 0.0;
  PixelToGeo(width / 2 + x0 - x1, height / 2 + y0 - y1, x, y);
  ClampCenter(x, y);
  return true;
}

void CMapModel::UpdateVisibleExtent()
{
  PixelToGeo(0, 2 * halfHeight, visibleExtent.left, visibleExtent.bottom);
  PixelToGeo(2 * halfWidth, 0, visibleExtent.right, visibleExtent.top);
}
