// The font faces installed on the system, as fontconfig (which Qt draws text with) knows them.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>

#include "platform/platform_export.h"

namespace zamra::platform {

// The family fontconfig picks for sans-serif text in `language` (a language tag such as "en",
// "ja" or "zh-cn", so that a face covering its script is preferred); empty when none is found.
ZAMRA_PLATFORM_API std::string SansSerifFace(const char* language);
// Whether a family of that name (in any letter case) is installed; fontconfig's substitutes for
// a missing one do not count.
ZAMRA_PLATFORM_API bool IsFaceInstalled(const char* family);

}  // namespace zamra::platform
