// The point symbols that the program and the tools hand the map view (IZamraView::SetPoiDC),
// painted in one place so that every host's map shows the same symbols.
// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include "platform/win_types.h"
#include "view/zamra_view_export.h"

// Sixteen square tiles side by side: four shapes (disc, square, triangle, diamond) in four
// colours (dark grey, blue, green, purple), symbol i being shape i / 4 in colour i % 4, each
// outlined in white `inset` pixels inside a tile of `tile` pixels (less than 1 counts as 1), on
// pure red (the colour the view leaves transparent). Drawn at `ratio` device pixels a pixel,
// aliased like the map, so that the tiles are ZamraPointSymbolSide(tile, ratio) pixels wide and
// sharp on a high-density screen.
ZAMRA_VIEW_API QImage ZamraPointSymbolStrip(int tile, int inset, double ratio);
// The side of a tile at `ratio`: `tile` times it, rounded, at least 1; ratios no screen has
// (not above 0, above 16) count as 1.
ZAMRA_VIEW_API int ZamraPointSymbolSide(int tile, double ratio);
// A strip as the memory context SetPoiDC takes, holding a copy of the strip's pixels. The
// caller's until handed to the view, which deletes it; one never handed over is freed with
// DeleteDC. Null when none can be made (a null image, or memory running out).
ZAMRA_VIEW_API HDC ZamraSymbolStripContext(const QImage& strip);
