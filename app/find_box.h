// CFindBox: finding a value in the selected layer's table. A box on the toolbar (Ctrl+F goes to
// it) searches the layer's text and number columns as the user types, beside the window (the
// program keeps painting and answering on a million rows); a panel lists the first matches
// (record, column, value), and choosing one asks the frame to zoom to that record and outline it.
// SPDX-License-Identifier: MIT
#pragma once

#include <memory>

#include <QObject>
#include <QTimer>

class ILayer;
class IZamraView;
class QAction;
class QDockWidget;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

namespace mapory {

class CFindJob;

class CFindBox final : public QObject {
  Q_OBJECT
public:
  // Searches the tables of `view`'s layers. The box, command and panel are made here and belong
  // to `frame`, which places them.
  CFindBox(IZamraView* view, QWidget* frame);
  ~CFindBox() override;

  // Ctrl+F: focuses the box and selects its text.
  QAction* Action() const { return m_action; }
  QLineEdit* Edit() const { return m_edit; }
  // The panel of matches, shown once a search starts.
  QDockWidget* Dock() const { return m_dock; }
  QTreeWidget* List() const { return m_list; }
  QLabel* StatusLabel() const { return m_status; }

  // Whether a search is waiting for the typing to pause or is running.
  bool IsSearching() const;
  // Searches now for the box's text, without waiting for the typing to pause.
  void SearchNow();
  // Stops the search and empties the list: the table it reads is about to change or go.
  void Cancel();
  // Searches again when the selected layer is no longer the one searched.
  void FollowSelectedLayer();
  // Chooses the match in row `row` of the list (as a click would).
  void Choose(int row);

signals:
  // A match was chosen: the frame zooms to the record and outlines it.
  void matchChosen(int layerIndex, int record);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void poll();
  void showStatus();
  void chooseItem(QTreeWidgetItem* item);
  // The view's index of the layer searched, -1 when it is no longer there.
  int searchedLayerIndex() const;

  IZamraView* m_view;
  QAction* m_action = nullptr;
  QLineEdit* m_edit = nullptr;
  QDockWidget* m_dock = nullptr;
  QTreeWidget* m_list = nullptr;
  QLabel* m_status = nullptr;
  QTimer m_delay;  // typing pauses before a search starts
  QTimer m_poll;
  std::unique_ptr<CFindJob> m_job;
  ILayer* m_searched = nullptr;  // the layer of the list's matches; null when none
  size_t m_shown = 0;            // matches of the job in the list
  bool m_reachedLimit = false;
};

}  // namespace mapory
