#include "Timer.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace platform {

struct TTimerCore {
  TClock* Clock = nullptr;
  uint32_t Interval = 1000;
  bool Enabled = true;
  bool Firing = false;
  std::function<void()> Handler;
  int64_t Due = 0;

  bool Armed() const { return Enabled && Interval > 0 && Handler != nullptr; }
  bool OnSteadyClock() const { return Clock == &SteadyClock(); }
};

namespace {

// One list per thread: timers are made, changed, fired and destroyed on their owner thread only.
struct TThreadTimers {
  std::vector<std::shared_ptr<TTimerCore>> Timers;
  int Fd = -1;
  ~TThreadTimers() {
    if (Fd >= 0) ::close(Fd);
  }

  int EnsureFd() {
    if (Fd < 0) Fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    return Fd;
  }

  // Sets the descriptor to the nearest steady-clock deadline (an absolute CLOCK_MONOTONIC time,
  // which is what the steady clock reads), or disarms it.
  void Rearm() {
    if (Fd < 0) return;
    uint64_t drained;
    while (::read(Fd, &drained, sizeof drained) > 0) {
    }
    int64_t nearest = std::numeric_limits<int64_t>::max();
    for (auto& t : Timers)
      if (t->Armed() && !t->Firing && t->OnSteadyClock()) nearest = std::min(nearest, t->Due);
    itimerspec spec{};
    if (nearest != std::numeric_limits<int64_t>::max()) {
      nearest = std::max<int64_t>(nearest, 1);  // an all-zero time would disarm it
      spec.it_value.tv_sec = nearest / 1000;
      spec.it_value.tv_nsec = long(nearest % 1000) * 1000000L;
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
  ThreadTimers().Rearm();
}

}  // namespace

TTimer::TTimer(TClock& clock) : core_(std::make_shared<TTimerCore>()) {
  core_->Clock = &clock;
  auto& timers = ThreadTimers();
  timers.EnsureFd();
  timers.Timers.push_back(core_);
  Restart(*core_);
}

TTimer::~TTimer() {
  auto& timers = ThreadTimers();
  std::erase(timers.Timers, core_);
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
  std::stable_sort(due.begin(), due.end(), [](auto& a, auto& b) { return a->Due < b->Due; });
  struct TRearm {
    TThreadTimers& Timers;
    ~TRearm() { Timers.Rearm(); }
  } rearm{timers};
  size_t fired = 0;
  for (auto& t : due) {
    bool alive = std::find(timers.Timers.begin(), timers.Timers.end(), t) != timers.Timers.end();
    if (!alive || !t->Armed() || t->Firing || t->Clock->NowMs() < t->Due) continue;
    t->Due = t->Clock->NowMs() + t->Interval;
    auto handler = t->Handler;  // the handler may replace itself while it runs
    t->Firing = true;
    struct TDone {
      TTimerCore& Core;
      ~TDone() { Core.Firing = false; }
    } done{*t};
    ++fired;
    handler();
  }
  return fired;
}

int64_t NextTimerDelayMs() {
  int64_t best = -1;
  for (auto& t : ThreadTimers().Timers) {
    if (!t->Armed() || t->Firing || !t->OnSteadyClock()) continue;
    int64_t left = std::max<int64_t>(0, t->Due - t->Clock->NowMs());
    if (best < 0 || left < best) best = left;
  }
  return best;
}

int ThreadTimerFd() { return ThreadTimers().EnsureFd(); }

}  // namespace detail

}  // namespace platform
