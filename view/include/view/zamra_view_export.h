// Export macro of libZamraView.
// SPDX-License-Identifier: MIT
#pragma once

#if defined(ZAMRA_VIEW_BUILDING)
#define ZAMRA_VIEW_API __attribute__((visibility("default")))
#else
#define ZAMRA_VIEW_API
#endif
