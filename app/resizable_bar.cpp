// CResizableBar: size rules of the docking bar, expressed through Qt's dock layout.
// SPDX-License-Identifier: MIT
#include "resizable_bar.h"

namespace mapory {

CResizableBar::CResizableBar(const QString& title, QWidget* parent, const QSize& size, int id)
    : QDockWidget(title, parent), m_size(size)
{
  setObjectName(QStringLiteral("bar%1").arg(id));
  setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  connect(this, &QDockWidget::topLevelChanged, this, &CResizableBar::followDockState);
  followDockState();
}

QSize CResizableBar::sizeHint() const { return m_size; }

void CResizableBar::followDockState()
{
  // Qt's dock separator does the dragging; the limits decide where it stops. Floating, only
  // the small lower bound applies.
  if (isFloating()) {
    setMinimumSize(kMinimumSize, kMinimumSize);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    setMinimumSize(kMinimumDockedWidth, kMinimumSize);
    setMaximumSize(kMaximumDockedWidth, QWIDGETSIZE_MAX);
  }
}

}  // namespace mapory
