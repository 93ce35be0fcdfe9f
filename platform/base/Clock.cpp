#include "Clock.h"

#include <time.h>

#include <algorithm>
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

TSystemTime LocalSystemTime() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  TSystemTime t;
  t.wYear = uint16_t(local.tm_year + 1900);
  t.wMonth = uint16_t(local.tm_mon + 1);
  t.wDayOfWeek = uint16_t(local.tm_wday);
  t.wDay = uint16_t(local.tm_mday);
  t.wHour = uint16_t(local.tm_hour);
  t.wMinute = uint16_t(local.tm_min);
  t.wSecond = uint16_t(std::min(local.tm_sec, 59));  // a leap second reads as :59
  t.wMilliseconds = uint16_t(now.tv_nsec / 1000000);
  return t;
}

}  // namespace platform
