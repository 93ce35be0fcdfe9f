#pragma once
// Where the program keeps the files the Parts place "in the program directory" ("Param.ini",
// "Default.spj", skin files...). Paths are the operating system's bytes (UTF-8).
//   - CORVANE_PROGRAM_DIR, when set and not empty (tests point it at a folder of their own);
//   - else the folder of the executable, when the program may write there;
//   - else $XDG_DATA_HOME/corvane (~/.local/share/corvane), made on first use.
#include <string>
#include <string_view>

namespace platform {

class AppPaths {
 public:
  // The program directory, ending in "/".
  static std::string ProgramDir();
  // ProgramDir() + name.
  static std::string ProgramFile(std::string_view name);
  // The folder for temporary files, ending in "/": $TMPDIR when set, else "/tmp/".
  static std::string TempDir();
  // The folder of the running executable, ending in "/" (empty when it cannot be found).
  static std::string ExecutableDir();
};

// The file-name part of a path: everything after the last '/' (and, for paths written the
// original's way, after the last '\\').
std::string_view FileNamePart(std::string_view path);

}  // namespace platform
