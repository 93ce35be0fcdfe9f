#include "RecentFiles.h"

#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr std::string_view Section = "Auto Save";
constexpr std::string_view Key = "Files";

}  // namespace

std::vector<std::string> ReadRecentFiles(const platform::TSettingsFile& settings) {
  const std::string value = settings.ReadString(Section, Key, "");
  std::vector<std::string> paths;
  size_t start = 0;
  while (start <= value.size() && paths.size() < MaxRecentFiles) {
    size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    if (comma > start) paths.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
  return paths;
}

std::vector<TRecentItem> RecentMenuItems(const std::vector<std::string>& paths) {
  std::vector<TRecentItem> items;
  for (size_t n = 0; n < paths.size(); ++n) {
    const std::string number = std::to_string(n);
    items.push_back({"MenuItem" + number, "&" + number + " " + paths[n], paths[n]});
  }
  return items;
}

void AddRecentFile(platform::TSettingsFile& settings, std::string_view currentFile) {
  if (currentFile.empty()) return;
  std::vector<std::string> paths{std::string(currentFile)};
  for (auto& path : ReadRecentFiles(settings))
    if (!platform::GbkSameText(path, currentFile) && paths.size() < MaxRecentFiles) paths.push_back(path);
  std::string joined;
  for (auto& path : paths) {
    if (!joined.empty()) joined += ',';
    joined += path;
  }
  settings.WriteString(Section, Key, joined);
}

}  // namespace editor
