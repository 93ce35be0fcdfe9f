// The time objects that show text: TDateTimeComponent, TCountUp, TCountDown and TCampaignTime.
// Tables, defaults, texts against Python's datetime (fixtures/make_time_texts.py), setters,
// the campaign clock, paint, records against the landed writers and object text.
#include "model/objects/TimeComps.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "model/FormConstructEx.h"
#include "model/TimerClock.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/Texts.h"
#include "model/objects/tests/ObjectsTestSupport.h"
#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "model/stream/PageRecord.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"
#include "platform/gfx/TextLayout.h"

namespace model {
namespace {

using platform::TBitmap;
using platform::TCanvas;
using platform::TDateTime;
using platform::Utf8ToGbk;
using test::Gbk;
using test::Joined;

TDateTime At(std::string_view text) {
  const auto moment = platform::ParseDateTime(text);
  EXPECT_TRUE(moment) << text;
  return moment.value_or(0);
}

platform::TRect BoundsOf(const platform::TControl& c) {
  return platform::Bounds(c.Left(), c.Top(), c.Width(), c.Height());
}

// A test with the wall clock at a fixed moment.
class TimeObjects : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().SetColorMode(3); }
  void TearDown() override { StreamContext().Reset(); }
  platform::TFakeWallClock clock_{At("2024-03-05 07:08:09")};
  platform::TScopedWallClock scoped_{clock_};
};

// ---- Property tables, as the classes publish them-----------------------------------------------

constexpr const char* kBoundsRows = "Left|左上角X坐标\nTop|左上角Y坐标\nWidth|宽度\nHeight|高度\n";
constexpr const char* kStyleRows = "fsBold|粗体\nfsItalic|斜体\nfsUnderLine|下划线\nfsStrikeOut|删除线\n";
constexpr const char* kCanvasFontRows =
    "TFont| 请选择字体 \nCanvasFont.Name|字体名\nCanvasFont.Color|颜色\nCanvasFont.Style|样式\n"
    "CanvasFont.Size|大小\n";
constexpr const char* kDateFormatRows =
    "df_YMD|年月日\ndf_HN|时分\ndf_HNS|时分秒\ndf_Y|年\ndf_M|月\ndf_D|日\ndf_H|时\ndf_N|分\n"
    "df_S|秒\ndf_W|星期\n";
constexpr const char* kCountFormatRows =
    "cf_days|天数\ncf_hours|小时数\ncf_HMS|时分秒\ncf_HM|时分\ncf_MS|分秒\ncf_S|秒\n";
constexpr const char* kAlignRows = "taCenter|居中\ntaLeftJustify|左对齐\ntaRightJustify|右对齐\n";
constexpr const char* kBooleanRows = "True|是\nFalse|否\n";

TEST_F(TimeObjects, TablesEqualThePartsLists) {
  const std::string head = std::string("Text|名称\n") + kBoundsRows;
  TDateTimeComponent date(nullptr);
  EXPECT_EQ(Joined(date.PropertyTable()),
            Utf8ToGbk(head + "DateFormat|时间格式|$000000F0\nDistance|时差(分钟)\nTransparent|是否透明\n"
                             "CanvasFont|字体|$000000F0\n" + kCanvasFontRows + kStyleRows +
                      "Alignment|文本对齐方式\n" + kAlignRows + "Caption|标题\n" + kDateFormatRows +
                      kBooleanRows));
  TCountDown down(nullptr);
  EXPECT_EQ(Joined(down.PropertyTable()),
            Utf8ToGbk(head + "DateFormat|时间格式|$000000F0\nTransparent|是否透明\n"
                             "Terminal|终止日期|$000000F0\nCanvasFont|字体|$000000F0\n" +
                      kCanvasFontRows + kStyleRows + kAlignRows +
                      "LayOut|垂直对齐方式\ntlCenter|垂直居中\ntlBottom|底对齐\ntlTop|顶对齐\n"
                      "Caption|标题\n" + kCountFormatRows + kBooleanRows));
  TCountUp up(nullptr);
  EXPECT_EQ(Joined(up.PropertyTable()),
            Utf8ToGbk(head + "DateFormat|时间格式|$000000F0\nTransparent|是否透明\n"
                             "Start|开始时间|$000000F0\nCanvasFont|字体|$000000F0\n" +
                      kCanvasFontRows + kStyleRows + "Caption|标题\n" + kCountFormatRows +
                      kBooleanRows));
  TCampaignTime campaign(nullptr);
  EXPECT_EQ(Joined(campaign.PropertyTable()),
            Utf8ToGbk(head + "StartTime|开始时间\nEndTime|结束时间\nCampaignTime|作战时间\n"
                             "DateFormat|时间格式\nTFont| 请选择字体 \nFont|字体\nFont.Name|字体名\n"
                             "Font.Color|颜色\nFont.Style|样式\nFont.Size|大小\n" + kStyleRows +
                      "Transparent|是否透明\nAlignment|文本对齐方式\n" + kAlignRows +
                      "Caption|标题\nDistance|时差(分钟)\n" + kDateFormatRows + kBooleanRows));
}

