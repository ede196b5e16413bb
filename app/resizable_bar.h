// CResizableBar: a dock bar that docks on the left or right edge of the main frame, keeps the
// sizes it was created with and limits how far the user can drag its inner edge.
// SPDX-License-Identifier: MIT
#pragma once

#include <QDockWidget>

namespace mapory {

class CResizableBar : public QDockWidget {
  Q_OBJECT
public:
  // A bar titled `title` whose content starts at `size` (horizontal, vertical and floating
  // size alike); `id` names it for the frame's saved layout.
  CResizableBar(const QString& title, QWidget* parent, const QSize& size, int id);

  // Width limits of the docked bar: the drag of its edge is followed only in between.
  static constexpr int kMinimumDockedWidth = 181;
  static constexpr int kMaximumDockedWidth = 399;
  // Lower bound while floating.
  static constexpr int kMinimumSize = 32;

  QSize sizeHint() const override;

private:
  void followDockState();

  QSize m_size;
};

}  // namespace mapory
