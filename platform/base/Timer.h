#pragma once
// Timers that fire on their owner thread while it pumps its message queue.
//
// A TTimer belongs to the thread that made it and must be destroyed there. While it is enabled,
// has an interval above 0 and a handler, ProcessMessages (and so PumpUntil and the Qt adapter)
// calls the handler once the interval has passed on the timer's clock, then starts the next
// interval from that moment: a late pump gives one call, never a burst. Changing the interval,
// the enabled flag or the handler starts the interval again. A handler never runs inside itself
// (a modal loop in a handler does not fire the same timer again), and it may change or destroy
// any timer, its own included.
//
// On the steady clock a due timer makes MessageQueueFd() readable, so an event loop that waits on
// the descriptor wakes for it. Timers on another clock (a fake clock in tests) fire when the
// thread pumps after the clock has moved.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/base/Clock.h"

namespace platform {

struct TTimerCore;

class TTimer {
 public:
  explicit TTimer(TClock& clock = SteadyClock());
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;
  ~TTimer();

  uint32_t Interval() const;
  void SetInterval(uint32_t ms);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  void SetOnTimer(std::function<void()> handler);

 private:
  std::shared_ptr<TTimerCore> core_;
};

namespace detail {
// The calling thread's timers, for the message queue.
// Fires every timer that is due now; returns how many handlers ran.
size_t FireDueTimers();
// Milliseconds until the nearest steady-clock timer is due (0 when one is due now, -1 when none).
int64_t NextTimerDelayMs();
// The thread's timerfd: readable once the nearest steady-clock timer is due.
int ThreadTimerFd();
}  // namespace detail

}  // namespace platform