TEST(TimeEnums, NamesAndOrdinals) {
  EXPECT_EQ(TypeDateTimeFormat().Name(), "TDateTimeFormat");
  EXPECT_EQ(TypeDateTimeFormat().EnumNames(),
            (std::vector<std::string>{"df_YMD", "df_HN", "df_HNS", "df_Y", "df_M", "df_D", "df_H",
                                      "df_N", "df_S", "df_W"}));
  EXPECT_EQ(TypeCountFormat().Name(), "TCountFormat");
  EXPECT_EQ(TypeCountFormat().EnumNames(),
            (std::vector<std::string>{"cf_days", "cf_hours", "cf_HMS", "cf_HM", "cf_MS", "cf_S"}));
  // The date-time record's format codes are 1..10.
  EXPECT_EQ(DateTimeFormatCode(df_YMD), 1);
  EXPECT_EQ(DateTimeFormatCode(df_W), 10);
}

// ---- Defaults --------------------------------------------------------------------------------

// Object-text lines, each followed by CR LF, from runs of lines.
std::string Block(std::initializer_list<std::vector<std::string>> runs) {
  std::string out;
  for (const auto& run : runs)
    for (const std::string& line : run) out += line + "\r\n";
  return Utf8ToGbk(out);
}

// The lines of the display objects' default font as the font property `name`.
std::vector<std::string> DefaultFontLines(const std::string& name) {
  return {"  " + name + ".Charset=134", "  " + name + ".Color=255", "  " + name + ".Height=-16",
          "  " + name + ".Name='宋体'",  "  " + name + ".Pitch=fpDefault", "  " + name + ".Size=12",
          "  " + name + ".Style=[]"};
}

TEST_F(TimeObjects, NewObjectsWriteTheseLines) {
  // Every published property with a setter, by name without regard to case: the documented
  // defaults. The moments are the creation time.
  TDateTimeComponent date(nullptr);
  date.SetName("DateTimeComponent0");
  const platform::TSize extent = platform::TextExtent(DisplayFont(), "07:08:09");
  EXPECT_EQ(date.Width(), extent.cx);
  EXPECT_EQ(date.Height(), extent.cy);
  EXPECT_EQ(test::ObjectText(date),
            Block({{"Object DateTimeComponent0:TDateTimeComponent", "  Active=False"},
                   DefaultFontLines("CanvasFont"),
                   {"  Clock=0", "  DateFormat=df_HNS", "  Distance=0",
                    "  Height=" + std::to_string(extent.cy), "  Left=0",
                    "  Name='DateTimeComponent0'", "  Tag=0", "  Top=0", "  Transparent=True",
                    "  Width=" + std::to_string(extent.cx), "End"}}));

  const std::vector<std::string> counterHead = {"  Active=False", "  Alignment=taLeftJustify"};
  const std::vector<std::string> counterMiddle = {"  Clock=0", "  DateFormat=cf_days",
                                                  "  Distance=0", "  Fixed=False", "  FixTime=0",
                                                  "  Height=16", "  Left=0"};
  const std::vector<std::string> counterEnd = {"  Top=0", "  Transparent=True", "  Width=64", "End"};
  TCountUp up(nullptr);
  up.SetName("CountUp0");
  EXPECT_EQ(test::ObjectText(up),
            Block({{"Object CountUp0:TCountUp"}, counterHead, DefaultFontLines("CanvasFont"),
                   counterMiddle,
                   {"  Name='CountUp0'", "  Start='2024-03-05 07:08:09'", "  Tag=0"}, counterEnd}));
  TCountDown down(nullptr);
  down.SetName("CountDown0");
  EXPECT_EQ(test::ObjectText(down),
            Block({{"Object CountDown0:TCountDown"}, counterHead, DefaultFontLines("CanvasFont"),
                   counterMiddle,
                   {"  Name='CountDown0'", "  Tag=0", "  Terminal='2024-03-05 07:08:09'"},
                   counterEnd}));

  TCampaignTime campaign(nullptr);
  campaign.SetName("CampaignTime0");
  EXPECT_EQ(test::ObjectText(campaign),
            Block({{"Object CampaignTime0:TCampaignTime", "  Active=False",
                    "  CampaignTime='2024-03-05 07:08:09'", "  DateFormat=df_HNS", "  Distance=0",
                    "  EndTime='2024-03-05 07:08:09'"},
                   DefaultFontLines("Font"),
                   {"  Height=16", "  Left=0", "  Name='CampaignTime0'",
                    "  StartTime='2024-03-05 07:08:09'", "  Step=1", "  Tag=0", "  Top=0",
                    "  Transparent=True", "  Width=64", "End"}}));
}

