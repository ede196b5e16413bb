// CInfoDialog: the attribute values of one identified feature, NAME and VALUE. Modeless; the
// frame creates it on the first identification and refills it for every later one.
#pragma once

#include <QDialog>

#include "view/izamra_view.h"

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

private:
  QTableWidget* m_list;
};

} // namespace mapory
