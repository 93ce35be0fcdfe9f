#include "Clock.h"

#include <chrono>

namespace platform {

int64_t TSteadyClock::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TClock& SteadyClock() {
  static TSteadyClock clock;
  return clock;
}


}  // namespace platform
