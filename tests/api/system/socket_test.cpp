// ZMSocket on the loopback interface.
// SPDX-License-Identifier: MIT
#include "api/system/socket.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <fcntl.h>  // fcntl, to count open descriptors
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A port on which nothing listens now (bound once by the system's choice, then released).
unsigned short EphemeralPort(SOCKET socket)
{
  sockaddr_in address{};
  socklen_t length = sizeof address;
  getsockname(SocketDescriptor(socket), reinterpret_cast<sockaddr*>(&address), &length);
  return ntohs(address.sin_port);
}

int OpenDescriptors()
{
  int count = 0;
  for (int descriptor = 0; descriptor < 1024; ++descriptor)
    count += fcntl(descriptor, F_GETFD) != -1 ? 1 : 0;
  return count;
}

class SocketTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(ZMSocket::Init(), 1); }
  void TearDown() override { ZMSocket::Destroy(); }
};

}  // namespace

TEST_F(SocketTest, ServerSocketOnABoundPortFailsWithoutLeakingASocket)
{
  const SOCKET first = ZMSocket::TcpServerSocket(0);
  ASSERT_NE(first, INVALID_SOCKET);
  const unsigned short port = EphemeralPort(first);
  const int before = OpenDescriptors();
  EXPECT_EQ(ZMSocket::TcpServerSocket(port), INVALID_SOCKET);
  EXPECT_EQ(OpenDescriptors(), before);
  const SOCKET datagram = ZMSocket::UpdServerSocket(0);
  ASSERT_NE(datagram, INVALID_SOCKET);
  EXPECT_EQ(ZMSocket::UpdServerSocket(EphemeralPort(datagram)), INVALID_SOCKET);
  EXPECT_EQ(OpenDescriptors(), before + 1);
  EXPECT_EQ(closesocket(datagram), 0);
  EXPECT_EQ(closesocket(first), 0);
  EXPECT_EQ(closesocket(INVALID_SOCKET), SOCKET_ERROR);
}

TEST_F(SocketTest, ConnectAcceptAndSelectOnLoopback)
{
  const SOCKET server = ZMSocket::TcpServerSocket(0);
  ASSERT_NE(server, INVALID_SOCKET);
  ASSERT_EQ(ZMSocket::TcpListen(server, 4), 0);
  const unsigned short port = EphemeralPort(server);

  // Non-blocking accept with nobody waiting fails at once.
  ASSERT_EQ(ZMSocket::SetBlock(server, 1), 1);
  sockaddr_in peer;
  std::memset(&peer, 0x5A, sizeof peer);
  EXPECT_EQ(ZMSocket::Accept(server, &peer), INVALID_SOCKET);
  EXPECT_EQ(peer.sin_family, 0);
  EXPECT_EQ(peer.sin_port, 0);
  EXPECT_EQ(ZMSocket::TcpSelectRead(server, 0, 0), 0);

  const SOCKET client = ZMSocket::TcpSocket();
  ASSERT_NE(client, INVALID_SOCKET);
  ASSERT_EQ(ZMSocket::TcpConnect(client, "127.0.0.1", port), 0);
  EXPECT_EQ(ZMSocket::TcpSelectRead(server, 5, 0), 1);  // a connection waits to be accepted
  ASSERT_EQ(ZMSocket::SetBlock(server, 0), 1);
  const SOCKET accepted = ZMSocket::Accept(server, &peer);
  ASSERT_NE(accepted, INVALID_SOCKET);

  EXPECT_EQ(ZMSocket::TcpSelectRead(accepted, 0, 0), 0);
  EXPECT_EQ(ZMSocket::TcpSelectRead(accepted, 0, 20000), 0);
  EXPECT_EQ(ZMSocket::TcpSelectWrite(client, 1, 0), 1);
  ASSERT_EQ(send(SocketDescriptor(client), "ping", 4, 0), 4);
  EXPECT_EQ(ZMSocket::TcpSelectRead(accepted, 5, 0), 1);
  char buffer[8] = {};
  EXPECT_EQ(recv(SocketDescriptor(accepted), buffer, sizeof buffer, 0), 4);
  EXPECT_STREQ(buffer, "ping");

  // A write to a closed peer fails instead of ending the process.
  closesocket(accepted);
  for (int i = 0; i < 100 && send(SocketDescriptor(client), "x", 1, 0) == 1; ++i)
    usleep(1000);
  EXPECT_EQ(send(SocketDescriptor(client), "x", 1, 0), -1);

  closesocket(client);
  closesocket(server);
}

TEST_F(SocketTest, ConnectRefusesNamesAndReportsRefusedPorts)
{
  const SOCKET probe = ZMSocket::TcpServerSocket(0);
  const unsigned short unused = EphemeralPort(probe);
  closesocket(probe);

  const SOCKET client = ZMSocket::TcpSocket();
  EXPECT_EQ(ZMSocket::TcpConnect(client, "localhost", unused), -1);
  EXPECT_EQ(ZMSocket::TcpConnect(client, nullptr, unused), -1);
  EXPECT_EQ(ZMSocket::TcpConnect(client, "127.0.0.1", unused), -1);
  closesocket(client);
  EXPECT_EQ(ZMSocket::TcpConnect(INVALID_SOCKET, "127.0.0.1", unused), -1);
}

TEST_F(SocketTest, OptionsApplyToValidSocketsOnly)
{
  const SOCKET datagram = ZMSocket::UpdServerSocket(0);
  ASSERT_NE(datagram, INVALID_SOCKET);
  EXPECT_EQ(ZMSocket::SetBroadCast(datagram, 1), 1);
  int value = 0;
  socklen_t length = sizeof value;
  getsockopt(SocketDescriptor(datagram), SOL_SOCKET, SO_BROADCAST, &value, &length);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(ZMSocket::SetSendBuffSize(datagram, 65536), 1);
  EXPECT_EQ(ZMSocket::SetRecvBuffSize(datagram, 65536), 1);
  getsockopt(SocketDescriptor(datagram), SOL_SOCKET, SO_RCVBUF, &value, &length);
  EXPECT_GE(value, 65536);
  closesocket(datagram);

  EXPECT_EQ(ZMSocket::SetBroadCast(INVALID_SOCKET, 1), 0);
  EXPECT_EQ(ZMSocket::SetBlock(INVALID_SOCKET, 1), 0);
  EXPECT_EQ(ZMSocket::TcpSelectRead(INVALID_SOCKET, 0, 0), -1);
  EXPECT_EQ(ZMSocket::Accept(INVALID_SOCKET, nullptr), INVALID_SOCKET);
  EXPECT_EQ(ZMSocket::TcpBind(INVALID_SOCKET, 0), -1);
  EXPECT_EQ(ZMSocket::TcpListen(INVALID_SOCKET, 1), -1);
}
