#include "TimeComps.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "model/stream/CountRecords.h"
#include "model/stream/DateTimeRecord.h"
#include "platform/base/GbkText.h"
#include "platform/component/ClassBuilder.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/TextLayout.h"

namespace model {

namespace {

using platform::TDateTime;

constexpr int CounterWidth = 64;
constexpr int CounterHeight = 16;

// Moments as whole milliseconds since 0001-01-01 00:00:00 (day 1), so sums and differences are
// exact: two days are always 172800000 ms, never a day and 0.99999 of one.
constexpr int64_t kMsPerDay = platform::MSecsPerDay;
constexpr int64_t kFirstShownMs = kMsPerDay;  // 0001-01-01 00:00:00
constexpr int64_t kLastShownMs =
    int64_t(platform::MaxDayNumber) * kMsPerDay + (kMsPerDay - 1000);  // 9999-12-31 23:59:59

std::optional<int64_t> MomentMs(TDateTime moment) {
  const auto stamp = platform::DateTimeToTimeStamp(moment);
  if (!stamp) return std::nullopt;
  return int64_t(stamp->Date) * kMsPerDay + stamp->Time;
}

// The moment of a millisecond count, kept within the moments a clock may show.
TDateTime ShownMomentOfMs(int64_t ms) {
  ms = std::clamp(ms, kFirstShownMs, kLastShownMs);
  return *platform::TimeStampToDateTime({int32_t(ms % kMsPerDay), int32_t(ms / kMsPerDay)});
}

// Far beyond any distance between valid moments (about 3.2e14 ms), and far from overflow.
constexpr int64_t kShiftLimit = int64_t(1) << 50;

int64_t Shifted(int64_t ms, int64_t deltaMs) {
  return ms + std::clamp(deltaMs, -kShiftLimit, kShiftLimit);
}

// "%0.2d": two digits at least.
std::string TwoDigits(int64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "%02lld", static_cast<long long>(v));
  return text;
}

std::string Decimal(int64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "%lld", static_cast<long long>(v));
  return text;
}

// The words of the date texts, as GBK.
struct TDateWords {
  std::string Year, Month, Day, Week;
  std::array<std::string, 7> Weekdays;  // Sunday first
};

const TDateWords& DateWords() {
  static const TDateWords words = [] {
    TDateWords w;
    w.Year = platform::Utf8ToGbk("年");
    w.Month = platform::Utf8ToGbk("月");
    w.Day = platform::Utf8ToGbk("日");
    w.Week = platform::Utf8ToGbk("星期");
    const char* days[7] = {"日", "一", "二", "三", "四", "五", "六"};
    for (int i = 0; i < 7; ++i) w.Weekdays[size_t(i)] = platform::Utf8ToGbk(days[i]);
    return w;
  }();
  return words;
}

struct TValueRow {
  const char* Name;
  const char* Caption;  // UTF-8
};

constexpr TValueRow kDateTimeFormats[DateTimeFormatCount] = {
    {"df_YMD", "年月日"}, {"df_HN", "时分"}, {"df_HNS", "时分秒"}, {"df_Y", "年"},
    {"df_M", "月"},       {"df_D", "日"},    {"df_H", "时"},       {"df_N", "分"},
    {"df_S", "秒"},       {"df_W", "星期"}};

constexpr TValueRow kCountFormats[CountFormatCount] = {
    {"cf_days", "天数"}, {"cf_hours", "小时数"}, {"cf_HMS", "时分秒"},
    {"cf_HM", "时分"},   {"cf_MS", "分秒"},      {"cf_S", "秒"}};

template <size_t N>
void AddValueRows(TTableRows& rows, const TValueRow (&values)[N]) {
  for (const TValueRow& v : values) AddRow(rows, std::string(v.Name) + "|" + v.Caption);
}

// "TFont| 请选择字体 ", the font's four sub-rows and the four style rows.
void AddFontPromptRows(TTableRows& r, const char* fontProperty) {
  AddRow(r, kRowFontPrompt);
  AddFontRows(r, fontProperty);
  AddFontStyleRows(r);
}

void AddHorizontalAlignmentRows(TTableRows& r) {
  AddRow(r, "taCenter|居中");
  AddRow(r, "taLeftJustify|左对齐");
  AddRow(r, "taRightJustify|右对齐");
}

