// Time from starting the Mapory process to its first painted map, with the three bundled
// samples and with the 1,000,000-point sample file named on the command line. Each case runs
// the real program several times on an empty workspace and reports the median. The program
// needs a display: run this under a virtual X server (xvfb-run -a build/bin/mapory_startup_bench)
// or on a desktop. There is no independent peer for this measure: the figure to compare with
// is what a user expects, the first picture within a second.
// SPDX-License-Identifier: MIT
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/sample_data.h"

extern char** environ;

namespace {

constexpr int kRuns = 5;

// Starts the program with `files`, waits for its report of the first painted map, and answers
// the seconds from the start; a negative value when it never reported.
double TimeToFirstPaint(const std::vector<std::string>& files, const std::string& scratch)
{
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0)
    return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);

  std::vector<std::string> environment = {"MAPORY_FIRST_PAINT=1", "TMPDIR=" + scratch, "XDG_CONFIG_HOME=" + scratch,
                                          "XDG_STATE_HOME=" + scratch, "XDG_RUNTIME_DIR=" + scratch};
  for (char** variable = environ; *variable != nullptr; ++variable) {
    const std::string entry = *variable;
    if (entry.rfind("TMPDIR=", 0) != 0 && entry.rfind("XDG_CONFIG_HOME=", 0) != 0 &&
        entry.rfind("XDG_STATE_HOME=", 0) != 0 && entry.rfind("XDG_RUNTIME_DIR=", 0) != 0)
      environment.push_back(entry);
  }
  std::vector<char*> envp;
  for (std::string& entry : environment)
    envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string program = MAPORY_PROGRAM;
  std::vector<std::string> arguments = files;
  std::vector<char*> argv = {program.data()};
  for (std::string& argument : arguments)
    argv.push_back(argument.data());
  argv.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return -1;
  }
  std::string output;
  double seconds = -1;
  char chunk[256];
  ssize_t got;
  while ((got = read(pipeEnds[0], chunk, sizeof chunk)) > 0) {
    output.append(chunk, size_t(got));
    if (output.find("first map painted") != std::string::npos) {
      seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      break;
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return seconds;
}

void Report(const char* name, const std::vector<std::string>& files)
{
  const std::string scratch = zamra_bench::SampleFolder() + "/startup-scratch";
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    std::filesystem::remove_all(scratch);  // an empty workspace every time
    std::filesystem::create_directories(scratch);
    std::filesystem::permissions(scratch, std::filesystem::perms::owner_all);
    const double seconds = TimeToFirstPaint(files, scratch);
    if (seconds < 0) {
      std::printf("%-28s the program did not report a painted map (is there a display?)\n", name);
      return;
    }
    times.push_back(seconds);
  }
  std::sort(times.begin(), times.end());
  std::printf("%-28s median %.3f s  (fastest %.3f s, slowest %.3f s, %d runs)\n", name, times[times.size() / 2],
              times.front(), times.back(), kRuns);
}

}  // namespace

int main()
{
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
      std::getenv("QT_QPA_PLATFORM") == nullptr) {
    std::fprintf(stderr, "mapory_startup_bench: no display; run it as: xvfb-run -a %s\n", "mapory_startup_bench");
    return 2;
  }
  const std::string samples = ZAMRA_SAMPLES_DIR;
  const std::string points = zamra_bench::EnsurePointSample(zamra_bench::SampleFolder());
  std::printf("Mapory: process start to first painted map\n");
  Report("three samples",
         {samples + "/world_countries.shp", samples + "/world_borders.shp", samples + "/world_cities.shp"});
  if (!points.empty())
    Report("1,000,000 points", {points});
  return 0;
}
