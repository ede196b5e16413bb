// The lock keys' states (Caps Lock, Num Lock, Scroll Lock) as the display server tells them.
//
// On X11 they are the keyboard extension's (XKB) indicators of those names, read through the
// X library that Qt's X11 platform has already loaded. Elsewhere (Wayland, offscreen) no
// portable source exists: the state is unknown.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"

namespace zamra::platform {

enum class KeyLock { Caps, Num, Scroll };

enum class KeyLockState { Unknown = -1, Off = 0, On = 1 };

// The state of `lock` now; Unknown without a QGuiApplication on X11 or when the keyboard has
// no indicator of that name. Call it from the GUI thread.
ZAMRA_PLATFORM_API KeyLockState ReadKeyLock(KeyLock lock);

}  // namespace zamra::platform
