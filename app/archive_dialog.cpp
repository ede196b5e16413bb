// CArchiveDialog.
// SPDX-License-Identifier: MIT
#include "archive_dialog.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "resource_table.h"

namespace mapory {

CArchiveDialog::CArchiveDialog(const QString& archive, const QStringList& members, QWidget* parent,
                               const QString& prompt)
    : QDialog(parent), m_list(new QListWidget(this))
{
  const CResourceTable& texts = CResourceTable::Current();
  setWindowTitle(texts.Text(QStringLiteral("archive_title")));
  m_list->setObjectName(QStringLiteral("members"));
  for (const QString& member : members) {
    auto* item = new QListWidgetItem(member, m_list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(texts.Text(QStringLiteral("ok")));
  buttons->button(QDialogButtonBox::Cancel)->setText(texts.Text(QStringLiteral("cancel")));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // Nothing checked adds nothing: OK waits for a choice.
  connect(m_list, &QListWidget::itemChanged, this,
          [this, buttons] { buttons->button(QDialogButtonBox::Ok)->setEnabled(!Chosen().isEmpty()); });

  auto* layout = new QVBoxLayout(this);
  const QString listText = prompt.isEmpty() ? texts.Text(QStringLiteral("archive_list")) : prompt;
  layout->addWidget(new QLabel(listText.arg(QFileInfo(archive).fileName()), this));
  layout->addWidget(m_list, 1);
  layout->addWidget(buttons);
  resize(460, 360);
}

QStringList CArchiveDialog::Chosen() const
{
  QStringList chosen;
  for (int row = 0; row < m_list->count(); ++row)
    if (m_list->item(row)->checkState() == Qt::Checked)
      chosen << m_list->item(row)->text();
  return chosen;
}

}  // namespace mapory
