// Runs a Python script with the system's Python, whose pyshp (an independent shapefile writer)
// the setup script installs.
// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace zamra_test {

// Writes `script` into `dir` and runs it with `arguments`; its output and error text. The exit
// status goes to *status.
inline std::string RunPython(const TempDir& dir, const std::string& script, const std::string& arguments, int* status)
{
  WriteAll(dir.File("script.py"), std::vector<unsigned char>(script.begin(), script.end()));
  return RunCommand("/usr/bin/python3 '" + dir.File("script.py") + "' " + arguments + " 2>&1", status);
}

}  // namespace zamra_test
