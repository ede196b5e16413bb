// CInfoDialog.
#include "info_dialog.h"

#include <memory>

#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "report_list.h"
#include "resource_ids.h"
#include "resource_table.h"
#include "view_text.h"
#include "view/idata_view.h"
#include "view/ilayer.h"

namespace mapory {

CInfoDialog::CInfoDialog(QWidget* parent) : QDialog(parent)
{
  const CResourceTable& texts = CResourceTable::Current();
  setWindowTitle(texts.DialogText(IDD_INFO, QStringLiteral("title")));
  m_list = MakeReportList(this, 1000,
                          {{texts.DialogText(IDD_INFO, QStringLiteral("name")), 80},
                           {texts.DialogText(IDD_INFO, QStringLiteral("value")), 130}});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_list);
  resize(260, 300);
}

void CInfoDialog::Fill(IZamraView* view, int layerIndex, int record)
{
  m_list->setRowCount(0);
  ILayer* layer = view != nullptr ? view->GetLayerByIndex(layerIndex) : nullptr;
  if (layer == nullptr)
    return;
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

} // namespace mapory
