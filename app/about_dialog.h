// CAboutDialog: the About box (dialog 100): icon, name and version, copyright, web address,
// the mouse usage summary and the support address, with one OK button.
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

namespace mapory {

class CAboutDialog final : public QDialog {
  Q_OBJECT
public:
  explicit CAboutDialog(QWidget* parent = nullptr);
};

}  // namespace mapory
