// CSessionKeeper: writes the workspace a few seconds after the session changes (layers added,
// removed, moved, styled; the map moved), so that a crash, a killed session or a power cut
// loses at most those seconds rather than everything since the start. Changes in a burst (a
// drag, a run of wheel steps) are written once, when they have settled.
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <utility>

#include <QObject>
#include <QTimer>

class IZamraView;

namespace mapory {

class CSessionKeeper final : public QObject {
public:
  static constexpr int kDelayMilliseconds = 2000;

  // `view` is not owned and must outlive the keeper.
  CSessionKeeper(IZamraView* view, QObject* parent);

  // The session changed: it is written kDelayMilliseconds after the last change.
  void NoteChange();
  // Forgets a change not yet written (the caller writes the workspace itself, as on closing).
  void Cancel() { m_delay.stop(); }
  bool IsPending() const { return m_delay.isActive(); }
  // A write waits (and tries again after the delay) while `mayWrite` says no.
  void SetWriteCondition(std::function<bool()> mayWrite) { m_mayWrite = std::move(mayWrite); }

private:
  void Save();

  IZamraView* m_view;
  QTimer m_delay;
  std::function<bool()> m_mayWrite;
};

}  // namespace mapory
