#include "platform/base/Clock.h"

#include <time.h>

#include <gtest/gtest.h>

using namespace platform;

TEST(Clock, SteadyClockNeverGoesBackwards) {
  int64_t a = SteadyClock().NowMs();
  int64_t b = SteadyClock().NowMs();
  EXPECT_LE(a, b);
  EXPECT_GT(a, 0);
}

TEST(Clock, FakeClockMovesOnlyWhenTold) {
  TFakeClock c(int64_t(1) << 33);  // past the 32-bit millisecond range
  EXPECT_EQ(c.NowMs(), int64_t(1) << 33);
  c.Advance(5);
  EXPECT_EQ(c.NowMs(), (int64_t(1) << 33) + 5);
  c.Set(7);
  EXPECT_EQ(c.NowMs(), 7);
}

TEST(Clock, LocalSystemTimeAgreesWithTheCLibrary) {
  // Taken twice around the library's view; a minute change in between is retried once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    TSystemTime t = LocalSystemTime();
    if (t.wMinute != local.tm_min) continue;
    EXPECT_EQ(t.wYear, local.tm_year + 1900);
    EXPECT_EQ(t.wMonth, local.tm_mon + 1);
    EXPECT_EQ(t.wDay, local.tm_mday);
    EXPECT_EQ(t.wDayOfWeek, local.tm_wday);
    EXPECT_EQ(t.wHour, local.tm_hour);
    EXPECT_LT(t.wMilliseconds, 1000);
    return;
  }
  FAIL() << "the minute changed twice";
}
