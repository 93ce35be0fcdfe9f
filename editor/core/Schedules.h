#pragma once
// The card's two schedules as the schedule dialogs show them: the power schedule (116 bytes: a
// marker, then an on and an off time stamp for each weekday) and the brightness schedule
// (28 bytes: a marker, then a level 0..7 for each hour). The same bytes are the screen's copy,
// the card's payload and the "*.Tim" and "*.Bri" files. All texts are GBK.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace editor {

inline constexpr size_t PowerScheduleSize = 116;
inline constexpr size_t BrightScheduleSize = 28;
// The first u32 of a schedule while the card runs it by itself; any other value is "off".
inline constexpr uint32_t ScheduleMarker = 0x55AAAA55;
// The day number the dialog writes into every time stamp (1899-12-30; 0001-01-01 is day 1).
inline constexpr int32_t ScheduleDayNumber = 693594;
inline constexpr int WeekDays = 7;
inline constexpr int Hours = 24;
inline constexpr int BrightLevels = 8;

// A cell that holds no valid time of day, so the schedule cannot be built; nothing is sent or
// written. The text (GBK) names the cell.
class EScheduleConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "HH:NN:SS" of milliseconds since midnight; a value outside the day (a card that never had a
// schedule, a file of any bytes) is "00:00:00".
std::string TimeText(int64_t msOfDay);
// The milliseconds of a time of day written as "H:N", "H:N:S" or "H:N:S.zzz" (one or two
// digits each, blanks around); nothing for any other text or an impossible time.
std::optional<int32_t> TimeOfText(std::string_view text);

// The power schedule as the dialog shows it.
struct TPowerGrid {
  bool Auto = false;                          // " 是否自动开关屏"
  std::array<std::string, WeekDays> On, Off;  // "HH:NN:SS", index 0 = Sunday
  bool operator==(const TPowerGrid&) const = default;
};
// Only the milliseconds of each stamp count; its day number is ignored.
TPowerGrid DecodePowerSchedule(std::span<const uint8_t, PowerScheduleSize> block);
// A zeroed block with the marker when checked and every cell as a stamp on day 693594. Throws
// EScheduleConvertError for the first cell (Sunday's on time first) that is not a time.
std::array<uint8_t, PowerScheduleSize> EncodePowerSchedule(const TPowerGrid& grid);

// The level names "0级亮度" .. "7级亮度".
const std::string& BrightLevelName(int level);  // a level above 7 (or below 0) names 7
// The level a text names (ASCII letters folded, searched from 7 down); 7 when none.
int BrightLevelOf(std::string_view text);
// "HH:00 --- HH:59" for hour h.
std::string HourRangeText(int hour);
// Where hour h stands in the brightness grid: rows 1..12, level column 1 (hours 0-11) or 3.
struct TGridCell {
  int Col = 0, Row = 0;
  bool operator==(const TGridCell&) const = default;
};
TGridCell BrightCellOfHour(int hour);

// The brightness schedule as the dialog shows it.
struct TBrightGrid {
  bool Auto = false;                        // " 是否自动进行亮度调节"
  std::array<std::string, Hours> Levels;    // level names, index = hour
  bool operator==(const TBrightGrid&) const = default;
};
TBrightGrid DecodeBrightSchedule(std::span<const uint8_t, BrightScheduleSize> block);
// A zeroed block with the marker when checked and each hour's level by name.
std::array<uint8_t, BrightScheduleSize> EncodeBrightSchedule(const TBrightGrid& grid);

// The grids' fixed texts.
const std::string& WeekDayName(int day);  // "星期日" .. "星期六"

}  // namespace editor
