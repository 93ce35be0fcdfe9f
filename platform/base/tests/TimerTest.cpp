#include "platform/base/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/base/MessageWindow.h"

using namespace platform;

namespace {

// Moves the clock in steps and pumps after each, as the GUI thread's loop would.
void Pump(TFakeClock& clock, int64_t ms, int64_t step = 10) {
  for (int64_t t = 0; t < ms; t += step) {
    clock.Advance(step);
    ProcessMessages();
  }
}

}  // namespace

TEST(Timer, FiresEveryIntervalOnTheFakeClock) {
  TFakeClock clock(1000);
  TTimer timer(clock);
  int ticks = 0;
  timer.SetInterval(100);
  timer.SetOnTimer([&] { ++ticks; });
  Pump(clock, 350);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(MsUntilNextTimer(), 50);
  timer.SetEnabled(false);
  Pump(clock, 500);
  EXPECT_EQ(ticks, 3);
  EXPECT_EQ(MsUntilNextTimer(), -1);
}

TEST(Timer, RunsOnlyWithIntervalHandlerAndEnabled) {
  TFakeClock clock;
  TTimer timer(clock);
  EXPECT_FALSE(timer.Running());  // no handler
  int ticks = 0;
  timer.SetOnTimer([&] { ++ticks; });
  EXPECT_TRUE(timer.Running());
  timer.SetInterval(0);
  Pump(clock, 100);
  EXPECT_EQ(ticks, 0);
  timer.SetInterval(-5);
  EXPECT_FALSE(timer.Running());
}

TEST(Timer, ALateTickIsNotMadeUpInABurst) {
  TFakeClock clock;
  TTimer timer(clock);
  int ticks = 0;
  timer.SetInterval(100);
  timer.SetOnTimer([&] { ++ticks; });
  clock.Advance(1000);
  ProcessMessages();
  ProcessMessages();
  EXPECT_EQ(ticks, 1);
  clock.Advance(99);
  ProcessMessages();
  EXPECT_EQ(ticks, 1);
  clock.Advance(1);
  ProcessMessages();
  EXPECT_EQ(ticks, 2);
}

TEST(Timer, AHandlerMayDestroyTimers) {
  TFakeClock clock;
  auto first = std::make_unique<TTimer>(clock);
  auto second = std::make_unique<TTimer>(clock);
  int secondTicks = 0;
  first->SetInterval(10);
  second->SetInterval(10);
  first->SetOnTimer([&] { second.reset(); first.reset(); });
  second->SetOnTimer([&] { ++secondTicks; });
  clock.Advance(10);
  ProcessMessages();
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(secondTicks, 0);
}

TEST(Timer, ANearWrapOfThe32BitTickChangesNothing) {
  TFakeClock clock((int64_t(1) << 32) - 50);
  TTimer timer(clock);
  int ticks = 0;
  timer.SetInterval(100);
  timer.SetOnTimer([&] { ++ticks; });
  Pump(clock, 90);
  EXPECT_EQ(ticks, 0);
  Pump(clock, 20);
  EXPECT_EQ(ticks, 1);
}
