// Tests that need a real X server run in a second copy of their own test program, started on
// a virtual X server (xvfb-run) with the X11 platform plugin; the first copy reports its result.
// SPDX-License-Identifier: MIT
#pragma once

#include <cstdlib>
#include <string>
#include <unistd.h>  // readlink

#include "support/temp_dir.h"

namespace zamra_test {

// True in the copy that runs on the virtual X server.
inline bool OnX11Child() { return std::getenv("ZAMRA_X11_CHILD") != nullptr; }

inline bool HaveXvfbRun() { return std::system("command -v xvfb-run >/dev/null 2>&1") == 0; }

// Runs the tests of this program that match `filter` on a virtual X server; their output, and
// their exit status in *status.
inline std::string RunOnX11Child(const std::string& filter, int* status)
{
  char self[4096] = {};
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length <= 0) {
    *status = -1;
    return "cannot find this test program";
  }
  const std::string command =
      // Under AddressSanitizer: the X keyboard library copies names with strndup from buffers
      // without a terminator, which strict string checks report; that library is not ours.
      "ASAN_OPTIONS=\"${ASAN_OPTIONS:-}:strict_string_checks=0\" ZAMRA_X11_CHILD=1 QT_QPA_PLATFORM=xcb "
      "timeout 120 xvfb-run -a -s '-screen 0 1024x768x24' '" +
      std::string(self, static_cast<size_t>(length)) + "' --gtest_filter='" + filter + "' 2>&1";
  return RunCommand(command, status);
}

}  // namespace zamra_test
