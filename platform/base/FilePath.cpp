#include "FilePath.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/GbkText.h"

namespace platform {

namespace {

// Linux names are bytes. A byte of an OS name that is not UTF-8 (a Latin-1 or GBK name), or that
// belongs to a character GBK has no code for, travels in a GBK path as a code of GBK's
// user-defined rows 0xFD and 0xFE that no character is assigned to (iconv never makes one), and
// becomes that byte again where the file is opened: every name opens as it was given.
constexpr unsigned char EscapeLead = 0xFD, EscapeTrailFirst = 0xA1;
constexpr int EscapeRowLength = 94;  // trail bytes 0xA1-0xFE

void AppendEscaped(std::string& gbk, std::string_view osBytes) {
  for (unsigned char c : osBytes) {
    const int index = c - 0x80;  // only bytes of 0x80 and above: ASCII always converts
    gbk += char(EscapeLead + index / EscapeRowLength);
    gbk += char(EscapeTrailFirst + index % EscapeRowLength);
  }
}

// The OS byte a GBK character stands for, or -1 when it is a character of its own.
int EscapedByte(unsigned char lead, unsigned char trail) {
  if (lead < EscapeLead || lead > EscapeLead + 1 || trail < EscapeTrailFirst || trail > 0xFE) return -1;
  const int index = (lead - EscapeLead) * EscapeRowLength + (trail - EscapeTrailFirst);
  return index < 0x80 ? 0x80 + index : -1;
}

}  // namespace

std::string OsPathFromGbk(std::string_view gbkPath) {
  std::string os;
  size_t run = 0;  // start of the text not converted yet
  for (size_t i = 0; i < gbkPath.size();) {
    const auto lead = static_cast<unsigned char>(gbkPath[i]);
    if (!IsGbkLeadByte(lead) || i + 1 == gbkPath.size()) {
      ++i;
      continue;
    }
    const int byte = EscapedByte(lead, static_cast<unsigned char>(gbkPath[i + 1]));
    if (byte >= 0) {
      os += GbkToUtf8(gbkPath.substr(run, i - run));
      os += char(byte);
      run = i + 2;
    }
    i += 2;
  }
  os += GbkToUtf8(gbkPath.substr(run));
  return os;
}

std::string GbkPathFromOs(std::string_view osPath, bool* lossless) {
  bool all = true;
  std::string gbk = Utf8ToGbk(osPath, &all);
  if (!all) {
    // Character by character: what converts is GBK, every other byte travels escaped.
    gbk.clear();
    for (size_t i = 0; i < osPath.size();) {
      const size_t n = static_cast<unsigned char>(osPath[i]) < 0x80 ? 1 : Utf8SequenceLength(osPath.substr(i));
      const std::string_view one = osPath.substr(i, n);
      bool converts = n > 1 || static_cast<unsigned char>(one[0]) < 0x80;
      std::string character;
      if (converts) character = Utf8ToGbk(one, &converts);
      if (converts) gbk += character;
      else AppendEscaped(gbk, one);
      i += n;
    }
  }
  if (lossless) *lossless = all;
  return gbk;
}

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
