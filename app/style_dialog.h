// CStyleDialog: the three layer style dialogs (Polygon Style 139, Polyline Style 141, Point
// Style 144), with LayerStyle, the values they edit, and its reading from and writing to a layer.
// SPDX-License-Identifier: MIT
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QDialog>
#include <QStringList>

#include "platform/win_types.h"

class ILayer;
class IZamraView;
class QComboBox;
class QPushButton;

namespace mapory {

class CThematicPanel;

// Every display value of a layer that a style dialog can change. Each dialog shows only some
// of them and hands the others back as they came. Colours are 0x00BBGGRR.
struct LayerStyle {
  int lineWidth = 1;
  COLORREF lineColor = RGB(0, 0, 0);
  COLORREF fillColor = RGB(20, 200, 200);
  int lineStyle = 0;  // the pen style codes of ILayer::SetLineStyle
  int pointSymbol = -1;
  QString faceName = QStringLiteral("Tahoma");  // at most 31 characters
  COLORREF fontColor = RGB(0, 0, 0);
  int fontSize = 12;

  bool operator==(const LayerStyle&) const = default;
};

// The layer's current style, read in the order the frame reads it: label font, line colour,
// line width, fill colour, line style, point symbol.
LayerStyle ReadLayerStyle(ILayer& layer);
// Writes every value back in the frame's order: label font, fill colour, line colour, line
// style, line width, point symbol. The face name is cut to fit the layer's 32-byte field
// without splitting a character.
void WriteLayerStyle(ILayer& layer, const LayerStyle& style);

class CStyleDialog final : public QDialog {
  Q_OBJECT
public:
  // The dialog numbers; each kind shows its own controls.
  enum Kind { kPolygonStyle = 139, kPolylineStyle = 141, kPointStyle = 144 };

  // The dialog for a layer type (5 polygon, 3 polyline, 1 point); false for any other type.
  static bool KindForLayerType(int layerType, Kind* kind);

  // Controls built and filled; the values start as LayerStyle's defaults.
  explicit CStyleDialog(Kind kind, QWidget* parent = nullptr);
  ~CStyleDialog() override;

  Kind DialogKind() const { return m_kind; }

  // Loads the values and shows them in the controls (call before exec()).
  void SetStyle(const LayerStyle& style);
  // The values as they are now, whichever button closed the dialog.
  const LayerStyle& Style() const { return m_style; }
  // Adds the choices of label column and colours by value of `layer` in `view` right of the
  // other controls; they apply to the layer at once, and `changed` is called after each.
  void AddLayerChoices(IZamraView* view, ILayer* layer, std::function<void()> changed);
  // Those choices; null until added.
  CThematicPanel* LayerChoices() const { return m_layerChoices; }

  // The index of the first entry starting with `prefix` (letter case ignored), searched from
  // the second entry to the last and then the first; -1 when none does.
  static int FindByPrefix(const QStringList& entries, const QString& prefix);

  // The face name as the layer keeps it: the process's code page, at most 31 bytes, cut
  // before a character that would not fit whole.
  static std::string LayerFaceName(const QString& face);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  // The symbol under a point of the dialog, or -1 where no symbol lies.
  int SymbolAt(const QPoint& at) const;
  QComboBox* AddComboBox(int id, int width);
  QPushButton* AddColourButton(int id, int width);
  void PlaceWithLabel(int id, QWidget* control, int width);
  void ShowStyle();
  void ChooseColour(QPushButton* button, COLORREF* colour);
  void PaintShapePreview(HDC dc) const;
  void PaintSymbols(HDC dc) const;
  void PaintSample(HDC dc) const;

  struct SymbolStrip;

  Kind m_kind;
  LayerStyle m_style;
  int m_nextTop = 8;  // where the next control row goes
  QComboBox* m_lineWidth = nullptr;
  QPushButton* m_lineColour = nullptr;
  QPushButton* m_fillColour = nullptr;
  QComboBox* m_lineStyle = nullptr;
  QComboBox* m_faceName = nullptr;
  QComboBox* m_fontSize = nullptr;
  QPushButton* m_fontColour = nullptr;
  std::unique_ptr<SymbolStrip> m_symbols;  // Point Style only
  CThematicPanel* m_layerChoices = nullptr;
};

}  // namespace mapory
