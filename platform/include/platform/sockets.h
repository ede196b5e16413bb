// Socket handles as the libraries' interfaces know them: unsigned integers holding the POSIX
// descriptor, the invalid one with all bits set.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "platform/platform_export.h"

using SOCKET = std::uintptr_t;
#define INVALID_SOCKET (~static_cast<SOCKET>(0))
#define SOCKET_ERROR (-1)

// Closes a socket: 0 on success, SOCKET_ERROR otherwise (INVALID_SOCKET included).
ZAMRA_PLATFORM_API int closesocket(SOCKET socket);

// The descriptor behind a socket handle, or -1 for one that cannot be a descriptor.
inline int SocketDescriptor(SOCKET socket)
{
  return socket > static_cast<SOCKET>(INT32_MAX) ? -1 : static_cast<int>(socket);
}
