// ZMSerailPort over termios.
// SPDX-License-Identifier: MIT
#include "api/system/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <new>
#include <string>
#include <sys/file.h>   // flock
#include <sys/ioctl.h>  // FIONREAD, TIOCEXCL, TIOCMBIS

#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/handle_object.h"
#include "platform/sync.h"
#include "platform/system_calls.h"

namespace {

constexpr DWORD kNoInterval = 0xFFFFFFFFu;
constexpr DWORD kPollWhileEmptyMs = 50;

struct PortTimeOuts {
  DWORD readInterval = 0;
  DWORD readTotalMultiplier = 0;
  DWORD readTotalConstant = 0;
  DWORD writeTotalMultiplier = 0;
  DWORD writeTotalConstant = 0;
};

class SerialPortHandle final : public HandleObject {
public:
  explicit SerialPortHandle(int descriptor) : m_descriptor(descriptor) {}
  ~SerialPortHandle() override { zamra::sys::Close(m_descriptor); }
  int Descriptor() const { return m_descriptor; }
  PortTimeOuts timeOuts;

private:
  int m_descriptor;
};

SerialPortHandle* AsPort(HANDLE handle) { return dynamic_cast<SerialPortHandle*>(HandleObject::FromHandle(handle)); }

bool BaudConstant(int baudRate, speed_t* speed)
{
  static const struct {
    int rate;
    speed_t constant;
  } rates[] = {{50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
               {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
               {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
               {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
               {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
               {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000}};
  for (const auto& entry : rates) {
    if (entry.rate == baudRate) {
      *speed = entry.constant;
      return true;
    }
  }
  return false;
}

// Milliseconds left of a span that began at `start`, 0 once it has passed.
DWORD Remaining(DWORD start, DWORD span)
{
  const DWORD elapsed = GetTickCount() - start;
  return elapsed >= span ? 0 : span - elapsed;
}

int PollFor(int descriptor, short events, DWORD milliseconds)
{
  pollfd watched{descriptor, events, 0};
  const int timeout = milliseconds > static_cast<DWORD>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
  int ready;
  do {
    ready = zamra::sys::Poll(&watched, 1, timeout);
  } while (ready < 0 && errno == EINTR);
  return ready;
}

// Reads up to `count` bytes under the port's read time-outs, never waiting past `capMs`.
// *got receives the count. False on a read error.
bool ReadPort(SerialPortHandle& port, unsigned char* buffer, DWORD count, DWORD capMs, DWORD* got)
{
  *got = 0;
  const PortTimeOuts& limits = port.timeOuts;
  const bool immediate = limits.readInterval == kNoInterval && limits.readTotalMultiplier == 0 &&
                         limits.readTotalConstant == 0;
  const unsigned long long total = static_cast<unsigned long long>(limits.readTotalMultiplier) * count +
                                   limits.readTotalConstant;
  const DWORD span = total == 0 ? capMs : static_cast<DWORD>(std::min<unsigned long long>(total, capMs));
  const DWORD start = GetTickCount();
  DWORD lastByte = start;
  while (*got < count) {
    const ssize_t read = zamra::sys::Read(port.Descriptor(), buffer + *got, count - *got);
    if (read > 0) {
      *got += static_cast<DWORD>(read);
      lastByte = GetTickCount();
      continue;
    }
    if (read < 0 && errno == EINTR)
      continue;
    if (read < 0 && errno != EAGAIN)
      return *got > 0;
    if (immediate)
      break;
    DWORD wait = Remaining(start, span);
    if (*got > 0 && limits.readInterval != 0 && limits.readInterval != kNoInterval)
      wait = std::min(wait, Remaining(lastByte, limits.readInterval));
    if (wait == 0 || PollFor(port.Descriptor(), POLLIN, wait) <= 0)
      break;
  }
  return true;
}

// Writes up to `count` bytes under the port's write time-outs, never waiting past `capMs`.
bool WritePort(SerialPortHandle& port, const unsigned char* buffer, DWORD count, DWORD capMs, DWORD* written)
{
  *written = 0;
  const PortTimeOuts& limits = port.timeOuts;
  const unsigned long long total = static_cast<unsigned long long>(limits.writeTotalMultiplier) * count +
                                   limits.writeTotalConstant;
  const DWORD span = total == 0 ? capMs : static_cast<DWORD>(std::min<unsigned long long>(total, capMs));
  const DWORD start = GetTickCount();
  while (*written < count) {
    const ssize_t done = zamra::sys::Write(port.Descriptor(), buffer + *written, count - *written);
    if (done > 0) {
      *written += static_cast<DWORD>(done);
      continue;
    }
    if (done < 0 && errno == EINTR)
      continue;
    if (done < 0 && errno != EAGAIN)
      return false;
    const DWORD wait = Remaining(start, span);
    if (wait == 0 || PollFor(port.Descriptor(), POLLOUT, wait) <= 0)
      break;
  }
  return true;
}

}  // namespace

HANDLE ZMSerailPort::OpenCom(const WCHAR* portName, int baudRate)
{
  speed_t speed;
  if (portName == nullptr || !BaudConstant(baudRate, &speed))
    return INVALID_HANDLE_VALUE;
  std::string path;
  try {
    path = FromUtf16(portName, CP_UTF8);
  } catch (const std::bad_alloc&) {
    return INVALID_HANDLE_VALUE;
  }
  // Non-blocking: every wait goes through poll with the time-outs of the call.
  const int descriptor = zamra::sys::Open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0)
    return INVALID_HANDLE_VALUE;
  auto* port = new (std::nothrow) SerialPortHandle(descriptor);
  if (port == nullptr) {
    zamra::sys::Close(descriptor);
    return INVALID_HANDLE_VALUE;
  }
  termios settings{};
  // Not shared: a second opener of the port among us is refused, and the terminal refuses
  // further opens (except by the superuser).
  if (zamra::sys::Flock(descriptor, LOCK_EX | LOCK_NB) != 0 || zamra::sys::TcGetAttr(descriptor, &settings) != 0) {
    delete port;
    return INVALID_HANDLE_VALUE;
  }
  zamra::sys::Ioctl(descriptor, TIOCEXCL);

  // Binary transfer: no line editing, echo, signals or character translation.
  settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | INPCK);
  settings.c_iflag |= IXON | IXOFF;
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
  settings.c_cflag |= CS8 | CREAD | CRTSCTS;
  settings.c_cc[VSTART] = 0x11;  // XON
  settings.c_cc[VSTOP] = 0x13;   // XOFF
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
  if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0 ||
      zamra::sys::TcSetAttr(descriptor, TCSANOW, &settings) != 0) {
    delete port;
    return INVALID_HANDLE_VALUE;
  }
  int rts = TIOCM_RTS;
  zamra::sys::Ioctl(descriptor, TIOCMBIS, &rts);  // not every terminal has modem lines
  return port->ToHandle();
}

int ZMSerailPort::SetupBuffSize(HANDLE handle, int inQueue, int outQueue)
{
  return AsPort(handle) != nullptr && inQueue > 0 && outQueue > 0 ? 1 : 0;
}

int ZMSerailPort::SetTimeOut(HANDLE handle, int readTotalConstant, int writeTotalConstant, int readInterval,
                             int readTotalMultiplier, int writeTotalMultiplier)
{
  SerialPortHandle* port = AsPort(handle);
  if (port == nullptr)
    return 0;
  port->timeOuts.readTotalConstant = static_cast<DWORD>(readTotalConstant);
  port->timeOuts.writeTotalConstant = static_cast<DWORD>(writeTotalConstant);
  port->timeOuts.readInterval = static_cast<DWORD>(readInterval);
  port->timeOuts.readTotalMultiplier = static_cast<DWORD>(readTotalMultiplier);
  port->timeOuts.writeTotalMultiplier = static_cast<DWORD>(writeTotalMultiplier);
  return 1;
}

int ZMSerailPort::GetRecvSize(HANDLE handle)
{
  SerialPortHandle* port = AsPort(handle);
  int waiting = 0;
  if (port == nullptr || zamra::sys::Ioctl(port->Descriptor(), FIONREAD, &waiting) != 0)
    return 0;
  return waiting;
}

int ZMSerailPort::ClearInBuffer(HANDLE handle)
{
  SerialPortHandle* port = AsPort(handle);
  return port != nullptr && zamra::sys::TcFlush(port->Descriptor(), TCIFLUSH) == 0 ? 1 : 0;
}

int ZMSerailPort::ClearOutBuffer(HANDLE handle)
{
  SerialPortHandle* port = AsPort(handle);
  return port != nullptr && zamra::sys::TcFlush(port->Descriptor(), TCOFLUSH) == 0 ? 1 : 0;
}

void ZMSerailPort::CloseCom(HANDLE handle)
{
  if (AsPort(handle) == nullptr)
    return;
  SetTimeOut(handle, 1, 1, 0, 0, 0);
  CloseHandle(handle);
}

int ZMSerailPort::ReadLen(HANDLE handle, unsigned char* buffer, unsigned long length, unsigned long timeOut)
{
  if (length == 0)
    return 1;
  SerialPortHandle* port = AsPort(handle);
  if (port == nullptr || buffer == nullptr || length > 0xFFFFFFFFul)
    return 0;
  const DWORD span = static_cast<DWORD>(std::min<unsigned long>(timeOut, 0xFFFFFFFEul));
  const DWORD start = GetTickCount();
  unsigned long received = 0;
  while (received < length) {
    if (GetTickCount() - start > span)
      return 0;
    if (GetRecvSize(handle) <= 0) {
      Sleep(kPollWhileEmptyMs);
      continue;
    }
    DWORD got = 0;
    if (!ReadPort(*port, buffer + received, static_cast<DWORD>(length - received), Remaining(start, span), &got) ||
        got == 0)
      return 0;
    received += got;
  }
  return 1;
}

int ZMSerailPort::WriteLen(HANDLE handle, const unsigned char* buffer, unsigned long length, unsigned long timeOut)
{
  if (length == 0)
    return 1;
  SerialPortHandle* port = AsPort(handle);
  if (port == nullptr || buffer == nullptr || length > 0xFFFFFFFFul)
    return 0;
  const DWORD span = static_cast<DWORD>(std::min<unsigned long>(timeOut, 0xFFFFFFFEul));
  const DWORD start = GetTickCount();
  unsigned long sent = 0;
  while (sent < length) {
    if (GetTickCount() - start > span)
      return 0;
    DWORD written = 0;
    if (!WritePort(*port, buffer + sent, static_cast<DWORD>(length - sent), Remaining(start, span), &written) ||
        written == 0)
      return 0;
    sent += written;
  }
  return 1;
}
