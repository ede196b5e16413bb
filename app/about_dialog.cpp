// CAboutDialog: laid out from the texts of dialog 100.
// SPDX-License-Identifier: MIT
#include "about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "program_bitmaps.h"
#include "resource_ids.h"
#include "resource_table.h"

namespace mapory {

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent)
{
  const CResourceTable& texts = CResourceTable::Current();
  auto text = [&texts](const char* key) { return texts.DialogText(IDD_ABOUTBOX, QString::fromLatin1(key)); };
  setWindowTitle(text("title"));

  auto* icon = new QLabel;
  icon->setPixmap(QPixmap::fromImage(ProgramBitmap(IDR_MAINFRAME)));
  icon->setAlignment(Qt::AlignTop);
  auto* lines = new QVBoxLayout;
  for (const char* key : {"name", "copyright", "web"})
    lines->addWidget(new QLabel(text(key)));
  lines->addSpacing(8);
  lines->addWidget(new QLabel(text("usage")));
  for (const char* key : {"usage1", "usage2", "usage3"})
    lines->addWidget(new QLabel(QStringLiteral("    ") + text(key)));
  lines->addWidget(new QLabel(text("properties")));
  lines->addWidget(new QLabel(QStringLiteral("    ") + text("properties1")));
  lines->addSpacing(8);
  lines->addWidget(new QLabel(text("support")));

  auto* body = new QHBoxLayout;
  body->addWidget(icon);
  body->addLayout(lines, 1);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  buttons->button(QDialogButtonBox::Ok)->setText(text("1"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body);
  layout->addWidget(buttons);
}

}  // namespace mapory
