// Posting window messages through Qt's event queue.
// SPDX-License-Identifier: MIT
#include "platform/window_message.h"

#include <QCoreApplication>
#include <QWidget>

WindowMessageEvent::WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
    : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam)
{}

WindowMessageEvent::~WindowMessageEvent() = default;

QEvent::Type WindowMessageEvent::EventType()
{
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (window == nullptr)
    return FALSE;
  // Events of one priority reach one receiver in the order they were posted.
  QCoreApplication::postEvent(window, new WindowMessageEvent(message, wParam, lParam));
  return TRUE;
}
