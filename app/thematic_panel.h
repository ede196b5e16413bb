// CThematicPanel: the part of a style dialog that chooses the column labels come from and colours
// features by value (one colour, categories of a column, or classes of a numeric column) and
// lists the entries with their colours, each of which a double click changes. Every choice is
// applied to the layer at once through the view's extras; the host refreshes the map.
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <string>

#include <QWidget>

#include "view/thematic_style.h"

class ILayer;
class IZamraView;
class QComboBox;
class QLabel;
class QSpinBox;
class QTreeWidget;
class QTreeWidgetItem;

namespace mapory {

class CThematicPanel final : public QWidget {
  Q_OBJECT
public:
  // Shows the label column and thematic style `layer` has in `view` (neither owned; both must
  // outlive the panel). `changed` is called after each change applied to the layer.
  CThematicPanel(IZamraView* view, ILayer* layer, std::function<void()> changed, QWidget* parent = nullptr);

  // The controls, for tests and the dialog's layout.
  QComboBox* LabelColumnBox() const { return m_labelColumn; }
  QComboBox* ModeBox() const { return m_mode; }
  QComboBox* ColumnBox() const { return m_column; }
  QSpinBox* ClassCountBox() const { return m_classCount; }
  QComboBox* MethodBox() const { return m_method; }
  QComboBox* PaletteBox() const { return m_palette; }
  QTreeWidget* EntryList() const { return m_entries; }
  // The style shown (and applied).
  const ZMThematicStyle& Style() const { return m_style; }
  // Sets entry `row` of the list (entries, then "other", then "no value") to `color`, as a
  // double click and the colour chooser do.
  void SetEntryColor(int row, COLORREF color);

  // "lower – upper" of a class, numbers as short as they read back.
  static QString RangeText(double lower, double upper);

private:
  void ShowStyle();
  // Makes a style from the choices now and applies it.
  void Remake();
  void ApplyStyle();
  void FillColumns();
  void FillPalettes();
  void UpdateEnabled();
  void ChooseColor(QTreeWidgetItem* item);

  IZamraView* m_view;
  ILayer* m_layer;
  std::function<void()> m_changed;
  ZMThematicStyle m_style;
  bool m_filling = false;  // choices set by the panel itself remake nothing
  QComboBox* m_labelColumn = nullptr;
  QComboBox* m_mode = nullptr;
  QComboBox* m_column = nullptr;
  QSpinBox* m_classCount = nullptr;
  QComboBox* m_method = nullptr;
  QComboBox* m_palette = nullptr;
  QTreeWidget* m_entries = nullptr;
  QLabel* m_message = nullptr;
};

}  // namespace mapory
