// Export macro of libZamraApi.
// SPDX-License-Identifier: MIT
#pragma once

#if defined(ZAMRA_API_BUILDING)
#define ZAMRA_API __attribute__((visibility("default")))
#else
#define ZAMRA_API
#endif
