#pragma once
// Child processes (the document converter and the programs it runs): started without a shell,
// waited for with a time limit through a descriptor that becomes readable when the child ends,
// and stopped alone or with everything in its process group.
//
// A TChildProcess belongs to one thread. Until it is reaped, the child's process id (and, for a
// child that leads its own group, the group id) cannot be taken by another process, so signals
// sent through it never reach a stranger.
#include <sys/types.h>

#include <string>
#include <utility>
#include <vector>

namespace platform {

struct TSpawnOptions {
  // The child leads a new process group (its id is the child's), so that it and everything it
  // starts can be signalled at once. Otherwise it stays in the caller's group.
  bool NewProcessGroup = false;
  // Descriptors the child gets, as {descriptor of the caller, number in the child}. Every other
  // descriptor the caller opened close-on-exec stays behind.
  std::vector<std::pair<int, int>> Descriptors;
  // Standard input, output and error of the child: /dev/null when set, else the caller's.
  bool NullStdin = true;
  bool NullStdout = false;
  bool NullStderr = false;
};

class TChildProcess {
 public:
  TChildProcess() = default;
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;
  // A child not reaped yet is killed (with its group when it leads one) and reaped.
  ~TChildProcess();

  // Runs argv[0] (a path, or a name looked up in PATH when it holds no '/') with the arguments.
  // Signals the caller ignores or blocks are back to their defaults in the child. False, with a
  // reason, when the program cannot be run; nothing is left running then.
  bool Start(const std::vector<std::string>& argv, const TSpawnOptions& options = {},
             std::string* error = nullptr);

  // The child's id while it is not reaped, else 0.
  pid_t Pid() const { return pid_; }
  // Readable once the child has ended; -1 when the system offers no such descriptor (or no
  // child runs). For poll() loops that wait for more than the child.
  int ExitFd() const { return pidFd_; }
  // True once the child has ended (it stays unreaped).
  bool Exited() const;
  // Waits at most timeoutMs (-1: no limit) for the child to end; true when it has.
  bool WaitExit(int timeoutMs) const;

  // Sends a signal to the child alone.
  void Signal(int signal) const;
  // Sends a signal to the child's process group when it leads one, else to the child alone.
  void SignalGroup(int signal) const;

  // Waits for the child to end, reaps it and gives its result as a shell does: the exit code,
  // or 128 + the signal that ended it. -1 when no child was started or it was reaped already.
  int Reap();

 private:
  pid_t pid_ = 0;
  int pidFd_ = -1;
  bool ownGroup_ = false;
};

}  // namespace platform
