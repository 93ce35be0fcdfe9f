#pragma once
// Waiting for what another process does to files: WaitForFiles(folder, condition) sleeps on
// the folder's inotify events (a file made, written, renamed or deleted in it) and looks at
// the condition after each, until it holds or the time is up. No polling, no fixed sleeps.
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

namespace platform::test {

inline bool WaitForFiles(const std::string& folder, const std::function<bool()>& condition,
                         int timeoutMs = 20000) {
  const int fd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (fd < 0) return condition();
  ::inotify_add_watch(fd, folder.c_str(),
                      IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE |
                          IN_DELETE_SELF | IN_ATTRIB);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool held = condition();
  while (!held) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          end - std::chrono::steady_clock::now())
                          .count();
    if (left <= 0) break;
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, int(left));
    char buf[4096];
    while (::read(fd, buf, sizeof buf) > 0) {
    }
    held = condition();
  }
  ::close(fd);
  return held;
}

}  // namespace platform::test
