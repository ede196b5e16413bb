// CThematicPanel: choices laid out in a form, the entries in a two-column list (colour, value).
// SPDX-License-Identifier: MIT
#include "thematic_panel.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include <QColorDialog>
#include <QComboBox>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "resource_table.h"
#include "view/ilayer.h"
#include "view/izamra_view.h"
#include "view/izamra_view_extras.h"

namespace mapory {

namespace {

constexpr int kSwatchSize = 14;
constexpr int kDefaultClassCount = 5;
constexpr int kColumnNameSize = 40;

QString Text(const char* key) { return CResourceTable::Current().Text(QString::fromLatin1(key)); }

QColor ToQColor(COLORREF color) { return QColor(GetRValue(color), GetGValue(color), GetBValue(color)); }

QPixmap Swatch(COLORREF color)
{
  QPixmap swatch(kSwatchSize, kSwatchSize);
  swatch.fill(ToQColor(color));
  // A frame, so that light colours stand apart from the list's white.
  QPainter painter(&swatch);
  painter.setPen(QColor(96, 96, 96));
  painter.drawRect(0, 0, kSwatchSize - 1, kSwatchSize - 1);
  return swatch;
}

QString NumberText(double value)
{
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return QString::fromLatin1(buffer, static_cast<qsizetype>(result.ptr - buffer));
}

bool IsNumberType(char type)
{
  return type == ZM_VAR_SHORT || type == ZM_VAR_INT || type == ZM_VAR_LONG || type == ZM_VAR_FLOAT ||
         type == ZM_VAR_DOUBLE;
}

}  // namespace

QString CThematicPanel::RangeText(double lower, double upper)
{
  return NumberText(lower) + QStringLiteral(" – ") + NumberText(upper);
}

CThematicPanel::CThematicPanel(IZamraView* view, ILayer* layer, std::function<void()> changed, QWidget* parent)
    : QWidget(parent), m_view(view), m_layer(layer), m_changed(std::move(changed))
{
  auto* form = new QFormLayout;
  form->setContentsMargins(0, 0, 0, 0);
  m_labelColumn = new QComboBox(this);
  m_labelColumn->setObjectName(QStringLiteral("labelColumn"));
  form->addRow(Text("style_label"), m_labelColumn);
  m_mode = new QComboBox(this);
  m_mode->setObjectName(QStringLiteral("colourBy"));
  m_mode->addItem(Text("colour_single"), ZMThematicStyle::kSingle);
  m_mode->addItem(Text("colour_categories"), ZMThematicStyle::kCategories);
  m_mode->addItem(Text("colour_classes"), ZMThematicStyle::kClasses);
  form->addRow(Text("colour_by"), m_mode);
  m_column = new QComboBox(this);
  m_column->setObjectName(QStringLiteral("colourColumn"));
  form->addRow(Text("colour_column"), m_column);
  m_classCount = new QSpinBox(this);
  m_classCount->setObjectName(QStringLiteral("classCount"));
  m_classCount->setRange(ZMThematicStyle::kMinClasses, ZMThematicStyle::kMaxClasses);
  m_classCount->setValue(kDefaultClassCount);
  form->addRow(Text("class_count"), m_classCount);
  m_method = new QComboBox(this);
  m_method->setObjectName(QStringLiteral("classMethod"));
  m_method->addItem(Text("method_equal"), ZMThematicStyle::kEqualInterval);
  m_method->addItem(Text("method_quantiles"), ZMThematicStyle::kQuantiles);
  m_method->addItem(Text("method_jenks"), ZMThematicStyle::kNaturalBreaks);
  form->addRow(Text("class_method"), m_method);
  m_palette = new QComboBox(this);
  m_palette->setObjectName(QStringLiteral("colourPalette"));
  form->addRow(Text("colour_palette"), m_palette);

  m_entries = new QTreeWidget(this);
  m_entries->setObjectName(QStringLiteral("colourEntries"));
  m_entries->setColumnCount(1);
  m_entries->setHeaderHidden(true);
  m_entries->setRootIsDecorated(false);
  m_entries->setIconSize(QSize(kSwatchSize, kSwatchSize));
  m_entries->setToolTip(Text("colour_edit_hint"));
  m_message = new QLabel(this);
  m_message->setObjectName(QStringLiteral("colourMessage"));
  m_message->setWordWrap(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addLayout(form);
  layout->addWidget(m_entries, 1);
  layout->addWidget(m_message);

  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  if (extras != nullptr && m_layer != nullptr)
    extras->GetLayerThematicStyle(m_layer, &m_style);
  FillColumns();
  ShowStyle();

  connect(m_labelColumn, &QComboBox::activated, this, [this](int index) {
    IZamraViewExtras* viewExtras = IZamraViewExtras::Of(m_view);
    if (viewExtras != nullptr && viewExtras->SetLayerLabelColumn(m_layer, m_labelColumn->itemData(index).toInt()))
      m_changed();
  });
  const auto remake = [this] {
    if (!m_filling)
      Remake();
  };
  connect(m_mode, &QComboBox::currentIndexChanged, this, [this, remake] {
    if (m_filling)
      return;
    m_filling = true;
    FillColumns();
    FillPalettes();
    m_filling = false;
    remake();
  });
  connect(m_column, &QComboBox::currentIndexChanged, this, remake);
  connect(m_classCount, &QSpinBox::valueChanged, this, remake);
  connect(m_method, &QComboBox::currentIndexChanged, this, remake);
  connect(m_palette, &QComboBox::currentIndexChanged, this, remake);
  connect(m_entries, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { ChooseColor(item); });
}

void CThematicPanel::FillColumns()
{
  IDataView* table = m_layer != nullptr ? m_layer->GetDataView() : nullptr;
  const int mode = m_mode->currentData().toInt();
  const int chosen = m_column->currentData().isValid() ? m_column->currentData().toInt() : m_style.column;
  const bool wasFilling = std::exchange(m_filling, true);
  m_column->clear();
  if (m_labelColumn->count() == 0) {
    m_labelColumn->addItem(Text("style_none"), -1);
    for (int column = 0; table != nullptr && column < table->GetColumnCount(); ++column) {
      char type = 0, flag = 0;
      int length = 0;
      char name[kColumnNameSize] = "";
      table->GetColumn(column, type, length, name, nullptr, flag);
      name[kColumnNameSize - 1] = '\0';
      m_labelColumn->addItem(QString::fromLocal8Bit(name), column);
    }
  }
  for (int column = 0; table != nullptr && column < table->GetColumnCount(); ++column) {
    char type = 0, flag = 0;
    int length = 0;
    char name[kColumnNameSize] = "";
    table->GetColumn(column, type, length, name, nullptr, flag);
    name[kColumnNameSize - 1] = '\0';
    // Classes need numbers; categories take any column.
    if (mode == ZMThematicStyle::kClasses && !IsNumberType(type))
      continue;
    m_column->addItem(QString::fromLocal8Bit(name), column);
  }
  const int index = m_column->findData(chosen);
  m_column->setCurrentIndex(index >= 0 ? index : 0);
  m_filling = wasFilling;
}

void CThematicPanel::FillPalettes()
{
  const bool wasFilling = std::exchange(m_filling, true);
  const QString chosen = m_palette->currentText();
  m_palette->clear();
  const bool classes = m_mode->currentData().toInt() == ZMThematicStyle::kClasses;
  for (const std::string& name : classes ? zamra::thematic::RampNames() : zamra::thematic::PaletteNames()) {
    // Each entry shows the colours it gives.
    const std::vector<COLORREF> colours = classes ? zamra::thematic::RampColors(name, 5)
                                                  : std::vector<COLORREF>{zamra::thematic::PaletteColor(name, 0),
                                                                          zamra::thematic::PaletteColor(name, 1),
                                                                          zamra::thematic::PaletteColor(name, 2),
                                                                          zamra::thematic::PaletteColor(name, 3),
                                                                          zamra::thematic::PaletteColor(name, 4)};
    QImage picture(kSwatchSize * static_cast<int>(colours.size()), kSwatchSize, QImage::Format_RGB32);
    for (int x = 0; x < picture.width(); ++x)
      for (int y = 0; y < picture.height(); ++y)
        picture.setPixel(x, y, ToQColor(colours[static_cast<size_t>(x / kSwatchSize)]).rgb());
    m_palette->addItem(QIcon(QPixmap::fromImage(picture)), QString::fromStdString(name), QString::fromStdString(name));
  }
  m_palette->setIconSize(QSize(kSwatchSize * 5, kSwatchSize));
  const int index = m_palette->findText(chosen);
  m_palette->setCurrentIndex(index >= 0 ? index : 0);
  m_filling = wasFilling;
}

void CThematicPanel::ShowStyle()
{
  const bool wasFilling = std::exchange(m_filling, true);
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  const int label = extras != nullptr ? extras->GetLayerLabelColumn(m_layer) : -1;
  m_labelColumn->setCurrentIndex(std::max(0, m_labelColumn->findData(label)));
  m_mode->setCurrentIndex(std::max(0, m_mode->findData(m_style.mode)));
  FillColumns();
  FillPalettes();
  if (m_style.mode != ZMThematicStyle::kSingle) {
    m_column->setCurrentIndex(std::max(0, m_column->findData(m_style.column)));
    m_method->setCurrentIndex(std::max(0, m_method->findData(m_style.method)));
    m_palette->setCurrentIndex(std::max(0, m_palette->findText(QString::fromStdString(m_style.palette))));
    if (m_style.mode == ZMThematicStyle::kClasses)
      m_classCount->setValue(std::clamp(static_cast<int>(m_style.entries.size()), ZMThematicStyle::kMinClasses,
                                        ZMThematicStyle::kMaxClasses));
  }
  m_entries->clear();
  for (const ZMThematicEntry& entry : m_style.entries) {
    const QString text = m_style.mode == ZMThematicStyle::kClasses ? RangeText(entry.lower, entry.upper)
                                                                   : QString::fromUtf8(entry.value);
    m_entries->addTopLevelItem(new QTreeWidgetItem(m_entries, {text}));
    m_entries->topLevelItem(m_entries->topLevelItemCount() - 1)->setIcon(0, Swatch(entry.color));
  }
  if (m_style.mode != ZMThematicStyle::kSingle && m_style.hasOther)
    (new QTreeWidgetItem(m_entries, {Text("legend_other")}))->setIcon(0, Swatch(m_style.otherColor));
  if (m_style.mode != ZMThematicStyle::kSingle && m_style.hasNull)
    (new QTreeWidgetItem(m_entries, {Text("legend_null")}))->setIcon(0, Swatch(m_style.nullColor));
  UpdateEnabled();
  m_filling = wasFilling;
}

void CThematicPanel::UpdateEnabled()
{
  const int mode = m_mode->currentData().toInt();
  m_column->setEnabled(mode != ZMThematicStyle::kSingle);
  m_palette->setEnabled(mode != ZMThematicStyle::kSingle);
  m_classCount->setEnabled(mode == ZMThematicStyle::kClasses);
  m_method->setEnabled(mode == ZMThematicStyle::kClasses);
  m_entries->setEnabled(mode != ZMThematicStyle::kSingle);
}

void CThematicPanel::Remake()
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  if (extras == nullptr || m_layer == nullptr)
    return;
  const int mode = m_mode->currentData().toInt();
  m_message->clear();
  ZMThematicStyle made;
  if (mode != ZMThematicStyle::kSingle) {
    const QByteArray palette = m_palette->currentData().toString().toLatin1();
    if (m_column->count() == 0 ||
        !extras->MakeThematicStyle(m_layer, mode, m_column->currentData().toInt(), m_classCount->value(),
                                   m_method->currentData().toInt(), palette.constData(), &made)) {
      // No column to colour by, or one without a value: the layer keeps one colour.
      m_message->setText(Text("colour_no_values"));
      made = ZMThematicStyle();
    }
  }
  m_style = made;
  ApplyStyle();
  ShowStyle();
  // The mode chosen stays chosen even when nothing could be made of it.
  const bool wasFilling = std::exchange(m_filling, true);
  m_mode->setCurrentIndex(std::max(0, m_mode->findData(mode)));
  UpdateEnabled();
  m_filling = wasFilling;
}

void CThematicPanel::ApplyStyle()
{
  IZamraViewExtras* extras = IZamraViewExtras::Of(m_view);
  if (extras != nullptr && extras->SetLayerThematicStyle(m_layer, &m_style))
    m_changed();
}

void CThematicPanel::SetEntryColor(int row, COLORREF color)
{
  const int entries = static_cast<int>(m_style.entries.size());
  if (row < 0)
    return;
  if (row < entries) {
    m_style.entries[static_cast<size_t>(row)].color = color;
  } else {
    int extra = row - entries;
    if (m_style.hasOther && extra-- == 0)
      m_style.otherColor = color;
    else if (m_style.hasNull && extra == 0)
      m_style.nullColor = color;
    else
      return;  // no such row
  }
  ApplyStyle();
  if (QTreeWidgetItem* item = m_entries->topLevelItem(row))
    item->setIcon(0, Swatch(color));
}

void CThematicPanel::ChooseColor(QTreeWidgetItem* item)
{
  const int row = m_entries->indexOfTopLevelItem(item);
  const QColor chosen = QColorDialog::getColor(Qt::white, this, QString(), QColorDialog::DontUseNativeDialog);
  if (!chosen.isValid())
    return;  // cancelled: nothing changes
  SetEntryColor(row, RGB(chosen.red(), chosen.green(), chosen.blue()));
}

}  // namespace mapory
