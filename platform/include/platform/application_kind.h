// Which Qt application the process runs, for the services that need one: pictures of the
// screen, fonts and the clipboard need a GUI application; styles and tray icons need widgets.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"

namespace zamra::platform {

// True when a QGuiApplication (or a QApplication) exists.
ZAMRA_PLATFORM_API bool HaveGuiApplication();
// True when a QApplication exists.
ZAMRA_PLATFORM_API bool HaveWidgetApplication();

}  // namespace zamra::platform
