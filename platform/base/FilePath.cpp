#include "FilePath.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/GbkText.h"

namespace platform {

std::string OsPathFromGbk(std::string_view gbkPath) { return GbkToUtf8(gbkPath); }

std::string GbkPathFromOs(std::string_view osPath, bool* lossless) { return Utf8ToGbk(osPath, lossless); }

namespace {

// Where the last name starts, and where its extension starts (npos when none). A trail byte of a
// GBK character is never taken for '/' or '.': both are below 0x40, under every trail byte.
size_t LastNameStart(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

size_t ExtStart(std::string_view path) {
  size_t name = LastNameStart(path);
  size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || dot < name) return std::string_view::npos;
  return dot;
}

}  // namespace

std::string SetFileExt(std::string_view path, std::string_view ext) {
  size_t dot = ExtStart(path);
  if (dot != std::string_view::npos && GbkSameText(path.substr(dot), ext)) return std::string(path);
  std::string out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
  out += ext;
  return out;
}

std::string ExtractFileExt(std::string_view path) {
  size_t dot = ExtStart(path);
  return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(LastNameStart(path))); }

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, LastNameStart(path))); }

std::string AbsolutePath(std::string_view osPath) {
  if (osPath.empty() || osPath[0] == '/') return std::string(osPath);
  char buf[4096];
  if (!::getcwd(buf, sizeof buf)) return std::string(osPath);
  std::string path = buf;
  if (path.back() != '/') path += '/';
  return path + std::string(osPath);
}

bool RegularFileExists(const std::string& osPath) {
  struct stat st;
  return ::stat(osPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool ProgramFileExists(const std::string& osPath) {
  return RegularFileExists(osPath) && ::access(osPath.c_str(), X_OK) == 0;
}

}  // namespace platform
