// Export macro of libZamraPlatform.
// SPDX-License-Identifier: MIT
#pragma once

#if defined(ZAMRA_PLATFORM_BUILDING)
#define ZAMRA_PLATFORM_API __attribute__((visibility("default")))
#else
#define ZAMRA_PLATFORM_API
#endif