TEST_F(TimeObjects, DateAndCountersJoinAWindowedOwnerTheCampaignClockNot) {
  TLeaf page(nullptr);
  auto* date = new TDateTimeComponent(&page);
  auto* up = new TCountUp(&page);
  auto* down = new TCountDown(&page);
  auto* campaign = new TCampaignTime(&page);
  EXPECT_EQ(date->Parent(), &page);
  EXPECT_EQ(up->Parent(), &page);
  EXPECT_EQ(down->Parent(), &page);
  EXPECT_EQ(campaign->Parent(), nullptr);
  platform::TComponent plain(nullptr);
  TCountUp alone(&plain);
  EXPECT_EQ(alone.Parent(), nullptr);
}

// ---- Display texts, against Python's datetime ---------------------------------------------------

std::vector<std::vector<std::string>> FixtureRows(const char* kind) {
  std::ifstream in(test::Fixture("time_texts.txt"));
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::stringstream s(line);
    for (std::string f; std::getline(s, f, '\t');) fields.push_back(f);
    if (!fields.empty() && fields[0] == kind) rows.push_back(fields);
  }
  EXPECT_FALSE(rows.empty()) << kind;
  return rows;
}

template <class E>
E EnumValue(const platform::TTypeInfo& type, const std::string& name) {
  const int v = platform::GetEnumValue(type, name);
  EXPECT_GE(v, 0) << name;
  return E(v);
}

TEST_F(TimeObjects, DateTextsAtEveryFormatAndDistance) {
  for (const auto& row : FixtureRows("date")) {
    SCOPED_TRACE(row[1] + " " + row[2] + " " + row[3]);
    const auto format = EnumValue<TDateTimeFormat>(TypeDateTimeFormat(), row[1]);
    const TDateTime now = At(row[2]);
    const int distance = std::stoi(row[3]);
    EXPECT_EQ(DateTimeDisplayText(format, ShownMoment(now, distance), now), Gbk(row[4]));
    // The object, on its clock.
    clock_.Set(now);
    TDateTimeComponent date(nullptr);
    date.SetDateFormat(format);
    date.SetDistance(distance);
    EXPECT_EQ(date.CurrentText(), Gbk(row[4]));
  }
}

TEST_F(TimeObjects, CounterTextsAtDifferencesFromPython) {
  for (const char* kind : {"up", "down"}) {
    for (const auto& row : FixtureRows(kind)) {
      SCOPED_TRACE(std::string(kind) + " " + row[1] + " " + row[2] + " " + row[3]);
      const auto format = EnumValue<TCountFormat>(TypeCountFormat(), row[1]);
      clock_.Set(At(row[3]));
      std::string shown;
      if (kind == std::string("up")) {
        TCountUp up(nullptr);
        up.SetStart(row[2]);
        up.SetDateFormat(format);
        shown = up.CurrentText();
        EXPECT_EQ(CountDisplayText(format, TimeDifferenceMs(At(row[2]), At(row[3]))), row[4]);
      } else {
        TCountDown down(nullptr);
        down.SetTerminal(row[2]);
        down.SetDateFormat(format);
        shown = down.CurrentText();
        EXPECT_EQ(CountDisplayText(format, TimeDifferenceMs(At(row[3]), At(row[2]))), row[4]);
      }
      EXPECT_EQ(shown, row[4]);
    }
  }
}

TEST_F(TimeObjects, APastTerminalShowsZeroInEveryFormat) {
  clock_.Set(At("2024-03-05 07:08:09"));
  TCountDown down(nullptr);
  down.SetTerminal("2024-03-05 07:08:08");
  const char* zero[] = {"0", "0", "00:00:00", "00:00", "00:00", "00"};
  for (int f = 0; f < CountFormatCount; ++f) {
    down.SetDateFormat(TCountFormat(f));
    EXPECT_EQ(down.CurrentText(), zero[f]) << f;
  }
}

