#include "WaitableEvent.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace platform {

TWaitableEvent::TWaitableEvent() {
  fd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (fd_ < 0) throw std::runtime_error("eventfd failed");
}

TWaitableEvent::~TWaitableEvent() { ::close(fd_); }

void TWaitableEvent::Set() {
  std::lock_guard guard(lock_);
  if (set_.load()) return;
  set_.store(true);  // before the descriptor wakes anyone, so a woken waiter sees it
  uint64_t one = 1;
  while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void TWaitableEvent::Reset() {
  std::lock_guard guard(lock_);
  if (!set_.load()) return;
  uint64_t value;
  while (::read(fd_, &value, sizeof value) < 0 && errno == EINTR) {
  }
  set_.store(false);
}

bool TWaitableEvent::Wait(int timeoutMs) const {
  using namespace std::chrono;
  const auto deadline = steady_clock::now() + milliseconds(std::max(timeoutMs, 0));
  while (!IsSet()) {
    int wait = -1;
    if (timeoutMs >= 0) {
      auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
      if (left <= 0) break;
      wait = int(left);
    }
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, wait);
  }
  return IsSet();
}

}  // namespace platform
