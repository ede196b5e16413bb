// Local wall-clock time in the Windows-shaped record the libraries format.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"
#include "platform/win_types.h"

// Fills *time with the current local date and time (milliseconds included). Does nothing
// when `time` is null.
ZAMRA_PLATFORM_API void GetLocalTime(SYSTEMTIME* time);
