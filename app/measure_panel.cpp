// CMeasurePanel.
// SPDX-License-Identifier: MIT
#include "measure_panel.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "measure_tool.h"
#include "resource_table.h"

namespace mapory {

namespace {

const CResourceTable& Texts() { return CResourceTable::Current(); }

QLabel* ValueLabel(const QString& name, QWidget* parent)
{
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);  // a length may be copied elsewhere
  return label;
}

}  // namespace

CMeasurePanel::CMeasurePanel(QWidget* parent) : QWidget(parent)
{
  auto* hint = new QLabel(Texts().Text(QStringLiteral("measure_hint")), this);
  hint->setObjectName(QStringLiteral("measureHint"));
  hint->setWordWrap(true);
  m_segment = ValueLabel(QStringLiteral("measureSegment"), this);
  m_total = ValueLabel(QStringLiteral("measureTotal"), this);
  m_area = ValueLabel(QStringLiteral("measureArea"), this);
  m_clear = new QPushButton(Texts().Text(QStringLiteral("measure_clear")), this);
  m_clear->setObjectName(QStringLiteral("measureClear"));

  auto* values = new QFormLayout;
  values->addRow(Texts().Text(QStringLiteral("measure_segment")), m_segment);
  values->addRow(Texts().Text(QStringLiteral("measure_total")), m_total);
  values->addRow(Texts().Text(QStringLiteral("measure_area")), m_area);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addLayout(values);
  layout->addWidget(m_clear, 0, Qt::AlignLeft);
  layout->addStretch(1);
  Show(MeasureResult{});
}

void CMeasurePanel::Show(const MeasureResult& result)
{
  const QString none = QStringLiteral("\u2013");
  m_segment->setText(result.valid ? CMeasureTool::LengthText(result.segment, result.geodesic) : none);
  m_total->setText(result.valid ? CMeasureTool::LengthText(result.total, result.geodesic) : none);
  m_area->setText(result.valid && result.closed ? CMeasureTool::AreaText(result.area, result.geodesic) : none);
}

}  // namespace mapory
