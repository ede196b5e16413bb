// CMapModel: layer list and viewport.
#include "map_model.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "shape_core/companion_files.h"
#include "shape_core/record_index.h"
#include "view/shapefile_archive.h"
#include "api/base/bitmap.h"
#include "archive_members.h"
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

}  // namespace

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

ILayer* CMapModel::AddLayer(const char* path)
{
  if (path == nullptr)
    return nullptr;
  try {
    std::string shpFile = zamra::shape::ShapefileOfPath(path);
    // An archive that holds one shapefile stands for it; one with several is the host's to choose from.
    if (std::vector<std::string> members; ZamraArchive::IsArchive(shpFile) &&
                                          ZamraArchive::ListShapefiles(shpFile, members) == ZamraArchiveStatus::Ok &&
                                          members.size() == 1)
      shpFile = ZamraArchive::MemberPath(shpFile, members.front());
    const char* shpPath = shpFile.c_str();
    if (std::strlen(shpPath) >= MAX_PATH)
      return nullptr;
    for (const auto& layer : m_layers)
      if (std::strcmp(layer->Path(), shpPath) == 0)
        return nullptr;
    // A shapefile inside an archive is read into memory whole first.
    std::string archive, member;
    ShapefileBytes files;
    const bool inArchive = ZamraArchive::SplitMemberPath(shpFile, archive, member);
    tagShpHead head;
    if (inArchive ? ReadArchiveShapefile(archive, member, files) != ZamraArchiveStatus::Ok ||
                        !zamra::shape::DecodeHeader(files.shp.data.get(), files.shp.size, head)
                  : !ZMType::ReadShpHead(shpPath, &head))
      return nullptr;
    ZMGeometry::RectRegx(&head.envelop);
    std::unique_ptr<CShapeLayer> layer = NewLayerOfType(CShapeLayer::LayerTypeOf(head.shapeType), this);
    if (!layer || !(inArchive ? layer->OpenFiles(std::move(files), shpPath) : layer->Open(shpPath)))
      return nullptr;
    double left, bottom, right, top;
    layer->GetRect(&left, &bottom, &right, &top);
    if (m_layers.empty()) {
      m_fullExtent = {left, right, top, bottom};
    } else {
      m_fullExtent.left = std::min(m_fullExtent.left, left);
      m_fullExtent.right = std::max(m_fullExtent.right, right);
      m_fullExtent.top = std::max(m_fullExtent.top, top);
      m_fullExtent.bottom = std::min(m_fullExtent.bottom, bottom);
    }
    m_layers.push_back(std::move(layer));
    ClampCenter((m_fullExtent.left + m_fullExtent.right) * 0.5, (m_fullExtent.top + m_fullExtent.bottom) * 0.5);
    m_dirty = true;
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
  m_dirty = true;
  return 1;
}

int CMapModel::MoveLayer(int a, int b)
{
  if (a < 0 || b < 0 || a >= GetLayerCount() || b >= GetLayerCount())
    return 0;
  std::swap(m_layers[static_cast<size_t>(a)], m_layers[static_cast<size_t>(b)]);
  m_dirty = true;
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
  m_dirty = true;
}

void CMapModel::ClampCenter(double x, double y)
{
  if (x < m_fullExtent.left)
    x = m_fullExtent.left;
  else if (x > m_fullExtent.right)
    x = m_fullExtent.right;
  if (y < m_fullExtent.bottom)
    y = m_fullExtent.bottom;
  else if (y > m_fullExtent.top)
    y = m_fullExtent.top;
  m_centerX = x;
  m_centerY = y;
  m_dirty = true;
}

double CMapModel::LargestScaleFor(const ST_RECT& extent)
{
  const double widths = (extent.right - extent.left) / 360.0;
  const double heights = (extent.top - extent.bottom) / 180.0;
  const double growth = std::max(widths, heights);
  // A broken box (not a number, endless) grows nothing.
  return std::isfinite(growth) && growth > 1.0 ? kMaxScale * growth : kMaxScale;
}

int CMapModel::SetScaleValue(double value)
{
  if (!(value >= kMinScale && value <= LargestScale()))
    return 0;
  m_scale = value;
  m_dirty = true;
  return 1;
}

void CMapModel::OnSize(int width, int height)
{
  const int newHalfWidth = width / 2;
  const int newHalfHeight = height / 2;
  if (newHalfWidth == m_halfWidth && newHalfHeight == m_halfHeight && m_surface != nullptr)
    return;
  m_halfWidth = newHalfWidth;
  m_halfHeight = newHalfHeight;
  m_dirty = true;
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
  m_placement.Resize(m_surface != nullptr ? width : 0, m_surface != nullptr ? height : 0);
}

void CMapModel::PixelToGeo(int px, int py, double& x, double& y) const
{
  const int dx = px - m_halfWidth;
  const int dy = py - m_halfHeight;
  x = dx * m_scale / kMetersPerDegreeX * 0.00025 + m_centerX;
  y = m_centerY - dy * m_scale / kMetersPerDegreeY * 0.00025;
}

double CMapModel::WheelScale(int wheelParameter) const { return wheelParameter > 0 ? m_scale * 0.5 : m_scale * 2; }

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
  PixelToGeo(0, 2 * m_halfHeight, m_visibleExtent.left, m_visibleExtent.bottom);
  PixelToGeo(2 * m_halfWidth, 0, m_visibleExtent.right, m_visibleExtent.top);
}
