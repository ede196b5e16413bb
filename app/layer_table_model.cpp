// CLayerTableModel.
// SPDX-License-Identifier: MIT
#include "layer_table_model.h"

#include <algorithm>

#include "view_text.h"

namespace mapory {

CLayerTableModel::CLayerTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void CLayerTableModel::SetTable(IDataView* table)
{
  beginResetModel();
  m_table = table;
  m_names.clear();
  m_widths.clear();
  m_rowCount = 0;
  m_allRecords = true;
  m_records.clear();
  if (m_table != nullptr) {
    const int columns = m_table->GetColumnCount();
    for (int column = 0; column < columns; ++column) {
      const ColumnInfo info = ReadColumn(*m_table, column);
      m_names.append(info.name);
      m_widths.push_back(info.width);
    }
    m_rowCount = m_table->GetRowCount();
  }
  endResetModel();
}

int CLayerTableModel::FieldWidth(int column) const
{
  return column >= 0 && column < static_cast<int>(m_widths.size()) ? m_widths[static_cast<size_t>(column)] : 0;
}

void CLayerTableModel::SetRows(std::vector<int> records)
{
  beginResetModel();
  m_allRecords = false;
  m_records = std::move(records);
  // Never show a record the table does not have.
  m_records.erase(std::remove_if(m_records.begin(), m_records.end(),
                                 [this](int record) { return record < 0 || record >= m_rowCount; }),
                  m_records.end());
  endResetModel();
}

void CLayerTableModel::AllRecords()
{
  beginResetModel();
  m_allRecords = true;
  m_records.clear();
  endResetModel();
}

int CLayerTableModel::RecordOf(int row) const
{
  if (row < 0 || row >= rowCount())
    return -1;
  return m_allRecords ? row : m_records[static_cast<size_t>(row)];
}

int CLayerTableModel::RowOf(int record) const
{
  if (record < 0 || record >= m_rowCount)
    return -1;
  if (m_allRecords)
    return record;
  const auto found = std::find(m_records.begin(), m_records.end(), record);
  return found == m_records.end() ? -1 : static_cast<int>(found - m_records.begin());
}

int CLayerTableModel::rowCount(const QModelIndex& parent) const
{
  if (parent.isValid())
    return 0;
  return m_allRecords ? m_rowCount : static_cast<int>(m_records.size());
}

int CLayerTableModel::columnCount(const QModelIndex& parent) const
{
  return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

QVariant CLayerTableModel::data(const QModelIndex& index, int role) const
{
  if (m_table == nullptr || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
    return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
    char text[kCellBufferSize] = {};
    m_table->GetItemValue(RecordOf(index.row()), index.column(), text);
    text[sizeof text - 1] = '\0';
    return FromViewText(text);
  }
  if (role == Qt::TextAlignmentRole)
    return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  return {};
}

QVariant CLayerTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
  if (orientation == Qt::Horizontal && section >= 0 && section < m_names.size()) {
    if (role == Qt::DisplayRole)
      return m_names[section];
    if (role == Qt::TextAlignmentRole)
      return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
  }
  return {};
}

}  // namespace mapory
