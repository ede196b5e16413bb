// CInfoDialog.
// SPDX-License-Identifier: MIT
#include "info_dialog.h"

#include <memory>

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "report_list.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "view_text.h"
#include "view/idata_view.h"
#include "platform/window_message.h"
#include "view/ilayer.h"

namespace mapory {

CInfoDialog::CInfoDialog(QWidget* parent) : QDialog(parent)
{
  const CResourceTable& texts = CResourceTable::Current();
  setWindowTitle(texts.DialogText(IDD_INFO, QStringLiteral("title")));
  m_list = MakeReportList(this, 1000,
                          {{texts.DialogText(IDD_INFO, QStringLiteral("name")), 80},
                           {texts.DialogText(IDD_INFO, QStringLiteral("value")), 130}});
  m_list->installEventFilter(this);
  m_list->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(m_list, &QWidget::customContextMenuRequested, this, &CInfoDialog::OnContextMenu);
  m_zoomButton = new QPushButton(texts.Text(QStringLiteral("zoom_to_feature")), this);
  m_zoomButton->setObjectName(QStringLiteral("zoomToFeature"));
  m_zoomButton->setAutoDefault(false);
  connect(m_zoomButton, &QPushButton::clicked, this, &CInfoDialog::ZoomToFeature);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_zoomButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list);
  layout->addLayout(buttons);
  resize(260, 330);
}

void CInfoDialog::Fill(IZamraView* view, int layerIndex, int record)
{
  m_list->setRowCount(0);
  m_layerIndex = m_record = -1;
  ILayer* layer = view != nullptr ? view->GetLayerByIndex(layerIndex) : nullptr;
  if (layer == nullptr)
    return;
  m_layerIndex = layerIndex;
  m_record = record;
  IDataView* table = layer->GetDataView();
  if (table == nullptr)
    return;
  auto value = std::make_unique<char[]>(kValueBufferSize);
  for (int column = 0; column < table->GetColumnCount(); ++column) {
    value[0] = '\0';
    table->GetItemValue(record, column, value.get());
    value[kValueBufferSize - 1] = '\0';
    m_list->insertRow(0);
    m_list->setItem(0, 0, new QTableWidgetItem(ReadColumn(*table, column).name));
    m_list->setItem(0, 1, new QTableWidgetItem(FromViewText(value.get())));
  }
}

void CInfoDialog::CopyValue()
{
  if (m_list->rowCount() == 0)
    return;
  const int row = m_list->currentRow() >= 0 ? m_list->currentRow() : 0;
  if (QTableWidgetItem* value = m_list->item(row, 1))
    QApplication::clipboard()->setText(value->text());
}

void CInfoDialog::CopyRecord()
{
  if (m_list->rowCount() == 0)
    return;
  // The list shows the last column first: walk it from the bottom for the table's order.
  QStringList names, values;
  for (int row = m_list->rowCount() - 1; row >= 0; --row) {
    const QTableWidgetItem* name = m_list->item(row, 0);
    const QTableWidgetItem* value = m_list->item(row, 1);
    names << (name ? name->text() : QString());
    // A tab or line break inside a value would split the record.
    values << (value ? value->text() : QString()).replace(u'\t', u' ').replace(u'\n', u' ');
  }
  QApplication::clipboard()->setText(names.join(u'\t') + u'\n' + values.join(u'\t') + u'\n');
}

void CInfoDialog::ZoomToFeature()
{
  if (m_layerIndex >= 0 && m_record >= 0 && parentWidget() != nullptr)
    PostMessage(parentWidget(), WM_FEATURE_ZOOM, static_cast<WPARAM>(m_layerIndex), m_record);
}

void CInfoDialog::keyPressEvent(QKeyEvent* event)
{
  if (event->matches(QKeySequence::Copy)) {
    CopyValue();
    return;
  }
  if (event->modifiers() == (Qt::ControlModifier | Qt::ShiftModifier) && event->key() == Qt::Key_C) {
    CopyRecord();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool CInfoDialog::eventFilter(QObject* watched, QEvent* event)
{
  if (watched == m_list && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopyValue();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void CInfoDialog::OnContextMenu(const QPoint& at)
{
  const CResourceTable& texts = CResourceTable::Current();
  if (const QModelIndex index = m_list->indexAt(at); index.isValid())
    m_list->setCurrentCell(index.row(), 1);
  QMenu menu(this);
  QAction* value = menu.addAction(texts.Text(QStringLiteral("copy_value")));
  value->setShortcut(QKeySequence::Copy);
  QAction* record = menu.addAction(texts.Text(QStringLiteral("copy_record")));
  record->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")));
  menu.addSeparator();
  QAction* zoom = menu.addAction(texts.Text(QStringLiteral("zoom_to_feature")));
  value->setEnabled(m_list->rowCount() > 0);
  record->setEnabled(m_list->rowCount() > 0);
  zoom->setEnabled(m_record >= 0);
  QAction* chosen = menu.exec(m_list->viewport()->mapToGlobal(at));
  if (chosen == value)
    CopyValue();
  else if (chosen == record)
    CopyRecord();
  else if (chosen == zoom)
    ZoomToFeature();
}

}  // namespace mapory
