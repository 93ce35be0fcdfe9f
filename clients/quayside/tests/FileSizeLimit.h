#pragma once
// Writes beyond a file size limit fail as a full disk would, for root too: the limit of this
// process for the life of the object, with the signal such a write raises ignored.
#include <signal.h>
#include <sys/resource.h>

namespace quayside::test {

class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    signal_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    ::signal(SIGXFSZ, signal_);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t signal_;
};

}  // namespace quayside::test
