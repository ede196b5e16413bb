// CEncodingDialog.
// SPDX-License-Identifier: MIT
#include "encoding_dialog.h"

#include <string>
#include <vector>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "api/formats/data_view.h"
#include "resource_table.h"
#include "view_text.h"
#include "platform/code_page.h"
#include "view/idata_view.h"
#include "view/ilayer.h"

namespace mapory {

namespace {

constexpr int kCellSize = 260;

// The name shown for a code page: its character set and its number.
QString CodePageName(unsigned codePage)
{
  return QStringLiteral("%1 (%2)").arg(QString::fromStdString(CodePageCharset(codePage))).arg(codePage);
}

}  // namespace

const std::vector<unsigned>& CEncodingDialog::CodePages()
{
  // Unicode, then the Windows and ISO sets of Western, Central and Eastern Europe, then East Asia.
  static const std::vector<unsigned> pages = {65001, 1252, 28591, 28605, 1250, 28592, 1251, 20866, 1253,  1254, 1255,
                                              1256,  1257, 1258,  874,   936,  54936, 950,  932,   20932, 949};
  return pages;
}

QString CEncodingDialog::CellText(ILayer& layer, int row, int column, unsigned codePage)
{
  IDataView* table = layer.GetDataView();
  if (table == nullptr)
    return {};
  // Texts are read from their own bytes; numbers and dates look the same in every code page.
  zm_variant value;
  table->GetItemValue(row, column, value);
  if ((value.type == ZM_VAR_STRING || value.type == ZM_VAR_CHAR) && value.data != nullptr && value.length > 0) {
    std::string bytes(reinterpret_cast<const char*>(value.data), static_cast<size_t>(value.length));
    bytes.resize(std::char_traits<char>::length(bytes.c_str()));  // up to the terminator
    return QString::fromStdU16String(ToUtf16(bytes, codePage));
  }
  char text[kCellSize] = {};
  table->GetItemValue(row, column, text);
  text[kCellSize - 1] = '\0';
  return FromViewText(text);
}

CEncodingDialog::CEncodingDialog(ILayer* layer, unsigned current, unsigned automatic, QWidget* parent)
    : QDialog(parent), m_layer(layer), m_automatic(automatic), m_list(new QListWidget(this)),
      m_preview(new QTableWidget(this))
{
  const CResourceTable& texts = CResourceTable::Current();
  setWindowTitle(texts.Text(QStringLiteral("encoding_title")));
  m_list->setObjectName(QStringLiteral("encodings"));
  auto* automaticItem = new QListWidgetItem(texts.Text(QStringLiteral("encoding_automatic")), m_list);
  automaticItem->setData(Qt::UserRole, 0u);
  for (unsigned codePage : CodePages()) {
    auto* item = new QListWidgetItem(CodePageName(codePage), m_list);
    item->setData(Qt::UserRole, codePage);
  }
  m_preview->setObjectName(QStringLiteral("preview"));
  m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_preview->verticalHeader()->hide();
  m_preview->setWordWrap(false);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(texts.Text(QStringLiteral("ok")));
  buttons->button(QDialogButtonBox::Cancel)->setText(texts.Text(QStringLiteral("cancel")));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(texts.Text(QStringLiteral("encoding_list")), this));
  layout->addWidget(m_list, 1);
  layout->addWidget(new QLabel(texts.Text(QStringLiteral("encoding_preview")), this));
  layout->addWidget(m_preview, 2);
  layout->addWidget(buttons);
  resize(560, 520);

  connect(m_list, &QListWidget::currentRowChanged, this, &CEncodingDialog::FillPreview);
  if (!SelectCodePage(current))
    m_list->setCurrentRow(0);
}

unsigned CEncodingDialog::CodePage() const
{
  const QListWidgetItem* item = m_list->currentItem();
  return item != nullptr ? item->data(Qt::UserRole).toUInt() : 0;
}

bool CEncodingDialog::SelectCodePage(unsigned codePage)
{
  for (int row = 0; row < m_list->count(); ++row)
    if (m_list->item(row)->data(Qt::UserRole).toUInt() == codePage) {
      m_list->setCurrentRow(row);
      return true;
    }
  return false;
}

void CEncodingDialog::FillPreview()
{
  m_preview->clear();
  IDataView* table = m_layer != nullptr ? m_layer->GetDataView() : nullptr;
  if (table == nullptr)
    return;
  const int columns = table->GetColumnCount();
  const int rows = std::min(table->GetRowCount(), kPreviewRows);
  m_preview->setColumnCount(columns);
  m_preview->setRowCount(rows);
  QStringList names;
  for (int column = 0; column < columns; ++column)
    names << ReadColumn(*table, column).name;
  m_preview->setHorizontalHeaderLabels(names);
  // "Automatic" previews the code page the files name, whatever the view reads now.
  const unsigned codePage = CodePage() != 0 ? CodePage() : m_automatic;
  for (int row = 0; row < rows; ++row)
    for (int column = 0; column < columns; ++column)
      m_preview->setItem(row, column, new QTableWidgetItem(CellText(*m_layer, row, column, codePage)));
}

}  // namespace mapory
