// The small read-only lists of the dialogs: full-row selection, grid lines, the pale yellow
// ground, and fixed column widths.
// SPDX-License-Identifier: MIT
#pragma once

#include <initializer_list>
#include <utility>

#include <QString>

class QTableWidget;
class QWidget;

namespace mapory {

// A list with the given headers and pixel widths; its object name is the control number.
QTableWidget* MakeReportList(QWidget* parent, int controlId, std::initializer_list<std::pair<QString, int>> columns);

}  // namespace mapory
