// ZMSocket: IPv4 TCP and UDP sockets, thin static operations over the socket interface.
// Sockets belong to the caller, who closes them with closesocket (platform/sockets.h).
// SPDX-License-Identifier: MIT
#pragma once

#include <netinet/in.h>  // sockaddr_in

#include "api/zamra_api_export.h"
#include "platform/sockets.h"

/// IPv4 TCP and UDP sockets: thin static operations over the socket interface.
class ZAMRA_API ZMSocket {
public:
  ZMSocket() = default;
  virtual ~ZMSocket() = default;
  ZMSocket(const ZMSocket&) = default;
  ZMSocket& operator=(const ZMSocket&) = default;

  // Prepares the process for sockets: 1 on success. A write to a connection the peer has
  // closed then fails with EPIPE instead of ending the process (SIGPIPE is ignored unless the
  // program has its own handler).
  static int Init();
  // Ends the use of sockets; nothing to undo here.
  static void Destroy();

  // A new stream socket, or INVALID_SOCKET.
  static SOCKET TcpSocket();
  // A new stream socket bound to `port` (host byte order) on all local addresses, not yet
  // listening. INVALID_SOCKET when creation or binding fails; no socket is left open then.
  static SOCKET TcpServerSocket(unsigned short port);
  // A new datagram socket bound to `port` on all local addresses, or INVALID_SOCKET (no socket
  // is left open).
  static SOCKET UpdServerSocket(unsigned short port);
  // Binds to `port` on all local addresses: 0, or -1 on error.
  static int TcpBind(SOCKET socket, unsigned short port);
  // Starts listening: 0, or -1 on error.
  static int TcpListen(SOCKET socket, int backlog);
  // Clears the family and port of `address` (when given; it is not filled in) and accepts one
  // connection: its socket, which belongs to the caller, or INVALID_SOCKET (at once when the
  // socket is non-blocking and nobody is waiting).
  static SOCKET Accept(SOCKET socket, sockaddr_in* address);
  // Connects to the dotted IPv4 `address` and `port`: 0, or -1 on error. Names are refused:
  // no lookup is made.
  static int TcpConnect(SOCKET socket, const char* address, unsigned short port);
  // Waits until the socket is readable (writable) or the time-out passes: 1 ready, 0 time-out,
  // -1 error.
  static int TcpSelectRead(SOCKET socket, int seconds, int microseconds);
  static int TcpSelectWrite(SOCKET socket, int seconds, int microseconds);
  // Non-zero `value` makes the socket non-blocking, zero blocking: 1 on success, 0 otherwise.
  static int SetBlock(SOCKET socket, int value);
  // Socket-level options with 4-byte values: 1 on success, 0 otherwise.
  static int SetBroadCast(SOCKET socket, int value);
  static int SetSendBuffSize(SOCKET socket, int bytes);
  static int SetRecvBuffSize(SOCKET socket, int bytes);
};
