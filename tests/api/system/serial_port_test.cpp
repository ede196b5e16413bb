// ZMSerailPort through a pseudo-terminal pair: the port is the terminal side, the test plays
// the device on the master side.
// SPDX-License-Identifier: MIT
#include "api/system/serial_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <pty.h>  // openpty
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class SerialPortTest : public ::testing::Test {
protected:
  void SetUp() override
  {
    char name[256] = {};
    ASSERT_EQ(openpty(&m_master, &m_terminal, name, nullptr, nullptr), 0);
    m_name = std::u16string(name, name + std::strlen(name));
  }
  void TearDown() override
  {
    if (m_terminal >= 0)
      close(m_terminal);
    close(m_master);
  }

  // Everything the port sent that arrives at the master within `milliseconds`.
  std::string DrainMaster(int milliseconds)
  {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    fcntl(m_master, F_SETFL, O_NONBLOCK);
    while (std::chrono::steady_clock::now() < deadline) {
      char buffer[256];
      const ssize_t got = read(m_master, buffer, sizeof buffer);
      if (got > 0)
        received.append(buffer, static_cast<size_t>(got));
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return received;
  }

  int m_master = -1;
  int m_terminal = -1;
  std::u16string m_name;
};

}  // namespace

TEST_F(SerialPortTest, OpenAppliesTheLineSettings)
{
  HANDLE port = ZMSerailPort::OpenCom(m_name.c_str(), 19200);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  termios settings{};
  ASSERT_EQ(tcgetattr(m_terminal, &settings), 0);
  EXPECT_EQ(cfgetispeed(&settings), B19200);
  EXPECT_EQ(cfgetospeed(&settings), B19200);
  EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), 0u);
  EXPECT_NE(settings.c_iflag & IXON, 0u);
  EXPECT_NE(settings.c_iflag & IXOFF, 0u);
  EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(settings.c_oflag & OPOST, 0u);
  EXPECT_EQ(settings.c_cc[VSTART], 0x11);
  EXPECT_EQ(settings.c_cc[VSTOP], 0x13);
  // Opened exclusively: a second open of the same port is refused.
  EXPECT_EQ(ZMSerailPort::OpenCom(m_name.c_str(), 19200), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMSerailPort::SetupBuffSize(port, 4096, 4096), 1);
  EXPECT_EQ(ZMSerailPort::SetupBuffSize(port, 0, 4096), 0);
  ZMSerailPort::CloseCom(port);
}

TEST_F(SerialPortTest, OpenRefusesMissingPortsNonTerminalsAndUnknownRates)
{
  EXPECT_EQ(ZMSerailPort::OpenCom(u"/dev/no-such-port", 9600), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMSerailPort::OpenCom(u"/dev/null", 9600), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMSerailPort::OpenCom(m_name.c_str(), 12345), INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMSerailPort::OpenCom(nullptr, 9600), INVALID_HANDLE_VALUE);
  ZMSerailPort::CloseCom(INVALID_HANDLE_VALUE);  // ignored
  EXPECT_EQ(ZMSerailPort::GetRecvSize(INVALID_HANDLE_VALUE), 0);
  EXPECT_EQ(ZMSerailPort::ClearInBuffer(INVALID_HANDLE_VALUE), 0);
  unsigned char byte = 0;
  EXPECT_EQ(ZMSerailPort::ReadLen(INVALID_HANDLE_VALUE, &byte, 1, 10), 0);
  EXPECT_EQ(ZMSerailPort::WriteLen(INVALID_HANDLE_VALUE, &byte, 1, 10), 0);
}

TEST_F(SerialPortTest, ReadLenGathersBlocksAndKeepsAShortArrival)
{
  HANDLE port = ZMSerailPort::OpenCom(m_name.c_str(), 115200);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  unsigned char buffer[16] = {};
  EXPECT_EQ(ZMSerailPort::ReadLen(port, buffer, 0, 0), 1);

  // Ten bytes in two pieces, the second late: all arrive within the time-out.
  std::thread device([&] {
    write(m_master, "01234", 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    write(m_master, "56789", 5);
  });
  EXPECT_EQ(ZMSerailPort::ReadLen(port, buffer, 10, 5000), 1);
  device.join();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 10), "0123456789");

  // Six of ten bytes: 0, with the six at the start of the buffer.
  std::memset(buffer, 0, sizeof buffer);
  write(m_master, "abcdef", 6);
  EXPECT_EQ(ZMSerailPort::ReadLen(port, buffer, 10, 300), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "abcdef");

  // Nothing at all within the time-out.
  EXPECT_EQ(ZMSerailPort::ReadLen(port, buffer, 1, 100), 0);

  // With the port's own read time-outs short, the overall time-out still decides.
  ASSERT_EQ(ZMSerailPort::SetTimeOut(port, 10, 10, -1, 0, 0), 1);
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    write(m_master, "xyz", 3);
  });
  std::memset(buffer, 0, sizeof buffer);
  write(m_master, "uvw", 3);
  EXPECT_EQ(ZMSerailPort::ReadLen(port, buffer, 6, 5000), 1);
  late.join();
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "uvwxyz");
  ZMSerailPort::CloseCom(port);
}

TEST_F(SerialPortTest, WaitingCountAndPurge)
{
  HANDLE port = ZMSerailPort::OpenCom(m_name.c_str(), 9600);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ZMSerailPort::GetRecvSize(port), 0);
  write(m_master, "12345678", 8);
  for (int i = 0; i < 100 && ZMSerailPort::GetRecvSize(port) < 8; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(ZMSerailPort::GetRecvSize(port), 8);
  EXPECT_EQ(ZMSerailPort::ClearInBuffer(port), 1);
  EXPECT_EQ(ZMSerailPort::GetRecvSize(port), 0);
  EXPECT_EQ(ZMSerailPort::ClearOutBuffer(port), 1);
  ZMSerailPort::CloseCom(port);
}

TEST_F(SerialPortTest, WriteLenDeliversEveryByte)
{
  HANDLE port = ZMSerailPort::OpenCom(m_name.c_str(), 38400);
  ASSERT_NE(port, INVALID_HANDLE_VALUE);
  // Bytes other than XON and XOFF, which the port's flow control keeps for itself.
  std::vector<unsigned char> block(3000);
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<unsigned char>('A' + i % 26);
  std::string received;
  std::thread device([&] { received = DrainMaster(1500); });
  EXPECT_EQ(ZMSerailPort::WriteLen(port, block.data(), block.size(), 5000), 1);
  device.join();
  EXPECT_EQ(received, std::string(block.begin(), block.end()));
  EXPECT_EQ(ZMSerailPort::WriteLen(port, block.data(), 0, 0), 1);
  ZMSerailPort::CloseCom(port);
}
