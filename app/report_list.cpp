// MakeReportList.
// SPDX-License-Identifier: MIT
#include "report_list.h"

#include <QHeaderView>
#include <QTableWidget>

namespace mapory {

QTableWidget* MakeReportList(QWidget* parent, int controlId, std::initializer_list<std::pair<QString, int>> columns)
{
  auto* list = new QTableWidget(0, static_cast<int>(columns.size()), parent);
  list->setObjectName(QString::number(controlId));
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list->setShowGrid(true);
  list->setWordWrap(false);
  list->verticalHeader()->hide();
  list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);  // rows as tight as a list's
  list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  list->horizontalHeader()->setStretchLastSection(false);
  QPalette palette = list->palette();
  palette.setColor(QPalette::Base, QColor(255, 255, 220));
  list->setPalette(palette);
  int column = 0;
  for (const auto& [header, width] : columns) {
    list->setHorizontalHeaderItem(column, new QTableWidgetItem(header));
    list->setColumnWidth(column, width);
    ++column;
  }
  return list;
}

}  // namespace mapory
