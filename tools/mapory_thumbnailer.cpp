// mapory-thumbnailer: the small map a file manager shows as the preview of a shapefile (or a
// zipped one), drawn by mapory-render. A freedesktop thumbnailer:
//
//   mapory-thumbnailer -s SIZE INPUT OUTPUT.png
//
// INPUT is a path or a file:// URL. The picture is SIZE x SIZE pixels (16 to 1024): the layers'
// full extent, world data whole from 128 pixels up. Whatever the file holds, this gives up cleanly rather than keep the
// file manager waiting: input larger than kInputLimit is not read at all, and the renderer runs as a child process with
// a bounded address space and a time limit. When it gives up, or the renderer fails or stops, OUTPUT is not written
// (the picture goes to a scratch name first) and the exit status is 1; 2 is a usage error. SPDX-License-Identifier: MIT
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

// Beyond this many bytes of shapefile (its .shp, .shx and .dbf together) or archive, a preview
// would take seconds: the file manager shows its generic icon instead.
constexpr long long kInputLimit = 256LL << 20;
// The renderer's address space: Qt, fonts and a file of kInputLimit fit with room to spare.
constexpr rlim_t kAddressSpaceLimit = rlim_t(4) << 30;
// Wall-clock and processor time the renderer may take.
constexpr auto kTimeLimit = std::chrono::seconds(5);
constexpr rlim_t kProcessorSecondsLimit = 6;
constexpr int kSmallestSize = 16;
constexpr int kLargestSize = 1024;
// A window in which the view's largest scale shows the whole world.
constexpr int kWholeWorldWindow = 512;

// Sanitizers reserve terabytes of address space up front: a limit on it would stop every run.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

int Usage()
{
  std::fprintf(stderr, "usage: mapory-thumbnailer -s SIZE INPUT OUTPUT.png\n");
  return 2;
}

int GiveUp(const std::string& input, const char* why)
{
  std::fprintf(stderr, "mapory-thumbnailer: %s: %s\n", input.c_str(), why);
  return 1;
}

bool EndsWithNoCase(const std::string& text, const char* suffix)
{
  const size_t length = std::strlen(suffix);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

int HexValue(char digit)
{
  if (digit >= '0' && digit <= '9')
    return digit - '0';
  if (digit >= 'a' && digit <= 'f')
    return digit - 'a' + 10;
  if (digit >= 'A' && digit <= 'F')
    return digit - 'A' + 10;
  return -1;
}

// The local path a file:// URL names (percent escapes decoded), a path as it is; empty for a
// URL of another scheme or host, or a broken escape.
std::string LocalPath(const std::string& input)
{
  if (input.size() < 5 || strncasecmp(input.c_str(), "file:", 5) != 0)
    return input;
  std::string rest = input.substr(5);
  if (rest.compare(0, 2, "//") == 0) {
    const size_t slash = rest.find('/', 2);
    const std::string host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
    if (!host.empty() && strcasecmp(host.c_str(), "localhost") != 0)
      return std::string();  // another machine's file
    rest = slash == std::string::npos ? std::string() : rest.substr(slash);
  }
  std::string path;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '%') {
      path += rest[i];
      continue;
    }
    const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
    const int low = i + 2 < rest.size() ? HexValue(rest[i + 2]) : -1;
    if (high < 0 || low < 0 || (high == 0 && low == 0))
      return std::string();
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return path.empty() || path[0] != '/' ? std::string() : path;
}

// Bytes of a regular file, -1 for anything else.
long long RegularFileSize(const std::string& path)
{
  struct stat status;
  if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
    return -1;
  return status.st_size;
}

// The bytes the renderer would read for `path`: an archive's own size, or a shapefile's three
// files (the companions that exist, in either letter case). -1 when `path` is no regular file.
long long InputSize(const std::string& path)
{
  long long total = RegularFileSize(path);
  if (total < 0 || EndsWithNoCase(path, ".zip"))
    return total;
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return total;
  const std::string base = path.substr(0, dot);
  for (const char* extension : {".shx", ".dbf"}) {
    long long size = RegularFileSize(base + extension);
    if (size < 0) {
      std::string upper = extension;
      for (char& letter : upper)
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
      size = RegularFileSize(base + upper);
    }
    if (size > 0)
      total += size;
  }
  return total;
}

