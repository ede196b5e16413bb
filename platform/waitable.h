// Private to the platform layer: the base of every handle the wait functions accept.
// All waitable state changes under one process-wide lock and wakes every waiter, which keeps
// waits on several handles of different kinds simple and correct.
// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <mutex>

#include "platform/handle_object.h"

class Waitable : public HandleObject {
public:
  // Both are called with WaitLock() held.
  virtual bool IsSignalled() = 0;
  // What a released wait does to the object (an auto-reset event unsignals).
  virtual void OnWaitReleased() {}
  // Objects whose state changes outside our control (processes) are polled while waited on.
  virtual bool NeedsPolling() const { return false; }
};

std::mutex& WaitLock();
// Call after changing a waitable's state under WaitLock().
void NotifyWaiters();
