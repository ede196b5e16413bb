// CGotoDialog.
// SPDX-License-Identifier: MIT
#include "goto_dialog.h"

#include <clocale>
#include <cstdlib>   // strtod_l
#include <locale.h>  // newlocale

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "resource_ids.h"
#include "resource_table.h"

namespace mapory {

namespace {

constexpr int kReadCharacters = 28;

QString Text(const char* key) { return CResourceTable::Current().DialogText(IDD_GOTO, QString::fromLatin1(key)); }

}  // namespace

CGotoDialog::CGotoDialog(QWidget* parent) : QDialog(parent), m_xEdit(new QLineEdit), m_yEdit(new QLineEdit)
{
  setWindowTitle(Text("title"));
  m_xEdit->setObjectName(QStringLiteral("1019"));
  m_yEdit->setObjectName(QStringLiteral("1020"));
  auto* form = new QFormLayout(this);
  form->addRow(Text("1019"), m_xEdit);
  form->addRow(Text("1020"), m_yEdit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(Text("1"));
  buttons->button(QDialogButtonBox::Cancel)->setText(Text("2"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CGotoDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  form->addRow(buttons);
}

double CGotoDialog::LeadingNumber(const QString& text)
{
  static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", nullptr);
  const QByteArray bytes = text.left(kReadCharacters).toUtf8();
  return cLocale != nullptr ? strtod_l(bytes.constData(), nullptr, cLocale) : 0.0;
}

void CGotoDialog::accept()
{
  m_x = LeadingNumber(m_xEdit->text());
  m_y = LeadingNumber(m_yEdit->text());
  QDialog::accept();
}

}  // namespace mapory
