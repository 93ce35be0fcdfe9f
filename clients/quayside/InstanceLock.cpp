#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace quayside {

std::string TInstanceLock::DefaultFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return runtime;
  std::error_code error;
  const auto temp = std::filesystem::temp_directory_path(error);
  return error ? std::string("/tmp") : temp.string();
}

TInstanceLock::TInstanceLock(std::string folder)
    : path_((folder.empty() ? DefaultFolder() : folder) + "/" + FileName) {}

TInstanceLock::~TInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool TInstanceLock::Acquire() {
  if (held_) return true;
  if (fd_ < 0) {
    // Read-only is enough to lock, so a file another user made in a shared folder still works.
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) return true;
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) return errno != EWOULDBLOCK;
  held_ = true;
  return true;
}

}  // namespace quayside
