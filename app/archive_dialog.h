// CArchiveDialog: the shapefiles of a .zip archive that holds several, each with a check box
// (all checked at first); the frame adds the checked ones when the dialog is accepted.
// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

namespace mapory {

class CArchiveDialog final : public QDialog {
  Q_OBJECT
public:
  // `members` are the .shp members' paths inside the archive `archive`, in the archive's order.
  // `prompt`, when given, replaces the text above the list ("%1": the archive's name).
  CArchiveDialog(const QString& archive, const QStringList& members, QWidget* parent = nullptr,
                 const QString& prompt = QString());

  // The members checked, in the list's order.
  QStringList Chosen() const;
  QListWidget* List() const { return m_list; }

private:
  QListWidget* m_list;
};

}  // namespace mapory