TEST_F(TimeObjects, ExtremeDistancesShowTheFirstAndLastValidMoments) {
  // From 2024 the largest Distance is still a valid moment (in the fixture); the smallest
  // reaches before year 1, and from the year 9000 the largest passes 9999.
  clock_.Set(At("2024-03-05 07:08:09"));
  TDateTimeComponent date(nullptr);
  date.SetBounds(2, 3, 120, 16);
  date.SetDistance(-2147483647 - 1);
  date.SetDateFormat(df_HNS);  // a resizing setter: must not throw
  EXPECT_EQ(date.CurrentText(), "00:00:00");
  date.SetDateFormat(df_YMD);
  EXPECT_EQ(date.CurrentText(), Gbk("0001年01月01日"));
  // The weekday is today's, whatever the distance.
  date.SetDateFormat(df_W);
  EXPECT_EQ(date.CurrentText(), Gbk("星期二"));

  clock_.Set(At("9000-01-01 00:00:00"));
  date.SetDistance(2147483647);
  date.SetDateFormat(df_YMD);
  EXPECT_EQ(date.CurrentText(), Gbk("9999年12月31日"));
  date.SetDateFormat(df_HNS);
  EXPECT_EQ(date.CurrentText(), "23:59:59");

  // Near the end of time a small distance is clamped too.
  clock_.Set(At("9999-12-31 23:00:00"));
  date.SetDistance(120);
  EXPECT_EQ(date.CurrentText(), "23:59:59");

  // Painted as shown; the record carries the value as given.
  clock_.Set(At("2024-03-05 07:08:09"));
  date.SetDistance(-2147483647);
  TBitmap page(200, 40);
  TCanvas canvas(page);
  EXPECT_NO_THROW(PaintControl(date, canvas));
  EXPECT_EQ(date.DisplayString(), "00:00:00");
  const std::vector<uint8_t> record = test::RecordOf(date);
  ASSERT_GE(record.size(), 20u);
  EXPECT_EQ(int32_t(platform::LoadU32(&record[16])), -2147483647);

  TCampaignTime campaign(nullptr);
  campaign.SetDistance(-2147483647);
  campaign.SetDateFormat(df_YMD);
  EXPECT_NO_THROW(PaintControl(campaign, canvas));
  EXPECT_EQ(campaign.DisplayString(), Gbk("0001年01月01日"));
  clock_.Set(At("9000-01-01 00:00:00"));
  campaign.SetDistance(2147483647);
  EXPECT_NO_THROW(PaintControl(campaign, canvas));
  EXPECT_EQ(campaign.DisplayString(), Gbk("9999年12月31日"));
}

// ---- Setters ---------------------------------------------------------------------------------

TEST_F(TimeObjects, MomentSettersStoreParsedTextAndIgnoreTheRest) {
  TCountUp up(nullptr);
  TCountDown down(nullptr);
  TCampaignTime campaign(nullptr);
  struct TSetter {
    const char* Name;
    std::function<void(std::string_view)> Set;
    std::function<std::string()> Get;
  };
  const TSetter setters[] = {
      {"Start", [&](std::string_view t) { up.SetStart(t); }, [&] { return up.Start(); }},
      {"Terminal", [&](std::string_view t) { down.SetTerminal(t); }, [&] { return down.Terminal(); }},
      {"StartTime", [&](std::string_view t) { campaign.SetStartTime(t); }, [&] { return campaign.StartTime(); }},
      {"EndTime", [&](std::string_view t) { campaign.SetEndTime(t); }, [&] { return campaign.EndTime(); }},
      {"CampaignTime", [&](std::string_view t) { campaign.SetCampaignTime(t); },
       [&] { return campaign.CampaignTime(); }},
  };
  for (const TSetter& s : setters) {
    SCOPED_TRACE(s.Name);
    EXPECT_EQ(s.Get(), "2024-03-05 07:08:09");  // the creation time
    s.Set("abc");
    EXPECT_EQ(s.Get(), "2024-03-05 07:08:09");
    s.Set("2024/3/5 7:08");
    EXPECT_EQ(s.Get(), "2024-03-05 07:08:00");
    s.Set("2023-02-29 10:00:00");  // no such day
    EXPECT_EQ(s.Get(), "2024-03-05 07:08:00");
    s.Set("");
    EXPECT_EQ(s.Get(), "2024-03-05 07:08:00");
    s.Set(" 2000-01-01 ");
    EXPECT_EQ(s.Get(), "2000-01-01 00:00:00");
  }
}

TEST_F(TimeObjects, StepKeepsOnlyOneAndMore) {
  TCampaignTime campaign(nullptr);
  EXPECT_EQ(campaign.Step(), 1);
  campaign.SetStep(5);
  campaign.SetStep(0);
  campaign.SetStep(-1);
  EXPECT_EQ(campaign.Step(), 5);
  campaign.SetStep(1);
  EXPECT_EQ(campaign.Step(), 1);
}

TEST_F(TimeObjects, FormatAndFontResizeTheDateTimeAndTheCountUpNotTheCountDown) {
  clock_.Set(At("2004-02-29 23:10:07"));
  TDateTimeComponent date(nullptr);
  date.SetBounds(5, 6, 300, 100);
  date.SetDateFormat(df_YMD);
  platform::TSize extent = platform::TextExtent(DisplayFont(), Gbk("2004年02月29日"));
  EXPECT_EQ(BoundsOf(date), platform::Bounds(5, 6, extent.cx, extent.cy));

  platform::TFont big;
  big.SetDescription(DisplayFont());
  big.SetSize(24);
  date.SetCanvasFont(&big);
  extent = platform::TextExtent(big.Description(), Gbk("2004年02月29日"));
  EXPECT_EQ(BoundsOf(date), platform::Bounds(5, 6, extent.cx, extent.cy));
  EXPECT_EQ(date.CanvasFont().Size(), 24);
  date.SetCanvasFont(nullptr);
  EXPECT_EQ(date.CanvasFont().Size(), 24);

  // Active and Distance only store.
  date.SetActive(true);
  date.SetDistance(60 * 24);
  EXPECT_EQ(BoundsOf(date), platform::Bounds(5, 6, extent.cx, extent.cy));

  TCountUp up(nullptr);
  up.SetStart("2004-02-27 20:10:07");  // 2 days 3 hours ago
  up.SetDateFormat(cf_hours);
  EXPECT_EQ(BoundsOf(up), platform::Bounds(0, 0, 64, 16));  // DateFormat does not resize
  up.SetCanvasFont(&big);
  extent = platform::TextExtent(big.Description(), "51");
  EXPECT_EQ(BoundsOf(up), platform::Bounds(0, 0, extent.cx, extent.cy));

  TCountDown down(nullptr);
  down.SetCanvasFont(&big);
  EXPECT_EQ(BoundsOf(down), platform::Bounds(0, 0, 64, 16));
  EXPECT_EQ(down.CanvasFont().Size(), 24);
}

