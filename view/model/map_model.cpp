// CMapModel: layer list and viewport.
// SPDX-License-Identifier: MIT
#include "model/map_model.h"

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
#include "sources/archive_members.h"
#include "sources/vector_reader.h"
#include "api/geometry/geometry.h"
#include "platform/gdi.h"
#include "layers/point_layer.h"
#include "layers/polygon_layer.h"
#include "layers/polyline_layer.h"
#include "layers/user_poi_layer.h"
#include "layers/user_shape_layers.h"

namespace zamra::view {

namespace {

// The centre the model asks for at construction; with the still empty extent it becomes (0, 0).
constexpr double kInitialCenterX = 104.2273175;
constexpr double kInitialCenterY = 35.85349;

std::unique_ptr<CShapeLayer> NewLayerOfType(int shapeType, MapCanvas* canvas)
{
  switch (shapeType) {
  case ZM_LAYER_POINT:
    return std::make_unique<CPointLayer>(canvas);
  case ZM_LAYER_POLYLINE:
    return std::make_unique<CPolylineLayer>(canvas);
  case ZM_LAYER_POLYGON:
    return std::make_unique<CPolygonLayer>(canvas);
  default:
    return nullptr;
  }
}

}  // namespace

CMapModel::CMapModel()
    : m_userPolylineLayer(std::make_unique<CUserPolylineLayer>(this)),
      m_userPolygonLayer(std::make_unique<CUserPolygonLayer>(this))
{
  ClampCenter(kInitialCenterX, kInitialCenterY);
}

CMapModel::~CMapModel() { DeleteAllLayers(); }

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

std::unique_ptr<CShapeLayer> CMapModel::LoadLayer(MapCanvas* canvas, const char* layerPath,
                                                  const std::atomic<bool>* stop)
{
  if (std::strlen(layerPath) >= MAX_PATH)
    return nullptr;
  if (ZamraVectorSource::IsVectorSource(layerPath)) {
    VectorLayerFiles files;
    if (ReadVectorLayer(layerPath, files, stop) != ZamraVectorStatus::Ok)
      return nullptr;
    std::unique_ptr<CShapeLayer> layer = NewLayerOfType(files.type, canvas);
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
  std::unique_ptr<CShapeLayer> layer = NewLayerOfType(CShapeLayer::LayerTypeOf(head.shapeType), canvas);
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
  m_viewport.SetCenter(x, y);
  m_dirty = true;
}

int CMapModel::SetScaleValue(double value)
{
  if (!(value >= kMinScale && value <= LargestScale()))
    return 0;
  m_viewport.SetScale(value);
  m_dirty = true;
  return 1;
}

double CMapModel::WheelScale(int wheelParameter) const
{
  return wheelParameter > 0 ? m_viewport.Scale() * 0.5 : m_viewport.Scale() * 2;
}

bool CMapModel::DragPan(int x0, int y0, int x1, int y1, int width, int height)
{
  if (x0 == x1 && y0 == y1)
    return false;
  // The centre pixel of the client area, as the surface has it (the same at ratio 1).
  const double ratio = m_viewport.PixelRatio();
  const double centreX = width == m_windowWidth ? m_viewport.HalfWidth() : (width / 2) * ratio;
  const double centreY = height == m_windowHeight ? m_viewport.HalfHeight() : (height / 2) * ratio;
  double x = 0.0, y = 0.0;
  m_viewport.PixelToGeo(centreX + (x0 - x1) * ratio, centreY + (y0 - y1) * ratio, x, y);
  ClampCenter(x, y);
  return true;
}

int CMapModel::Render(HDC dc, int x, int y)
{
  if (m_surface == nullptr)
    return 0;
  const int width = SurfaceWidth();
  const int height = SurfaceHeight();
  if (!m_dirty) {
    if (dc != nullptr)
      BitBlt(dc, x, y, width, height, m_surface, 0, 0, SRCCOPY);
    return 0;
  }
  BeginRedraw();
  DrawLayerShapes();
  m_userPolygonLayer->DrawShapes(m_surface);
  m_userPolylineLayer->DrawShapes(m_surface);
  // Labels are placed one after another, each where no symbol or earlier label is, and drawn
  // once all are placed, in bands like the shapes.
  BeginLabels();
  if (m_userPoiLayer) {
    m_userPoiLayer->DrawSymbols(m_surface);
    m_userPoiLayer->DrawLabels(m_surface);
  }
  m_userPolylineLayer->DrawLabels(m_surface);
  m_userPolygonLayer->DrawLabels(m_surface);
  for (const auto& layer : m_layers)
    if (layer->GetVisible() && layer->GetLabelVisible() && layer->IsInScaleRange(Scale()))
      layer->DrawLabels(m_surface);
  EndLabels();

  m_dirty = false;
  if (dc != nullptr)
    BitBlt(dc, x, y, width, height, m_surface, 0, 0, SRCCOPY);
  return 1;
}

void CMapModel::DrawLayerShapes()
{
  std::vector<CShapeLayer*> run;
  for (const auto& layer : m_layers) {
    if (!layer->GetVisible() || !layer->IsInScaleRange(Scale()))
      continue;
    if (layer->GetType() != ZM_LAYER_POINT) {
      run.push_back(layer.get());
      continue;
    }
    DrawInBands(run);
    run.clear();
    layer->DrawShapes(m_surface);
  }
  DrawInBands(run);
}

void CMapModel::DrawInBands(const std::vector<CShapeLayer*>& layers)
{
  if (layers.empty())
    return;
  // A shape just outside a band still reaches into it by up to half its pen and a pixel of
  // truncation: bands cull with that much room.
  int margin = 2;
  for (CShapeLayer* layer : layers)
    margin = std::max(margin, DevicePenWidth(layer->GetLineWidth()) + 2);
  ForEachBand(margin, [&layers](HDC dc, int, int) {
    for (CShapeLayer* layer : layers)
      layer->DrawShapes(dc);
  });
}

void CMapModel::SetPoiDC(HDC strip, int count, int width, int height)
{
  SetSymbolStrip(strip, count, width, height);
  if (!m_userPoiLayer)
    m_userPoiLayer = std::make_unique<CUserPoiLayer>(this);
}

}  // namespace zamra::view