const TTableRows& DateTimeRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, "DateFormat|时间格式|$000000F0");
    AddRow(r, "Distance|时差(分钟)");
    AddRow(r, kRowTransparent);
    AddRow(r, "CanvasFont|字体|$000000F0");
    AddFontPromptRows(r, "CanvasFont");
    AddRow(r, "Alignment|文本对齐方式");
    AddHorizontalAlignmentRows(r);
    AddRow(r, "Caption|标题");
    AddValueRows(r, kDateTimeFormats);
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

// The rows of a counter: `momentRow` is its Start or Terminal row; the count-down adds the
// alignment and layout rows.
TTableRows CounterRows(const char* momentRow, bool alignmentRows) {
  TTableRows r;
  AddBoundsRows(r);
  AddRow(r, "DateFormat|时间格式|$000000F0");
  AddRow(r, kRowTransparent);
  AddRow(r, momentRow);
  AddRow(r, "CanvasFont|字体|$000000F0");
  AddFontPromptRows(r, "CanvasFont");
  if (alignmentRows) {
    AddHorizontalAlignmentRows(r);
    AddRow(r, "LayOut|垂直对齐方式");
    AddRow(r, "tlCenter|垂直居中");
    AddRow(r, "tlBottom|底对齐");
    AddRow(r, "tlTop|顶对齐");
  }
  AddRow(r, "Caption|标题");
  AddValueRows(r, kCountFormats);
  AddBooleanRows(r);
  return r;
}

const TTableRows& CountUpRows() {
  static const TTableRows rows = CounterRows("Start|开始时间|$000000F0", false);
  return rows;
}

const TTableRows& CountDownRows() {
  static const TTableRows rows = CounterRows("Terminal|终止日期|$000000F0", true);
  return rows;
}

const TTableRows& CampaignRows() {
  static const TTableRows rows = [] {
    TTableRows r;
    AddBoundsRows(r);
    AddRow(r, "StartTime|开始时间");
    AddRow(r, "EndTime|结束时间");
    AddRow(r, "CampaignTime|作战时间");
    AddRow(r, "DateFormat|时间格式");
    AddRow(r, kRowFontPrompt);
    AddRow(r, "Font|字体");
    AddFontRows(r, "Font");
    AddFontStyleRows(r);
    AddRow(r, kRowTransparent);
    AddRow(r, "Alignment|文本对齐方式");
    AddHorizontalAlignmentRows(r);
    AddRow(r, "Caption|标题");
    AddRow(r, "Distance|时差(分钟)");
    AddValueRows(r, kDateTimeFormats);
    AddBooleanRows(r);
    return r;
  }();
  return rows;
}

void ParentToOwner(platform::TControl& control, platform::TComponent* owner) {
  if (auto* parent = dynamic_cast<platform::TWinControl*>(owner)) control.SetParent(parent);
}

// The object's size becomes that of `text` in `font`.
void FitTo(platform::TControl& control, const platform::TFontDescription& font,
           std::string_view text) {
  const platform::TSize extent = platform::TextExtent(font, text);
  control.SetBounds(control.Left(), control.Top(), extent.cx, extent.cy);
}

// Paint of the text objects here: black unless transparent, then `text` at (x, 0).
void PaintText(platform::TCanvas& canvas, const platform::TFontDescription& font, bool transparent,
               int width, int height, std::string_view text, bool rightAligned) {
  canvas.Font = font;
  PrepareGround(canvas, transparent, width, height);
  const int x = rightAligned ? width - canvas.TextWidth(text) : 0;
  canvas.TextOut(x, 0, text);
}

// Stores `text` in `target` as "YYYY-MM-DD HH:NN:SS" when it parses.
void StoreMoment(std::string& target, std::string_view text) {
  if (const auto moment = ParseMoment(text)) target = platform::FormatDateTime(*moment);
}

