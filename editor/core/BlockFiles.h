#pragma once
// The editor's fixed-size binary files ("*.Tim", "*.Bri", "AutoSend.Lst"): written whole by an
// atomic save, read from regular files only. A failure is told in a message box.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "editor/core/Dialogs.h"

namespace editor {

// Writes `bytes` to the GBK path; the previous file stays whole on failure, which a message
// box reports. False then.
bool SaveBlockFile(TDialogs& dialogs, const std::string& gbkPath, std::span<const uint8_t> bytes);
// The same for a path in the OS's bytes (the program directory's files).
bool SaveBlockFileAt(TDialogs& dialogs, const std::string& osPath, std::span<const uint8_t> bytes);
// The content of the GBK path; nothing, after a message box, when it cannot be read (missing,
// or not a regular file: a pipe or device is refused at once).
std::optional<std::string> ReadBlockFile(TDialogs& dialogs, const std::string& gbkPath);

}  // namespace editor
