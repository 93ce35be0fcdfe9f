#pragma once
// The main window's queue of temporary files to delete (the document converter's bitmaps and
// documents). The 40 ms timer calls Tick: a queued file is deleted at the first tick that finds
// it, and an entry whose file has not appeared 20 s after it was queued is dropped.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Clock.h"

namespace editor {

class TTempFileQueue {
 public:
  static constexpr size_t Capacity = 255;
  // Longest path taken, in GBK bytes. A longer one is refused rather than cut: the cut path
  // could name another file, which the queue would then delete.
  static constexpr size_t MaxPath = 264;
  static constexpr int64_t LifetimeMs = 20000;

  explicit TTempFileQueue(platform::TClock& clock = platform::SteadyClock()) : clock_(&clock) {}

  // Queues a GBK path; false (nothing queued) when 255 are pending, or the path is empty or
  // longer than MaxPath.
  bool Add(std::string_view gbkPath);
  // Looks at the entries in order: deletes the first whose file exists and drops it; failing
  // that, drops the first whose deadline has passed. At most one entry goes per tick; true when
  // one went.
  bool Tick();

  size_t Count() const { return entries_.size(); }

 private:
  struct TEntry {
    int64_t Deadline;
    std::string Path;  // GBK
  };
  platform::TClock* clock_;
  std::vector<TEntry> entries_;
};

}  // namespace editor
