// Why the map tools could not load a layer: for want of memory (a file the process may not hold,
// which another machine or a higher limit would load) or the file itself.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/memory_room.h"

// The reason to print after a failed load that began when zamra::sys::MemoryShortCount() was
// `memoryShortBefore`.
inline const char* LoadFailureReason(std::uint64_t memoryShortBefore)
{
  return zamra::sys::MemoryShortCount() != memoryShortBefore ? "not enough memory to load the shapefile"
                                                             : "cannot load (missing, broken or unsupported shapefile)";
}
