// Window messages posted between widgets: the stand-in for posting a message to a window.
// A posted message arrives in the receiving widget's event() as a WindowMessageEvent, after
// the poster's handler has returned, and messages to one widget arrive in the order posted.
// SPDX-License-Identifier: MIT
#pragma once

#include <QEvent>

#include "platform/platform_export.h"
#include "platform/win_types.h"

#define WM_USER 0x0400

/// A posted window message, as the receiving widget's event() sees it.
class ZAMRA_PLATFORM_API WindowMessageEvent final : public QEvent {
public:
  WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);
  ~WindowMessageEvent() override;

  // The event type of every posted message.
  static QEvent::Type EventType();

  UINT Message() const { return m_message; }
  WPARAM WParam() const { return m_wParam; }
  LPARAM LParam() const { return m_lParam; }

private:
  UINT m_message;
  WPARAM m_wParam;
  LPARAM m_lParam;
};

// Queues `message` for `window`; FALSE when there is no window. The receiver must run Qt's
// event loop (QCoreApplication::processEvents or exec) for it to arrive.
ZAMRA_PLATFORM_API BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