TEST_F(TimeObjects, SettersRepaintAsThePartSays) {
  platform::TWinControl page(nullptr);
  int repaints = 0;
  page.OnInvalidate = [&](platform::TControl&) { ++repaints; };
  auto* up = new TCountUp(&page);
  auto* down = new TCountDown(&page);
  auto* date = new TDateTimeComponent(&page);
  const auto count = [&](const std::function<void()>& change) {
    repaints = 0;
    change();
    return repaints;
  };
  EXPECT_EQ(count([&] { up->SetDateFormat(cf_S); }), 1);
  EXPECT_EQ(count([&] { up->SetAlignment(taCenter); }), 1);
  EXPECT_EQ(count([&] { up->SetAlignment(taCenter); }), 0);  // unchanged
  EXPECT_EQ(count([&] { down->SetAlignment(taRightJustify); }), 1);
  EXPECT_EQ(count([&] { down->SetAlignment(taRightJustify); }), 0);
  EXPECT_EQ(count([&] { down->SetActive(true); }), 0);
  EXPECT_GE(count([&] { date->SetDateFormat(df_W); }), 1);  // and the resize's own
  EXPECT_EQ(count([&] { date->SetDistance(5); }), 0);
  EXPECT_EQ(count([&] { date->SetActive(true); }), 0);
}

// ---- The campaign clock ----------------------------------------------------------------------

TEST_F(TimeObjects, CampaignClockRunsFromItsTimeInsideTheIntervalOnly) {
  TCampaignTime campaign(nullptr);
  campaign.SetStartTime("2024-03-05 08:00:00");
  campaign.SetEndTime("2024-03-05 09:00:00");
  campaign.SetCampaignTime("2024-03-05 05:00:00");
  campaign.SetDateFormat(df_HN);
  TBitmap page(100, 20);
  TCanvas canvas(page);
  const auto shows = [&](const char* now) {
    clock_.Set(At(now));
    PaintControl(campaign, canvas);
    return campaign.DisplayString();
  };
  EXPECT_EQ(campaign.LastRealTime(), 0.0);  // until the first paint
  EXPECT_EQ(shows("2024-03-05 08:30:00"), "05:30");
  EXPECT_EQ(campaign.LastRealTime(), At("2024-03-05 08:30:00"));
  EXPECT_EQ(shows("2024-03-05 07:59:00"), "07:59");  // before: the real time
  EXPECT_EQ(shows("2024-03-05 08:00:00"), "05:00");  // the ends belong to it
  EXPECT_EQ(shows("2024-03-05 09:00:00"), "06:00");
  EXPECT_EQ(shows("2024-03-05 09:01:00"), "09:01");  // after: the real time again

  // The real time seen moves on once per second: within a second the first moment holds.
  campaign.SetDateFormat(df_HNS);
  clock_.Set(At("2024-03-05 08:10:20"));
  PaintControl(campaign, canvas);
  EXPECT_EQ(shows("2024-03-05 08:10:20.700"), "05:10:20");
  EXPECT_EQ(campaign.LastRealTime(), At("2024-03-05 08:10:20"));
  EXPECT_EQ(shows("2024-03-05 08:10:21.100"), "05:10:21");
  EXPECT_EQ(campaign.LastRealTime(), At("2024-03-05 08:10:21.100"));

  // Then the distance, and the weekday of today.
  campaign.SetDistance(90);
  EXPECT_EQ(shows("2024-03-05 08:30:00"), "07:00:00");
  campaign.SetDateFormat(df_W);
  EXPECT_EQ(shows("2024-03-05 08:30:01"), Gbk("星期二"));
}

TEST_F(TimeObjects, APageOfACampaignClockHoldsNoObject) {
  TLeaf page(nullptr);
  auto* campaign = new TCampaignTime(&page);
  campaign->SetParent(&page);
  EXPECT_TRUE(test::RecordOf(*campaign).empty());
  TProgramStream s;
  page.SetRecordSelf(&s);
  ASSERT_EQ(s.Size(), 16u);
  EXPECT_EQ(platform::LoadU16(s.Memory() + 2), 0);   // objects
  EXPECT_EQ(platform::LoadU32(s.Memory() + 12), 16u);  // length
}

