#pragma once
// The date-time dialog (`TDateTimeInputForm`, "日期、时间输入") and the campaign-time dialog
// (`TCampaignForm`, "作战时间设置") without their windows.
//
// The date-time dialog picks a date on its calendar `DaySelect`, month list `MonthSelect` and
// year spin `YearSelect`, and a time of day on its picker `TimeSelect`; its answer is the text
// "YYYY-MM-DD HH:NN:SS". The campaign dialog sets the process-wide campaign time that the
// project roots send to cards (model::CampaignTime()).
//
// "Now" is the wall clock of platform/base/DateTime.h, which tests replace.
#include <string>

#include "editor/core/Dialogs.h"
#include "platform/base/DateTime.h"

namespace editor {

// What the date-time dialog shows: the date of the calendar, month list and year spin, and the
// picker's time of day.
struct TDateTimeInputState {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0;
  bool operator==(const TDateTimeInputState&) const = default;
};

class TDateTimeInputView {
 public:
  virtual ~TDateTimeInputView() = default;
  virtual void StateChanged(const TDateTimeInputState& state) = 0;
  virtual void Close() = 0;
};

class TDateTimeInputForm {
 public:
  explicit TDateTimeInputForm(TDateTimeInputView& view);

  // Shown: the date of `initial` (today's for an invalid moment), the time of day now; nothing
  // accepted yet.
  void Show(platform::TDateTime initial);
  // The year spin or the month list changed: the calendar moves there, its day kept where the
  // month has it, else the month's last day.
  void YearChanged(int year);
  void MonthChanged(int month);
  // A day was chosen on the calendar (possibly of another month).
  void DateSelected(int year, int month, int day);
  void TimeChanged(int hour, int minute, int second);
  // "确  定": the chosen date with the picker's time of day, then close.
  void Confirm();
  // "取  消".
  void Cancel();

  const TDateTimeInputState& State() const { return state_; }
  bool Accepted() const { return accepted_; }
  // "YYYY-MM-DD HH:NN:SS" once accepted.
  const std::string& Result() const { return result_; }

 private:
  void SetDate(int year, int month, int day);

  TDateTimeInputView& view_;
  TDateTimeInputState state_;
  bool accepted_ = false;
  std::string result_;
};

class TCampaignView {
 public:
  virtual ~TCampaignView() = default;
  // The label "当前作战时间: " + the time (GBK).
  virtual void SetLabel(const std::string& gbk) = 0;
  virtual void Close() = 0;
};

class TCampaignForm {
 public:
  // `dialogs` runs the date-time dialog.
  TCampaignForm(TCampaignView& view, TDialogs& dialogs);

  // Shown: the time to be set is now (in whole seconds), which the label shows.
  void Show();
  // "修改作战时间": the date-time dialog, started at now; an accepted answer becomes the time to
  // be set and the label's.
  void Modify();
  // "确  定": the time the label shows becomes the campaign time (with its day of week); close.
  void Confirm();
  // "放  弃": close, the campaign time unchanged.
  void Cancel();

  bool Accepted() const { return accepted_; }
  platform::TDateTime Pending() const { return pending_; }

 private:
  void ShowPending();

  TCampaignView& view_;
  TDialogs& dialogs_;
  platform::TDateTime pending_ = 0;
  bool accepted_ = false;
};

}  // namespace editor
