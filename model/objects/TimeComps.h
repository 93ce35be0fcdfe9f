#pragma once
// The time objects of a page that show text:
//   - TDateTimeComponent: the current date or time, in one of ten formats, `Distance` minutes
//     ahead of the computer's clock;
//   - TCountUp: time elapsed since `Start`;
//   - TCountDown: time left until `Terminal`;
//   - TCampaignTime: a simulated clock that runs from `CampaignTime` while the real time lies
//     between `StartTime` and `EndTime`.
// (The analog clock lives in AnalogClock.h.)
//
// "Now" is platform::Now(), so tests drive these objects with a fake wall clock. The page's
// repaint timer repaints them, which keeps the design surface running. The date-time and
// counter objects send records the card animates itself (date-time, count-up, count-down);
// the campaign-time object sends nothing.
//
// Date-time texts ("YYYY-MM-DD HH:NN:SS") are parsed by platform::ParseDateTime, and a text
// that does not parse changes nothing. Every text here is GBK.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/PropertyTable.h"
#include "model/objects/DisplayObject.h"
#include "model/stream/ProgramStream.h"
#include "platform/base/DateTime.h"
#include "platform/component/Control.h"
#include "platform/component/Font.h"

namespace model {

// ---- Enumerations ---------------------------------------------------------------------------

// What a date-time object shows. The date-time record's format code is the ordinal + 1.
enum TDateTimeFormat : uint8_t {
  df_YMD,  // 年月日: "2004年02月29日"
  df_HN,   // 时分: "08:05"
  df_HNS,  // 时分秒: "08:05:09"
  df_Y,    // 年: "2004"
  df_M,    // 月: "02"
  df_D,    // 日: "29"
  df_H,    // 时
  df_N,    // 分
  df_S,    // 秒
  df_W,    // 星期: "星期日"; of today, whatever the time difference
};
constexpr int DateTimeFormatCount = 10;

// What a counter shows of the time difference. Counter records carry the ordinal itself.
enum TCountFormat : uint8_t {
  cf_days,   // 天数: the whole days
  cf_hours,  // 小时数: the whole hours
  cf_HMS,    // 时分秒: "HH:NN:SS" of the part below a day
  cf_HM,     // 时分: "HH:NN"
  cf_MS,     // 分秒: "NN:SS"
  cf_S,      // 秒: "SS"
};
constexpr int CountFormatCount = 6;

const platform::TTypeInfo& TypeDateTimeFormat();  // "TDateTimeFormat"
const platform::TTypeInfo& TypeCountFormat();     // "TCountFormat"

constexpr int DateTimeFormatCode(TDateTimeFormat format) { return format + 1; }

// ---- Display texts --------------------------------------------------------------------------

// The moment a clock `distanceMinutes` ahead of `now` shows, kept within the valid moments
// 0001-01-01 00:00:00 .. 9999-12-31 23:59:59 (an Integer of minutes reaches about 4000 years
// either way). The sum is made in whole milliseconds. `now` itself when it is no valid moment.
platform::TDateTime ShownMoment(platform::TDateTime now, int64_t distanceMinutes);

// The text of a date-time format at the `shown` moment; df_W names the weekday of `today`
// instead ("星期" and "日", "一" ... "六"). Empty when the moment it needs is no valid moment.
std::string DateTimeDisplayText(TDateTimeFormat format, platform::TDateTime shown,
                                platform::TDateTime today);

// `to` − `from` in whole milliseconds, through their time stamps; 0 when `to` is not later or
// either is no valid moment.
int64_t TimeDifferenceMs(platform::TDateTime from, platform::TDateTime to);

// The text of a counter format for a difference in milliseconds (below 0 counts as 0):
// "%d" of whole days or whole hours, or the part below a day as "HH:NN:SS", "HH:NN", "NN:SS",
// "SS".
std::string CountDisplayText(TCountFormat format, int64_t differenceMs);

// The moment a date-time text stands for, parsed as the setters parse it.
std::optional<platform::TDateTime> ParseMoment(std::string_view text);

// ---- TDateTimeComponent ---------------------------------------------------------------------

// The current date or time, `Distance` minutes ahead of the computer's clock.
//
// Published: DateFormat (df_HNS), Active (False), Transparent (True), Distance (0),
// CanvasFont ("宋体", 12 pt, red, GB2312), Text, Clock (0), PropertyTable, RecordSelf; as
// large as the current time as "HH:NN:SS" in the font. Parented to its owner when that is a
// windowed control.
class TDateTimeComponent : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TDateTimeComponent(platform::TComponent* owner);

