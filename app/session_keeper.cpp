// CSessionKeeper.
// SPDX-License-Identifier: MIT
#include "session_keeper.h"

#include "workspace_file.h"

namespace mapory {

CSessionKeeper::CSessionKeeper(IZamraView* view, QObject* parent) : QObject(parent), m_view(view)
{
  m_delay.setSingleShot(true);
  m_delay.setInterval(kDelayMilliseconds);
  connect(&m_delay, &QTimer::timeout, this, &CSessionKeeper::Save);
}

void CSessionKeeper::NoteChange()
{
  if (m_view != nullptr)
    m_delay.start();  // a change while one waits pushes the write back
}

void CSessionKeeper::Save()
{
  if (m_mayWrite && !m_mayWrite()) {
    m_delay.start();  // not now: a while later
    return;
  }
  // The same safe save as on closing: a failure leaves the last good file in place, and the
  // next change tries again.
  CWorkspaceFile::Save(*m_view);
}

}  // namespace mapory
