#include "Timer.h"

#include <algorithm>
#include <vector>

namespace platform {

namespace {

// The calling thread's timers, in creation order.
std::vector<TTimer*>& ThreadTimers() {
  thread_local std::vector<TTimer*> timers;
  return timers;
}

}  // namespace

TTimer::TTimer(TClock& clock) : clock_(&clock) { ThreadTimers().push_back(this); }

TTimer::~TTimer() { std::erase(ThreadTimers(), this); }

void TTimer::Restart() { due_ = clock_->NowMs() + interval_; }

void TTimer::SetInterval(int ms) {
  interval_ = ms;
  Restart();
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Restart();
}

void TTimer::SetOnTimer(std::function<void()> handler) {
  onTimer_ = std::move(handler);
  Restart();
}

size_t FireDueTimers() {
  // A handler may destroy or create timers: walk a copy and look each one up again.
  const std::vector<TTimer*> snapshot = ThreadTimers();
  size_t fired = 0;
  for (TTimer* t : snapshot) {
    const std::vector<TTimer*>& live = ThreadTimers();
    if (std::find(live.begin(), live.end(), t) == live.end() || !t->Running()) continue;
    const int64_t now = t->clock_->NowMs();
    if (now < t->due_) continue;
    t->due_ += t->interval_;
    if (t->due_ <= now) t->due_ = now + t->interval_;
    std::function<void()> handler = t->onTimer_;  // the handler may replace itself
    handler();
    ++fired;
  }
  return fired;
}

int64_t MsUntilNextTimer() {
  int64_t best = -1;
  for (TTimer* t : ThreadTimers()) {
    if (!t->Running()) continue;
    const int64_t left = std::max<int64_t>(0, t->due_ - t->clock_->NowMs());
    if (best < 0 || left < best) best = left;
  }
  return best;
}

}  // namespace platform
