// ZMSocket over POSIX sockets.
// SPDX-License-Identifier: MIT
#include "api/system/socket.h"

#include <arpa/inet.h>  // inet_pton, htons
#include <cerrno>
#include <climits>
#include <csignal>
#include <sys/ioctl.h>  // FIONBIO

#include "platform/system_calls.h"

namespace {

SOCKET NewSocket(int type)
{
  const int descriptor = zamra::sys::Socket(AF_INET, type | SOCK_CLOEXEC, 0);
  return descriptor < 0 ? INVALID_SOCKET : static_cast<SOCKET>(descriptor);
}

sockaddr_in AnyAddress(unsigned short port)
{
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  return address;
}

SOCKET BoundSocket(int type, unsigned short port)
{
  const SOCKET socket = NewSocket(type);
  if (socket == INVALID_SOCKET)
    return INVALID_SOCKET;
  if (ZMSocket::TcpBind(socket, port) != 0) {
    closesocket(socket);
    return INVALID_SOCKET;
  }
  return socket;
}

// poll rather than select: select cannot watch descriptors from FD_SETSIZE on and would write
// past its set.
int Wait(SOCKET socket, short events, int seconds, int microseconds)
{
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0 || seconds < 0 || microseconds < 0)
    return -1;
  const long long milliseconds = static_cast<long long>(seconds) * 1000 + (microseconds + 999) / 1000;
  const int timeout = milliseconds > INT_MAX ? INT_MAX : static_cast<int>(milliseconds);
  pollfd watched{descriptor, events, 0};
  int ready;
  do {
    ready = zamra::sys::Poll(&watched, 1, timeout);
  } while (ready < 0 && errno == EINTR);
  if (ready > 0 && (watched.revents & POLLNVAL))
    return -1;
  return ready;
}

int SetIntOption(SOCKET socket, int option, int value)
{
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0)
    return 0;
  return zamra::sys::SetSockOpt(descriptor, SOL_SOCKET, option, &value, sizeof value) == 0 ? 1 : 0;
}

}  // namespace

int ZMSocket::Init()
{
  struct sigaction current {};
  if (zamra::sys::SigAction(SIGPIPE, nullptr, &current) != 0)
    return 0;
  if (current.sa_handler == SIG_DFL)
    std::signal(SIGPIPE, SIG_IGN);
  return 1;
}

void ZMSocket::Destroy() {}

SOCKET ZMSocket::TcpSocket() { return NewSocket(SOCK_STREAM); }

SOCKET ZMSocket::TcpServerSocket(unsigned short port) { return BoundSocket(SOCK_STREAM, port); }

SOCKET ZMSocket::UpdServerSocket(unsigned short port) { return BoundSocket(SOCK_DGRAM, port); }

int ZMSocket::TcpBind(SOCKET socket, unsigned short port)
{
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0)
    return -1;
  const sockaddr_in address = AnyAddress(port);
  return zamra::sys::Bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : -1;
}

int ZMSocket::TcpListen(SOCKET socket, int backlog)
{
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0)
    return -1;
  return zamra::sys::Listen(descriptor, backlog) == 0 ? 0 : -1;
}

SOCKET ZMSocket::Accept(SOCKET socket, sockaddr_in* address)
{
  if (address != nullptr) {
    address->sin_family = 0;
    address->sin_port = 0;
  }
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0)
    return INVALID_SOCKET;
  int accepted;
  do {
    accepted = ::accept4(descriptor, nullptr, nullptr, SOCK_CLOEXEC);
  } while (accepted < 0 && errno == EINTR);
  return accepted < 0 ? INVALID_SOCKET : static_cast<SOCKET>(accepted);
}

int ZMSocket::TcpConnect(SOCKET socket, const char* address, unsigned short port)
{
  const int descriptor = SocketDescriptor(socket);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  // inet_pton takes dotted addresses only, so a name fails here instead of becoming
  // 255.255.255.255.
  if (descriptor < 0 || address == nullptr || ::inet_pton(AF_INET, address, &peer.sin_addr) != 1)
    return -1;
  return zamra::sys::Connect(descriptor, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0 ? 0 : -1;
}

int ZMSocket::TcpSelectRead(SOCKET socket, int seconds, int microseconds)
{
  return Wait(socket, POLLIN, seconds, microseconds);
}

int ZMSocket::TcpSelectWrite(SOCKET socket, int seconds, int microseconds)
{
  return Wait(socket, POLLOUT, seconds, microseconds);
}

int ZMSocket::SetBlock(SOCKET socket, int value)
{
  const int descriptor = SocketDescriptor(socket);
  if (descriptor < 0)
    return 0;
  int nonBlocking = value;
  return zamra::sys::Ioctl(descriptor, FIONBIO, &nonBlocking) == 0 ? 1 : 0;
}

int ZMSocket::SetBroadCast(SOCKET socket, int value) { return SetIntOption(socket, SO_BROADCAST, value); }

int ZMSocket::SetSendBuffSize(SOCKET socket, int bytes) { return SetIntOption(socket, SO_SNDBUF, bytes); }

int ZMSocket::SetRecvBuffSize(SOCKET socket, int bytes) { return SetIntOption(socket, SO_RCVBUF, bytes); }
