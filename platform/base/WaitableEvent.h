#pragma once
// A manual-reset event with a file descriptor that is readable while it is set, so a thread can
// wait on it together with sockets, serial ports and its message queue in one poll().
#include <atomic>
#include <mutex>

namespace platform {

class TWaitableEvent {
 public:
  TWaitableEvent();
  TWaitableEvent(const TWaitableEvent&) = delete;
  TWaitableEvent& operator=(const TWaitableEvent&) = delete;
  ~TWaitableEvent();

  void Set();
  void Reset();
  bool IsSet() const { return set_.load(); }
  // Waits until set or until timeoutMs passed (-1 waits for ever); returns IsSet().
  bool Wait(int timeoutMs) const;
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  std::mutex lock_;  // keeps the flag and the descriptor's state in step
  std::atomic<bool> set_{false};
};

}  // namespace platform
