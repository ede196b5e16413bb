// The program's embedded images, found by number as bitmap resources.
//
// A program registers its own images (typically from its Qt resources) at start-up; loading
// a bitmap resource by number then makes a picture from the registered image. The module
// instance names the module whose resources are meant; the images of all modules of the
// process share one table, so the instance is accepted and not used.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

class QImage;

// Registers (or replaces) the image of resource `id`. A null image removes the entry.
ZAMRA_PLATFORM_API void RegisterBitmapResource(UINT id, const QImage& image);

// A new 24-bit picture of resource `id`, owned by the caller (DeleteObject); null when no
// image has that number.
ZAMRA_PLATFORM_API HBITMAP LoadBitmapResource(HINSTANCE instance, UINT id);
