// CScaleBar: the scale bar over the map window's lower left corner: a round length (1, 2 or 5
// x 10^n metres, shown in m or km) and a bar as long as that length on the map. It is a window
// of its own over the view's, so the view's pictures (Save as bmp, export) never show it.
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QWidget>

class IZamraView;

namespace mapory {

class CScaleBar final : public QWidget {
  Q_OBJECT
public:
  // The longest bar a map window gets, in pixels.
  static constexpr int kMaximumLength = 150;
  // Where the bar lies in this window: its left end and its thickness; its first row lies
  // below the length's text (BarTop).
  static constexpr int kBarLeft = 8;
  static constexpr int kBarThickness = 4;
  static constexpr int kTickHeight = 4;

  struct Length {
    double meters = 0.0;
    int pixels = 0;
  };
  // The longest round length that fits in `maximumPixels` at `metersPerPixel`, and its length
  // in pixels; zero for a ground length that is not positive.
  static Length ChooseLength(double metersPerPixel, int maximumPixels);
  // "500 m", "2 km" in the current language.
  static QString LengthText(double meters);

  // `view` belongs to the map window, which is `parent`.
  CScaleBar(IZamraView* view, QWidget* parent);

  // The length the bar shows now (zero while the map has no layer).
  Length CurrentLength() const;
  // The bar's first row: under the text line of this window's font (CJK fonts are taller than
  // Latin ones) and the end ticks, so that no glyph touches the bar.
  int BarTop() const;
  // Keeps the bar in the parent's lower left corner, above the view's window.
  void FollowParent();

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  IZamraView* m_view;
};

}  // namespace mapory
