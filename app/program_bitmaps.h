// The program's own pictures, drawn at start-up: icon 128, layer types 130, check boxes 132,
// toolbar 138 and point symbols 143. They are registered as bitmap resources, so the view and
// the platform's bitmap loading find them by number, and are offered to Qt widgets as images.
// SPDX-License-Identifier: MIT
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace mapory {

// Draws every picture and registers it under its number; safe to call more than once.
void RegisterProgramBitmaps();

// The picture of resource `id` as drawn (a null image for an unknown id).
QImage ProgramBitmap(int id);

// Image `index` of a strip of square images `side` pixels wide, with `maskColour` transparent.
QPixmap MaskedStripImage(int id, int index, int side, QRgb maskColour);

// The map's point symbols (bitmap 143 at ratio 1): sixteen square tiles side by side on pure red
// (the view's transparent colour), drawn at `ratio` device pixels a window pixel, so that
// their tiles are PointSymbolSize(ratio) pixels wide and sharp on a high-density screen.
constexpr int kPointSymbolSize = 12;
QImage PointSymbolStrip(double ratio);
// The side of a tile at `ratio` (kPointSymbolSize times it, rounded; ratios no screen has
// count as 1).
int PointSymbolSize(double ratio);
// Layer-type image `index` (0 point, 1 polyline, 2 polygon), 20 x 20, antialiased on a
// transparent background; a null pixmap for any other index.
QPixmap LayerTypeImage(int index);

// The program icon at a given size in pixels (icon 128 is the 32-pixel one).
QImage DrawProgramIcon(int size);
QIcon ProgramIcon();

}  // namespace mapory
