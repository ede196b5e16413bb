// Memory a load may still take, and a process-wide note of loads that failed for want of it.
// A file too large for the memory the process may use is a different failure from a broken
// file, and the user is told which; but the failure is met deep inside a reader, often on a
// thread of its own, in a library that reports only success or failure. The reader notes it
// here, and the host that asked for the load compares the count before and after.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/platform_export.h"

namespace zamra::sys {

// Whether the process may still set aside `bytes` more bytes and use them: within its
// address-space limit (ulimit -v) less what it has mapped, within its control group's memory
// limit less what it uses, and within the memory the system has left (available memory plus
// free swap). Asked before a block whose size comes from a file is allocated: with the
// system's overcommit such a block is granted, and the process is killed when it fills it.
// Amounts below 32 MiB are always answered yes, without looking.
ZAMRA_PLATFORM_API bool HasMemoryFor(std::int64_t bytes);

// Counts one load refused or failed for want of memory. Any thread.
ZAMRA_PLATFORM_API void NoteMemoryShort();
// How many loads have been so since the process started.
ZAMRA_PLATFORM_API std::uint64_t MemoryShortCount();

}  // namespace zamra::sys
