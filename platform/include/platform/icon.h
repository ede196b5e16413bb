// Icons: HICON handles over Qt icons.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

class QIcon;

// A new icon handle holding the icon, owned by the caller (DestroyIcon); null for a null icon.
ZAMRA_PLATFORM_API HICON CreateIconFromQIcon(const QIcon& icon);

// A shared icon handle: DestroyIcon leaves it alone; it lives as long as the process.
ZAMRA_PLATFORM_API HICON CreateSharedIconFromQIcon(const QIcon& icon);

// The icon behind a handle; a null icon for a stale or foreign handle.
ZAMRA_PLATFORM_API QIcon IconFromHandle(HICON icon);

// Releases an icon handle. FALSE for a stale handle; TRUE (and nothing done) for a shared one.
ZAMRA_PLATFORM_API BOOL DestroyIcon(HICON icon);
