#pragma once
// TTimer: a timer fired on the thread that made it, by that thread's message pump
// (ProcessMessages), at due times of an injectable clock. Tests give it a TFakeClock, move the
// clock and pump, and never sleep.
//
// A timer runs while it is Enabled, its Interval is above 0 and it has an OnTimer handler;
// (re)starting it, by any of those setters, makes it due Interval ms from now. A due timer
// fires once per pump (late ticks are not made up in a burst) and is due again one interval
// after its previous due time, or after now when it fell behind. A handler may change or
// destroy any timer, its own included. A timer is a plain member of its owner, used on its
// owner's thread only.
#include <cstdint>
#include <functional>

#include "platform/base/Clock.h"

namespace platform {

class TTimer {
 public:
  explicit TTimer(TClock& clock = SteadyClock());
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  int Interval() const { return interval_; }
  void SetInterval(int ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  void SetOnTimer(std::function<void()> handler);
  // Whether the timer is counting toward its next tick.
  bool Running() const { return enabled_ && interval_ > 0 && bool(onTimer_); }
  TClock& Clock() const { return *clock_; }

 private:
  friend size_t FireDueTimers();
  friend int64_t MsUntilNextTimer();
  void Restart();

  TClock* clock_;
  int interval_ = 1000;
  bool enabled_ = true;
  std::function<void()> onTimer_;
  int64_t due_ = 0;
};

// Fires the calling thread's due timers (ProcessMessages calls it after the messages); returns
// how many fired.
size_t FireDueTimers();
// Milliseconds until the calling thread's next timer is due by its clock (0 when one is due),
// or -1 when none runs. A GUI program's pump arms its wake-up with this.
int64_t MsUntilNextTimer();

}  // namespace platform
