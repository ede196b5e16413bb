// ZMSerailPort: opens and configures a serial port (a terminal device) and moves blocks of
// bytes through it with an overall time-out. The handle belongs to the caller, who keeps it
// between calls and releases it with CloseCom. One handle is used by one thread at a time.
// SPDX-License-Identifier: MIT
#pragma once

#include "api/zamra_api_export.h"
#include "platform/win_types.h"

/// Opens and configures a serial port and moves blocks of bytes through it.
class ZAMRA_API ZMSerailPort {
public:
  ZMSerailPort() = default;
  virtual ~ZMSerailPort() = default;
  ZMSerailPort(const ZMSerailPort&) = default;
  ZMSerailPort& operator=(const ZMSerailPort&) = default;

  // Opens the device `portName` (UTF-16 path, e.g. u"/dev/ttyS0") for reading and writing,
  // exclusively, and configures it: `baudRate` (a standard rate from 50 to 4000000), raw binary
  // transfer, 8 data bits, no parity, one stop bit, CTS output flow control, XON/XOFF flow
  // control both ways with XON 0x11 and XOFF 0x13, RTS raised; other settings are kept.
  // INVALID_HANDLE_VALUE when the device cannot be opened, is held by another, is not a
  // terminal or refuses the settings.
  static HANDLE OpenCom(const WCHAR* portName, int baudRate);

  // Queue sizes in bytes: the terminal driver's queues have fixed sizes here, so positive
  // sizes are accepted as they are. Non-zero on success.
  static int SetupBuffSize(HANDLE port, int inQueue, int outQueue);

  // The port's time-outs in milliseconds (note the order). A read of n bytes waits at most
  // readTotalMultiplier * n + readTotalConstant in all (0 and 0: no total limit) and at most
  // readInterval between two bytes (0: no limit); readInterval 0xFFFFFFFF (-1) with both total
  // values 0 returns the bytes already received at once. A write of n bytes waits at most
  // writeTotalMultiplier * n + writeTotalConstant (0 and 0: no limit). Non-zero on success.
  static int SetTimeOut(HANDLE port, int readTotalConstant, int writeTotalConstant, int readInterval,
                        int readTotalMultiplier, int writeTotalMultiplier);

  // The number of received bytes waiting to be read (0 for a bad handle).
  static int GetRecvSize(HANDLE port);
  // Discards received (or unsent) bytes. Non-zero on success.
  static int ClearInBuffer(HANDLE port);
  static int ClearOutBuffer(HANDLE port);
  // Shortens the time-outs to 1 ms and closes the port; INVALID_HANDLE_VALUE and null are
  // ignored.
  static void CloseCom(HANDLE port);

  // Reads exactly `length` bytes into `buffer` within `timeOut` milliseconds: 1 when all
  // arrived, 0 otherwise (the bytes that did arrive are at the start of `buffer`). Length 0
  // gives 1 at once. Waits never outlast `timeOut`, whatever the port's time-outs.
  static int ReadLen(HANDLE port, unsigned char* buffer, unsigned long length, unsigned long timeOut);
  // Writes exactly `length` bytes within `timeOut` milliseconds: 1 when all were written.
  static int WriteLen(HANDLE port, const unsigned char* buffer, unsigned long length, unsigned long timeOut);
};