// ---- Paint -----------------------------------------------------------------------------------

// The page as it is painted: blue around, black under the object unless transparent, and
// `text` drawn at x within the object's bounds.
TBitmap ExpectedPage(int width, int height, const platform::TRect& bounds,
                     const platform::TFontDescription& font, std::string_view text, int x,
                     bool transparent) {
  TBitmap page(width, height);
  TCanvas c(page);
  c.Brush = {platform::clBlue, platform::bsSolid};
  c.FillRect({0, 0, width, height});
  if (!transparent) {
    c.Brush = {platform::clBlack, platform::bsSolid};
    c.FillRect(bounds);
  }
  c.SetClipRect(bounds);
  c.Font = font;
  c.Brush.Style = platform::bsClear;
  c.TextOut(bounds.Left + x, bounds.Top, text);
  return page;
}

TEST_F(TimeObjects, DateTimePaintsItsTextAtTheTopLeft) {
  clock_.Set(At("2004-02-29 23:10:07"));
  TDateTimeComponent date(nullptr);
  date.SetDateFormat(df_YMD);
  date.SetBounds(7, 5, 150, 24);
  platform::TFont font;
  font.SetDescription(DisplayFont());
  font.SetColor(platform::clLime);
  date.SetCanvasFont(&font);
  date.SetBounds(7, 5, 150, 24);
  const std::string text = Gbk("2004年02月29日");
  for (bool transparent : {false, true}) {
    SCOPED_TRACE(transparent);
    date.SetTransparent(transparent);
    const TBitmap page = test::PaintedOnBlue(date, 180, 40);
    EXPECT_TRUE(test::SamePixels(
        page, ExpectedPage(180, 40, platform::Bounds(7, 5, 150, 24), font.Description(), text, 0,
                           transparent)));
    EXPECT_TRUE(test::HasColor(page, platform::clLime));
    EXPECT_EQ(date.DisplayString(), text);
  }
}

TEST_F(TimeObjects, CountersPaintRightAlignedWhateverTheAlignment) {
  clock_.Set(At("2024-03-07 10:08:00"));
  TCountUp up(nullptr);
  up.SetStart("2024-03-05 07:08:00");
  TCountDown down(nullptr);
  down.SetTerminal("2024-03-09 13:08:00");
  for (platform::TGraphicControl* counter : std::initializer_list<platform::TGraphicControl*>{&up, &down}) {
    counter->SetBounds(4, 3, 90, 20);
    for (TAlignment alignment : {taLeftJustify, taCenter, taRightJustify})
      for (bool transparent : {false, true}) {
        SCOPED_TRACE(std::to_string(alignment) + " " + std::to_string(transparent));
        if (counter == &up) {
          up.SetAlignment(alignment);
          up.SetTransparent(transparent);
          up.SetDateFormat(cf_hours);
        } else {
          down.SetAlignment(alignment);
          down.SetTransparent(transparent);
          down.SetDateFormat(cf_HMS);
        }
        const std::string text = counter == &up ? "51" : "03:00:00";
        const int x = 90 - platform::TextExtent(DisplayFont(), text).cx;
        const TBitmap page = test::PaintedOnBlue(*counter, 110, 30);
        EXPECT_TRUE(test::SamePixels(
            page, ExpectedPage(110, 30, platform::Bounds(4, 3, 90, 20), DisplayFont(), text, x,
                               transparent)));
        EXPECT_TRUE(test::HasColor(page, platform::clRed));
      }
  }
  EXPECT_EQ(up.DisplayString(), "51");
  EXPECT_EQ(down.DisplayString(), "03:00:00");
}

TEST_F(TimeObjects, CampaignClockPaintsInItsFont) {
  clock_.Set(At("2024-03-05 08:30:00"));
  TCampaignTime campaign(nullptr);
  campaign.SetBounds(1, 2, 80, 18);
  platform::TFont font;
  font.SetDescription(DisplayFont());
  font.SetColor(platform::clYellow);
  campaign.SetFont(&font);
  campaign.SetTransparent(false);
  const TBitmap page = test::PaintedOnBlue(campaign, 100, 30);
  EXPECT_TRUE(test::SamePixels(page, ExpectedPage(100, 30, platform::Bounds(1, 2, 80, 18),
                                                  font.Description(), "08:30:00", 0, false)));
}

// ---- Records ---------------------------------------------------------------------------------

