// Daily sends on a fake calendar clock, in a time zone set by the test: the exact second,
// skipped and repeated seconds, daylight saving changes, clocks set back or jumping forward,
// SendTime changed during the day, and several items due together.
#include <stdlib.h>
#include <time.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "clients/quayside/DailySend.h"

namespace quayside {
namespace {

class DailySend : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = getenv("TZ")) saved_ = tz;
  }
  void TearDown() override {
    if (saved_)
      setenv("TZ", saved_->c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  static void Zone(const char* tz) {
    setenv("TZ", tz, 1);
    tzset();
  }
  static int64_t At(int y, int mo, int d, int h, int mi, int s) {
    const auto t = MomentOf({y, mo, d, h, mi, s});
    EXPECT_TRUE(t);
    return t.value_or(0);
  }
  static TDisplayItem Item(int64_t sendTime, int autoSend = 1) {
    TDisplayItem item;
    item.SendTime = SendTimeText(sendTime);
    item.AutoSend = autoSend;
    return item;
  }
  // Ticks every second of [from, to]; the moments at which each item went out.
  static std::vector<std::pair<int64_t, size_t>> RunSeconds(TDailySendRule& rule, int64_t from,
                                                            int64_t to,
                                                            const std::vector<TDisplayItem>& items) {
    std::vector<std::pair<int64_t, size_t>> sent;
    for (int64_t t = from; t <= to; ++t)
      for (size_t i : rule.Tick(t, items)) sent.emplace_back(t, i);
    return sent;
  }

 private:
  std::optional<std::string> saved_;
};

using Sends = std::vector<std::pair<int64_t, size_t>>;

TEST_F(DailySend, LocalTimeConversions) {
  Zone("CST-8");
  EXPECT_EQ(1142870400, At(2006, 3, 21, 0, 0, 0));  // the time picker's first value
  EXPECT_EQ((TLocalTime{2006, 3, 21, 8, 0, 0}), *LocalTimeOf(1142899200));
  EXPECT_EQ("08:00:00", SendTimeOfDay("1142899200"));
  EXPECT_EQ("08:00:00", SendTimeOfDay(" 1142899200"));
  EXPECT_EQ("08:00:00", SendTimeOfDay(""));  // no number: 1970-01-01 00:00 UTC
  EXPECT_EQ(1142899200, SendTimeSeconds("1142899200"));
  EXPECT_EQ("1142899200", SendTimeText(1142899200));
}

TEST_F(DailySend, TheExactSecondOnceADay) {
  Zone("CST-8");
  // A SendTime saved in 2006: only its time of day counts.
  const std::vector<TDisplayItem> items = {Item(At(2006, 3, 21, 8, 0, 0))};
  const int64_t start = At(2024, 5, 1, 7, 59, 0);
  TDailySendRule rule(start);
  const int64_t eight = At(2024, 5, 1, 8, 0, 0);
  EXPECT_EQ((Sends{{eight, 0}}), RunSeconds(rule, start + 1, eight + 3600, items));
  // The next day again, at the same time.
  const int64_t next = At(2024, 5, 2, 8, 0, 0);
  EXPECT_EQ((Sends{{next, 0}}), RunSeconds(rule, eight + 3601, next + 60, items));
}

TEST_F(DailySend, SkippedAndRepeatedSeconds) {
  Zone("CST-8");
  const std::vector<TDisplayItem> items = {Item(At(2006, 3, 21, 8, 0, 0))};
  const int64_t eight = At(2024, 5, 1, 8, 0, 0);
  {
    // 07:59:59, then 08:00:01: the tick that skipped 08:00:00 sends, once.
    TDailySendRule rule(eight - 10);
    EXPECT_TRUE(rule.Tick(eight - 1, items).empty());
    EXPECT_EQ(std::vector<size_t>{0}, rule.Tick(eight + 1, items));
    EXPECT_TRUE(rule.Tick(eight + 2, items).empty());
  }
  {
    // Two ticks in one second.
    TDailySendRule rule(eight - 1);
    EXPECT_EQ(std::vector<size_t>{0}, rule.Tick(eight, items));
    EXPECT_TRUE(rule.Tick(eight, items).empty());
  }
  {
    // The clock set back after 08:00 goes through 08:00 again: no second send.
    TDailySendRule rule(eight - 1);
    EXPECT_EQ((Sends{{eight, 0}}), RunSeconds(rule, eight, eight + 5, items));
    EXPECT_TRUE(rule.Tick(eight - 10, items).empty());
    EXPECT_TRUE(RunSeconds(rule, eight - 9, eight + 30, items).empty());
  }
}

TEST_F(DailySend, JumpsForwardSendNothingStale) {
  Zone("CST-8");
  const std::vector<TDisplayItem> items = {Item(At(2006, 3, 21, 8, 0, 0))};
  const int64_t eight = At(2024, 5, 1, 8, 0, 0);
  {
    // Three hours at once (a clock set forward, a machine woken from sleep).
    TDailySendRule rule(eight - 3600);
    EXPECT_TRUE(rule.Tick(eight + 2 * 3600, items).empty());
    EXPECT_TRUE(RunSeconds(rule, eight + 2 * 3600 + 1, eight + 3 * 3600, items).empty());
  }
  {
    // A tick late by less than a minute still sends.
    TDailySendRule rule(eight - 30);
    EXPECT_EQ(std::vector<size_t>{0}, rule.Tick(eight + 29, items));
  }
  {
    // ... but only what the last minute held.
    TDailySendRule rule(eight - 30);
    EXPECT_TRUE(rule.Tick(eight + 60, items).empty());
  }
}

TEST_F(DailySend, AutoSendOffAndSeveralItemsInListOrder) {
  Zone("CST-8");
  const int64_t eight = At(2024, 5, 1, 8, 0, 0);
  const std::vector<TDisplayItem> items = {
      Item(At(2006, 3, 21, 8, 0, 1)),     Item(At(2010, 1, 1, 8, 0, 0), 0),
      Item(At(2006, 3, 21, 8, 0, 0)),     Item(At(2020, 7, 7, 8, 0, 0)),
      Item(At(2006, 3, 21, 9, 0, 0)),
  };
  TDailySendRule rule(eight - 5);
  // Item 1 has AutoSend 0; items 2 and 3 are due at 08:00:00 in list order, item 0 a second
  // later.
  EXPECT_EQ((std::vector<size_t>{2, 3, 0}), rule.Tick(eight + 5, items));
  EXPECT_TRUE(RunSeconds(rule, eight + 6, eight + 3000, items).empty());
}

TEST_F(DailySend, SendTimeMovedLaterTheSameDay) {
  Zone("CST-8");
  const int64_t eight = At(2024, 5, 1, 8, 0, 0);
  std::vector<TDisplayItem> items = {Item(At(2006, 3, 21, 8, 0, 0))};
  TDailySendRule rule(eight - 1);
  EXPECT_EQ((Sends{{eight, 0}}), RunSeconds(rule, eight, eight + 60, items));
  items[0].SendTime = SendTimeText(At(2006, 3, 21, 9, 0, 0));
  EXPECT_EQ((Sends{{eight + 3600, 0}}), RunSeconds(rule, eight + 61, eight + 3660, items));
  // Back to 08:00 later that day: 08:00 has passed, nothing more today.
  items[0].SendTime = SendTimeText(At(2006, 3, 21, 8, 0, 0));
  EXPECT_TRUE(RunSeconds(rule, eight + 3661, eight + 4000, items).empty());
}

TEST_F(DailySend, DaylightSavingChanges) {
  Zone("CET-1CEST,M3.5.0,M10.5.0/3");
  const std::vector<TDisplayItem> items = {Item(At(2024, 1, 10, 2, 30, 0))};
  {
    // 27 October 2024: 02:00-03:00 happens twice; 02:30 goes out once, the first time.
    const int64_t midnightUtc = 1729987200;  // 2024-10-27 00:00:00 UTC = 02:00 CEST
    TDailySendRule rule(midnightUtc - 3600);
    const Sends sent = RunSeconds(rule, midnightUtc - 3599, midnightUtc + 3 * 3600, items);
    EXPECT_EQ((Sends{{midnightUtc + 1800, 0}}), sent);
  }
  {
    // 31 March 2024: 02:00-03:00 does not happen; 02:30 goes out the next day only.
    const int64_t dayStart = At(2024, 3, 31, 0, 0, 0);
    TDailySendRule rule(dayStart - 1);
    EXPECT_TRUE(RunSeconds(rule, dayStart, dayStart + 23 * 3600 - 1, items).empty());
    const int64_t next = At(2024, 4, 1, 2, 30, 0);
    EXPECT_EQ((Sends{{next, 0}}), RunSeconds(rule, dayStart + 23 * 3600, next + 10, items));
  }
}

}  // namespace
}  // namespace quayside
