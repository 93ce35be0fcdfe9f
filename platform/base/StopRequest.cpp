#include "StopRequest.h"

#include <atomic>
#include <cstdint>

namespace platform {

namespace {

using std::chrono::steady_clock;

constexpr auto kOverdue = std::chrono::milliseconds(250);

// The steady clock's count at the request, 0 for none. Lock-free, so a signal handler may
// store to it (and the clock is read with clock_gettime, which a handler may call).
std::atomic<int64_t> requestedAt{0};
static_assert(std::atomic<int64_t>::is_always_lock_free);

int64_t CountOf(steady_clock::time_point t) {
  const int64_t count = t.time_since_epoch().count();
  return count == 0 ? 1 : count;
}

}  // namespace

void RequestStop() noexcept { RequestStopAt(steady_clock::now()); }

void RequestStopAt(steady_clock::time_point when) noexcept {
  int64_t none = 0;
  // The first request counts: later signals do not make it younger.
  requestedAt.compare_exchange_strong(none, CountOf(when), std::memory_order_relaxed);
}

bool StopRequested() noexcept { return requestedAt.load(std::memory_order_relaxed) != 0; }

bool StopOverdue() noexcept {
  const int64_t at = requestedAt.load(std::memory_order_relaxed);
  if (at == 0) return false;
  return steady_clock::now() - steady_clock::time_point(steady_clock::duration(at)) >= kOverdue;
}

void ClearStopRequest() noexcept { requestedAt.store(0, std::memory_order_relaxed); }

}  // namespace platform
