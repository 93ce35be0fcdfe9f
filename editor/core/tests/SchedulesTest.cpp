#include "editor/core/Schedules.h"

#include <gtest/gtest.h>

#include "ScheduleFixtures.h"

#include <sstream>

#include "platform/base/AtomicFile.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using platform::Utf8ToGbk;

using test::ReadFixture;

template <size_t N>
std::array<uint8_t, N> Block(const std::string& bytes) {
  std::array<uint8_t, N> block{};
  EXPECT_EQ(bytes.size(), N);
  std::copy_n(bytes.begin(), std::min(N, bytes.size()), block.begin());
  return block;
}

template <size_t N>
std::string Bytes(const std::array<uint8_t, N>& block) {
  return std::string(block.begin(), block.end());
}

// The expected texts of a fixture: "auto N", then one line per row (GBK).
struct TExpected {
  bool Auto = false;
  std::vector<std::string> Lines;
};
TExpected Expected(const std::string& name) {
  std::istringstream in(ReadFixture(name + ".txt"));
  TExpected e;
  std::string word;
  int flag = 0;
  in >> word >> flag;
  e.Auto = flag != 0;
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) e.Lines.push_back(Utf8ToGbk(line));
  return e;
}

TEST(Schedules, TimeTextsOfTheDayAndOutsideIt) {
  struct TCase {
    int64_t Ms;
    const char* Text;
  } cases[] = {{0, "00:00:00"},          {13 * 3600000 + 5 * 60000 + 9000 + 999, "13:05:09"},
               {86399999, "23:59:59"},   {86400000, "00:00:00"},
               {-1, "00:00:00"},         {0xFFFFFFFFll, "00:00:00"}};
  for (const auto& c : cases) EXPECT_EQ(TimeText(c.Ms), c.Text) << c.Ms;
}

TEST(Schedules, TimeOfTextTakesTimesOfDayOnly) {
  EXPECT_EQ(TimeOfText("13:05:09"), 47109000);
  EXPECT_EQ(TimeOfText("00:00:00"), 0);
  EXPECT_EQ(TimeOfText(" 7:5 "), 7 * 3600000 + 5 * 60000);
  EXPECT_EQ(TimeOfText("23:59:59.999"), 86399999);
  for (const char* bad : {"25:00:00", "12:60:00", "12:00:61", "", "abc", "12", "2024-01-02 12:00:00", "-1:00:00"})
    EXPECT_FALSE(TimeOfText(bad)) << bad;
}

TEST(Schedules, PowerFixturesDecodeToTheScriptsTextsAndEncodeToItsBytes) {
  for (const char* name : {"power_week.Tim", "power_other.Tim", "power_zero.Tim", "power_outside.Tim"}) {
    SCOPED_TRACE(name);
    const TPowerGrid grid = DecodePowerSchedule(Block<PowerScheduleSize>(ReadFixture(name)));
    const TExpected expected = Expected(name);
    EXPECT_EQ(grid.Auto, expected.Auto);
    ASSERT_EQ(expected.Lines.size(), size_t(WeekDays));
    for (int d = 0; d < WeekDays; ++d)
      EXPECT_EQ(grid.On[size_t(d)] + " " + grid.Off[size_t(d)], expected.Lines[size_t(d)]) << d;
    EXPECT_EQ(Bytes(EncodePowerSchedule(grid)), ReadFixture(std::string(name) + ".encoded"));
  }
  // A block the dialog wrote comes back byte for byte.
  EXPECT_EQ(ReadFixture("power_week.Tim"), ReadFixture("power_week.Tim.encoded"));
}

TEST(Schedules, AZeroBlockShowsMidnightEverywhereUnchecked) {
  const TPowerGrid grid = DecodePowerSchedule(std::array<uint8_t, PowerScheduleSize>{});
  EXPECT_FALSE(grid.Auto);
  for (int d = 0; d < WeekDays; ++d) {
    EXPECT_EQ(grid.On[size_t(d)], "00:00:00");
    EXPECT_EQ(grid.Off[size_t(d)], "00:00:00");
  }
}

TEST(Schedules, ACellThatIsNoTimeNamesItselfAndBuildsNothing) {
  TPowerGrid grid = DecodePowerSchedule(Block<PowerScheduleSize>(ReadFixture("power_week.Tim")));
  grid.Off[1] = "25:00:00";
  try {
    EncodePowerSchedule(grid);
    FAIL() << "no error";
  } catch (const EScheduleConvertError& e) {
    EXPECT_EQ(std::string(e.what()), Utf8ToGbk("星期一关屏时间 \"25:00:00\" 不是有效的时间，请重新设置"));
  }
}

TEST(Schedules, BrightnessFixturesDecodeToTheScriptsTextsAndEncodeToItsBytes) {
  for (const char* name : {"bright_levels.Bri", "bright_other.Bri", "bright_zero.Bri"}) {
    SCOPED_TRACE(name);
    const TBrightGrid grid = DecodeBrightSchedule(Block<BrightScheduleSize>(ReadFixture(name)));
    const TExpected expected = Expected(name);
    EXPECT_EQ(grid.Auto, expected.Auto);
    EXPECT_EQ(std::vector<std::string>(grid.Levels.begin(), grid.Levels.end()), expected.Lines);
    EXPECT_EQ(Bytes(EncodeBrightSchedule(grid)), ReadFixture(std::string(name) + ".encoded"));
  }
}

TEST(Schedules, LevelNamesAndTheirLookup) {
  struct TCase {
    const char* Text;
    int Level;
  } cases[] = {{"0级亮度", 0}, {"5级亮度", 5}, {"7级亮度", 7}, {"8级亮度", 7}, {"", 7}, {"亮度", 7}, {"3级亮度 ", 7}};
  for (const auto& c : cases) EXPECT_EQ(BrightLevelOf(Utf8ToGbk(c.Text)), c.Level) << c.Text;
  EXPECT_EQ(BrightLevelName(9), Utf8ToGbk("7级亮度"));
  EXPECT_EQ(BrightLevelName(255), Utf8ToGbk("7级亮度"));
  EXPECT_EQ(BrightLevelName(0), Utf8ToGbk("0级亮度"));
}

TEST(Schedules, HoursStandInTwoHalvesOfTheGrid) {
  struct TCase {
    int Hour;
    TGridCell Cell;
    const char* Range;
  } cases[] = {{0, {1, 1}, "00:00 --- 00:59"},
               {5, {1, 6}, "05:00 --- 05:59"},
               {11, {1, 12}, "11:00 --- 11:59"},
               {12, {3, 1}, "12:00 --- 12:59"},
               {13, {3, 2}, "13:00 --- 13:59"},
               {23, {3, 12}, "23:00 --- 23:59"}};
  for (const auto& c : cases) {
    EXPECT_EQ(BrightCellOfHour(c.Hour), c.Cell) << c.Hour;
    EXPECT_EQ(HourRangeText(c.Hour), c.Range);
  }
}

}  // namespace
}  // namespace editor