// What both counters publish besides Start or Terminal, in the order of their tables.
template <class T>
platform::TClassInfo CounterClassInfo(const char* className, const char* momentName,
                                      const std::string& (T::*moment)() const,
                                      void (T::*setMoment)(std::string_view)) {
  platform::TClassBuilder<T, platform::TGraphicControl> b(className);
  b.Property("DateFormat", TypeCountFormat(), &T::DateFormat, &T::SetDateFormat)
      .Property("Active", &T::Active, &T::SetActive)
      .Property("Transparent", &T::Transparent, &T::SetTransparent)
      .Property("Distance", &T::Distance, &T::SetDistance)
      .Property(momentName, moment, setMoment)
      .Property("Alignment", TypeAlignment(), &T::Alignment, &T::SetAlignment)
      .Property("CanvasFont", [](T& t) { return &t.CanvasFont(); }, &T::SetCanvasFont)
      .Property("Fixed", &T::Fixed, &T::SetFixed)
      .Property("FixTime", &T::FixTime, &T::SetFixTime)
      .Property("Text", &T::Text, &T::SetText)
      .Property("Clock", &T::Clock, &T::SetClock)
      .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
      .template StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf);
  return b.Build();
}

}  // namespace

// ---- Enumerations ---------------------------------------------------------------------------

const platform::TTypeInfo& TypeDateTimeFormat() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration(
      "TDateTimeFormat",
      {"df_YMD", "df_HN", "df_HNS", "df_Y", "df_M", "df_D", "df_H", "df_N", "df_S", "df_W"});
  return t;
}

const platform::TTypeInfo& TypeCountFormat() {
  static const platform::TTypeInfo t = platform::TTypeInfo::Enumeration(
      "TCountFormat", {"cf_days", "cf_hours", "cf_HMS", "cf_HM", "cf_MS", "cf_S"});
  return t;
}

// ---- Display texts --------------------------------------------------------------------------

TDateTime ShownMoment(TDateTime now, int64_t distanceMinutes) {
  const auto ms = MomentMs(now);
  if (!ms) return now;
  return ShownMomentOfMs(Shifted(*ms, std::clamp(distanceMinutes, -kShiftLimit / 60000,
                                                 kShiftLimit / 60000) * 60000));
}

std::string DateTimeDisplayText(TDateTimeFormat format, TDateTime shown, TDateTime today) {
  if (format == df_W) {
    const auto day = platform::DayOfWeek(today);
    if (!day) return {};
    return DateWords().Week + DateWords().Weekdays[size_t(*day)];
  }
  const auto p = platform::DecodeDateTime(shown);
  if (!p) return {};
  char year[8];
  std::snprintf(year, sizeof year, "%04d", p->Year);
  switch (format) {
    case df_YMD:
      return year + DateWords().Year + TwoDigits(p->Month) + DateWords().Month +
             TwoDigits(p->Day) + DateWords().Day;
    case df_HN: return TwoDigits(p->Hour) + ":" + TwoDigits(p->Minute);
    case df_HNS:
      return TwoDigits(p->Hour) + ":" + TwoDigits(p->Minute) + ":" + TwoDigits(p->Second);
    case df_Y: return year;
    case df_M: return TwoDigits(p->Month);
    case df_D: return TwoDigits(p->Day);
    case df_H: return TwoDigits(p->Hour);
    case df_N: return TwoDigits(p->Minute);
    case df_S: return TwoDigits(p->Second);
    default: return {};
  }
}

int64_t TimeDifferenceMs(TDateTime from, TDateTime to) {
  const auto a = MomentMs(from), b = MomentMs(to);
  if (!a || !b) return 0;
  return std::max<int64_t>(*b - *a, 0);
}

std::string CountDisplayText(TCountFormat format, int64_t differenceMs) {
  const int64_t ms = std::max<int64_t>(differenceMs, 0);
  const int64_t part = ms % kMsPerDay;  // the time of day of the difference
  const int64_t h = part / 3600000, n = part / 60000 % 60, s = part / 1000 % 60;
  switch (format) {
    case cf_days: return Decimal(ms / kMsPerDay);
    case cf_hours: return Decimal(ms / 3600000);
    case cf_HMS: return TwoDigits(h) + ":" + TwoDigits(n) + ":" + TwoDigits(s);
    case cf_HM: return TwoDigits(h) + ":" + TwoDigits(n);
    case cf_MS: return TwoDigits(n) + ":" + TwoDigits(s);
    case cf_S: return TwoDigits(s);
    default: return {};
  }
}

std::optional<TDateTime> ParseMoment(std::string_view text) {
  return platform::ParseDateTime(text);
}

// ---- TDateTimeComponent ---------------------------------------------------------------------

