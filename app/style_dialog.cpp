// CStyleDialog: laid out at fixed places, because the previews are painted at fixed client
// coordinates between the controls; the previews go through the same drawing calls as the map.
// SPDX-License-Identifier: MIT
#include "style_dialog.h"

#include <algorithm>
#include <cstring>
#include <iterator>  // std::size

#include <QAbstractItemView>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringView>

#include "resource_ids.h"
#include "resource_table.h"
#include "thematic_panel.h"
#include "platform/code_page.h"
#include "platform/gdi.h"
#include "platform/resources.h"
#include "view/ilayer.h"

namespace mapory {

namespace {

constexpr int kFaceNameLength = 31;  // a logical font's face field holds 31 bytes and a terminator

// The painted areas, in client pixels: right and bottom are exclusive.
constexpr RECT kPreviewArea = {175, 30, 350, 150};
constexpr RECT kSampleArea = {205, 185, 350, 285};
constexpr RECT kSymbolRepaintArea = {10, 30, 350, 150};
constexpr POINT kPreviewShape[] = {{180, 35}, {340, 80}, {250, 140}, {200, 140}};
constexpr POINT kPreviewSymbol = {87, 90};
constexpr int kSymbolsPerRow = 12;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kSymbolTransparent = RGB(255, 0, 0);

// The largest sample the preview draws: the sample area is 100 pixels high, and a taller
// font shows nothing more.
constexpr int kLargestSampleHeight = 1000;

// Controls sit left of the previews, each label above its control.
constexpr int kLeft = 10;
constexpr int kNarrowWidth = 155;  // beside the shape preview, which starts at x 175
constexpr int kWideWidth = 185;    // beside the sample, which starts at x 205
constexpr int kLabelHeight = 18;
constexpr int kControlHeight = 24;
constexpr int kRowGap = 4;
constexpr int kFontRowsTop = 158;  // below the shape preview, level with the sample
constexpr int kButtonsTop = 302;
constexpr int kButtonHeight = 26;
constexpr int kDialogWidth = 360;

const char* const kFontSizes[] = {"8", "10", "12", "14", "16", "18", "20", "30", "40"};

struct LineStyleEntry {
  const char* text;
  int value;
};
// There is no entry for the dashed pen (1).
constexpr LineStyleEntry kLineStyles[] = {{"PS_SOLID", ZM_LINE_SOLID},
                                          {"PS_DOT", ZM_LINE_DOT},
                                          {"PS_DASHDOT", ZM_LINE_DASHDOT},
                                          {"PS_DASHDOTDOT", ZM_LINE_DASHDOTDOT}};

QString ColourText(COLORREF colour)
{
  return QString::asprintf("%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

QStringList EntriesOf(const QComboBox& box)
{
  QStringList entries;
  for (int i = 0; i < box.count(); ++i)
    entries << box.itemText(i);
  return entries;
}

void SelectByPrefix(QComboBox* box, const QString& prefix)
{
  box->setCurrentIndex(CStyleDialog::FindByPrefix(EntriesOf(*box), prefix));
}

// A context drawing on the dialog for one paint event.
struct PaintContext {
  explicit PaintContext(QWidget* widget) : dc(CreateDCForPaintDevice(widget, false)) {}
  ~PaintContext()
  {
    if (dc != nullptr)
      DeleteDC(dc);
  }
  PaintContext(const PaintContext&) = delete;
  PaintContext& operator=(const PaintContext&) = delete;
  HDC dc;
};

// Selects a drawing object for one scope and deletes it afterwards.
class SelectedObject final {
public:
  SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_object(object), m_previous(SelectObject(dc, object)) {}
  ~SelectedObject()
  {
    if (m_previous != nullptr)
      SelectObject(m_dc, m_previous);
    DeleteObject(m_object);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

private:
  HDC m_dc;
  HGDIOBJ m_object;
  HGDIOBJ m_previous;
};

void FillWhite(HDC dc, const RECT& area)
{
  SetBkColor(dc, kWhite);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

QRect ToQRect(const RECT& area) { return QRect(QPoint(area.left, area.top), QPoint(area.right - 1, area.bottom - 1)); }

}  // namespace

// The point-symbol strip in a memory surface, square symbols side by side.
struct CStyleDialog::SymbolStrip {
  HDC dc = nullptr;
  int side = 0;
  int count = 0;

  SymbolStrip()
  {
    HBITMAP strip = LoadBitmapResource(nullptr, IDB_POINT_SYMBOLS);
    if (strip == nullptr)
      return;  // no strip: no symbols to show or pick
    BITMAP size{};
    dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr || GetObjectA(strip, sizeof size, &size) == 0 || size.bmHeight <= 0) {
      DeleteObject(strip);
      return;
    }
    SelectObject(dc, strip);
    DeleteObject(strip);  // freed with the surface, which now holds it
    side = size.bmHeight;
    count = size.bmWidth / size.bmHeight;
  }
  ~SymbolStrip()
  {
    if (dc != nullptr)
      DeleteDC(dc);
  }
  SymbolStrip(const SymbolStrip&) = delete;
  SymbolStrip& operator=(const SymbolStrip&) = delete;

  int Cell() const { return side + 2; }
};

LayerStyle ReadLayerStyle(ILayer& layer)
{
  LayerStyle style;
  char face[kFaceNameLength + 1] = {};
  layer.GetLabelFont(&style.fontColor, face, &style.fontSize);
  face[kFaceNameLength] = '\0';
  const std::u16string wide = ToUtf16(face);
  style.faceName = QString::fromUtf16(wide.data(), static_cast<qsizetype>(wide.size()));
  style.lineColor = layer.GetLineColor();
  style.lineWidth = layer.GetLineWidth();
  style.fillColor = layer.GetBkColor();
  style.lineStyle = layer.GetLineStyle();
  style.pointSymbol = layer.GetPointIndex();
  return style;
}

void WriteLayerStyle(ILayer& layer, const LayerStyle& style)
{
  const std::string face = CStyleDialog::LayerFaceName(style.faceName);
  layer.SetLabelFont(style.fontColor, face.c_str(), style.fontSize);
  layer.SetBkColor(style.fillColor);
  layer.SetLineColor(style.lineColor);
  layer.SetLineStyle(style.lineStyle);
  layer.SetLineWidth(style.lineWidth);
  layer.SetPointIndex(style.pointSymbol);
}

bool CStyleDialog::KindForLayerType(int layerType, Kind* kind)
{
  switch (layerType) {
  case ZM_LAYER_POLYGON:
    *kind = kPolygonStyle;
    return true;
  case ZM_LAYER_POLYLINE:
    *kind = kPolylineStyle;
    return true;
  case ZM_LAYER_POINT:
    *kind = kPointStyle;
    return true;
  default:
    return false;
  }
}

int CStyleDialog::FindByPrefix(const QStringList& entries, const QString& prefix)
{
  const int count = static_cast<int>(entries.size());
  for (int step = 1; step <= count; ++step) {
    const int index = step % count;  // the first entry comes last
    if (entries[index].startsWith(prefix, Qt::CaseInsensitive))
      return index;
  }
  return -1;
}

std::string CStyleDialog::LayerFaceName(const QString& face)
{
  std::string bytes;
  for (qsizetype i = 0; i < face.size();) {
    const qsizetype length = face[i].isHighSurrogate() && i + 1 < face.size() ? 2 : 1;
    const std::u16string character(reinterpret_cast<const char16_t*>(face.constData() + i),
                                   static_cast<std::size_t>(length));
    const std::string encoded = FromUtf16(character);
    if (bytes.size() + encoded.size() > static_cast<std::size_t>(kFaceNameLength))
      break;
    bytes += encoded;
    i += length;
  }
  return bytes;
}

CStyleDialog::CStyleDialog(Kind kind, QWidget* parent) : QDialog(parent), m_kind(kind)
{
  const CResourceTable& texts = CResourceTable::Current();
  setWindowTitle(texts.DialogText(m_kind, QStringLiteral("title")));

  if (m_kind != kPointStyle) {
    m_lineWidth = AddComboBox(1017, kNarrowWidth);
    for (int width = 1; width <= 5; ++width)
      m_lineWidth->addItem(QString::number(width));
    connect(m_lineWidth, &QComboBox::activated, this, [this](int index) {
      m_style.lineWidth = m_lineWidth->itemText(index).left(9).toInt();
      update();
    });
    m_lineColour = AddColourButton(1018, kNarrowWidth);
    connect(m_lineColour, &QPushButton::clicked, this, [this] { ChooseColour(m_lineColour, &m_style.lineColor); });
  }
  if (m_kind == kPolygonStyle) {
    m_fillColour = AddColourButton(1019, kNarrowWidth);
    connect(m_fillColour, &QPushButton::clicked, this, [this] { ChooseColour(m_fillColour, &m_style.fillColor); });
  } else if (m_kind == kPolylineStyle) {
    m_lineStyle = AddComboBox(1019, kNarrowWidth);
    for (const LineStyleEntry& entry : kLineStyles)
      m_lineStyle->addItem(QString::fromLatin1(entry.text), entry.value);
    connect(m_lineStyle, &QComboBox::activated, this, [this](int index) {
      m_style.lineStyle = m_lineStyle->itemData(index).toInt();
      update();
    });
  } else {
    m_symbols = std::make_unique<SymbolStrip>();
  }

  m_nextTop = std::max(kFontRowsTop, m_nextTop + 3 * kRowGap);
  m_faceName = AddComboBox(1014, kWideWidth);
  // Family names can be long: the open list may be wider than the closed box.
  m_faceName->view()->setMinimumWidth(kWideWidth + 80);
  m_faceName->addItems(QFontDatabase::families());
  connect(m_faceName, &QComboBox::activated, this, [this](int index) {
    m_style.faceName = m_faceName->itemText(index).left(kFaceNameLength);
    update();
  });
  m_fontSize = AddComboBox(1015, kWideWidth);
  for (const char* size : kFontSizes)
    m_fontSize->addItem(QString::fromLatin1(size));
  connect(m_fontSize, &QComboBox::activated, this, [this](int index) {
    m_style.fontSize = m_fontSize->itemText(index).toInt();
    update();
  });
  m_fontColour = AddColourButton(1020, kWideWidth);
  connect(m_fontColour, &QPushButton::clicked, this, [this] { ChooseColour(m_fontColour, &m_style.fontColor); });

  auto* ok = new QPushButton(texts.DialogText(m_kind, QStringLiteral("1")), this);
  ok->setObjectName(QStringLiteral("1"));
  const int buttonsTop = std::max(kButtonsTop, m_nextTop + kRowGap);
  const int buttonHeight = std::max(kButtonHeight, ok->sizeHint().height());
  ok->setGeometry(190, buttonsTop, 75, buttonHeight);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* cancel = new QPushButton(texts.DialogText(m_kind, QStringLiteral("2")), this);
  cancel->setObjectName(QStringLiteral("2"));
  cancel->setGeometry(275, buttonsTop, 75, buttonHeight);
  setFixedSize(kDialogWidth, buttonsTop + buttonHeight + 10);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  ShowStyle();
}

CStyleDialog::~CStyleDialog() = default;

// Each control goes under the previous one with its label above it. A desktop font larger
// than the one these sizes were made for pushes the rows apart instead of overlapping them.
void CStyleDialog::PlaceWithLabel(int id, QWidget* control, int width)
{
  auto* label = new QLabel(CResourceTable::Current().DialogText(m_kind, QString::number(id)), this);
  const int labelHeight = std::max(kLabelHeight, label->sizeHint().height());
  label->setGeometry(kLeft, m_nextTop, width, labelHeight);
  label->setBuddy(control);
  control->setObjectName(QString::number(id));
  const int controlHeight = std::max(kControlHeight, control->sizeHint().height());
  control->setGeometry(kLeft, m_nextTop + labelHeight, width, controlHeight);
  m_nextTop += labelHeight + controlHeight + kRowGap;
}

QComboBox* CStyleDialog::AddComboBox(int id, int width)
{
  auto* box = new QComboBox(this);  // not editable: a drop-down list
  PlaceWithLabel(id, box, width);
  return box;
}

QPushButton* CStyleDialog::AddColourButton(int id, int width)
{
  auto* button = new QPushButton(this);
  button->setAutoDefault(false);  // Enter still means Ok
  PlaceWithLabel(id, button, width);
  return button;
}

void CStyleDialog::SetStyle(const LayerStyle& style)
{
  m_style = style;
  m_style.faceName.truncate(kFaceNameLength);
  ShowStyle();
  update();
}

// Selections made here are not the user's: they leave the values as loaded (a size of 1
// shows "10" and stays 1 until the user picks an entry).
void CStyleDialog::ShowStyle()
{
  SelectByPrefix(m_fontSize, QString::number(m_style.fontSize));
  SelectByPrefix(m_faceName, m_style.faceName);
  if (m_lineWidth != nullptr)
    SelectByPrefix(m_lineWidth, QString::number(m_style.lineWidth));
  if (m_lineStyle != nullptr)
    m_lineStyle->setCurrentIndex(m_lineStyle->findData(m_style.lineStyle));
  if (m_lineColour != nullptr)
    m_lineColour->setText(ColourText(m_style.lineColor));
  if (m_fillColour != nullptr)
    m_fillColour->setText(ColourText(m_style.fillColor));
  // Point Style names its font colour only once one has been chosen.
  m_fontColour->setText(m_kind == kPointStyle ? QString() : ColourText(m_style.fontColor));
}

void CStyleDialog::ChooseColour(QPushButton* button, COLORREF* colour)
{
  const QColor chosen = QColorDialog::getColor(Qt::black, this, QString(), QColorDialog::DontUseNativeDialog);
  if (!chosen.isValid())
    return;  // cancelled: nothing changes
  *colour = RGB(chosen.red(), chosen.green(), chosen.blue());
  button->setText(ColourText(*colour));
  update();
}

void CStyleDialog::AddLayerChoices(IZamraView* view, ILayer* layer, std::function<void()> changed)
{
  constexpr int kChoicesWidth = 260;
  if (m_layerChoices != nullptr)
    return;
  m_layerChoices = new CThematicPanel(view, layer, std::move(changed), this);
  // Beside the previews, as tall as the controls left of them.
  m_layerChoices->setGeometry(kDialogWidth, kLeft, kChoicesWidth, height() - 2 * kLeft);
  m_layerChoices->show();
  setFixedSize(kDialogWidth + kChoicesWidth + kLeft, height());
}

int CStyleDialog::SymbolAt(const QPoint& at) const
{
  if (!m_symbols || m_symbols->count <= 0)
    return -1;
  if (!ToQRect(kPreviewArea).contains(at))
    return -1;
  const int cell = m_symbols->Cell();
  const int column = (at.x() - kPreviewArea.left) / cell;
  const int row = (at.y() - kPreviewArea.top) / cell;
  // The area is wider than a row: a click right of the row's last symbol picks nothing
  // rather than a symbol of the next row.
  if (column >= kSymbolsPerRow)
    return -1;
  const int index = column + row * kSymbolsPerRow;
  return index < m_symbols->count ? index : -1;
}

void CStyleDialog::mousePressEvent(QMouseEvent* event)
{
  const int symbol = event->button() == Qt::LeftButton ? SymbolAt(event->position().toPoint()) : -1;
  if (symbol < 0) {
    QDialog::mousePressEvent(event);
    return;
  }
  m_style.pointSymbol = symbol;
  update(ToQRect(kSymbolRepaintArea));
}

void CStyleDialog::paintEvent(QPaintEvent* event)
{
  QDialog::paintEvent(event);
  PaintContext context(this);
  if (context.dc == nullptr)
    return;
  if (m_kind == kPointStyle)
    PaintSymbols(context.dc);
  else
    PaintShapePreview(context.dc);
  PaintSample(context.dc);
}

void CStyleDialog::PaintShapePreview(HDC dc) const
{
  FillWhite(dc, kPreviewArea);
  const int count = static_cast<int>(std::size(kPreviewShape));
  if (m_kind == kPolygonStyle) {
    SelectedObject pen(dc, CreatePen(PS_SOLID, m_style.lineWidth, m_style.lineColor));
    SelectedObject brush(dc, CreateSolidBrush(m_style.fillColor));
    Polygon(dc, kPreviewShape, count);
  } else {
    SelectedObject pen(dc, CreatePen(m_style.lineStyle, m_style.lineWidth, m_style.lineColor));
    Polyline(dc, kPreviewShape, count);
  }
}

void CStyleDialog::PaintSymbols(HDC dc) const
{
  FillWhite(dc, kPreviewArea);
  if (!m_symbols || m_symbols->count <= 0)
    return;
  const int side = m_symbols->side;
  const int cell = m_symbols->Cell();
  for (int k = 0; k < m_symbols->count; ++k)
    TransparentBlt(dc, kPreviewArea.left + (k % kSymbolsPerRow) * cell, kPreviewArea.top + (k / kSymbolsPerRow) * cell,
                   side, side, m_symbols->dc, k * side, 0, side, side, kSymbolTransparent);
  // Symbol 0 has no preview; a value beyond the strip (from a workspace file) has none either.
  if (m_style.pointSymbol > 0 && m_style.pointSymbol < m_symbols->count)
    TransparentBlt(dc, kPreviewSymbol.x, kPreviewSymbol.y, side, side, m_symbols->dc, m_style.pointSymbol * side, 0,
                   side, side, kSymbolTransparent);
}

void CStyleDialog::PaintSample(HDC dc) const
{
  FillWhite(dc, kSampleArea);
  LOGFONTA description{};
  description.lfHeight = std::clamp(m_style.fontSize, -kLargestSampleHeight, kLargestSampleHeight);
  description.lfWeight = 400;  // normal
  description.lfCharSet = DEFAULT_CHARSET;
  const std::string face = LayerFaceName(m_style.faceName);
  std::memcpy(description.lfFaceName, face.c_str(), face.size() + 1);
  SelectedObject font(dc, CreateFontIndirectA(&description));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, m_style.fontColor);
  const std::u16string sample = CResourceTable::Current().DialogText(m_kind, QStringLiteral("sample")).toStdU16String();
  RECT area = kSampleArea;
  DrawTextW(dc, sample.c_str(), static_cast<int>(sample.size()), &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

}  // namespace mapory
