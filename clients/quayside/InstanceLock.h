#pragma once
// One instance at a time: an exclusive lock on the file "use_id" in the user's runtime folder
// ($XDG_RUNTIME_DIR, else the temporary folder), held until the lock object (the program)
// ends. The file itself stays; only the lock matters.
#include <string>

namespace quayside {

class TInstanceLock {
 public:
  static constexpr const char* FileName = "use_id";

  // The lock file in `folder` (DefaultFolder() when empty).
  explicit TInstanceLock(std::string folder = {});
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // True when this object now holds the lock (or already did); false when another holds it.
  // A lock file that cannot be made at all does not keep the program from running.
  bool Acquire();
  const std::string& Path() const { return path_; }

  static std::string DefaultFolder();

 private:
  std::string path_;
  int fd_ = -1;
  bool held_ = false;
};

}  // namespace quayside
