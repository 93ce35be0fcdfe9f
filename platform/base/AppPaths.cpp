#include "AppPaths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace platform {

namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string FromEnv(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

// mkdir -p for the data folder; failures show up when a file there is opened.
void MakeDirs(const std::string& dir) {
  for (size_t pos = 1; pos <= dir.size(); ++pos) {
    if (pos == dir.size() || dir[pos] == '/') {
      std::string part = dir.substr(0, pos);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return;
    }
  }
}

}  // namespace

std::string AppPaths::ExecutableDir() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  std::string exe(buf, size_t(n));
  size_t slash = exe.rfind('/');
  if (slash == std::string::npos) return {};
  return exe.substr(0, slash + 1);
}

std::string AppPaths::ProgramDir() {
  std::string env = FromEnv("CORVANE_PROGRAM_DIR");
  if (!env.empty()) return WithSlash(env);
  std::string exeDir = ExecutableDir();
  if (!exeDir.empty() && ::access(exeDir.c_str(), W_OK) == 0) return exeDir;
  std::string data = FromEnv("XDG_DATA_HOME");
  if (data.empty()) data = FromEnv("HOME") + "/.local/share";
  std::string dir = WithSlash(data) + "corvane/";
  MakeDirs(dir);
  return dir;
}

std::string AppPaths::ProgramFile(std::string_view name) { return ProgramDir() + std::string(name); }

std::string AppPaths::TempDir() {
  std::string tmp = FromEnv("TMPDIR");
  return WithSlash(tmp.empty() ? std::string("/tmp") : tmp);
}

std::string_view FileNamePart(std::string_view path) {
  size_t cut = path.find_last_of("/\\");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace platform
