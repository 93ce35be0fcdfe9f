#include "TimerClock.h"

namespace model {

namespace {
platform::TClock* gClock = nullptr;
}  // namespace

platform::TClock& TimerClock() { return gClock ? *gClock : platform::SteadyClock(); }
void SetTimerClock(platform::TClock* clock) { gClock = clock; }

}  // namespace model
