// CDataWnd: the "Property" child window: the attribute table of one layer, one row per record
// in record order. It follows the frame's layer selection, marks the identified record, and a
// double-clicked row asks the frame to centre the map on that record.
#pragma once

#include <QWidget>

#include "view/izamra_view.h"

class QMdiSubWindow;
class QTableView;

namespace mapory {

class CLayerTableModel;

class CDataWnd final : public QWidget {
  Q_OBJECT
public:
  // Window id of the table, kept from the list control it replaces.
  static constexpr int kListId = 31203;
  // Field widths become column widths at this many pixels a character.
  static constexpr int kPixelsPerCharacter = 6;

  // `view` is the view of the whole run (owned by the map window); `frame` receives the
  // go-to requests. `title` is the window's title until a layer is shown.
  CDataWnd(IZamraView* view, QWidget* frame, const QString& title, QWidget* parent = nullptr);
  ~CDataWnd() override;

  // Shows layer `index` with row `row` selected (-1: the selection stays). The same layer as
  // now only moves the selection; another layer replaces the table and the title; an index
  // the view does not resolve empties the table and keeps the title.
  void ShowLayer(int index, int row);

  // Follows the window's activation and deactivation: shows the view's selected layer.
  void OnActivationChanged();
  // Watches `window` (the MDI child holding this widget) for activation changes.
  void FollowActivationOf(QMdiSubWindow* window);

  int CurrentLayerIndex() const { return m_currentIndex; }
  ILayer* CurrentLayer() const { return m_currentLayer; }
  QTableView* Table() const { return m_table; }
  CLayerTableModel* Model() const { return m_model; }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void OnDoubleClicked(const QModelIndex& index);
  void SelectRow(int row);

  IZamraView* m_view;
  QWidget* m_frame;
  CLayerTableModel* m_model;
  QTableView* m_table;
  ILayer* m_currentLayer = nullptr;
  int m_currentIndex = -1;
};

} // namespace mapory
