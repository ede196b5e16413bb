// Process handles over posix_spawn and waitpid.
// SPDX-License-Identifier: MIT
#include "platform/process.h"

#include <cerrno>
#include <new>
#include <spawn.h>     // posix_spawn, posix_spawnp
#include <sys/wait.h>  // waitpid
#include <thread>

#include "platform/file_io.h"
#include "platform/sync.h"
#include "waitable.h"

extern char** environ;

namespace {

class ProcessHandle final : public Waitable {
public:
  explicit ProcessHandle(pid_t pid) : m_pid(pid) {}
  ~ProcessHandle() override
  {
    std::lock_guard lock(WaitLock());
    if (Reap(WNOHANG))
      return;
    // Still running: someone must collect it when it ends, or it stays a zombie.
    const pid_t pid = m_pid;
    try {
      std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    } catch (...) {  // without a thread the zombie stays until we exit
    }
  }
  bool IsSignalled() override { return Reap(WNOHANG); }
  bool NeedsPolling() const override { return true; }
  pid_t Pid() const { return m_pid; }
  // Called with WaitLock() held.
  DWORD ExitCode()
  {
    Reap(WNOHANG);
    return m_reaped ? m_exitCode : STILL_ACTIVE;
  }

private:
  // Called with WaitLock() held. True once the program has ended and was collected.
  bool Reap(int options)
  {
    if (m_reaped)
      return true;
    int status = 0;
    const pid_t got = ::waitpid(m_pid, &status, options);
    if (got != m_pid)
      return false;
    m_reaped = true;
    if (WIFEXITED(status))
      m_exitCode = static_cast<DWORD>(WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      m_exitCode = 128u + static_cast<DWORD>(WTERMSIG(status));
    return true;
  }

  const pid_t m_pid;
  bool m_reaped = false;
  DWORD m_exitCode = STILL_ACTIVE;
};

ProcessHandle* AsProcess(HANDLE handle) { return dynamic_cast<ProcessHandle*>(HandleObject::FromHandle(handle)); }

}  // namespace

HANDLE StartProcess(const std::string& application, const std::vector<std::string>& arguments)
{
  if (arguments.empty() && application.empty()) {
    SetLastError(EINVAL);
    return nullptr;
  }
  try {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
      argv.push_back(const_cast<char*>(argument.c_str()));
    std::string program = application.empty() ? arguments.front() : application;
    if (argv.empty())
      argv.push_back(program.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool searchPath = application.empty() && program.find('/') == std::string::npos;
    const int error = searchPath ? ::posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ)
                                 : ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (error != 0) {
      SetLastError(static_cast<DWORD>(error));
      return nullptr;
    }
    auto* handle = new (std::nothrow) ProcessHandle(pid);
    if (handle == nullptr)  // the program runs, unwatched
      return nullptr;
    return handle->ToHandle();
  } catch (const std::bad_alloc&) {
    SetLastError(ENOMEM);
    return nullptr;
  }
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode)
{
  ProcessHandle* handle = AsProcess(process);
  if (handle == nullptr || exitCode == nullptr)
    return FALSE;
  std::lock_guard lock(WaitLock());
  *exitCode = handle->ExitCode();
  return TRUE;
}

DWORD GetProcessId(HANDLE process)
{
  ProcessHandle* handle = AsProcess(process);
  return handle ? static_cast<DWORD>(handle->Pid()) : 0;
}
