// CMapModel: layer list and viewport.
// SPDX-License-Identifier: MIT
#include "map_model.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "platform/memory_room.h"
#include "shape_core/companion_files.h"
#include "shape_core/record_index.h"
#include "view/shapefile_archive.h"
#include "view/vector_source.h"
#include "api/base/bitmap.h"
#include "archive_members.h"
#include "vector_reader.h"
#include "api/geometry/geometry.h"
#include "platform/gdi.h"
#include "point_layer.h"
#include "polygon_layer.h"
#include "polyline_layer.h"
#include "user_poi_layer.h"
#include "user_shape_layers.h"

namespace {

// The centre the model asks for at construction; with the still empty extent it becomes (0, 0).
constexpr double kInitialCenterX = 104.2273175;
constexpr double kInitialCenterY = 35.85349;

std::unique_ptr<CShapeLayer> NewLayerOfType(int shapeType, CMapModel* model)
{
  switch (shapeType) {
  case ZM_LAYER_POINT:
    return std::make_unique<CPointLayer>(model);
  case ZM_LAYER_POLYLINE:
    return std::make_unique<CPolylineLayer>(model);
  case ZM_LAYER_POLYGON:
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
    const std::string layerPath = ResolveLayerPath(path);
    if (HasLayerPath(layerPath.c_str()))
      return nullptr;  // known before anything is read
    return AdoptLayer(LoadLayer(this, layerPath.c_str(), nullptr));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::string CMapModel::ResolveLayerPath(const char* path)
{
  // Other formats are read through GDAL into the same layers, by the path as it is.
  if (ZamraVectorSource::IsVectorSource(path))
    return path;
  std::string shpFile = zamra::shape::ShapefileOfPath(path);
  // An archive that holds one shapefile stands for it; one with several is the host's to choose from.
  if (std::vector<std::string> members; ZamraArchive::IsArchive(shpFile) &&
                                        ZamraArchive::ListShapefiles(shpFile, members) == ZamraArchiveStatus::Ok &&
                                        members.size() == 1)
    shpFile = ZamraArchive::MemberPath(shpFile, members.front());
  return shpFile;
}

bool CMapModel::HasLayerPath(const char* layerPath) const
{
  return std::any_of(m_layers.begin(), m_layers.end(),
                     [layerPath](const auto& layer) { return std::strcmp(layer->Path(), layerPath) == 0; });
}

std::unique_ptr<CShapeLayer> CMapModel::LoadLayer(CMapModel* owner, const char* layerPath,
                                                  const std::atomic<bool>* stop)
{
  if (std::strlen(layerPath) >= MAX_PATH)
    return nullptr;
  if (ZamraVectorSource::IsVectorSource(layerPath)) {
    VectorLayerFiles files;
    if (ReadVectorLayer(layerPath, files, stop) != ZamraVectorStatus::Ok)
      return nullptr;
    std::unique_ptr<CShapeLayer> layer = NewLayerOfType(files.type, owner);
    if (!layer)
      return nullptr;
    layer->SetLoadStop(stop);
    const bool opened = layer->OpenConverted(std::move(files.files), layerPath, files.source);
    layer->SetLoadStop(nullptr);  // the flag's owner may go before the layer
    return opened ? std::move(layer) : nullptr;
  }
  // A shapefile inside an archive is read into memory whole first.
  std::string archive, member;
  ShapefileBytes files;
  const bool inArchive = ZamraArchive::SplitMemberPath(layerPath, archive, member);
  tagShpHead head;
  if (inArchive ? ReadArchiveShapefile(archive, member, files) != ZamraArchiveStatus::Ok ||
                      !zamra::shape::DecodeHeader(files.shp.data.get(), files.shp.size, head)
                : !ZMType::ReadShpHead(layerPath, &head))
    return nullptr;
  ZMGeometry::RectRegx(&head.envelop);
  std::unique_ptr<CShapeLayer> layer = NewLayerOfType(CShapeLayer::LayerTypeOf(head.shapeType), owner);
  if (!layer)
    return nullptr;
  layer->SetLoadStop(stop);
  const bool opened = inArchive ? layer->OpenFiles(std::move(files), layerPath) : layer->Open(layerPath);
  layer->SetLoadStop(nullptr);  // the flag's owner may go before the layer
  return opened ? std::move(layer) : nullptr;
}

ILayer* CMapModel::AdoptLayer(std::unique_ptr<CShapeLayer> layer)
{
  if (!layer || HasLayerPath(layer->Path()))
    return nullptr;
  try {
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
    zamra::sys::NoteMemoryShort();
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
  m_windowWidth = width;
  m_windowHeight = height;
  ResizeSurface();
}

void CMapModel::ResizeSurface()
{
  // The window's centre pixel, (width / 2, height / 2), is the surface's: at ratio 1 exactly
  // the half sizes of old, and a window pixel maps to the same ground at every ratio.
  const auto half = [this](int length) {
    return m_pixelRatio == 1.0 ? length / 2 : static_cast<int>(std::lround((length / 2) * m_pixelRatio));
  };
  const int newHalfWidth = half(m_windowWidth);
  const int newHalfHeight = half(m_windowHeight);
  if (newHalfWidth == m_halfWidth && newHalfHeight == m_halfHeight && m_surface != nullptr)
    return;
  m_halfWidth = newHalfWidth;
  m_halfHeight = newHalfHeight;
  m_dirty = true;
  ReplaceSurface();
}

int CMapModel::SetPixelRatio(double ratio)
{
  if (!(ratio >= kMinPixelRatio && ratio <= kMaxPixelRatio))
    return 0;
  if (ratio == m_pixelRatio)
    return 1;
  if (m_symbolDC == nullptr && m_symbolCount == 0) {
    // No strip yet: the default tile is 24 window pixels.
    m_symbolWidth = static_cast<int>(std::lround(kDefaultSymbolSize * ratio));
    m_symbolHeight = m_symbolWidth;
  }
  m_pixelRatio = ratio;
  m_pixelsPerMeter = kPixelsPerMeter * ratio;
  m_metersPerPixel = 1.0 / m_pixelsPerMeter;
  m_dirty = true;
  ResizeSurface();
  return 1;
}

int CMapModel::DevicePenWidth(int width) const
{
  if (width <= 1 || m_pixelRatio == 1.0)
    return width;
  return std::max(1, static_cast<int>(std::lround(width * m_pixelRatio)));
}

int CMapModel::DeviceLength(int length) const
{
  return m_pixelRatio == 1.0 ? length : static_cast<int>(std::lround(length * m_pixelRatio));
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

void CMapModel::PixelToGeo(double px, double py, double& x, double& y) const
{
  // Whole pixels give the very numbers of the integer arithmetic this replaced.
  const double dx = px - m_halfWidth;
  const double dy = py - m_halfHeight;
  x = dx * m_scale / kMetersPerDegreeX * m_metersPerPixel + m_centerX;
  y = m_centerY - dy * m_scale / kMetersPerDegreeY * m_metersPerPixel;
}

void CMapModel::WindowToGeo(double wx, double wy, double& x, double& y) const
{
  PixelToGeo(wx * m_pixelRatio, wy * m_pixelRatio, x, y);
}

void CMapModel::GeoToWindow(double x, double y, int& wx, int& wy) const
{
  wx = TruncateToInt(((x - m_centerX) * kMetersPerDegreeX / m_scale * m_pixelsPerMeter + m_halfWidth) / m_pixelRatio);
  wy = TruncateToInt((m_halfHeight - (y - m_centerY) * kMetersPerDegreeY / m_scale * m_pixelsPerMeter) / m_pixelRatio);
}

double CMapModel::WheelScale(int wheelParameter) const { return wheelParameter > 0 ? m_scale * 0.5 : m_scale * 2; }

bool CMapModel::DragPan(int x0, int y0, int x1, int y1, int width, int height)
{
  if (x0 == x1 && y0 == y1)
    return false;
  // The centre pixel of the client area, as the surface has it (the same at ratio 1).
  const double centreX = width == m_windowWidth ? m_halfWidth : (width / 2) * m_pixelRatio;
  const double centreY = height == m_windowHeight ? m_halfHeight : (height / 2) * m_pixelRatio;
  double x = 0.0, y = 0.0;
  PixelToGeo(centreX + (x0 - x1) * m_pixelRatio, centreY + (y0 - y1) * m_pixelRatio, x, y);
  ClampCenter(x, y);
  return true;
}

void CMapModel::UpdateVisibleExtent()
{
  PixelToGeo(0, 2 * m_halfHeight, m_visibleExtent.left, m_visibleExtent.bottom);
  PixelToGeo(2 * m_halfWidth, 0, m_visibleExtent.right, m_visibleExtent.top);
}
