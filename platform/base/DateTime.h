#pragma once
// Dates and times as the whole system keeps them, in the manner of the GUI framework:
//
//   TDateTime   days since 30 December 1899 00:00 as a double, the time of day being the
//               fraction. Before that date the whole part is negative and the fraction still
//               counts forward into the day: -1.25 is 29 December 1899, 06:00.
//   TTimeStamp  the same moment as milliseconds of the day and a day number, 1 January 0001
//               being day 1 (proleptic Gregorian); 30 December 1899 is day DateDelta.
//
// Valid moments run from 0001-01-01 00:00:00.000 to 9999-12-31 23:59:59.999. Everything here is
// locale-free: texts are always "YYYY-MM-DD HH:NN:SS".
//
// "Now" is the local time of a wall clock that tests replace (SetWallClock), so nothing that
// shows or sends the date depends on when the test runs.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/ByteOrder.h"

namespace platform {

using TDateTime = double;

constexpr int32_t MSecsPerDay = 86400000;
constexpr int32_t DateDelta = 693594;   // day number of 1899-12-30
constexpr int32_t MaxDayNumber = 3652059;  // day number of 9999-12-31

struct TTimeStamp {
  int32_t Time = 0;  // milliseconds since midnight, 0 .. MSecsPerDay - 1
  int32_t Date = 0;  // day number, 1 January 0001 = 1
  bool operator==(const TTimeStamp&) const = default;
};

struct TDateTimeParts {
  int Year = 0, Month = 0, Day = 0;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  bool operator==(const TDateTimeParts&) const = default;
};

bool IsLeapYear(int year);
// 0 for a month outside 1..12.
int DaysInMonth(int year, int month);
bool IsValidDate(int year, int month, int day);  // year 1..9999
bool IsValidTime(int hour, int minute, int second, int millisecond);

// Day number of a date (1 January 0001 = 1), or nothing for an invalid date.
std::optional<int32_t> DayNumber(int year, int month, int day);
// The date of a day number 1..MaxDayNumber; nothing outside that range.
std::optional<TDateTimeParts> DateOfDayNumber(int32_t dayNumber);

std::optional<TDateTime> EncodeDate(int year, int month, int day);
std::optional<TDateTime> EncodeTime(int hour, int minute, int second, int millisecond);
std::optional<TDateTime> EncodeDateTime(const TDateTimeParts& parts);

// The time of day is rounded to the nearest millisecond (halves to even). A time that rounds up
// to 24:00 belongs to the next day: the result is 00:00:00.000 of the following date, never
// Time = MSecsPerDay. Nothing for NaN, infinities and moments outside the valid range.
std::optional<TTimeStamp> DateTimeToTimeStamp(TDateTime value);
// Nothing for a stamp whose fields are out of range.
std::optional<TDateTime> TimeStampToDateTime(const TTimeStamp& stamp);

// The parts of a moment, through the rounded stamp above (so seconds are never 60).
std::optional<TDateTimeParts> DecodeDateTime(TDateTime value);
// 0 = Sunday .. 6 = Saturday; nothing for an invalid moment.
std::optional<int> DayOfWeek(TDateTime value);

// "YYYY-MM-DD HH:NN:SS" (milliseconds are cut, not rounded into the seconds); an empty string
// for an invalid moment.
std::string FormatDateTime(TDateTime value);
// Reads a moment. Accepted, with optional spaces around:
//   "YYYY-MM-DD", "YYYY-MM-DD HH:NN", "YYYY-MM-DD HH:NN:SS", "YYYY-MM-DD HH:NN:SS.zzz"
//   (year 4 digits, month, day, hour, minute and second 1 or 2 digits, "/" also separates
//   dates), and a time alone, which falls on 30 December 1899 as in the framework.
// Nothing for anything else or an invalid date or time.
std::optional<TDateTime> ParseDateTime(std::string_view text);

// The Windows SYSTEMTIME record; the weekday field is ignored on the way in and filled on the
// way out. Nothing for an invalid record.
std::optional<TDateTime> SystemTimeToDateTime(const TSystemTime& time);
std::optional<TSystemTime> DateTimeToSystemTime(TDateTime value);

// The source of "now", in local time.
class TWallClock {
 public:
  virtual ~TWallClock() = default;
  virtual TDateTime Now() const = 0;
};

// The computer's clock in its local time zone.
class TSystemWallClock final : public TWallClock {
 public:
  TDateTime Now() const override;
};

// A clock that says what it was told. Safe to read from other threads.
class TFakeWallClock final : public TWallClock {
 public:
  explicit TFakeWallClock(TDateTime now = 0) : now_(now) {}
  TDateTime Now() const override { return now_.load(); }
  void Set(TDateTime now) { now_.store(now); }
  void AdvanceMs(int64_t ms) { now_.store(now_.load() + double(ms) / MSecsPerDay); }

 private:
  std::atomic<TDateTime> now_;
};

// The clock everyone reads "now" from: the system clock unless one was installed.
TWallClock& WallClock();
// Installs a clock (nullptr goes back to the system clock). The clock must outlive its use.
void SetWallClock(TWallClock* clock);
// WallClock().Now().
TDateTime Now();

// Now() as a SYSTEMTIME, as the cards take it (day of week 0 = Sunday).
TSystemTime LocalSystemTime();

// Installs a clock for the life of a scope (tests), restoring the previous one afterwards.
class TScopedWallClock {
 public:
  explicit TScopedWallClock(TWallClock& clock);
  ~TScopedWallClock();
  TScopedWallClock(const TScopedWallClock&) = delete;
  TScopedWallClock& operator=(const TScopedWallClock&) = delete;

 private:
  TWallClock* previous_;
};

}  // namespace platform