  TDateTimeFormat DateFormat() const { return dateFormat_; }
  // Stores the format, sizes the object to its current display text and repaints.
  void SetDateFormat(TDateTimeFormat format);
  // Stored only.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  // Minutes added to the clock; stored only.
  int32_t Distance() const { return distance_; }
  void SetDistance(int32_t minutes) { distance_ = minutes; }
  platform::TFont& CanvasFont() { return canvasFont_; }
  const platform::TFont& CanvasFont() const { return canvasFont_; }
  // Takes the font (null is ignored), sizes the object to its display text and repaints.
  void SetCanvasFont(const platform::TFont* font);
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  // Saved with the object; nothing here reads it.
  int32_t Clock() const { return clock_; }
  void SetClock(int32_t clock) { clock_ = clock; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The text for the clock's current time (platform::Now() + Distance).
  std::string CurrentText() const;
  // The text last painted (not published).
  const std::string& DisplayString() const { return display_; }

  // Black first unless transparent, then the current text at (0, 0) in CanvasFont.
  void Paint(platform::TCanvas& canvas) override;
  // When the current text is no longer the one painted.
  bool PictureDue() const override { return CurrentText() != display_; }
  // Appends a date-time record of the bounds: Distance as given, DateFormat + 1, Transparent,
  // glyphs in CanvasFont. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);

 private:
  void FitToText();

  TDateTimeFormat dateFormat_ = df_HNS;
  bool active_ = false;
  bool transparent_ = true;
  int32_t distance_ = 0;
  platform::TFont canvasFont_;
  std::string text_;
  int32_t clock_ = 0;
  TBasePropertyTable table_;
  std::string display_;
};

// ---- Counters -------------------------------------------------------------------------------

// What the two counters share: everything but the moment they count from or to and the
// record they send. The published class of each is TCountUp or TCountDown, straight under
// TGraphicControl; this is only their common implementation.
class TCounterBase : public platform::TGraphicControl {
 public:
  TCountFormat DateFormat() const { return dateFormat_; }
  // Stores and repaints.
  void SetDateFormat(TCountFormat format);
  // Stored only.
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  int32_t Distance() const { return distance_; }
  void SetDistance(int32_t minutes) { distance_ = minutes; }
  TAlignment Alignment() const { return alignment_; }
  // Stores and repaints when it changes. Paint right-aligns whatever it says.
  void SetAlignment(TAlignment alignment);
  platform::TFont& CanvasFont() { return canvasFont_; }
  const platform::TFont& CanvasFont() const { return canvasFont_; }
  // Saved with the object; nothing here reads them.
  bool Fixed() const { return fixed_; }
  void SetFixed(bool fixed) { fixed_ = fixed; }
  uint32_t FixTime() const { return fixTime_; }
  void SetFixTime(uint32_t fixTime) { fixTime_ = fixTime; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  int32_t Clock() const { return clock_; }
  void SetClock(int32_t clock) { clock_ = clock; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The text for the current time: Now() − Start, or Terminal − Now(), in DateFormat.
  std::string CurrentText() const;
  // The text last painted (not published).
  const std::string& DisplayString() const { return display_; }

  // Black first unless transparent, then the current text right-aligned at y 0.
  void Paint(platform::TCanvas& canvas) override;
  // When the current text is no longer the one painted.
  bool PictureDue() const override { return CurrentText() != display_; }

 protected:
  // A counter up from its moment or down to it, 64 x 16, the moment being the creation time.
  TCounterBase(platform::TComponent* owner, bool up, const TTableRows& rows);

  // Start or Terminal, "YYYY-MM-DD HH:NN:SS": set only from text that parses.
  const std::string& Moment() const { return moment_; }
  void SetMoment(std::string_view text);
  // Takes the font (null is ignored), fits the object to its text when asked, repaints.
  void AssignCanvasFont(const platform::TFont* font, bool fit);

 private:
  bool up_;
  TCountFormat dateFormat_ = cf_days;
  bool active_ = false;
  bool transparent_ = true;
  int32_t distance_ = 0;
  std::string moment_;
  TAlignment alignment_ = taLeftJustify;
  platform::TFont canvasFont_;
  bool fixed_ = false;
  uint32_t fixTime_ = 0;
  std::string text_;
  int32_t clock_ = 0;
  TBasePropertyTable table_;
  std::string display_;
};

// Time elapsed since `Start`; 0 before it.
//
// Published: DateFormat (cf_days), Active (False), Transparent (True), Distance (0, stored
// only), Start (the creation time), Alignment (taLeftJustify), CanvasFont, Fixed (False),
// FixTime (0), Text, Clock (0), PropertyTable, RecordSelf; 64 x 16. Parented to its owner when
// that is a windowed control.
class TCountUp : public TCounterBase {
  DECLARE_CLASS_INFO()

  explicit TCountUp(platform::TComponent* owner);

  const std::string& Start() const { return Moment(); }
  // Stores the moment as "YYYY-MM-DD HH:NN:SS" when the text parses; otherwise nothing changes.
  void SetStart(std::string_view text) { SetMoment(text); }
  // Takes the font (null is ignored), sizes the object to its display text and repaints.
  void SetCanvasFont(const platform::TFont* font) { AssignCanvasFont(font, true); }

  // Appends a count-up record of the bounds: Start, DateFormat's ordinal, Transparent, glyphs
  // in CanvasFont. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);
};

// Time left until `Terminal`; 0 once it has passed.
//
// Published as TCountUp, with Terminal in place of Start; 64 x 16. Its CanvasFont setter
// repaints without resizing.
class TCountDown : public TCounterBase {
  DECLARE_CLASS_INFO()

  explicit TCountDown(platform::TComponent* owner);

  const std::string& Terminal() const { return Moment(); }
  void SetTerminal(std::string_view text) { SetMoment(text); }
  // Takes the font (null is ignored) and repaints; the size stays.
  void SetCanvasFont(const platform::TFont* font) { AssignCanvasFont(font, false); }

  // Appends a count-down record of the bounds: Terminal, DateFormat's ordinal, Alignment's
  // ordinal, Transparent, glyphs in CanvasFont. Null appends nothing.
  void SetRecordSelf(TProgramStream* stream);
};

// ---- TCampaignTime --------------------------------------------------------------------------

// A simulated clock: while the real time T lies in StartTime .. EndTime it shows
// CampaignTime + (T − StartTime), otherwise the real time; then `Distance` minutes ahead.
// T is the real time at the first paint of each second (kept as the last real time seen,
// 30 December 1899 00:00 until the first paint).
//
// Published: DateFormat (df_HNS), Active (False), Transparent (True), Distance (0), StartTime,
// EndTime, CampaignTime (the creation time), Step (1, at least 1), Font, Text, PropertyTable,
// RecordSelf; 64 x 16. It sends nothing.
class TCampaignTime : public platform::TGraphicControl {
  DECLARE_CLASS_INFO()

  explicit TCampaignTime(platform::TComponent* owner);

  TDateTimeFormat DateFormat() const { return dateFormat_; }
  void SetDateFormat(TDateTimeFormat format) { dateFormat_ = format; }
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent) { transparent_ = transparent; }
  int32_t Distance() const { return distance_; }
  void SetDistance(int32_t minutes) { distance_ = minutes; }
  const std::string& StartTime() const { return startTime_; }
  void SetStartTime(std::string_view text);
  const std::string& EndTime() const { return endTime_; }
  void SetEndTime(std::string_view text);
  const std::string& CampaignTime() const { return campaignTime_; }
  void SetCampaignTime(std::string_view text);
  // Keeps values of 1 and more; nothing here reads it.
  int32_t Step() const { return step_; }
  void SetStep(int32_t step);
  platform::TFont& Font() { return font_; }
  const platform::TFont& Font() const { return font_; }
  // Takes the font (null is ignored) and repaints.
  void SetFont(const platform::TFont* font);
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }
  TBasePropertyTable& PropertyTable() { return table_; }
  const TBasePropertyTable& PropertyTable() const { return table_; }

  // The last real time seen (not published).
  platform::TDateTime LastRealTime() const { return lastReal_; }
  const std::string& DisplayString() const { return display_; }

  // Moves the last real time on when the second has changed, then draws the shown moment at
  // (0, 0) in Font, black first unless transparent.
  void Paint(platform::TCanvas& canvas) override;
  // When the text of the shown moment is no longer the one painted.
  bool PictureDue() const override;
  // Appends nothing: the card has no campaign time.
  void SetRecordSelf(TProgramStream* stream);

 private:
  std::string TextAt(platform::TDateTime now, platform::TDateTime& lastReal) const;

  TDateTimeFormat dateFormat_ = df_HNS;
  bool active_ = false;
  bool transparent_ = true;
  int32_t distance_ = 0;
  std::string startTime_, endTime_, campaignTime_;
  int32_t step_ = 1;
  platform::TFont font_;
  std::string text_;
  TBasePropertyTable table_;
  platform::TDateTime lastReal_ = 0;
  std::string display_;
};

}  // namespace model
