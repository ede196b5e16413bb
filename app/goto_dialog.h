// CGotoDialog: a longitude and latitude to centre the map on. Modal.
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

class QLineEdit;

namespace mapory {

class CGotoDialog final : public QDialog {
  Q_OBJECT
public:
  explicit CGotoDialog(QWidget* parent = nullptr);

  // The coordinate read on OK; 0 until then.
  double X() const { return m_x; }
  double Y() const { return m_y; }

  // The leading number of a text ("12.5xy" gives 12.5, text without one gives 0), read with a
  // decimal point whatever the user's locale; at most 28 characters are read.
  static double LeadingNumber(const QString& text);

  void accept() override;

private:
  QLineEdit* m_xEdit;
  QLineEdit* m_yEdit;
  double m_x = 0.0;
  double m_y = 0.0;
};

}  // namespace mapory
