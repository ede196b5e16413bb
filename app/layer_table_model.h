// CLayerTableModel: a layer's attribute table as a Qt table model. Cells are asked of the
// layer's IDataView only when a view shows them, so a table of a million rows costs nothing
// per row and opens at once.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

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

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
  IDataView* m_table = nullptr;
  int m_rowCount = 0;
  QStringList m_names;
  std::vector<int> m_widths;
};

} // namespace mapory
