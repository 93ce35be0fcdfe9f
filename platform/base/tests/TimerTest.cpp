#include "platform/base/Timer.h"

#include <poll.h>
#include <sys/timerfd.h>

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "platform/base/MessageWindow.h"
#include "platform/base/WaitableEvent.h"

using namespace platform;

namespace {

constexpr int kGenerous = 10000;  // ms; only reached when something is broken

bool FdReadable(int fd, int timeoutMs = 0) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeoutMs) == 1;
}

}  // namespace

TEST(Timer, FiresOncePerIntervalOnItsClockWhenThePumpRuns) {
  TFakeClock clock(1000);
  TTimer timer(clock);
  timer.SetInterval(100);
  int calls = 0;
  timer.SetOnTimer([&] { ++calls; });

  clock.Advance(99);
  EXPECT_EQ(ProcessMessages(), 0u);
  clock.Advance(1);
  EXPECT_EQ(calls, 0);  // due, but only the pump fires it
  EXPECT_EQ(ProcessMessages(), 1u);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(ProcessMessages(), 0u);

  clock.Advance(1000);  // a late pump gives one call, and the next interval starts from it
  EXPECT_EQ(ProcessMessages(), 1u);
  clock.Advance(99);
  EXPECT_EQ(ProcessMessages(), 0u);
  clock.Advance(1);
  EXPECT_EQ(ProcessMessages(), 1u);
  EXPECT_EQ(calls, 3);
}

TEST(Timer, FiresOnlyWhenEnabledWithAnIntervalAndAHandler) {
  struct TCase {
    bool Enabled;
    uint32_t Interval;
    bool Handler;
    bool Fires;
  };
  for (const TCase c : {TCase{true, 50, true, true}, TCase{false, 50, true, false}, TCase{true, 0, true, false},
                        TCase{true, 50, false, false}}) {
    TFakeClock clock;
    TTimer timer(clock);
    int calls = 0;
    timer.SetInterval(c.Interval);
    timer.SetEnabled(c.Enabled);
    if (c.Handler) timer.SetOnTimer([&] { ++calls; });
    clock.Advance(1000);
    ProcessMessages();
    EXPECT_EQ(calls, c.Fires ? 1 : 0) << c.Enabled << " " << c.Interval << " " << c.Handler;
  }
}

TEST(Timer, ChangingItStartsTheIntervalAgain) {
  TFakeClock clock;
  TTimer timer(clock);
  int calls = 0;
  timer.SetInterval(100);
  timer.SetOnTimer([&] { ++calls; });
  clock.Advance(80);
  timer.SetEnabled(false);
  timer.SetEnabled(true);
  clock.Advance(80);
  ProcessMessages();
  EXPECT_EQ(calls, 0);
  clock.Advance(20);
  ProcessMessages();
  EXPECT_EQ(calls, 1);
  timer.SetInterval(300);
  clock.Advance(299);
  ProcessMessages();
  EXPECT_EQ(calls, 1);
  clock.Advance(1);
  ProcessMessages();
  EXPECT_EQ(calls, 2);
}

