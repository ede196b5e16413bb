// CDataWnd: the "Property" child window: the attribute table of one layer, one row per record
// in record order. It follows the frame's layer selection, marks the identified record, and a
// double-clicked row asks the frame to centre the map on that record.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include "view/izamra_view.h"

class QLabel;
class QLineEdit;
class QMdiSubWindow;
class QProgressBar;
class QPushButton;
class QTableView;

namespace mapory {

class CLayerTableModel;
class CRowOrderJob;

class CDataWnd final : public QWidget {
  Q_OBJECT
public:
  // Window id of the table, kept from the list control it replaces.
  static constexpr int kListId = 31203;
  // A column is as wide as its cells need, at most its field width at this many pixels a
  // character and at least as wide as its header; the user can drag it wider or narrower.
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

  // Sorting and filtering. A header click sorts by that column (again: the other way); the
  // filter box keeps the rows containing its text. The work runs beside the window; past half
  // a second a progress bar and a cancel button show.
  void SortByColumn(int column, bool ascending);
  void SetFilterText(const QString& text);
  // Stops any sorting or filtering at once (before the shown table goes away).
  void CancelRowOrder();
  bool IsOrdering() const { return m_job != nullptr; }
  int SortColumn() const { return m_sortColumn; }
  bool SortAscending() const { return m_sortAscending; }
  QLineEdit* FilterBox() const { return m_filterBox; }
  QProgressBar* ProgressBar() const { return m_progress; }
  QPushButton* CancelButton() const { return m_cancelButton; }
  // Reads the shown table again (its texts changed: another code page); sorting and filter go.
  void ReloadTable();
  // Asks the frame to fit the map to the record in view row `row`.
  void ZoomToRow(int row);

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void OnDoubleClicked(const QModelIndex& index);
  void OnHeaderClicked(int column);
  void OnContextMenu(const QPoint& at);
  // Selects the row showing record `record` (none when it is filtered out).
  void SelectRow(int record);
  void StartRowOrder();
  void PollRowOrder();
  void ResetRowOrder();
  void fitColumns();
  void UpdateRowCountText();

  IZamraView* m_view;
  QWidget* m_frame;
  CLayerTableModel* m_model;
  QTableView* m_table;
  ILayer* m_currentLayer = nullptr;
  int m_currentIndex = -1;

  QLineEdit* m_filterBox;
  QLabel* m_rowCountText;
  QProgressBar* m_progress;
  QPushButton* m_cancelButton;
  QTimer m_filterDelay;  // typing pauses before the filter runs
  QTimer m_poll;         // looks at the running job
  QElapsedTimer m_jobClock;
  std::unique_ptr<CRowOrderJob> m_job;
  int m_sortColumn = -1;  // shown now
  bool m_sortAscending = true;
  int m_requestedColumn = -1;  // asked for
  bool m_requestedAscending = true;
};

}  // namespace mapory
