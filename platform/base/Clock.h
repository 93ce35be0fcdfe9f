#pragma once
// Monotonic milliseconds behind an interface, so protocol timing and timers can run on a fake
// clock in tests instead of sleeping.
#include <atomic>
#include <cstdint>

#include "platform/base/ByteOrder.h"

namespace platform {

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since an arbitrary fixed point; never goes backwards, never wraps.
  virtual int64_t NowMs() const = 0;
};

// std::chrono::steady_clock.
class TSteadyClock final : public TClock {
 public:
  int64_t NowMs() const override;
};

// The process's steady clock, for code that is not handed one.
TClock& SteadyClock();

// A clock that moves only when told to. Safe to read from other threads.
class TFakeClock final : public TClock {
 public:
  explicit TFakeClock(int64_t startMs = 0) : now_(startMs) {}
  int64_t NowMs() const override { return now_.load(); }
  void Set(int64_t ms) { now_.store(ms); }
  void Advance(int64_t ms) { now_.fetch_add(ms); }

 private:
  std::atomic<int64_t> now_;
};

}  // namespace platform
