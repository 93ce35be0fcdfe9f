#include "platform/base/Clock.h"

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
