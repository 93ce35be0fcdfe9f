#include "DailySend.h"

#include <time.h>

#include <algorithm>
#include <cstdio>

namespace quayside {

namespace {

// Sends are remembered this long, beyond any clock set back by a day.
constexpr int64_t kRemember = 2 * 86400;

}  // namespace

int64_t TSystemSecondsClock::NowSeconds() const { return int64_t(::time(nullptr)); }

std::optional<TLocalTime> LocalTimeOf(int64_t seconds) {
  const time_t t = time_t(seconds);
  if (int64_t(t) != seconds) return std::nullopt;
  struct tm parts {};
  if (!::localtime_r(&t, &parts)) return std::nullopt;
  return TLocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                    parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::optional<int64_t> MomentOf(const TLocalTime& local) {
  struct tm parts {};
  parts.tm_year = local.Year - 1900;
  parts.tm_mon = local.Month - 1;
  parts.tm_mday = local.Day;
  parts.tm_hour = local.Hour;
  parts.tm_min = local.Minute;
  parts.tm_sec = local.Second;
  parts.tm_isdst = -1;
  const time_t t = ::mktime(&parts);
  if (t == time_t(-1)) {
    // -1 is also the moment one second before 1970.
    const auto check = LocalTimeOf(-1);
    if (!check || !(*check == local)) return std::nullopt;
  }
  return int64_t(t);
}

int64_t SendTimeSeconds(const std::string& sendTime) { return ReadNumber64(sendTime); }

std::string SendTimeText(int64_t seconds) { return FormatNumber(seconds); }

std::string SendTimeOfDay(const std::string& sendTime) {
  const auto local = LocalTimeOf(SendTimeSeconds(sendTime));
  if (!local) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", local->Hour, local->Minute, local->Second);
  return text;
}

std::vector<size_t> TDailySendRule::Tick(int64_t now, const std::vector<TDisplayItem>& items) {
  std::vector<size_t> due;
  const int64_t from = std::max(previous_ + 1, now - MaxSpan + 1);
  previous_ = now;
  if (from > now) return due;

  struct TWanted {
    size_t Index;
    TLocalTime At;
  };
  std::vector<TWanted> wanted;
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i].AutoSend == 0) continue;
    if (const auto at = LocalTimeOf(SendTimeSeconds(items[i].SendTime))) wanted.push_back({i, *at});
  }

  for (int64_t t = from; t <= now && !wanted.empty(); ++t) {
    const auto local = LocalTimeOf(t);
    if (!local) continue;
    for (const TWanted& w : wanted) {
      if (w.At.Hour != local->Hour || w.At.Minute != local->Minute || w.At.Second != local->Second)
        continue;
      const TKey key{w.Index,     local->Year,   local->Month, local->Day,
                     local->Hour, local->Minute, local->Second};
      if (sent_.emplace(key, t).second) due.push_back(w.Index);
    }
  }
  std::erase_if(sent_, [&](const auto& entry) { return entry.second < now - kRemember; });
  return due;
}

}  // namespace quayside
