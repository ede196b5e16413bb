// CMeasurePanel: the measure tool's small panel: how to use the tool, the last segment, the whole
// length and the area of a closed shape, and a button that clears the path.
// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace mapory {

struct MeasureResult;

class CMeasurePanel final : public QWidget {
  Q_OBJECT
public:
  explicit CMeasurePanel(QWidget* parent = nullptr);

  // Shows `result`; dashes where there is nothing to show.
  void Show(const MeasureResult& result);

  QLabel* SegmentLabel() const { return m_segment; }
  QLabel* TotalLabel() const { return m_total; }
  QLabel* AreaLabel() const { return m_area; }
  QPushButton* ClearButton() const { return m_clear; }

private:
  QLabel* m_segment = nullptr;
  QLabel* m_total = nullptr;
  QLabel* m_area = nullptr;
  QPushButton* m_clear = nullptr;
};

}  // namespace mapory
