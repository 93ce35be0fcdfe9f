#include "TempFiles.h"

#include <unistd.h>

#include "platform/base/FilePath.h"

namespace editor {

bool TTempFileQueue::Add(std::string_view gbkPath) {
  if (entries_.size() >= Capacity || gbkPath.empty() || gbkPath.size() > MaxPath) return false;
  entries_.push_back({clock_->NowMs() + LifetimeMs, std::string(gbkPath)});
  return true;
}

bool TTempFileQueue::Tick() {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    std::string os = platform::OsPathFromGbk(it->Path);
    if (platform::RegularFileExists(os)) {
      ::unlink(os.c_str());  // a file that cannot be deleted is not tried again
      entries_.erase(it);
      return true;
    }
  }
  const int64_t now = clock_->NowMs();
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (now >= it->Deadline) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace editor
