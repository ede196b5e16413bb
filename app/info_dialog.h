// CInfoDialog: the attribute values of one identified feature, NAME and VALUE. Modeless; the
// frame creates it on the first identification and refills it for every later one.
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

#include "view/izamra_view.h"

class QKeyEvent;
class QPushButton;
class QTableWidget;

namespace mapory {

class CInfoDialog final : public QDialog {
  Q_OBJECT
public:
  // A value is read into a buffer this large.
  static constexpr int kValueBufferSize = 10240;

  explicit CInfoDialog(QWidget* parent = nullptr);

  // Shows the values of record `record` of layer `layerIndex`: each column's row goes in at
  // the top, so the last column comes first. A layer the view does not resolve leaves the
  // list empty.
  void Fill(IZamraView* view, int layerIndex, int record);

  QTableWidget* List() const { return m_list; }
  // The record shown (-1 and -1 before the first fill, or for a layer the view did not have).
  int LayerIndex() const { return m_layerIndex; }
  int Record() const { return m_record; }

  // The value of the selected row (the first row when none is selected) to the clipboard.
  void CopyValue();
  // The whole record to the clipboard: the column names on one line and the values on the
  // next, tab-separated, in the table's column order.
  void CopyRecord();
  // Asks the frame to fit the map to the record shown.
  void ZoomToFeature();

protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The list's own Ctrl+C would copy whichever cell is current, the name included.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void OnContextMenu(const QPoint& at);

  QTableWidget* m_list;
  QPushButton* m_zoomButton;
  int m_layerIndex = -1;
  int m_record = -1;
};

}  // namespace mapory
