// ZMProcess over the platform layer's process handles.
// SPDX-License-Identifier: MIT
#include "api/system/process.h"

#include <new>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/process.h"

namespace {

// Splits a command line as the Windows C runtime does: blanks separate arguments; inside
// quotes they do not; 2n backslashes before a quote give n backslashes and toggle quoting,
// 2n+1 give n backslashes and a literal quote; other backslashes stay as they are.
std::vector<std::string> SplitCommandLine(const std::string& line)
{
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (!quoted && (c == ' ' || c == '\t')) {
      if (inArgument)
        arguments.push_back(current);
      current.clear();
      inArgument = false;
      ++i;
      continue;
    }
    inArgument = true;
    if (c == '\\') {
      std::size_t slashes = 0;
      while (i < line.size() && line[i] == '\\') {
        ++slashes;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        current.append(slashes / 2, '\\');
        if (slashes % 2 == 1) {
          current.push_back('"');
          ++i;
        }
      } else {
        current.append(slashes, '\\');
      }
      continue;
    }
    if (c == '"') {
      quoted = !quoted;
      ++i;
      continue;
    }
    current.push_back(c);
    ++i;
  }
  if (inArgument)
    arguments.push_back(current);
  return arguments;
}

}  // namespace

HANDLE ZMProcess::NewProcess(const WCHAR* application, const WCHAR* commandLine, WORD /*showWindow*/)
{
  try {
    const std::string program = application ? FromUtf16(application, CP_UTF8) : std::string();
    std::vector<std::string> arguments = commandLine ? SplitCommandLine(FromUtf16(commandLine, CP_UTF8))
                                                     : std::vector<std::string>();
    if (program.empty() && arguments.empty())
      return nullptr;
    if (arguments.empty())
      arguments.push_back(program);
    return StartProcess(program, arguments);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