// mapory-render, installed and built beside this program.
std::string RendererPath()
{
  std::vector<char> self(4096);
  const ssize_t length = readlink("/proc/self/exe", self.data(), self.size() - 1);
  if (length <= 0)
    return "mapory-render";
  std::string path(self.data(), static_cast<size_t>(length));
  return path.substr(0, path.rfind('/') + 1) + "mapory-render";
}

// Runs the renderer with its limits; its exit status, or -1 when it had to be stopped or
// stopped by itself on a signal (`why` says which).
int RunRenderer(const std::vector<std::string>& arguments, const char** why)
{
  std::vector<char*> argv;
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    *why = "cannot start the renderer";
    return -1;
  }
  if (child == 0) {
    if (!kSanitized) {
      const rlimit space{kAddressSpaceLimit, kAddressSpaceLimit};
      setrlimit(RLIMIT_AS, &space);
      // Every thread's malloc arena is reserved address space: keep their number small.
      setenv("MALLOC_ARENA_MAX", "2", 1);
    }
    const rlimit processor{kProcessorSecondsLimit, kProcessorSecondsLimit};
    setrlimit(RLIMIT_CPU, &processor);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // A preview needs no display, whatever session the file manager runs in.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0)
      dup2(devNull, STDOUT_FILENO);  // the renderer's summary line is not for the file manager
    execv(argv[0], argv.data());
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + kTimeLimit;
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child)
      break;
    if (done < 0 && errno != EINTR) {
      *why = "lost the renderer";
      return -1;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      *why = "gave up: drawing takes too long";
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (WIFSIGNALED(status)) {
    *why = WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL ? "gave up: drawing takes too long"
                                                                      : "the renderer stopped on a signal";
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

int main(int argc, char** argv)
{
  int size = 0;
  std::vector<std::string> operands;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "-s" && i + 1 < argc)
      size = std::atoi(argv[++i]);
    else if (!option.empty() && option[0] == '-' && option != "-")
      return Usage();
    else
      operands.push_back(option);
  }
  if (operands.size() != 2 || size < kSmallestSize || size > kLargestSize)
    return Usage();
  const std::string& output = operands[1];
  const std::string input = LocalPath(operands[0]);
  if (input.empty())
    return GiveUp(operands[0], "not a local file");
  const long long inputSize = InputSize(input);
  if (inputSize < 0)
    return GiveUp(input, "not a regular file");
  if (inputSize > kInputLimit)
    return GiveUp(input, "gave up: too large for a preview");

  // The renderer writes a scratch picture beside the output, renamed only once it is whole.
  const std::string scratch = output + ".part-" + std::to_string(getpid()) + ".png";
  const char* why = "the renderer failed";
  // The view's largest scale shows the whole world in about 500 window pixels: smaller
  // pictures are drawn as a screen of pixel ratio below 1 would show a window of that size.
  const int window = size >= kWholeWorldWindow ? size : std::min(kWholeWorldWindow, size * 4);
  char ratio[32];
  std::snprintf(ratio, sizeof ratio, "%.17g", double(size) / window);
  const std::string side = std::to_string(window);
  const int status = RunRenderer({RendererPath(), "-W", side, "-H", side, "-r", ratio, "-o", scratch, input}, &why);
  // The renderer says 1 for a layer it could not load beside others it drew; a picture is
  // there only when it drew something.
  if ((status == 0 || status == 1) && RegularFileSize(scratch) > 0 && std::rename(scratch.c_str(), output.c_str()) == 0)
    return 0;
  std::remove(scratch.c_str());
  return GiveUp(input, status == 127 ? "cannot start mapory-render" : why);
}