const platform::TClassInfo& TDateTimeComponent::StaticClassInfo() {
  using T = TDateTimeComponent;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TDateTimeComponent")
          .Property("DateFormat", TypeDateTimeFormat(), &T::DateFormat, &T::SetDateFormat)
          .Property("Active", &T::Active, &T::SetActive)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Distance", &T::Distance, &T::SetDistance)
          .Property("CanvasFont", [](T& t) { return &t.CanvasFont(); }, &T::SetCanvasFont)
          .Property("Text", &T::Text, &T::SetText)
          .Property("Clock", &T::Clock, &T::SetClock)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TDateTimeComponent::TDateTimeComponent(platform::TComponent* owner) : TGraphicControl(owner) {
  canvasFont_.SetDescription(DisplayFont());
  FitToText();  // the current time as "HH:NN:SS"
  FillPropertyTable(table_, DateTimeRows());
  ParentToOwner(*this, owner);
}

std::string TDateTimeComponent::CurrentText() const {
  const TDateTime now = platform::Now();
  return DateTimeDisplayText(dateFormat_, ShownMoment(now, distance_), now);
}

void TDateTimeComponent::FitToText() { FitTo(*this, canvasFont_.Description(), CurrentText()); }

void TDateTimeComponent::SetDateFormat(TDateTimeFormat format) {
  dateFormat_ = format;
  FitToText();
  Invalidate();
}

void TDateTimeComponent::SetCanvasFont(const platform::TFont* font) {
  if (!font) return;
  canvasFont_.Assign(*font);
  FitToText();
  Invalidate();
}

void TDateTimeComponent::Paint(platform::TCanvas& canvas) {
  display_ = CurrentText();
  PaintText(canvas, canvasFont_.Description(), transparent_, Width(), Height(), display_, false);
}

void TDateTimeComponent::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    WriteDateTimeRecord(ObjectRecordRect(*this), distance_, canvasFont_.Description(),
                        transparent_, DateTimeFormatCode(dateFormat_), s);
  });
}

// ---- Counters -------------------------------------------------------------------------------

TCounterBase::TCounterBase(platform::TComponent* owner, bool up, const TTableRows& rows)
    : TGraphicControl(owner), up_(up) {
  canvasFont_.SetDescription(DisplayFont());
  moment_ = platform::FormatDateTime(platform::Now());
  SetBounds(Left(), Top(), CounterWidth, CounterHeight);
  FillPropertyTable(table_, rows);
  ParentToOwner(*this, owner);
}

void TCounterBase::SetDateFormat(TCountFormat format) {
  dateFormat_ = format;
  Invalidate();
}

void TCounterBase::SetAlignment(TAlignment alignment) {
  if (alignment == alignment_) return;
  alignment_ = alignment;
  Invalidate();
}

void TCounterBase::SetMoment(std::string_view text) { StoreMoment(moment_, text); }

void TCounterBase::AssignCanvasFont(const platform::TFont* font, bool fit) {
  if (!font) return;
  canvasFont_.Assign(*font);
  if (fit) FitTo(*this, canvasFont_.Description(), CurrentText());
  Invalidate();
}

std::string TCounterBase::CurrentText() const {
  const auto moment = ParseMoment(moment_);
  const TDateTime now = platform::Now();
  int64_t difference = 0;
  if (moment) difference = up_ ? TimeDifferenceMs(*moment, now) : TimeDifferenceMs(now, *moment);
  return CountDisplayText(dateFormat_, difference);
}

void TCounterBase::Paint(platform::TCanvas& canvas) {
  display_ = CurrentText();
  PaintText(canvas, canvasFont_.Description(), transparent_, Width(), Height(), display_, true);
}

const platform::TClassInfo& TCountUp::StaticClassInfo() {
  static const platform::TClassInfo info =
      CounterClassInfo<TCountUp>("TCountUp", "Start", &TCountUp::Start, &TCountUp::SetStart);
  return info;
}

TCountUp::TCountUp(platform::TComponent* owner) : TCounterBase(owner, true, CountUpRows()) {}

void TCountUp::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    // The setter stores only moments that parse, so this always converts.
    if (const auto start = ParseMoment(Start()))
      WriteCountUpRecord(ObjectRecordRect(*this), CanvasFont().Description(), Transparent(),
                         *start, s, uint16_t(DateFormat()));
  });
}

const platform::TClassInfo& TCountDown::StaticClassInfo() {
  static const platform::TClassInfo info = CounterClassInfo<TCountDown>(
      "TCountDown", "Terminal", &TCountDown::Terminal, &TCountDown::SetTerminal);
  return info;
}

