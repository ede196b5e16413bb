// Which Qt application the process runs.
// SPDX-License-Identifier: MIT
#include "platform/application_kind.h"

#include <QApplication>
#include <QGuiApplication>

namespace zamra::platform {

bool HaveGuiApplication() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

bool HaveWidgetApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

}  // namespace zamra::platform
