#pragma once
// The GUI thread's message queue and timers (platform/base) run inside Qt's event loop: a socket
// notifier watches the queue's descriptor, which turns readable when a message waits or a
// steady-clock timer is due, and calls ProcessMessages. A modal dialog's nested loop keeps them
// running, as does any nested loop a handler starts.
//
// SIGINT and SIGTERM reach the loop through a self-pipe, so the program ends as a window closes,
// not inside a signal handler.
#include <QObject>
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace editor::ui {

class TMessagePump : public QObject {
 public:
  // Watches the calling thread's queue; make it on the GUI thread.
  explicit TMessagePump(QObject* parent = nullptr);
  ~TMessagePump() override;

 private:
  std::unique_ptr<QSocketNotifier> notifier_;
};

// While it lives, SIGINT and SIGTERM call `onSignal` from the event loop (once per signal
// received). One at a time per process; the previous handlers come back on destruction.
class TTerminationSignals : public QObject {
 public:
  explicit TTerminationSignals(std::function<void(int signal)> onSignal, QObject* parent = nullptr);
  ~TTerminationSignals() override;

 private:
  std::function<void(int)> onSignal_;
  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
  struct sigaction oldInt_ {};
  struct sigaction oldTerm_ {};
};

// Calls `onExit` from the event loop, once, when the process behind `processFd` (a process
// descriptor, platform::TChildProcess::ExitFd) has ended, so the caller can reap it at once. It
// watches a copy of the descriptor, which stays valid when the owner closes its own; -1 watches
// nothing.
class TProcessExitWatch : public QObject {
 public:
  TProcessExitWatch(int processFd, std::function<void()> onExit, QObject* parent = nullptr);
  ~TProcessExitWatch() override;

 private:
  int fd_ = -1;
  std::function<void()> onExit_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace editor::ui
