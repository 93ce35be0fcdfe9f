#include "BlockFiles.h"

#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

void Report(TDialogs& dialogs, const char* what, const std::string& gbkPath, const std::string& reason) {
  dialogs.MessageBox(platform::Utf8ToGbk(what) + " \"" + gbkPath + "\"\r\n" + platform::Utf8ToGbk(reason),
                     MessageCaption(), TMessageIcon::Error, TMessageButtons::Ok);
}

}  // namespace

bool SaveBlockFile(TDialogs& dialogs, const std::string& gbkPath, std::span<const uint8_t> bytes) {
  return SaveBlockFileAt(dialogs, platform::OsPathFromGbk(gbkPath), bytes);
}

bool SaveBlockFileAt(TDialogs& dialogs, const std::string& osPath, std::span<const uint8_t> bytes) {
  std::string reason;
  if (platform::SaveFileAtomic(osPath, bytes.data(), bytes.size(), &reason)) return true;
  Report(dialogs, "无法保存文件", platform::GbkPathFromOs(osPath), reason);
  return false;
}

std::optional<std::string> ReadBlockFile(TDialogs& dialogs, const std::string& gbkPath) {
  std::string content, reason;
  if (platform::ReadWholeFile(platform::OsPathFromGbk(gbkPath), content, &reason)) return content;
  Report(dialogs, "无法读取文件", gbkPath, reason);
  return std::nullopt;
}

}  // namespace editor
