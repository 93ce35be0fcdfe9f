#include "platform/base/DateTime.h"

#include <gtest/gtest.h>
#include <time.h>

#include <cmath>
#include <limits>

using namespace platform;

namespace {

// Day numbers and weekdays (0 = Sunday) as Python's date(y, m, d).toordinal() and
// isoweekday() % 7 give them.
struct TKnownDay {
  int Year, Month, Day;
  int32_t Ordinal;
  int Weekday;
};
constexpr TKnownDay kKnownDays[] = {
    {1, 1, 1, 1, 1},           {1, 12, 31, 365, 1},          {100, 3, 1, 36219, 1},
    {1582, 10, 15, 577736, 5}, {1600, 3, 1, 584083, 3},      {1899, 12, 30, 693594, 6},
    {1900, 1, 1, 693596, 1},   {1900, 3, 1, 693655, 4},      {2000, 1, 1, 730120, 6},
    {2000, 2, 29, 730179, 2},  {2024, 2, 29, 738945, 4},     {2024, 12, 31, 739251, 2},
    {9999, 12, 31, 3652059, 5},
};

}  // namespace

TEST(DateTime, DayNumbersMatchTheProlepticGregorianOrdinals) {
  for (const auto& k : kKnownDays) {
    SCOPED_TRACE(testing::Message() << k.Year << "-" << k.Month << "-" << k.Day);
    EXPECT_EQ(DayNumber(k.Year, k.Month, k.Day), k.Ordinal);
    auto back = DateOfDayNumber(k.Ordinal);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Year, k.Year);
    EXPECT_EQ(back->Month, k.Month);
    EXPECT_EQ(back->Day, k.Day);
    auto value = EncodeDate(k.Year, k.Month, k.Day);
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, double(k.Ordinal - DateDelta));
    EXPECT_EQ(DayOfWeek(*value), k.Weekday);
  }
}

TEST(DateTime, EveryDayNumberRoundTrips) {
  // Walks the whole range once, which checks the 4-, 100- and 400-year boundaries too.
  int32_t expected = 1;
  for (int y = 1; y <= 9999; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= DaysInMonth(y, m); ++d, ++expected) {
        ASSERT_EQ(DayNumber(y, m, d), expected);
        auto p = DateOfDayNumber(expected);
        ASSERT_TRUE(p && p->Year == y && p->Month == m && p->Day == d) << expected;
      }
  EXPECT_EQ(expected - 1, MaxDayNumber);
}

TEST(DateTime, InvalidDatesAndTimesAreRefused) {
  EXPECT_FALSE(DayNumber(0, 1, 1));
  EXPECT_FALSE(DayNumber(10000, 1, 1));
  EXPECT_FALSE(DayNumber(2023, 2, 29));
  EXPECT_FALSE(DayNumber(1900, 2, 29));
  EXPECT_TRUE(DayNumber(2000, 2, 29));
  EXPECT_FALSE(DayNumber(2024, 13, 1));
  EXPECT_FALSE(DayNumber(2024, 4, 31));
  EXPECT_FALSE(DateOfDayNumber(0));
  EXPECT_FALSE(DateOfDayNumber(MaxDayNumber + 1));
  EXPECT_FALSE(EncodeTime(24, 0, 0, 0));
  EXPECT_FALSE(EncodeTime(0, 60, 0, 0));
  EXPECT_FALSE(EncodeTime(0, 0, 60, 0));
  EXPECT_FALSE(EncodeTime(0, 0, 0, 1000));
}

TEST(DateTime, TimeStampOfCountStartAtTheTurnOfTheMillennium) {
  auto start = ParseDateTime("2000-01-01 00:00:00");
  ASSERT_TRUE(start);
  EXPECT_EQ(DateTimeToTimeStamp(*start), (TTimeStamp{0, 730120}));
  EXPECT_EQ(DateTimeToTimeStamp(0.0), (TTimeStamp{0, 693594}));
  EXPECT_EQ(DateTimeToTimeStamp(0.75), (TTimeStamp{18 * 3600 * 1000, 693594}));
}

TEST(DateTime, MillisecondsOfTheDayRoundAndCarryIntoTheNextDay) {
  const double day = *EncodeDate(2024, 12, 31);
  // Half a millisecond before midnight rounds up: the carry goes into the day.
  const double almostMidnight = day + (MSecsPerDay - 0.4) / MSecsPerDay;
  auto stamp = DateTimeToTimeStamp(almostMidnight);
  ASSERT_TRUE(stamp);
  EXPECT_EQ(*stamp, (TTimeStamp{0, 739252}));
  EXPECT_EQ(FormatDateTime(almostMidnight), "2025-01-01 00:00:00");
  // A little earlier stays on the day.
  EXPECT_EQ(DateTimeToTimeStamp(day + (MSecsPerDay - 1.4) / MSecsPerDay),
            (TTimeStamp{MSecsPerDay - 1, 739251}));
  // The last representable day cannot carry further.
  const double last = *EncodeDate(9999, 12, 31);
  EXPECT_FALSE(DateTimeToTimeStamp(last + (MSecsPerDay - 0.1) / MSecsPerDay));
  EXPECT_TRUE(DateTimeToTimeStamp(last + (MSecsPerDay - 1.0) / MSecsPerDay));
}

