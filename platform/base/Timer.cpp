#include "Timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <set>
#include <utility>
#include <vector>

namespace platform {

struct TTimerCore {
  TClock* Clock = nullptr;
  uint32_t Interval = 1000;
  bool Enabled = true;
  bool Firing = false;
  std::function<void()> Handler;
  int64_t Due = 0;
  uint64_t Order = 0;  // creation order: timers due at the same moment fire in it
  size_t Slot = 0;     // place in the thread's list
  bool Listed = false;  // false once destroyed
  bool Queued = false;  // its deadline (QueuedDue, Order) is in the thread's deadline set
  int64_t QueuedDue = 0;

  bool Armed() const { return Enabled && Interval > 0 && Handler != nullptr; }
  bool OnSteadyClock() const { return Clock == &SteadyClock(); }
  // What the thread's descriptor waits for.
  bool Waits() const { return Armed() && !Firing && OnSteadyClock(); }
};

namespace {

constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();

// One list per thread: timers are made, changed, fired and destroyed on their owner thread only.
// Adding, changing and destroying a timer cost no walk of the list (a page of a large project
// owns one, and thousands come and go in one load), and the descriptor is set only when the
// nearest deadline moves.
struct TThreadTimers {
  std::vector<std::shared_ptr<TTimerCore>> Timers;  // in no order
  std::set<std::pair<int64_t, uint64_t>> Deadlines;  // (Due, Order) of the timers that Wait()
  uint64_t NextOrder = 0;
  int Fd = -1;
  int64_t ArmedAt = kNoDeadline;  // the deadline the descriptor is set to
  ~TThreadTimers() {
    if (Fd >= 0) ::close(Fd);
  }

  int EnsureFd() {
    if (Fd < 0) Fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    return Fd;
  }

  void Add(const std::shared_ptr<TTimerCore>& core) {
    core->Order = NextOrder++;
    core->Slot = Timers.size();
    core->Listed = true;
    Timers.push_back(core);
  }

  void Remove(TTimerCore& core) {
    if (core.Queued) Deadlines.erase({core.QueuedDue, core.Order});
    core.Queued = false;
    Timers.back()->Slot = core.Slot;
    std::swap(Timers[core.Slot], Timers.back());
    Timers.pop_back();
    core.Listed = false;
  }

  // Puts the timer's deadline in the set as the timer now stands.
  void Requeue(TTimerCore& core) {
    if (core.Queued) Deadlines.erase({core.QueuedDue, core.Order});
    core.Queued = core.Listed && core.Waits();
    if (!core.Queued) return;
    core.QueuedDue = core.Due;
    Deadlines.emplace(core.Due, core.Order);
  }

  // Sets the descriptor to the nearest steady-clock deadline (an absolute CLOCK_MONOTONIC time,
  // which is what the steady clock reads), or disarms it, when that deadline moved.
  void Rearm() {
    const int64_t nearest = Deadlines.empty() ? kNoDeadline : Deadlines.begin()->first;
    if (Fd < 0 || nearest == ArmedAt) return;
    ArmedAt = nearest;
    uint64_t drained;
    while (::read(Fd, &drained, sizeof drained) > 0) {
    }
    itimerspec spec{};
    if (nearest != kNoDeadline) {
      const int64_t at = std::max<int64_t>(nearest, 1);  // an all-zero time would disarm it
      spec.it_value.tv_sec = at / 1000;
      spec.it_value.tv_nsec = long(at % 1000) * 1000000L;
    }
    ::timerfd_settime(Fd, TFD_TIMER_ABSTIME, &spec, nullptr);
  }
};

TThreadTimers& ThreadTimers() {
  thread_local TThreadTimers timers;
  return timers;
}

void Restart(TTimerCore& core) {
  core.Due = core.Clock->NowMs() + core.Interval;
  auto& timers = ThreadTimers();
  timers.Requeue(core);
  timers.Rearm();
}

}  // namespace

TTimer::TTimer(TClock& clock) : core_(std::make_shared<TTimerCore>()) {
  core_->Clock = &clock;
  auto& timers = ThreadTimers();
  timers.EnsureFd();
  timers.Add(core_);
  Restart(*core_);
}

TTimer::~TTimer() {
  auto& timers = ThreadTimers();
  timers.Remove(*core_);
  timers.Rearm();
}

uint32_t TTimer::Interval() const { return core_->Interval; }
bool TTimer::Enabled() const { return core_->Enabled; }

void TTimer::SetInterval(uint32_t ms) {
  core_->Interval = ms;
  Restart(*core_);
}

void TTimer::SetEnabled(bool enabled) {
  core_->Enabled = enabled;
  Restart(*core_);
}

void TTimer::SetOnTimer(std::function<void()> handler) {
  core_->Handler = std::move(handler);
  Restart(*core_);
}

namespace detail {

size_t FireDueTimers() {
  auto& timers = ThreadTimers();
  // A handler may add, change or destroy timers: work on a snapshot and check each again.
  std::vector<std::shared_ptr<TTimerCore>> due;
  for (auto& t : timers.Timers)
    if (t->Armed() && !t->Firing && t->Clock->NowMs() >= t->Due) due.push_back(t);
  std::sort(due.begin(), due.end(),
            [](auto& a, auto& b) { return std::pair(a->Due, a->Order) < std::pair(b->Due, b->Order); });
  struct TRearm {
    TThreadTimers& Timers;
    ~TRearm() { Timers.Rearm(); }
  } rearm{timers};
  size_t fired = 0;
  for (auto& t : due) {
    if (!t->Listed || !t->Armed() || t->Firing || t->Clock->NowMs() < t->Due) continue;
    t->Due = t->Clock->NowMs() + t->Interval;
    auto handler = t->Handler;  // the handler may replace itself while it runs
    t->Firing = true;
    timers.Requeue(*t);
    struct TDone {
      TThreadTimers& Timers;
      TTimerCore& Core;
      ~TDone() {
        Core.Firing = false;
        Timers.Requeue(Core);
      }
    } done{timers, *t};
    ++fired;
    handler();
  }
  return fired;
}

int64_t NextTimerDelayMs() {
  const auto& deadlines = ThreadTimers().Deadlines;
  if (deadlines.empty()) return -1;
  return std::max<int64_t>(0, deadlines.begin()->first - SteadyClock().NowMs());
}

int ThreadTimerFd() { return ThreadTimers().EnsureFd(); }

}  // namespace detail

}  // namespace platform
