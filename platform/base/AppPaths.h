#pragma once
// Where the program keeps its files ("Param.ini", "Tips.txt", "Default.spj", "AutoSend.Lst"…):
// the program directory. It is the folder named by the environment variable CORVANE_PROGRAM_DIR
// when that is set and not empty, else the executable's own folder when the program may write
// there, else $XDG_DATA_HOME/corvane (~/.local/share/corvane), made on first use.
//
// Paths here are in the OS's bytes; turn them into GBK (FilePath.h) before they enter the model.
#include <string>
#include <string_view>

namespace platform {

// The program directory, ending in "/". Worked out once per process; tests that change the
// environment call ResetProgramDir() afterwards.
std::string ProgramDir();
void ResetProgramDir();
// ProgramDir() + name.
std::string ProgramFile(std::string_view name);
// The folder of the running executable, ending in "/" ("" when it cannot be found).
std::string ExecutableDir();
// The temporary folder: $TMPDIR when set and not empty, else "/tmp"; ending in "/".
std::string TempDir();
// Makes a new folder that only the user may enter (0700) in TempDir(), named `prefix` and six
// random characters, and gives its path ending in "/"; empty when it cannot be made.
std::string MakePrivateTempFolder(std::string_view prefix);

}  // namespace platform
