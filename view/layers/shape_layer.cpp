// CShapeLayer: loading the three files and the settings common to every layer.
// SPDX-License-Identifier: MIT
#include "layers/shape_layer.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "platform/memory_room.h"
#include "shape_core/companion_files.h"
#include "shape_core/shape_layout.h"
#include "shape_core/text_code_page.h"
#include "api/formats/shape_type.h"
#include "api/geometry/geometry.h"
#include "platform/gdi.h"
#include "platform/system_calls.h"
#include "drawing/map_canvas.h"
#include "records/multipatch_polygons.h"
#include "drawing/text_fields.h"

using namespace zamra::view;

namespace zamra::view {

namespace {

// Layers are numbered in the order they are made, failed ones included (on any thread).
std::atomic<int> g_layerSerial{0};

// `point` moved into `box` where it lies outside, as the tests of a label's place take it to
// lie (a record whose stored box is smaller than its points, the largest piece of a record cut
// at the antimeridian). A label point of a well-formed record always lies in its box.
ST_POINT InsideBox(const ST_POINT& point, const ST_RECT& box)
{
  return ST_POINT{std::min(std::max(point.x, box.left), box.right), std::min(std::max(point.y, box.bottom), box.top)};
}

}  // namespace

}  // namespace zamra::view

int ILayer::SaveAsFile(char*) { return 0; }

