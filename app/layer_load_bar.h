// CLayerLoadBar: layers that take more than a moment to load are read beside the window. The
// user keeps panning, zooming and identifying while the status bar shows what is loading, with
// a busy bar and Cancel; each layer then arrives in the order the user asked for.
// SPDX-License-Identifier: MIT
#pragma once

#include <deque>

#include <QString>
#include <QTimer>
#include <QWidget>

class ILayer;
class IZamraView;
class IZamraViewExtras;
class QLabel;
class QProgressBar;
class QToolButton;

namespace mapory {

class CLayerLoadBar final : public QWidget {
  Q_OBJECT
public:
  // How long a load may keep the window waiting before it goes to the background: a quick file
  // is on the map at once, without the bar flashing.
  static constexpr int kPatienceMilliseconds = 300;

  // Loads into `view`; the bar is hidden until a load goes to the background.
  CLayerLoadBar(IZamraView* view, QWidget* parent);
  ~CLayerLoadBar() override;

  // Loads the layer `path` names (as IZamraView::AddLayer takes it). A load that ends within
  // the patience time while no earlier one is pending is handed over (layerLoaded) before this
  // returns; any other waits its turn in the background. False only when the load ended at
  // once with nothing added.
  bool Load(const QString& path);
  // Loads the layers of the workspace file at `path` in the same way, each with the settings the
  // file keeps for it, and the map's centre and scale once they are all in. Loads of the file
  // are neither told to the user when they fail (a workspace skips missing files) nor remembered
  // as recent layers.
  void LoadWorkspace(const QByteArray& path);
  // Whether loads are pending, and whether one of them is for `path`.
  bool IsBusy() const { return !m_pending.empty(); }
  bool IsLoading(const QString& path) const;
  // How long Load waits before it leaves a load to the background (kPatienceMilliseconds until
  // set): 0 sends every load there, a long time keeps the window waiting as a plain AddLayer does.
  void SetPatience(int milliseconds) { m_patience = milliseconds; }
  // Waits for every pending load, handing each over in order.
  void FinishAll();
  // Gives every pending load up: nothing of them is added.
  void CancelAll();
  // Whether layers of the workspace are still loading: the session is not whole until they are in.
  bool IsLoadingWorkspace() const;
  // Gives the user's pending loads up and waits for the workspace's, so that a workspace written
  // next (on closing, before a restart) keeps every layer the session had.
  void FinishSessionLoads();

  QLabel* Text() const { return m_text; }
  QToolButton* CancelButton() const { return m_cancel; }

signals:
  // A load ended: `layer` is the layer added, or null when nothing was (`memoryShort`: for
  // want of memory); `fromWorkspace` for the layers of a workspace file.
  void layerLoaded(const QString& path, ILayer* layer, bool memoryShort, bool fromWorkspace);
  // The last pending load was handed over or given up.
  void allDone();

private:
  struct Pending {
    int ticket = 0;
    QString path;
    bool fromWorkspace = false;
  };
  // Waits for the first load up to the time left of the patience, and hands it over if it ended.
  bool finishWithinPatience(const Pending& load, int milliseconds);
  // Hands over the loads at the front that have ended.
  void poll();
  // Hands one ended (or given-up-on) load over.
  void finish(const Pending& load);
  void showState();

  IZamraView* m_view;
  IZamraViewExtras* m_extras;
  std::deque<Pending> m_pending;  // in the order asked for
  int m_patience = kPatienceMilliseconds;
  QTimer m_timer;
  bool m_lastAdded = false;    // whether the last load handed over added its layer
  bool m_handingOver = false;  // a handover may show a message box, whose loop fires the timer
  QLabel* m_text;
  QProgressBar* m_bar;
  QToolButton* m_cancel;
};

}  // namespace mapory