TEST(DateTime, MomentsBeforeTheEpochCountForwardIntoTheirDay) {
  // -1.25 is 29 December 1899 at 06:00.
  EXPECT_EQ(DateTimeToTimeStamp(-1.25), (TTimeStamp{6 * 3600 * 1000, 693593}));
  EXPECT_EQ(FormatDateTime(-1.25), "1899-12-29 06:00:00");
  auto v = ParseDateTime("1899-12-29 06:00:00");
  ASSERT_TRUE(v);
  EXPECT_DOUBLE_EQ(*v, -1.25);
  EXPECT_EQ(TimeStampToDateTime({6 * 3600 * 1000, 693593}), -1.25);
  auto first = EncodeDateTime({1, 1, 1, 0, 0, 0, 0});
  ASSERT_TRUE(first);
  EXPECT_EQ(DateTimeToTimeStamp(*first), (TTimeStamp{0, 1}));
}

TEST(DateTime, NonFiniteAndOutOfRangeValuesHaveNoStamp) {
  EXPECT_FALSE(DateTimeToTimeStamp(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(DateTimeToTimeStamp(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(DateTimeToTimeStamp(1e300));
  EXPECT_FALSE(DateTimeToTimeStamp(-693594.0));  // the day before 0001-01-01
  EXPECT_EQ(FormatDateTime(std::numeric_limits<double>::quiet_NaN()), "");
  EXPECT_FALSE(TimeStampToDateTime({MSecsPerDay, 730120}));
  EXPECT_FALSE(TimeStampToDateTime({0, 0}));
}

TEST(DateTime, ParseAcceptsTheStoredFormAndCommonVariants) {
  struct TCase {
    const char* Text;
    const char* Stored;  // nullptr: refused
  };
  const TCase cases[] = {
      {"2024-03-05 07:08:09", "2024-03-05 07:08:09"},
      {"  2024-3-5 7:08:09  ", "2024-03-05 07:08:09"},
      {"2024/03/05 23:59", "2024-03-05 23:59:00"},
      {"2024-03-05", "2024-03-05 00:00:00"},
      {"2024-03-05 07:08:09.999", "2024-03-05 07:08:09"},
      {"12:30", "1899-12-30 12:30:00"},
      {"12:30:15", "1899-12-30 12:30:15"},
      {"0001-01-01 00:00:00", "0001-01-01 00:00:00"},
      {"9999-12-31 23:59:59", "9999-12-31 23:59:59"},
      {"abc", nullptr},
      {"", nullptr},
      {"2024-02-30", nullptr},
      {"2023-02-29 10:00:00", nullptr},
      {"2024-03-05 24:00:00", nullptr},
      {"2024-03-05 12:60", nullptr},
      {"2024-03-05 12:00:60", nullptr},
      {"2024-03/05", nullptr},
      {"24-03-05", nullptr},
      {"2024-03-05T07:08:09", nullptr},
      {"2024-03-05 07:08:09 x", nullptr},
      {"2024-003-05", nullptr},
      {"0000-01-01", nullptr},
      {"2024-03-05 7", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    auto v = ParseDateTime(c.Text);
    if (!c.Stored) {
      EXPECT_FALSE(v);
      continue;
    }
    ASSERT_TRUE(v);
    EXPECT_EQ(FormatDateTime(*v), c.Stored);
    // The stored form reads back to the same moment.
    EXPECT_EQ(FormatDateTime(*ParseDateTime(c.Stored)), c.Stored);
  }
  EXPECT_EQ(DateTimeToTimeStamp(*ParseDateTime("2000-01-01 00:00:01.5")),
            (TTimeStamp{1500, 730120}));
  EXPECT_EQ(DateTimeToTimeStamp(*ParseDateTime("2000-01-01 00:00:01.025")),
            (TTimeStamp{1025, 730120}));
}

TEST(DateTime, SystemTimeConversions) {
  TSystemTime t{2024, 2, 0, 29, 13, 14, 15, 16};
  auto v = SystemTimeToDateTime(t);
  ASSERT_TRUE(v);
  auto back = DateTimeToSystemTime(*v);
  ASSERT_TRUE(back);
  t.wDayOfWeek = 4;  // a Thursday
  EXPECT_EQ(*back, t);
  EXPECT_FALSE(SystemTimeToDateTime({2023, 2, 0, 29, 0, 0, 0, 0}));
  EXPECT_FALSE(SystemTimeToDateTime({2024, 1, 0, 1, 25, 0, 0, 0}));
  EXPECT_FALSE(SystemTimeToDateTime({}));
}

TEST(DateTime, NowComesFromTheInstalledClock) {
  TFakeWallClock fake(*EncodeDateTime({2024, 6, 1, 12, 0, 0, 0}));
  {
    TScopedWallClock use(fake);
    EXPECT_EQ(FormatDateTime(Now()), "2024-06-01 12:00:00");
    fake.AdvanceMs(61000);
    EXPECT_EQ(FormatDateTime(Now()), "2024-06-01 12:01:01");
  }
  // The system clock again: some time after this code was written.
  EXPECT_GT(Now(), *EncodeDate(2024, 1, 1));
  EXPECT_EQ(&WallClock(), &WallClock());
}

TEST(DateTime, LocalSystemTimeAgreesWithTheCLibrary) {
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
