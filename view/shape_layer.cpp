// CShapeLayer: loading the three files and the settings common to every layer.
#include "view/shape_layer.h"

#include <cstdio>
#include <cstring>

#include "api/formats/shape_type.h"
#include "api/geometry/geometry.h"
#include "platform/gdi.h"
#include "view/file_bytes.h"
#include "view/map_model.h"
#include "view/text_fields.h"

namespace {

constexpr int kHeaderSize = 100;
constexpr int kShxEntrySize = 8;

// Layers are numbered in the order they are made, failed ones included.
int g_layerSerial = 0;

} // namespace

int ILayer::SaveAsFile(char*) { return 0; }

CShapeLayer::CShapeLayer(CMapModel* owner, int shapeType) : model(owner), id(++g_layerSerial), type(shapeType) {}

CShapeLayer::~CShapeLayer() = default;

bool CShapeLayer::Open(const char* shpPath)
{
  char base[MAX_PATH];
  if (shpPath == nullptr || std::strlen(shpPath) >= sizeof base)
    return false;
  std::strcpy(base, shpPath);
  // The extension is what follows the last "." of the file name (a "." in a folder name is not one).
  char* dot = std::strrchr(base, '.');
  const char* slash = LastPathSeparator(base);
  if (dot == nullptr || (slash != nullptr && dot < slash))
    return false;
  *dot = '\0';
  char shxPath[MAX_PATH + 8];
  char dbfPath[MAX_PATH + 8];
  std::snprintf(shxPath, sizeof shxPath, "%s.shx", base);
  std::snprintf(dbfPath, sizeof dbfPath, "%s.dbf", base);

  {
    FileBytes shx;
    if (!ReadWholeFile(shxPath, shx) || shx.size < kHeaderSize || !ZMType::ReadShpHead(shx.data.get(), &header))
      return false;
    ZMGeometry::RectRegx(&header.envelop);
    if (header.shapeType != type)
      return false;
    recordCount = static_cast<int>((shx.size - kHeaderSize) / kShxEntrySize);
  }
  {
    FileBytes shp;
    tagShpHead mainHeader;
    if (!ReadWholeFile(shpPath, shp, KeepsRecordBlock()) || shp.size < kHeaderSize ||
        !ZMType::ReadShpHead(shp.data.get(), &mainHeader))
      return false;
    ZMGeometry::RectRegx(&mainHeader.envelop);
    if (mainHeader.shapeType != type)
      return false;
    // The records are parsed where they were read; the points stay in that block.
    if (!AdoptRecords(std::move(shp.data), kHeaderSize, shp.size - kHeaderSize))
      return false;
  }
  m_dataView = std::make_unique<CLayerDataView>();
  if (!m_dataView->Load(dbfPath)) {
    m_dataView.reset();
    return false;  // the caller destroys the layer with the records it read
  }
  labelColumn = -1;
  for (int column = 0; column < m_dataView->GetColumnCount(); ++column) {
    char columnType = 0, flag = 0;
    int length = 0;
    char name[40];
    m_dataView->Table()->GetColumn(column, columnType, length, name, nullptr, flag);
    if (columnType == ZM_VAR_STRING) {
      labelColumn = column;
      break;
    }
  }
  std::strcpy(path, shpPath);
  return true;
}

void CShapeLayer::GetName(char* out)
{
  const char* slash = LastPathSeparator(path);
  std::strcpy(out, slash != nullptr ? slash + 1 : "");
}

int CShapeLayer::GetPath(char* out)
{
  std::strcpy(out, path);
  return static_cast<int>(std::strlen(path)) + 1;
}

void CShapeLayer::GetRect(double* minX, double* minY, double* maxX, double* maxY)
{
  *minX = header.envelop.left;
  *minY = header.envelop.bottom;
  *maxX = header.envelop.right;
  *maxY = header.envelop.top;
}

void CShapeLayer::SetLabelFont(COLORREF color, const char* face, int size)
{
  labelColor = color;
  CopyTextField(labelFace, face, sizeof labelFace);
  labelSize = size;
}

void CShapeLayer::GetLabelFont(COLORREF* color, char* face, int* size)
{
  if (color)
    *color = labelColor;
  if (face)
    std::strcpy(face, labelFace);
  if (size)
    *size = labelSize;
}

int CShapeLayer::HitTest(double, double) { return -1; }

int CShapeLayer::LoadRecords(const unsigned char* area, int size)
{
  if (area == nullptr || size < 0)
    return 0;
  MallocPtr<unsigned char> copy(AllocateLarge(size, KeepsRecordBlock()));
  if (!copy)
    return 0;
  std::memcpy(copy.get(), area, static_cast<size_t>(size));
  return AdoptRecords(std::move(copy), 0, size) ? 1 : 0;
}

void CShapeLayer::SetScaleRange(double minimum, double maximum)
{
  minScale = minimum;
  maxScale = maximum;
}

void CShapeLayer::GetScaleRange(double* minimum, double* maximum)
{
  if (minimum)
    *minimum = minScale;
  if (maximum)
    *maximum = maxScale;
}

bool CShapeLayer::GetLabelText(int record, char* text, int size)
{
  if (labelColumn < 0 || !m_dataView || record < 0 || record >= m_dataView->GetRowCount())
    return false;
  m_dataView->GetItemText(record, labelColumn, text, size);
  return true;
}

void CShapeLayer::DrawLabelsWithFont(HDC dc)
{
  if (labelColumn < 0)
    return;
  LabelFont font(dc, labelFace, labelSize, labelColor);
  char text[ZMDataView::kTextSize];
  for (int record = 0; record < recordCount; ++record) {
    ST_POINT point;
    ST_RECT envelope;
    const LabelAnchor anchor = GetLabelAnchor(record, point, envelope);
    if (anchor == LabelAnchor::None)
      continue;  // a record without geometry has no place for a label
    // Culled before the text is read: most records of a zoomed-in map are off the surface.
    if (anchor == LabelAnchor::AtPoint ? !model->IsVisible(point.x, point.y) : !model->IsVisible(envelope))
      continue;
    if (!GetLabelText(record, text, sizeof text))
      continue;
    if (anchor == LabelAnchor::AtPoint)
      model->DrawLabelAtPoint(dc, text, point.x, point.y, labelSize);
    else
      model->DrawLabelInEnvelope(dc, text, envelope, labelSize);
  }
}
