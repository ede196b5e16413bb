// Shared libraries opened while the program runs.
// SPDX-License-Identifier: MIT
#include "platform/runtime_library.h"

#include <dlfcn.h>

namespace zamra::platform {

void* OpenRuntimeLibrary(const char* soname)
{
  // Its symbols stay its own: nothing else in the process is bound to them by accident.
  return soname != nullptr ? dlopen(soname, RTLD_NOW | RTLD_LOCAL) : nullptr;
}

void CloseRuntimeLibrary(void* library)
{
  if (library != nullptr)
    dlclose(library);
}

void* FindRuntimeSymbol(void* library, const char* name)
{
  return library != nullptr && name != nullptr ? dlsym(library, name) : nullptr;
}

}  // namespace zamra::platform