TCountDown::TCountDown(platform::TComponent* owner)
    : TCounterBase(owner, false, CountDownRows()) {}

void TCountDown::SetRecordSelf(TProgramStream* stream) {
  AppendRecord(stream, [this](TProgramStream& s) {
    if (const auto terminal = ParseMoment(Terminal()))
      WriteCountDownRecord(ObjectRecordRect(*this), CanvasFont().Description(), Transparent(),
                           uint16_t(Alignment()), *terminal, s, uint16_t(DateFormat()));
  });
}

// ---- TCampaignTime --------------------------------------------------------------------------

const platform::TClassInfo& TCampaignTime::StaticClassInfo() {
  using T = TCampaignTime;
  static const platform::TClassInfo info =
      platform::TClassBuilder<T, platform::TGraphicControl>("TCampaignTime")
          .Property("DateFormat", TypeDateTimeFormat(), &T::DateFormat, &T::SetDateFormat)
          .Property("Active", &T::Active, &T::SetActive)
          .Property("Transparent", &T::Transparent, &T::SetTransparent)
          .Property("Distance", &T::Distance, &T::SetDistance)
          .Property("StartTime", &T::StartTime, &T::SetStartTime)
          .Property("EndTime", &T::EndTime, &T::SetEndTime)
          .Property("CampaignTime", &T::CampaignTime, &T::SetCampaignTime)
          .Property("Step", &T::Step, &T::SetStep)
          .Property("Font", [](T& t) { return &t.Font(); }, &T::SetFont)
          .Property("Text", &T::Text, &T::SetText)
          .Property("PropertyTable", [](T& t) { return &t.PropertyTable(); }, nullptr)
          .StreamProperty<TProgramStream>("RecordSelf", &T::SetRecordSelf)
          .Build();
  return info;
}

TCampaignTime::TCampaignTime(platform::TComponent* owner) : TGraphicControl(owner) {
  font_.SetDescription(DisplayFont());
  startTime_ = endTime_ = campaignTime_ = platform::FormatDateTime(platform::Now());
  SetBounds(Left(), Top(), CounterWidth, CounterHeight);
  FillPropertyTable(table_, CampaignRows());
}

void TCampaignTime::SetStartTime(std::string_view text) { StoreMoment(startTime_, text); }
void TCampaignTime::SetEndTime(std::string_view text) { StoreMoment(endTime_, text); }
void TCampaignTime::SetCampaignTime(std::string_view text) { StoreMoment(campaignTime_, text); }

void TCampaignTime::SetStep(int32_t step) {
  if (step >= 1) step_ = step;
}

void TCampaignTime::SetFont(const platform::TFont* font) {
  if (!font) return;
  font_.Assign(*font);
  Invalidate();
}

// The text shown at `now`; moves the last real time on when the second has changed.
std::string TCampaignTime::TextAt(TDateTime now, TDateTime& lastReal) const {
  // The real time moves on once per second of the clock.
  if (DateTimeDisplayText(df_HNS, lastReal, now) != DateTimeDisplayText(df_HNS, now, now))
    lastReal = now;
  TDateTime shown = now;
  const auto t = MomentMs(lastReal);
  const auto start = ParseMoment(startTime_), end = ParseMoment(endTime_),
             campaign = ParseMoment(campaignTime_);
  if (t && start && end && campaign) {
    const auto startMs = MomentMs(*start), endMs = MomentMs(*end),
               campaignMs = MomentMs(*campaign);
    if (startMs && endMs && campaignMs && *startMs <= *t && *t <= *endMs)
      shown = ShownMomentOfMs(Shifted(*campaignMs, *t - *startMs));
  }
  return DateTimeDisplayText(dateFormat_, ShownMoment(shown, distance_), now);
}

bool TCampaignTime::PictureDue() const {
  TDateTime lastReal = lastReal_;
  return TextAt(platform::Now(), lastReal) != display_;
}

void TCampaignTime::Paint(platform::TCanvas& canvas) {
  display_ = TextAt(platform::Now(), lastReal_);
  PaintText(canvas, font_.Description(), transparent_, Width(), Height(), display_, false);
}

void TCampaignTime::SetRecordSelf(TProgramStream*) {}

}  // namespace model