TEST(Timer, AHandlerMayDestroyOrReplaceTimersAndNeverRunsInsideItself) {
  TFakeClock clock;
  auto first = std::make_unique<TTimer>(clock);
  TTimer second(clock);
  first->SetInterval(10);
  second.SetInterval(10);
  std::vector<int> order;
  int nested = 0;
  first->SetOnTimer([&] {
    order.push_back(1);
    first.reset();  // destroys itself while it runs
  });
  second.SetOnTimer([&] {
    order.push_back(2);
    clock.Advance(10);
    nested += int(ProcessMessages());  // a modal loop inside the handler
    second.SetOnTimer([&] { order.push_back(3); });
  });
  clock.Advance(10);
  ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_EQ(nested, 0);
  EXPECT_EQ(first, nullptr);
  clock.Advance(10);
  ProcessMessages();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(Timer, ASteadyClockTimerWakesTheQueueDescriptorAndThePump) {
  TTimer timer;
  // Long enough that "not yet due" holds on a loaded machine right after a firing.
  timer.SetInterval(60);
  int calls = 0;
  timer.SetOnTimer([&] { ++calls; });
  int fd = MessageQueueFd();
  EXPECT_FALSE(FdReadable(fd));
  ASSERT_TRUE(FdReadable(fd, kGenerous));  // nothing posted: only the timer can wake it
  EXPECT_EQ(ProcessMessages(), 1u);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(FdReadable(fd));

  ASSERT_TRUE(WaitMessage(kGenerous));
  EXPECT_EQ(ProcessMessages(), 1u);

  TWaitableEvent done;
  timer.SetOnTimer([&] {
    if (++calls == 5) done.Set();
  });
  EXPECT_TRUE(PumpUntil(done, kGenerous));
  timer.SetEnabled(false);
  EXPECT_FALSE(WaitMessage(20));
}

TEST(Timer, TimersFireOnlyOnTheirOwnThread) {
  TFakeClock clock;
  int calls = 0;
  std::unique_ptr<TTimer> timer;
  std::thread([&] {
    timer = std::make_unique<TTimer>(clock);
    timer->SetInterval(1);
    timer->SetOnTimer([&] { ++calls; });
    clock.Advance(5);
    ProcessMessages();
    timer.reset();
  }).join();
  EXPECT_EQ(calls, 1);
  TTimer mine(clock);
  mine.SetInterval(1);
  mine.SetOnTimer([&] { calls += 10; });
  clock.Advance(5);
  EXPECT_EQ(ProcessMessages(), 1u);
  EXPECT_EQ(calls, 11);
}

// Timers made and destroyed in any order: those due together fire in the order they were made,
// and the queue's descriptor stays set for the nearest steady-clock deadline, also when the
// timer that had it goes.
TEST(Timer, TimersComeAndGoInAnyOrder) {
  TFakeClock clock;
  std::vector<int> order;
  std::vector<std::unique_ptr<TTimer>> fake;
  for (int i = 0; i < 6; ++i) {
    fake.push_back(std::make_unique<TTimer>(clock));
    fake.back()->SetInterval(10);
    fake.back()->SetOnTimer([&order, i] { order.push_back(i); });
  }
  fake[1].reset();
  fake[4].reset();
  clock.Advance(10);
  EXPECT_EQ(ProcessMessages(), 4u);
  EXPECT_EQ(order, (std::vector<int>{0, 2, 3, 5}));

  // Deadlines minutes apart, so that each is known on a loaded machine.
  const int fd = detail::ThreadTimerFd();
  const auto armedSeconds = [fd] {
    itimerspec spec{};
    ::timerfd_gettime(fd, &spec);
    return spec.it_value.tv_sec + (spec.it_value.tv_nsec > 0 ? 1 : 0);
  };
  std::vector<std::unique_ptr<TTimer>> steady(5);
  for (int i : {3, 0, 4, 1, 2}) {
    steady[i] = std::make_unique<TTimer>();
    steady[i]->SetInterval(uint32_t(100000 * (i + 1)));
    steady[i]->SetOnTimer([] {});
  }
  const auto expectNearest = [&](int seconds) {
    SCOPED_TRACE(seconds);
    EXPECT_LE(armedSeconds(), seconds);
    EXPECT_GT(armedSeconds(), seconds - 50);
    EXPECT_LE(detail::NextTimerDelayMs(), seconds * 1000);
    EXPECT_GT(detail::NextTimerDelayMs(), (seconds - 50) * 1000);
  };
  expectNearest(100);
  steady[0].reset();
  expectNearest(200);
  steady[1]->SetEnabled(false);
  expectNearest(300);
  steady[4].reset();
  expectNearest(300);
  steady[1]->SetEnabled(true);  // its interval starts again
  expectNearest(200);
  steady[1].reset();
  steady[2].reset();
  expectNearest(400);
  steady[3].reset();
  EXPECT_EQ(armedSeconds(), 0);
  EXPECT_EQ(detail::NextTimerDelayMs(), -1);
  EXPECT_FALSE(FdReadable(MessageQueueFd()));
}
