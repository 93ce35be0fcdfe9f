#include "MessagePump.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

#include "editor/ui/ErrorGuard.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/StopRequest.h"

namespace editor::ui {

TMessagePump::TMessagePump(QObject* parent)
    : QObject(parent), notifier_(std::make_unique<QSocketNotifier>(platform::MessageQueueFd(), QSocketNotifier::Read)) {
  // A handler that throws leaves the rest queued; the descriptor stays readable, so the next
  // pass handles it.
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                   [] { TErrorGuard::Run([] { platform::ProcessMessages(); }); });
}

TMessagePump::~TMessagePump() = default;

namespace {

volatile sig_atomic_t gSignalPipe = -1;

void OnSignal(int signal) {
  const int saved = errno;
  // Long work on the GUI thread (a large project being read) gives up, so the loop sees the
  // signal at once.
  platform::RequestStop();
  const unsigned char byte = static_cast<unsigned char>(signal);
  if (gSignalPipe >= 0) (void)!::write(gSignalPipe, &byte, 1);
  errno = saved;
}

}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
  gSignalPipe = pipe_[1];
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    unsigned char byte;
    while (::read(pipe_[0], &byte, 1) == 1) {
      TErrorGuard::Run([&] {
        if (onSignal_) onSignal_(byte);
      });
    }
  });
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &oldInt_);
  ::sigaction(SIGTERM, &action, &oldTerm_);
}

TTerminationSignals::~TTerminationSignals() {
  if (pipe_[0] < 0) return;
  ::sigaction(SIGINT, &oldInt_, nullptr);
  ::sigaction(SIGTERM, &oldTerm_, nullptr);
  gSignalPipe = -1;
  notifier_.reset();
  ::close(pipe_[0]);
  ::close(pipe_[1]);
}

TProcessExitWatch::TProcessExitWatch(int processFd, std::function<void()> onExit, QObject* parent)
    : QObject(parent), onExit_(std::move(onExit)) {
  if (processFd < 0) return;
  fd_ = ::fcntl(processFd, F_DUPFD_CLOEXEC, 0);
  if (fd_ < 0) return;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
    notifier_->setEnabled(false);  // an ended process stays readable
    TErrorGuard::Run([this] {
      if (onExit_) onExit_();
    });
  });
}

TProcessExitWatch::~TProcessExitWatch() {
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace editor::ui