namespace zamra::view {

CShapeLayer::CShapeLayer(MapCanvas* canvas, int shapeType) : m_canvas(canvas), m_id(++g_layerSerial), m_type(shapeType)
{
  CopyTextField(m_labelFace, DefaultLabelFace().c_str(), sizeof m_labelFace);
}

CShapeLayer::~CShapeLayer() = default;

bool CShapeLayer::LoadGeometry(FileBytes shp, const unsigned char* shx, std::int64_t shxSize)
{
  zamra::shape::RecordIndex index;
  if (!index.Build(shp.data.get(), shp.size, shx, shxSize))
    return false;
  m_header = index.Header();
  int fileType = m_header.shapeType;
  if (LayerTypeOf(fileType) != m_type)
    return false;
  m_recordCount = index.Count();
  m_damagedFrom = index.DamagedFrom();
  if (fileType == zamra::shape::kMultiPatch) {
    // Surfaces are drawn as the polygons they cover: the records are rewritten as polygon
    // records first, and those are what the layer keeps.
    FileBytes polygons;
    PolygonStarts starts;
    if (!MultipatchAsPolygons(index, polygons, starts, KeepsRecordBlock()) ||
        !index.Build(polygons.data.get(), polygons.size, nullptr, 0) || index.Count() != m_recordCount)
      return false;
    shp = std::move(polygons);
    fileType = zamra::shape::kPolygon;
    KeepPolygonStarts(std::move(starts));
  }
  // The records are parsed where they were read; the points stay in that block.
  if (!AdoptRecords(std::move(shp.data), index, fileType)) {
    m_recordCount = 0;
    return false;
  }
  ZMGeometry::RectRegx(&m_header.envelop);
  ST_RECT extent;
  if (!zamra::shape::IsUsableBox(m_header.envelop) && RecordsExtent(extent))
    m_header.envelop = extent;  // writers that never filled the box in, or filled it with garbage
  return true;
}

bool CShapeLayer::OpenGeometry(const char* shpPath, SharedFileRead& shp)
{
  // The index is a help, not a must: without one, or with one that disagrees, the .shp is walked.
  FileBytes shx;
  if (!ReadWholeFile(zamra::shape::CompanionPath(shpPath, ".shx").c_str(), shx))
    shx = FileBytes();
  FileBytes bytes;
  return shp.Finish(bytes) && LoadGeometry(std::move(bytes), shx.data.get(), shx.size);
}

int CShapeLayer::LayerTypeOf(int fileType)
{
  if (fileType == zamra::shape::kMultiPatch)
    return zamra::shape::kPolygon;  // surfaces cover areas of the map
  const int planar = zamra::shape::PlanarType(fileType);
  return planar == zamra::shape::kMultiPoint ? zamra::shape::kPoint : planar;
}

bool CShapeLayer::Open(const char* shpPath)
{
  std::string base;
  if (shpPath == nullptr || std::strlen(shpPath) >= MAX_PATH || !zamra::shape::BaseOfPath(shpPath, base))
    return false;
  const std::string dbfPath = zamra::shape::CompanionPath(shpPath, ".dbf");
  // Drawing and identifying need no table: without a .dbf the layer gets one of record numbers.
  const bool hasTable = zamra::sys::Access(dbfPath.c_str(), F_OK) == 0;
  // The table is read and decoded on a second core while this one reads the geometry: the two
  // files share nothing until both are in. The table is the smaller file as a rule, so its
  // thread then helps read what is left of the .shp.
  auto table = std::make_unique<CLayerDataView>();
  bool tableLoaded = false;
  SharedFileRead shp;  // outlives the thread below, which may still be reading a piece of it
  shp.Start(shpPath, KeepsRecordBlock(), m_loadStop);
  {
    std::jthread tableLoader;  // joined when the block ends, whatever way it ends
    try {
      tableLoader = std::jthread([&table, &tableLoaded, &dbfPath, &shp, hasTable] {
        try {
          tableLoaded = hasTable && table->Load(dbfPath.c_str());
        } catch (const std::bad_alloc&) {
          zamra::sys::NoteMemoryShort();
          tableLoaded = false;  // nothing may leave a thread
        }
        shp.Help();
      });
    } catch (const std::system_error&) {
      tableLoaded = hasTable && table->Load(dbfPath.c_str());  // no thread to be had: one after the other
    }
    shp.Help();
    if (!OpenGeometry(shpPath, shp) || LoadStopped())
      return false;
    LayerProjection projection;
    projection.ReadPrjBeside(shpPath);
    PlaceOnMap(projection);  // while the table still loads
  }
  if (!hasTable)
    tableLoaded = table->MakeRecordNumbersOnly(m_recordCount);
  if (!tableLoaded || LoadStopped())
    return false;  // the caller destroys the layer with the records it read
  AdoptTable(std::move(table), shpPath);
  return true;
}

bool CShapeLayer::OpenFiles(ShapefileBytes files, const char* path)
{
  if (path == nullptr || std::strlen(path) >= MAX_PATH)
    return false;
  if (!LoadGeometry(std::move(files.shp), files.shx.size > 0 ? files.shx.data.get() : nullptr, files.shx.size) ||
      LoadStopped())
    return false;
  LayerProjection projection;
  projection.ReadPrjText(files.hasPrj ? &files.prj : nullptr);
  PlaceOnMap(projection);
  auto table = std::make_unique<CLayerDataView>();
  if ((files.hasDbf ? !table->LoadBytes(files.dbf.data.get(), files.dbf.size, files.cpg)
                    : !table->MakeRecordNumbersOnly(m_recordCount)) ||
      LoadStopped())
    return false;
  AdoptTable(std::move(table), path);
  return true;
}

bool CShapeLayer::OpenConverted(ShapefileBytes files, const char* path, const ConvertedSource& source)
{
  if (!OpenFiles(std::move(files), path) ||
      (!source.columnNames.empty() && !m_dataView->RenameColumns(source.columnNames)))
    return false;
  m_format = source.format;
  m_name = source.name;
  m_table = source.table;
  m_converted = true;
  return true;
}

void CShapeLayer::AdoptTable(std::unique_ptr<CLayerDataView> table, const char* path)
{
  m_dataView = std::move(table);
  m_labelColumn = DefaultLabelColumn();
  CopyTextField(m_path, path, sizeof m_path);
}

int CShapeLayer::DefaultLabelColumn() const
{
  if (!m_dataView || m_dataView->Table() == nullptr)
    return -1;
  for (int column = 0; column < m_dataView->Table()->GetColumnCount(); ++column) {
    char columnType = 0, flag = 0;
    int length = 0;
    char name[40];
    m_dataView->Table()->GetColumn(column, columnType, length, name, nullptr, flag);
    if (columnType == ZM_VAR_STRING)
      return column;
  }
  return -1;
}

bool CShapeLayer::SetLabelColumn(int column)
{
  if (column < -1 || (column >= 0 && (!m_dataView || column >= m_dataView->GetColumnCount())))
    return false;
  m_labelColumn = column;
  return true;
}

void CShapeLayer::PlaceOnMap(const LayerProjection& projection)
{
  m_projection.coordinates = projection.Coordinates();
  m_projection.systemName = projection.SystemName();
  if (projection.NeedsTransform()) {
    const int dropped = ProjectRecords(projection);
    if (dropped < 0) {
      m_projection.coordinates = LayerCoordinates::UnreadablePrj;  // no transformation could run
    } else {
      m_projection.droppedRecords = dropped;
      // The m_header's box is in the file's units; a layer with nothing left has an empty one.
      ST_RECT extent{};
      m_header.envelop = RecordsExtent(extent) ? extent : ST_RECT{};
    }
  }
  if (InLongitudeLatitude())
    CutAtAntimeridian();
  else  // numbers that are not degrees: drawn up to the scale that shows them all
    m_maxScale = std::max(m_maxScale, MapViewport::LargestScaleFor(m_header.envelop));
}

bool CShapeLayer::InLongitudeLatitude() const
{
  switch (m_projection.coordinates) {
  case LayerCoordinates::LongitudeLatitude:
  case LayerCoordinates::Transformed:
    return true;
  case LayerCoordinates::NoPrj:
  case LayerCoordinates::UnreadablePrj:
    break;
  }
  // Numbers taken as they are: longitude/latitude when they can be.
  const ST_RECT& box = m_header.envelop;
  return box.left >= -180.0 && box.right <= 180.0 && box.bottom >= -90.0 && box.top <= 90.0;
}

void CShapeLayer::GetName(char* out)
{
  if (!m_name.empty()) {
    zamra::shape::CopyUtf8Cut(out, MAX_PATH, m_name);  // callers hold a path's room
    return;
  }
  const char* slash = LastPathSeparator(m_path);
  std::strcpy(out, slash != nullptr ? slash + 1 : m_path);  // "states.shp" is a name already
}

int CShapeLayer::GetPath(char* out)
{
  std::strcpy(out, m_path);
  return static_cast<int>(std::strlen(m_path)) + 1;
}

void CShapeLayer::GetRect(double* minX, double* minY, double* maxX, double* maxY)
{
  *minX = m_header.envelop.left;
  *minY = m_header.envelop.bottom;
  *maxX = m_header.envelop.right;
  *maxY = m_header.envelop.top;
}

void CShapeLayer::SetLabelFont(COLORREF color, const char* face, int size)
{
  m_labelColor = color;
  CopyTextField(m_labelFace, face, sizeof m_labelFace);
  m_labelSize = size;
}

void CShapeLayer::GetLabelFont(COLORREF* color, char* face, int* size)
{
  if (color)
    *color = m_labelColor;
  if (face)
    std::strcpy(face, m_labelFace);
  if (size)
    *size = m_labelSize;
}

int CShapeLayer::HitTest(double, double) { return -1; }

ST_POINT CShapeLayer::AreaLabelPoint(int record)
{
  double left = 0, bottom = 0, right = 0, top = 0;
  GetShapeRect(record, &left, &bottom, &right, &top);
  return ST_POINT{(left + right) * 0.5, (top + bottom) * 0.5};
}

int CShapeLayer::LoadRecords(const unsigned char* area, int size)
{
  if (area == nullptr || size < 0 || m_recordCount < 0)
    return 0;
  MallocPtr<unsigned char> copy(AllocateLarge(size, KeepsRecordBlock()));
  if (!copy)
    return 0;
  std::memcpy(copy.get(), area, static_cast<size_t>(size));
  zamra::shape::RecordIndex index;
  index.BuildFromArea(copy.get(), size);
  if (index.Count() < m_recordCount)
    return 0;  // the area ends before the records the layer expects
  return AdoptRecords(std::move(copy), index, m_type) ? 1 : 0;
}

void CShapeLayer::SetScaleRange(double minimum, double maximum)
{
  m_minScale = minimum;
  m_maxScale = maximum;
}

void CShapeLayer::GetScaleRange(double* minimum, double* maximum)
{
  if (minimum)
    *minimum = m_minScale;
  if (maximum)
    *maximum = m_maxScale;
}

bool CShapeLayer::GetLabelText(int record, char* text, int size)
{
  if (m_labelColumn < 0 || !m_dataView || record < 0 || record >= m_dataView->GetRowCount())
    return false;
  m_dataView->GetItemText(record, m_labelColumn, text, size);
  return true;
}

void CShapeLayer::DrawLabelsWithFont(HDC dc, const std::vector<int>* records, const std::vector<ST_POINT>* points)
{
  if (m_labelColumn < 0)
    return;
  const int labelSize = m_canvas->DeviceLength(m_labelSize);  // fonts grow with the screen's pixel ratio
  LabelFont font(dc, m_labelFace, labelSize, m_labelColor);
  char text[ZMDataView::kTextSize];
  const int count = records != nullptr ? static_cast<int>(records->size()) : m_recordCount;
  const bool pointsKnown = points != nullptr && records != nullptr && points->size() == records->size();
  for (int i = 0; i < count; ++i) {
    const int record = records != nullptr ? (*records)[static_cast<size_t>(i)] : i;
    ST_POINT point;
    ST_RECT envelope;
    LabelAnchor anchor = LabelAnchor::AtPoint;
    if (pointsKnown)
      point = (*points)[static_cast<size_t>(i)];
    else
      anchor = GetLabelAnchor(record, point, envelope);
    if (anchor == LabelAnchor::None)
      continue;  // a record without geometry has no place for a label
    // Culled before the text is read: most records of a zoomed-in map are off the surface, and
    // most of a zoomed-out one have their place taken already.
    if (anchor == LabelAnchor::AtPoint ? !m_canvas->IsVisible(point.x, point.y) : !m_canvas->IsVisible(envelope))
      continue;
    if (anchor == LabelAnchor::InEnvelope)
      point = ST_POINT{(envelope.left + envelope.right) * 0.5, (envelope.top + envelope.bottom) * 0.5};
    else if (anchor == LabelAnchor::InArea && m_canvas->IsLabelPlaceTakenThroughout(envelope, labelSize))
      continue;  // taken wherever its point is: not worth finding
    else if (anchor == LabelAnchor::InArea)
      point = m_canvas->IsWithinOnePixel(envelope) ? ST_POINT{envelope.left, envelope.top}  // not worth finding
                                                   : InsideBox(AreaLabelPoint(record), envelope);
    const bool underPoint = anchor == LabelAnchor::AtPoint;
    if (m_canvas->IsLabelPlaceTaken(point.x, point.y, underPoint, labelSize))
      continue;
    if (!GetLabelText(record, text, sizeof text))
      continue;
    if (underPoint)
      m_canvas->DrawLabelAtPoint(dc, text, point.x, point.y, labelSize, true);
    else
      m_canvas->DrawLabelCentred(dc, text, point.x, point.y, labelSize, true);
  }
}

}  // namespace zamra::view
