// Socket handles over POSIX descriptors.
// SPDX-License-Identifier: MIT
#include "platform/sockets.h"

#include <unistd.h>  // close

int closesocket(SOCKET socket)
{
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0)
    return SOCKET_ERROR;
  return ::close(descriptor) == 0 ? 0 : SOCKET_ERROR;
}
