// CLayerInfoDialog: a layer's file, type, feature count, extent and attribute columns. Modal;
// it only reads the layer.
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class ILayer;
class QLineEdit;
class QTableWidget;

namespace mapory {

class CLayerInfoDialog final : public QDialog {
  Q_OBJECT
public:
  // `layer` (owned by the view) may be null: the dialog then shows empty fields and headers.
  explicit CLayerInfoDialog(ILayer* layer, QWidget* parent = nullptr);

  // The read-only field of a control number (1001 file ... 1007 maximum x), or null.
  QLineEdit* Field(int controlId) const;
  QTableWidget* Columns() const { return m_columns; }

  // The text of the TYPE column for a value type code and field width.
  static QString TypeText(char type, int width);

private:
  void ShowLayer(ILayer* layer);

  QTableWidget* m_columns;
};

}  // namespace mapory