TEST_F(TimeObjects, DateTimeRecordIsTheLandedWriters) {
  TDateTimeComponent date(nullptr);
  date.SetBounds(10, 20, 100, 16);
  date.SetDistance(-90);
  date.SetTransparent(false);
  platform::TFont font;
  font.SetDescription(DisplayFont());
  font.SetColor(platform::clYellow);
  date.SetCanvasFont(&font);
  date.SetBounds(10, 20, 100, 16);
  for (int f = 0; f < DateTimeFormatCount; ++f) {
    date.SetDateFormat(TDateTimeFormat(f));
    date.SetBounds(10, 20, 100, 16);
    TProgramStream want;
    ASSERT_TRUE(WriteDateTimeRecord({10, 20, 110, 36}, -90, font.Description(), false, f + 1, want));
    EXPECT_EQ(test::RecordOf(date), want.Bytes()) << f;
  }
  EXPECT_TRUE(test::RecordOf(date).size() > DateTimeHeadSize);
}

TEST_F(TimeObjects, CounterRecordsAreTheLandedWriters) {
  // The day number is Python's date.toordinal().
  const auto ordinals = FixtureRows("ordinal");
  ASSERT_EQ(ordinals[0][1], "2000-01-01 00:00:00");
  TCountUp up(nullptr);
  up.SetBounds(3, 4, 64, 16);
  up.SetStart(ordinals[0][1]);
  up.SetDateFormat(cf_MS);
  up.SetTransparent(false);
  TProgramStream want;
  ASSERT_TRUE(WriteCountUpRecord({3, 4, 67, 20}, DisplayFont(), false, At("2000-01-01"), want, 4));
  std::vector<uint8_t> got = test::RecordOf(up);
  EXPECT_EQ(got, want.Bytes());
  ASSERT_GE(got.size(), 28u);
  EXPECT_EQ(platform::LoadU32(&got[16]), 0u);
  EXPECT_EQ(platform::LoadU32(&got[20]), uint32_t(std::stoul(ordinals[0][2])));
  EXPECT_EQ(platform::LoadU16(&got[24]), 4);
  EXPECT_EQ(platform::LoadU16(&got[26]), 0);

  TCountDown down(nullptr);
  down.SetBounds(0, 8, 32, 16);
  down.SetTerminal("2024-03-05 12:34:56");
  down.SetDateFormat(cf_hours);
  down.SetAlignment(taCenter);
  TProgramStream wantDown;
  ASSERT_TRUE(WriteCountDownRecord({0, 8, 32, 24}, DisplayFont(), true, 2, At("2024-03-05 12:34:56"),
                                   wantDown, 1));
  got = test::RecordOf(down);
  EXPECT_EQ(got, wantDown.Bytes());
  ASSERT_GE(got.size(), 28u);
  EXPECT_EQ(platform::LoadU16(&got[2]), 1);   // transparent
  EXPECT_EQ(platform::LoadU16(&got[24]), 1);  // cf_hours
  EXPECT_EQ(platform::LoadU16(&got[26]), 2);  // taCenter
  EXPECT_EQ(platform::LoadU32(&got[16]), uint32_t(((12 * 60 + 34) * 60 + 56) * 1000));

  // The other ends of the day numbers.
  for (size_t i = 1; i < ordinals.size(); ++i) {
    down.SetTerminal(ordinals[i][1]);
    got = test::RecordOf(down);
    ASSERT_GE(got.size(), 28u);
    EXPECT_EQ(platform::LoadU32(&got[20]), uint32_t(std::stoul(ordinals[i][2]))) << ordinals[i][1];
  }
}

// ---- Object text -----------------------------------------------------------------------------

TEST_F(TimeObjects, SaveLoadSaveGivesTheSameBytes) {
  TLeaf page(nullptr);
  platform::TFont font;
  font.SetDescription(DisplayFont());
  font.SetColor(platform::clLime);
  font.SetSize(16);
  font.SetStyle(platform::FontStyleBit(platform::fsBold));

  auto* date = new TDateTimeComponent(&page);
  date->SetName("DateTimeComponent0");
  date->SetDateFormat(df_YMD);
  date->SetCanvasFont(&font);
  date->SetBounds(1, 2, 150, 30);
  date->SetActive(true);
  date->SetTransparent(false);
  date->SetDistance(-480);
  date->SetText(Gbk("日期时间1"));
  date->SetClock(7);

  auto* up = new TCountUp(&page);
  up->SetName("CountUp0");
  up->SetDateFormat(cf_HM);
  up->SetActive(true);
  up->SetTransparent(false);
  up->SetDistance(12);
  up->SetStart("2001-02-03 04:05:06");
  up->SetAlignment(taRightJustify);
  up->SetCanvasFont(&font);
  up->SetFixed(true);
  up->SetFixTime(4000000000u);
  up->SetText(Gbk("正计时2"));
  up->SetClock(-3);
  up->SetBounds(5, 6, 70, 20);

  auto* down = new TCountDown(&page);
  down->SetName("CountDown0");
  down->SetDateFormat(cf_S);
  down->SetTerminal("2030-12-31 23:59:59");
  down->SetAlignment(taCenter);
  down->SetCanvasFont(&font);
  down->SetFixed(true);
  down->SetFixTime(9);
  down->SetBounds(7, 8, 90, 22);

  auto* campaign = new TCampaignTime(&page);
  campaign->SetParent(&page);
  campaign->SetName("CampaignTime0");
  campaign->SetDateFormat(df_W);
  campaign->SetActive(true);
  campaign->SetTransparent(false);
  campaign->SetDistance(30);
  campaign->SetStartTime("2024-01-01 08:00:00");
  campaign->SetEndTime("2024-01-01 09:00:00");
  campaign->SetCampaignTime("1950-06-25 04:00:00");
  campaign->SetStep(3);
  campaign->SetFont(&font);
  campaign->SetText(Gbk("作战时间3"));
  campaign->SetBounds(9, 10, 64, 16);

  const std::string text = test::ChildrenText(page);
  EXPECT_NE(text.find("Start='2001-02-03 04:05:06'"), std::string::npos);
  EXPECT_NE(text.find("FixTime=4000000000"), std::string::npos);
  EXPECT_NE(text.find("Step=3"), std::string::npos);
  const std::vector<uint8_t> record = test::ExpectRoundTrip(page);
  EXPECT_EQ(platform::LoadU16(record.data() + 2), 3);  // the campaign clock sends nothing
}

