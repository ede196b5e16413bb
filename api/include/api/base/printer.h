// ZMPrinter: a device context for a printer with chosen quality, paper and orientation.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

// Print qualities (negative codes; a positive value is dots per inch).
#define DMRES_DRAFT (-1)
#define DMRES_LOW (-2)
#define DMRES_MEDIUM (-3)
#define DMRES_HIGH (-4)

// Orientations.
#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2

// Paper sizes.
#define DMPAPER_LETTER 1
#define DMPAPER_LEGAL 5
#define DMPAPER_EXECUTIVE 7
#define DMPAPER_A3 8
#define DMPAPER_A4 9
#define DMPAPER_A5 11
#define DMPAPER_B4 12
#define DMPAPER_B5 13
#define DMPAPER_TABLOID 3

/// A device context for a printer with a chosen quality, paper and orientation.
class ZAMRA_API ZMPrinter {
public:
  ZMPrinter() = default;
  virtual ~ZMPrinter() = default;
  ZMPrinter(const ZMPrinter&) = default;
  ZMPrinter& operator=(const ZMPrinter&) = default;

  // A device context drawing on the named printer with those settings (codes above; 0 or an
  // unknown code keeps the printer's default). The first drawing call starts the print job;
  // DeleteDC ends it and sends it. Belongs to the caller (DeleteDC). Null for an unknown
  // printer name or settings the printer refuses.
  static HDC GetPrinterDC(const WCHAR* name, short quality, short paperSize, short orientation);
};
