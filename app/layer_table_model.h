// CLayerTableModel: a layer's attribute table as a Qt table model. Cells are asked of the
// layer's IDataView only when a view shows them, so a table of a million rows costs nothing
// per row and opens at once.
// SPDX-License-Identifier: MIT
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

#include "view/idata_view.h"

namespace mapory {

class CLayerTableModel final : public QAbstractTableModel {
  Q_OBJECT
public:
  // Every cell text is read into a buffer of this size; the view writes at most 256 bytes.
  static constexpr int kCellBufferSize = 260;

  explicit CLayerTableModel(QObject* parent = nullptr);

  // Shows `table` (owned by the view; null shows nothing). Column names and field widths are
  // read now, cells only when asked for.
  void SetTable(IDataView* table);
  IDataView* Table() const { return m_table; }
  // The field width of a column in characters (0 out of range).
  int FieldWidth(int column) const;
  // Shows only `records`, in that order (a sorted or filtered table); AllRecords goes back to
  // every record in record order.
  void SetRows(std::vector<int> records);
  void AllRecords();
  bool ShowsAllRecords() const { return m_allRecords; }
  // The record shown in row `row`, or -1; the row showing `record`, or -1 when it is hidden.
  int RecordOf(int row) const;
  int RowOf(int record) const;
  // Every record of the table, shown or not.
  int RecordCount() const { return m_rowCount; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  IDataView* m_table = nullptr;
  int m_rowCount = 0;
  bool m_allRecords = true;
  std::vector<int> m_records;  // the records shown, when not all of them in order
  QStringList m_names;
  std::vector<int> m_widths;
};

}  // namespace mapory
