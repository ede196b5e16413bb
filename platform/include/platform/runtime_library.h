// Shared libraries opened by name while the program runs, for dependencies that only some
// programs, and only some of their runs, need: linked, they would load at every start.
// SPDX-License-Identifier: MIT
#pragma once

#include "platform/platform_export.h"

namespace zamra::platform {

// The library with that soname, or null when it cannot be opened. Open libraries stay open for
// the life of the process unless closed.
ZAMRA_PLATFORM_API void* OpenRuntimeLibrary(const char* soname);
ZAMRA_PLATFORM_API void CloseRuntimeLibrary(void* library);
// The address of the library's symbol of that name, or null.
ZAMRA_PLATFORM_API void* FindRuntimeSymbol(void* library, const char* name);

// Sets `function` to the library's function of that name; false when it has none.
template <typename Function>
bool FindRuntimeFunction(void* library, const char* name, Function& function)
{
  function = reinterpret_cast<Function>(FindRuntimeSymbol(library, name));
  return function != nullptr;
}

}  // namespace zamra::platform
