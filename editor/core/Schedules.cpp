#include "Schedules.h"

#include <cstdio>

#include "platform/base/ByteOrder.h"
#include "platform/base/DateTime.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr size_t OnTimes = 4;
constexpr size_t OffTimes = 60;
constexpr size_t StampSize = 8;
constexpr size_t LevelsAt = 4;

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }

// The stamp's milliseconds as the dialog reads them; the day number says nothing about a time
// of day.
std::string StampText(const uint8_t* stamp) { return TimeText(platform::LoadU32(stamp)); }

void StoreStamp(uint8_t* stamp, int32_t ms) {
  platform::StoreU32(stamp, uint32_t(ms));
  platform::StoreU32(stamp + 4, uint32_t(ScheduleDayNumber));
}

int32_t CellTime(const std::string& text, int day, bool on) {
  if (auto ms = TimeOfText(text)) return *ms;
  throw EScheduleConvertError(WeekDayName(day) + Gbk(on ? "开屏时间" : "关屏时间") + " \"" + text + "\" " +
                              Gbk("不是有效的时间，请重新设置"));
}

}  // namespace

std::string TimeText(int64_t msOfDay) {
  if (msOfDay < 0 || msOfDay >= platform::MSecsPerDay) msOfDay = 0;
  const int64_t seconds = msOfDay / 1000;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                int(seconds % 60));
  return text;
}

std::optional<int32_t> TimeOfText(std::string_view text) {
  // A date in the text would not be a time of day: only the bare time (which falls on day 0)
  // passes.
  auto value = platform::ParseDateTime(text);
  if (!value) return std::nullopt;
  auto stamp = platform::DateTimeToTimeStamp(*value);
  if (!stamp || stamp->Date != platform::DateDelta) return std::nullopt;
  return stamp->Time;
}

TPowerGrid DecodePowerSchedule(std::span<const uint8_t, PowerScheduleSize> block) {
  TPowerGrid grid;
  grid.Auto = platform::LoadU32(block.data()) == ScheduleMarker;
  for (int d = 0; d < WeekDays; ++d) {
    grid.On[size_t(d)] = StampText(block.data() + OnTimes + StampSize * size_t(d));
    grid.Off[size_t(d)] = StampText(block.data() + OffTimes + StampSize * size_t(d));
  }
  return grid;
}

std::array<uint8_t, PowerScheduleSize> EncodePowerSchedule(const TPowerGrid& grid) {
  std::array<uint8_t, PowerScheduleSize> block{};
  if (grid.Auto) platform::StoreU32(block.data(), ScheduleMarker);
  for (int d = 0; d < WeekDays; ++d) {
    StoreStamp(block.data() + OnTimes + StampSize * size_t(d), CellTime(grid.On[size_t(d)], d, true));
    StoreStamp(block.data() + OffTimes + StampSize * size_t(d), CellTime(grid.Off[size_t(d)], d, false));
  }
  return block;
}

const std::string& BrightLevelName(int level) {
  static const std::array<std::string, BrightLevels> names = [] {
    std::array<std::string, BrightLevels> n;
    for (int i = 0; i < BrightLevels; ++i) n[size_t(i)] = std::to_string(i) + Gbk("级亮度");
    return n;
  }();
  if (level < 0 || level >= BrightLevels) level = BrightLevels - 1;
  return names[size_t(level)];
}

int BrightLevelOf(std::string_view text) {
  for (int level = BrightLevels - 1; level >= 0; --level)
    if (platform::GbkSameText(text, BrightLevelName(level))) return level;
  return BrightLevels - 1;
}

std::string HourRangeText(int hour) {
  char text[32];
  std::snprintf(text, sizeof text, "%02d:00 --- %02d:59", hour, hour);
  return text;
}

TGridCell BrightCellOfHour(int hour) { return {hour < 12 ? 1 : 3, hour % 12 + 1}; }

TBrightGrid DecodeBrightSchedule(std::span<const uint8_t, BrightScheduleSize> block) {
  TBrightGrid grid;
  grid.Auto = platform::LoadU32(block.data()) == ScheduleMarker;
  for (int h = 0; h < Hours; ++h) grid.Levels[size_t(h)] = BrightLevelName(block[LevelsAt + size_t(h)]);
  return grid;
}

std::array<uint8_t, BrightScheduleSize> EncodeBrightSchedule(const TBrightGrid& grid) {
  std::array<uint8_t, BrightScheduleSize> block{};
  if (grid.Auto) platform::StoreU32(block.data(), ScheduleMarker);
  for (int h = 0; h < Hours; ++h) block[LevelsAt + size_t(h)] = uint8_t(BrightLevelOf(grid.Levels[size_t(h)]));
  return block;
}

const std::string& WeekDayName(int day) {
  static const std::array<std::string, WeekDays> names = {Gbk("星期日"), Gbk("星期一"), Gbk("星期二"),
                                                          Gbk("星期三"), Gbk("星期四"), Gbk("星期五"),
                                                          Gbk("星期六")};
  return names[size_t(day < 0 || day >= WeekDays ? 0 : day)];
}

}  // namespace editor
