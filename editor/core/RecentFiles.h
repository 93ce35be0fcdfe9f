#pragma once
// The recent-file list: "Files" in section "Auto Save" of "Param.ini", up to four GBK paths
// joined by ",", the most recent first.
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/SettingsFile.h"

namespace editor {

inline constexpr size_t MaxRecentFiles = 4;

// One File-menu item of the list: its component name ("MenuItem" + n), its caption
// ("&" + n + " " + path) and the path it opens.
struct TRecentItem {
  std::string Name;
  std::string Caption;
  std::string Path;
};

// The stored paths in order: at most the first four, empty pieces skipped.
std::vector<std::string> ReadRecentFiles(const platform::TSettingsFile& settings);
// The menu items for the paths.
std::vector<TRecentItem> RecentMenuItems(const std::vector<std::string>& paths);
// Puts `currentFile` first: an entry equal to it without regard to case is removed, the rest
// move down, the fourth is dropped. An empty `currentFile` changes nothing. The list is saved
// with the other settings.
void AddRecentFile(platform::TSettingsFile& settings, std::string_view currentFile);

}  // namespace editor
