#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace platform {
namespace {

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

int OpenPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
  const long fd = ::syscall(SYS_pidfd_open, pid, 0);
  if (fd >= 0) {
    ::fcntl(int(fd), F_SETFD, FD_CLOEXEC);
    return int(fd);
  }
#endif
  return -1;
}

// posix_spawn's attributes and file actions, freed whichever way Start leaves.
struct TSpawnSetup {
  posix_spawnattr_t attr;
  posix_spawn_file_actions_t actions;
  std::vector<int> ownFds;
  TSpawnSetup() {
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_init(&actions);
  }
  ~TSpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    for (int fd : ownFds) ::close(fd);
  }
};

}  // namespace

TChildProcess::~TChildProcess() {
  if (pid_ <= 0) return;
  if (!Exited()) Signal(SIGKILL);
  // What the child started may still run in its group after it ended.
  if (ownGroup_) SignalGroup(SIGKILL);
  Reap();
}

bool TChildProcess::Start(const std::vector<std::string>& argv, const TSpawnOptions& options,
                          std::string* error) {
  if (pid_ > 0 || argv.empty()) {
    if (error) *error = argv.empty() ? "no program" : "a child runs already";
    return false;
  }
  TSpawnSetup setup;
  short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
  if (options.NewProcessGroup) {
    flags |= POSIX_SPAWN_SETPGROUP;
    posix_spawnattr_setpgroup(&setup.attr, 0);
  }
  posix_spawnattr_setflags(&setup.attr, flags);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD, SIGUSR1, SIGUSR2})
    sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&setup.attr, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&setup.attr, &none);

  const bool nulls[3] = {options.NullStdin, options.NullStdout, options.NullStderr};
  for (int fd = 0; fd < 3; ++fd)
    if (nulls[fd])
      posix_spawn_file_actions_addopen(&setup.actions, fd, "/dev/null",
                                       fd == 0 ? O_RDONLY : O_WRONLY, 0);
  for (const auto& [from, to] : options.Descriptors) {
    // dup2 onto the same number would keep close-on-exec: hand over a copy above the targets.
    const int copy = ::fcntl(from, F_DUPFD_CLOEXEC, 64);
    if (copy < 0) {
      if (error) *error = std::string("cannot pass a descriptor: ") + std::strerror(errno);
      return false;
    }
    setup.ownFds.push_back(copy);
    posix_spawn_file_actions_adddup2(&setup.actions, copy, to);
  }

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const bool search = argv[0].find('/') == std::string::npos;
  const int rc = search ? ::posix_spawnp(&pid, args[0], &setup.actions, &setup.attr, args.data(),
                                         environ)
                        : ::posix_spawn(&pid, args[0], &setup.actions, &setup.attr, args.data(),
                                        environ);
  if (rc != 0) {
    if (error) *error = "cannot run " + argv[0] + ": " + std::strerror(rc);
    return false;
  }
  pid_ = pid;
  ownGroup_ = options.NewProcessGroup;
  pidFd_ = OpenPidFd(pid);
  return true;
}

bool TChildProcess::Exited() const {
  if (pid_ <= 0) return true;
  siginfo_t info{};
  if (::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return true;
  return info.si_pid != 0;
}

bool TChildProcess::WaitExit(int timeoutMs) const {
  if (pid_ <= 0) return true;
  const int64_t end = timeoutMs < 0 ? 0 : NowMs() + timeoutMs;
  for (;;) {
    if (Exited()) return true;
    const int64_t left = timeoutMs < 0 ? -1 : end - NowMs();
    if (timeoutMs >= 0 && left <= 0) return false;
    if (pidFd_ >= 0) {
      pollfd p{pidFd_, POLLIN, 0};
      ::poll(&p, 1, int(left));  // EINTR or an answer: look again
    } else {
      // Without a process descriptor: look again every 10 ms.
      ::poll(nullptr, 0, left < 0 ? 10 : int(std::min<int64_t>(left, 10)));
    }
  }
}

void TChildProcess::Signal(int signal) const {
  if (pid_ > 0) ::kill(pid_, signal);
}

void TChildProcess::SignalGroup(int signal) const {
  if (pid_ <= 0) return;
  ::kill(ownGroup_ ? -pid_ : pid_, signal);
}

int TChildProcess::Reap() {
  if (pid_ <= 0) return -1;
  int status = 0;
  pid_t r;
  do {
    r = ::waitpid(pid_, &status, 0);
  } while (r < 0 && errno == EINTR);
  pid_ = 0;
  if (pidFd_ >= 0) ::close(pidFd_);
  pidFd_ = -1;
  if (r < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace platform