// ---- The page's repaint tick --------------------------------------------------------------------

// A page as the editor shows it: the tick's invalidations are counted per object, and the page
// is painted whole before the next tick, as the design view does.
class IdlePage : public TimeObjects {
 protected:
  void SetUp() override {
    TimeObjects::SetUp();
    SetTimerClock(&timers_);  // before the page: its timer runs on it
    page_ = std::make_unique<TLeaf>(nullptr);
    page_->SetBounds(0, 0, 256, 64);
    page_->OnInvalidate = [this](platform::TControl& c) {
      ++repaints_[&c];
      dirty_ = true;
    };
  }
  void TearDown() override {
    page_.reset();
    SetTimerClock(nullptr);
    TimeObjects::TearDown();
  }
  template <class T>
  T* Add() {
    auto* object = new T(page_.get());
    object->SetParent(page_.get());
    return object;
  }
  void Paint() {
    TBitmap picture(page_->Width(), page_->Height());
    TCanvas canvas(picture);
    PaintChildren(*page_, canvas);
    dirty_ = false;
  }
  // `ms` of both clocks in 50 ms steps, each step's tick followed by the view's paint.
  void Run(int64_t ms) {
    for (int64_t t = 0; t < ms; t += 50) {
      clock_.AdvanceMs(50);
      timers_.Advance(50);
      platform::ProcessMessages();
      if (dirty_) Paint();
    }
  }
  int Repaints(const platform::TControl* c) { return repaints_[c]; }

  platform::TFakeClock timers_{1000};
  std::unique_ptr<TLeaf> page_;
  std::map<const platform::TControl*, int> repaints_;
  bool dirty_ = false;
};

TEST_F(IdlePage, TheTickRepaintsAClockOncePerSecondAndAStillObjectNever) {
  auto* clock = Add<TDateTimeComponent>();
  auto* date = Add<TDateTimeComponent>();
  date->SetDateFormat(df_YMD);
  auto* down = Add<TCountDown>();
  down->SetDateFormat(cf_HMS);
  down->SetTerminal("2024-03-05 09:00:00");
  auto* up = Add<TCountUp>();
  up->SetDateFormat(cf_days);  // whole days: still within the run
  auto* analog = Add<TAnalogClock>();
  analog->SetBounds(100, 0, 60, 60);
  auto* campaign = Add<TCampaignTime>();
  auto* text = Add<TText>();
  Paint();
  repaints_.clear();

  // 07:08:09 to 07:08:12: three seconds change.
  Run(3000);
  for (const platform::TControl* c : std::initializer_list<const platform::TControl*>{clock, down, analog, campaign})
    EXPECT_EQ(Repaints(c), 3) << c->ClassName();
  EXPECT_EQ(Repaints(date), 0);
  EXPECT_EQ(Repaints(up), 0);
  EXPECT_EQ(Repaints(text), 0);

  // The date moves on at midnight, once.
  clock_.Set(At("2024-03-05 23:59:59") + 500.0 / platform::MSecsPerDay);
  Paint();
  repaints_.clear();
  Run(1000);
  EXPECT_EQ(Repaints(date), 1);
  EXPECT_EQ(Repaints(clock), 1);
  EXPECT_EQ(Repaints(text), 0);

  // A page with nothing that moves is never repainted; hidden, nothing is asked at all.
  delete clock;
  delete date;
  delete down;
  delete up;
  delete analog;
  delete campaign;
  repaints_.clear();
  Run(2000);
  EXPECT_TRUE(repaints_.empty());
  Add<TDateTimeComponent>();
  page_->SetVisible(false);
  repaints_.clear();
  Run(2000);
  EXPECT_TRUE(repaints_.empty());
}

}  // namespace
}  // namespace model
