// Placeholders that the library exports for compatibility; nothing in the system uses them.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"

/// A placeholder the library exports for compatibility; it does nothing.
class ZAMRA_API CZamraApi {
public:
  CZamraApi();
};

extern ZAMRA_API int nZamraApi;  // always 0

ZAMRA_API int fnZamraApi();  // always 42
