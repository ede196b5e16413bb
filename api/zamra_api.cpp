// Placeholders that the library exports for compatibility.
// SPDX-License-Identifier: MIT
#include "api/zamra_api.h"

int nZamraApi = 0;

int fnZamraApi() { return 42; }

CZamraApi::CZamraApi() = default;
