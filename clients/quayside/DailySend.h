#pragma once
// Daily sending: an item with AutoSend set goes out once a day when the local time of day of
// its SendTime comes round.
//
// Each timer tick looks at every second of (previous tick, now] (its last 60 seconds at most,
// so a clock jumped forward or a machine woken from sleep sends no stale texts). An item is due
// when one of those seconds has its SendTime's local time of day and it was not yet sent for
// that local date and time of day. So a second skipped by a busy loop still sends, a repeated
// local hour (autumn, or a clock set back) sends once, a local time that does not exist that day
// (spring) does not send, and a SendTime moved later the same day sends again.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "clients/quayside/StationData.h"

namespace quayside {

// Seconds since 1970, the calendar clock the program reads; tests replace it.
class TSecondsClock {
 public:
  virtual ~TSecondsClock() = default;
  virtual int64_t NowSeconds() const = 0;
};

class TSystemSecondsClock final : public TSecondsClock {
 public:
  int64_t NowSeconds() const override;
};

class TFakeSecondsClock final : public TSecondsClock {
 public:
  explicit TFakeSecondsClock(int64_t now = 0) : now_(now) {}
  int64_t NowSeconds() const override { return now_; }
  void Set(int64_t now) { now_ = now; }
  void Advance(int64_t seconds) { now_ += seconds; }

 private:
  int64_t now_;
};

// A moment in local time, as the time picker shows it.
struct TLocalTime {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0;
  bool operator==(const TLocalTime&) const = default;
};

// The local time of a moment (localtime_r); nothing when it has none.
std::optional<TLocalTime> LocalTimeOf(int64_t seconds);
// The moment of a local time (mktime, daylight saving worked out by the system); nothing when
// the system cannot place it.
std::optional<int64_t> MomentOf(const TLocalTime& local);

// SendTime is the decimal text of a moment.
int64_t SendTimeSeconds(const std::string& sendTime);
std::string SendTimeText(int64_t seconds);
// "%H:%M:%S" of SendTime's local time; empty when it has none.
std::string SendTimeOfDay(const std::string& sendTime);

class TDailySendRule {
 public:
  // Ticks look at the seconds after `startSeconds`.
  explicit TDailySendRule(int64_t startSeconds) : previous_(startSeconds) {}

  // Indices of the items due in (previous tick, now], in the order to send them (by second,
  // then in list order); they count as sent from here on.
  std::vector<size_t> Tick(int64_t now, const std::vector<TDisplayItem>& items);

  // Seconds a tick looks back at most.
  static constexpr int64_t MaxSpan = 60;

 private:
  // An item's send on one local date at one local time of day.
  using TKey = std::tuple<size_t, int, int, int, int, int, int>;
  std::map<TKey, int64_t> sent_;  // with the moment it went out, to forget old ones
  int64_t previous_;
};

}  // namespace quayside
