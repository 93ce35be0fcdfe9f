#include "DateTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace platform {

namespace {

constexpr int kDaysBeforeMonth[2][13] = {
    {0, 0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334},
    {0, 0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335}};

// The day and the time of day combined as the framework does: before 1899-12-30 the fraction
// is subtracted, so it still counts forward into that (negative) day.
TDateTime Compose(int32_t days, int32_t ms) {
  const double fraction = double(ms) / MSecsPerDay;
  return days >= 0 ? days + fraction : days - fraction;
}

// A small scanner over the text being parsed.
class TScanner {
 public:
  explicit TScanner(std::string_view text) : text_(text) {}
  bool AtEnd() const { return pos_ == text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }
  bool Take(char c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  void SkipSpaces() {
    while (Peek() == ' ' || Peek() == '\t') ++pos_;
  }
  // Reads minDigits..maxDigits decimal digits.
  std::optional<int> Number(int minDigits, int maxDigits) {
    int value = 0, digits = 0;
    while (digits < maxDigits && Peek() >= '0' && Peek() <= '9') {
      value = value * 10 + (Peek() - '0');
      ++pos_;
      ++digits;
    }
    if (digits < minDigits || (Peek() >= '0' && Peek() <= '9')) return std::nullopt;
    return value;
  }
  size_t Position() const { return pos_; }
  void Rewind(size_t pos) { pos_ = pos; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

// "HH:NN[:SS[.zzz]]" into parts.
bool ScanTime(TScanner& s, TDateTimeParts& p) {
  auto hour = s.Number(1, 2);
  if (!hour || !s.Take(':')) return false;
  auto minute = s.Number(1, 2);
  if (!minute) return false;
  p.Hour = *hour;
  p.Minute = *minute;
  if (s.Take(':')) {
    auto second = s.Number(1, 2);
    if (!second) return false;
    p.Second = *second;
    if (s.Take('.')) {
      const size_t first = s.Position();
      auto ms = s.Number(1, 3);
      if (!ms) return false;
      // A fraction of a second: ".5" is 500 ms.
      for (size_t digits = s.Position() - first; digits < 3; ++digits) *ms *= 10;
      p.Millisecond = *ms;
    }
  }
  return true;
}

std::atomic<TWallClock*> installedClock{nullptr};

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static constexpr int days[13] = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month];
}

bool IsValidDate(int year, int month, int day) {
  return year >= 1 && year <= 9999 && day >= 1 && day <= DaysInMonth(year, month);
}

bool IsValidTime(int hour, int minute, int second, int millisecond) {
  return hour >= 0 && hour < 24 && minute >= 0 && minute < 60 && second >= 0 && second < 60 &&
         millisecond >= 0 && millisecond < 1000;
}

std::optional<int32_t> DayNumber(int year, int month, int day) {
  if (!IsValidDate(year, month, day)) return std::nullopt;
  const int32_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400 + kDaysBeforeMonth[IsLeapYear(year)][month] + day;
}

std::optional<TDateTimeParts> DateOfDayNumber(int32_t dayNumber) {
  if (dayNumber < 1 || dayNumber > MaxDayNumber) return std::nullopt;
  int32_t n = dayNumber - 1;  // days since 0001-01-01
  const int32_t cycles400 = n / 146097;
  n %= 146097;
  int32_t cycles100 = n / 36524;
  if (cycles100 == 4) cycles100 = 3;  // the last day of a 400-year cycle
  n -= cycles100 * 36524;
  const int32_t cycles4 = n / 1461;
  n %= 1461;
  int32_t years = n / 365;
  if (years == 4) years = 3;  // the last day of a leap cycle
  n -= years * 365;
  TDateTimeParts p;
  p.Year = cycles400 * 400 + cycles100 * 100 + cycles4 * 4 + years + 1;
  const int* before = kDaysBeforeMonth[IsLeapYear(p.Year)];
  p.Month = 12;
  while (before[p.Month] > n) --p.Month;
  p.Day = n - before[p.Month] + 1;
  return p;
}

std::optional<TDateTime> EncodeDate(int year, int month, int day) {
  auto number = DayNumber(year, month, day);
  if (!number) return std::nullopt;
  return double(*number - DateDelta);
}

std::optional<TDateTime> EncodeTime(int hour, int minute, int second, int millisecond) {
  if (!IsValidTime(hour, minute, second, millisecond)) return std::nullopt;
  return double(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / MSecsPerDay;
}

std::optional<TDateTime> EncodeDateTime(const TDateTimeParts& p) {
  auto number = DayNumber(p.Year, p.Month, p.Day);
  if (!number || !IsValidTime(p.Hour, p.Minute, p.Second, p.Millisecond)) return std::nullopt;
  const int32_t ms = ((p.Hour * 60 + p.Minute) * 60 + p.Second) * 1000 + p.Millisecond;
  return Compose(*number - DateDelta, ms);
}

std::optional<TTimeStamp> DateTimeToTimeStamp(TDateTime value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double whole = std::trunc(value);
  // Checked before converting, so a huge value never reaches an int conversion.
  if (whole < 1.0 - DateDelta || whole > double(MaxDayNumber - DateDelta)) return std::nullopt;
  TTimeStamp stamp;
  stamp.Date = int32_t(whole) + DateDelta;
  // nearbyint rounds halves to even, as the framework's Round does.
  stamp.Time = int32_t(std::nearbyint(std::fabs(value - whole) * MSecsPerDay));
  if (stamp.Time >= MSecsPerDay) {
    // 23:59:59.9995 and later is midnight of the next day.
    stamp.Time -= MSecsPerDay;
    ++stamp.Date;
    if (stamp.Date > MaxDayNumber) return std::nullopt;
  }
  return stamp;
}

std::optional<TDateTime> TimeStampToDateTime(const TTimeStamp& stamp) {
  if (stamp.Date < 1 || stamp.Date > MaxDayNumber || stamp.Time < 0 || stamp.Time >= MSecsPerDay)
    return std::nullopt;
  return Compose(stamp.Date - DateDelta, stamp.Time);
}

std::optional<TDateTimeParts> DecodeDateTime(TDateTime value) {
  auto stamp = DateTimeToTimeStamp(value);
  if (!stamp) return std::nullopt;
  auto p = DateOfDayNumber(stamp->Date);
  int32_t ms = stamp->Time;
  p->Millisecond = ms % 1000;
  ms /= 1000;
  p->Second = ms % 60;
  ms /= 60;
  p->Minute = ms % 60;
  p->Hour = ms / 60;
  return p;
}

std::optional<int> DayOfWeek(TDateTime value) {
  auto stamp = DateTimeToTimeStamp(value);
  if (!stamp) return std::nullopt;
  return stamp->Date % 7;  // day 1 (0001-01-01) was a Monday
}

std::string FormatDateTime(TDateTime value) {
  auto p = DecodeDateTime(value);
  if (!p) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", p->Year, p->Month, p->Day,
                p->Hour, p->Minute, p->Second);
  return text;
}

std::optional<TDateTime> ParseDateTime(std::string_view text) {
  TScanner s(text);
  TDateTimeParts p;
  s.SkipSpaces();
  const size_t start = s.Position();
  bool haveDate = false;
  if (auto year = s.Number(4, 4)) {
    const char sep = s.Peek();
    if ((sep == '-' || sep == '/') && s.Take(sep)) {
      auto month = s.Number(1, 2);
      if (!month || !s.Take(sep)) return std::nullopt;
      auto day = s.Number(1, 2);
      if (!day) return std::nullopt;
      p.Year = *year;
      p.Month = *month;
      p.Day = *day;
      haveDate = true;
    }
  }
  if (haveDate) {
    const size_t beforeSpace = s.Position();
    s.SkipSpaces();
    if (s.AtEnd()) {
      p.Hour = p.Minute = p.Second = p.Millisecond = 0;
      return EncodeDateTime(p);
    }
    if (s.Position() == beforeSpace || !ScanTime(s, p)) return std::nullopt;
  } else {
    s.Rewind(start);
    if (!ScanTime(s, p)) return std::nullopt;
    p.Year = 1899;
    p.Month = 12;
    p.Day = 30;
  }
  s.SkipSpaces();
  if (!s.AtEnd()) return std::nullopt;
  return EncodeDateTime(p);
}

std::optional<TDateTime> SystemTimeToDateTime(const TSystemTime& t) {
  TDateTimeParts p{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
  return EncodeDateTime(p);
}

std::optional<TSystemTime> DateTimeToSystemTime(TDateTime value) {
  auto p = DecodeDateTime(value);
  if (!p) return std::nullopt;
  TSystemTime t;
  t.wYear = uint16_t(p->Year);
  t.wMonth = uint16_t(p->Month);
  t.wDayOfWeek = uint16_t(*DayOfWeek(value));
  t.wDay = uint16_t(p->Day);
  t.wHour = uint16_t(p->Hour);
  t.wMinute = uint16_t(p->Minute);
  t.wSecond = uint16_t(p->Second);
  t.wMilliseconds = uint16_t(p->Millisecond);
  return t;
}

TDateTime TSystemWallClock::Now() const {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now - system_clock::from_time_t(seconds)).count();
  std::tm local{};
  localtime_r(&seconds, &local);
  TDateTimeParts p{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                   local.tm_min, local.tm_sec, int(ms)};
  if (p.Second > 59) p.Second = 59;  // a leap second
  return EncodeDateTime(p).value_or(0.0);
}

TWallClock& WallClock() {
  static TSystemWallClock system;
  TWallClock* installed = installedClock.load();
  return installed ? *installed : system;
}

void SetWallClock(TWallClock* clock) { installedClock.store(clock); }

TDateTime Now() { return WallClock().Now(); }

TSystemTime LocalSystemTime() { return DateTimeToSystemTime(Now()).value_or(TSystemTime{}); }

TScopedWallClock::TScopedWallClock(TWallClock& clock)
    : previous_(installedClock.exchange(&clock)) {}

TScopedWallClock::~TScopedWallClock() { installedClock.store(previous_); }

}  // namespace platform
