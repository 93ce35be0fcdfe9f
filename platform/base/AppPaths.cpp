#include "AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>
#include <optional>

namespace platform {

namespace {

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path += '/';
  return path;
}

// Makes every missing folder of `path`; true when it is a folder afterwards.
bool MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    ::mkdir(path.substr(0, slash).c_str(), 0755);
  ::mkdir(path.c_str(), 0755);
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FindProgramDir() {
  if (const char* dir = std::getenv("CORVANE_PROGRAM_DIR"); dir && *dir) {
    std::string path = WithSlash(dir);
    MakeFolders(path.substr(0, path.size() - 1));
    return path;
  }
  std::string exe = ExecutableDir();
  if (!exe.empty() && ::access(exe.c_str(), W_OK) == 0) return exe;
  std::string data;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) data = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home) data = std::string(home) + "/.local/share";
  else data = TempDir() + "corvane-data";
  std::string path = WithSlash(data) + "corvane";
  MakeFolders(path);
  return path + "/";
}

std::mutex gLock;
std::optional<std::string> gProgramDir;

}  // namespace

std::string ProgramDir() {
  std::lock_guard lock(gLock);
  if (!gProgramDir) gProgramDir = FindProgramDir();
  return *gProgramDir;
}

void ResetProgramDir() {
  std::lock_guard lock(gLock);
  gProgramDir.reset();
}

std::string ProgramFile(std::string_view name) { return ProgramDir() + std::string(name); }

std::string ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string path(buf, size_t(n));
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TempDir() {
  if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return WithSlash(tmp);
  return "/tmp/";
}

std::string MakePrivateTempFolder(std::string_view prefix) {
  std::string path = TempDir() + std::string(prefix) + "XXXXXX";
  if (!::mkdtemp(path.data())) return {};  // mkdtemp makes it 0700
  return path + "/";
}

}  // namespace platform
