// The writer behind Save as bmp: a rectangle of a device context as a 32-bit, bottom-up,
// uncompressed BMP file (54 bytes of headers, then blue, green, red, 0 per pixel).
// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include "platform/win_types.h"

namespace mapory {

// Writes the rectangle of `dc` to `path`, replacing any file there only once the whole new
// file is on disk. False when the rectangle is empty or too large for the format, or when the
// file cannot be created or written completely (an existing file is then left as it was).
bool WriteBitmapFile(HDC dc, const RECT& rect, const QString& path);

// Save as bmp's naming rule: `path` unchanged when the text from its last "." on is ".bmp"
// in any letter case, otherwise `path` with ".bmp" appended.
QString BitmapFileName(const QString& path);

}  // namespace mapory
