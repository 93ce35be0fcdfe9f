#include "DateTimeInput.h"

#include <algorithm>

#include "model/CardLink.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr int MinYear = 1, MaxYear = 9999;

// The moment in whole seconds, as the dialogs show it.
platform::TDateTime WholeSeconds(platform::TDateTime value) {
  auto parts = platform::DecodeDateTime(value);
  if (!parts) return value;
  parts->Millisecond = 0;
  return platform::EncodeDateTime(*parts).value_or(value);
}

}  // namespace

// ---- Date-time dialog -------------------------------------------------------------------------

TDateTimeInputForm::TDateTimeInputForm(TDateTimeInputView& view) : view_(view) {}

void TDateTimeInputForm::SetDate(int year, int month, int day) {
  state_.Year = std::clamp(year, MinYear, MaxYear);
  state_.Month = std::clamp(month, 1, 12);
  state_.Day = std::clamp(day, 1, platform::DaysInMonth(state_.Year, state_.Month));
}

void TDateTimeInputForm::Show(platform::TDateTime initial) {
  const platform::TDateTime now = platform::Now();
  auto date = platform::DecodeDateTime(initial);
  if (!date) date = platform::DecodeDateTime(now);
  const auto time = platform::DecodeDateTime(now);
  if (date) SetDate(date->Year, date->Month, date->Day);
  if (time) {
    state_.Hour = time->Hour;
    state_.Minute = time->Minute;
    state_.Second = time->Second;
  }
  accepted_ = false;
  result_.clear();
  view_.StateChanged(state_);
}

void TDateTimeInputForm::YearChanged(int year) {
  SetDate(year, state_.Month, state_.Day);
  view_.StateChanged(state_);
}

void TDateTimeInputForm::MonthChanged(int month) {
  SetDate(state_.Year, month, state_.Day);
  view_.StateChanged(state_);
}

void TDateTimeInputForm::DateSelected(int year, int month, int day) {
  SetDate(year, month, day);
  view_.StateChanged(state_);
}

void TDateTimeInputForm::TimeChanged(int hour, int minute, int second) {
  state_.Hour = std::clamp(hour, 0, 23);
  state_.Minute = std::clamp(minute, 0, 59);
  state_.Second = std::clamp(second, 0, 59);
}

void TDateTimeInputForm::Confirm() {
  const auto moment = platform::EncodeDateTime(
      {state_.Year, state_.Month, state_.Day, state_.Hour, state_.Minute, state_.Second, 0});
  if (!moment) return;  // the state is always a valid moment
  result_ = platform::FormatDateTime(*moment);
  accepted_ = true;
  view_.Close();
}

void TDateTimeInputForm::Cancel() { view_.Close(); }

// ---- Campaign dialog --------------------------------------------------------------------------

TCampaignForm::TCampaignForm(TCampaignView& view, TDialogs& dialogs) : view_(view), dialogs_(dialogs) {}

void TCampaignForm::ShowPending() {
  view_.SetLabel(platform::Utf8ToGbk("当前作战时间: ") + platform::FormatDateTime(pending_));
}

void TCampaignForm::Show() {
  pending_ = WholeSeconds(platform::Now());
  accepted_ = false;
  ShowPending();
}

void TCampaignForm::Modify() {
  const auto answer = dialogs_.InputDateTime(platform::Now());
  if (!answer) return;
  const auto chosen = platform::ParseDateTime(*answer);
  if (!chosen) return;
  pending_ = *chosen;
  ShowPending();
}

void TCampaignForm::Confirm() {
  if (const auto time = platform::DateTimeToSystemTime(pending_)) model::CampaignTime() = *time;
  accepted_ = true;
  view_.Close();
}

void TCampaignForm::Cancel() { view_.Close(); }

}  // namespace editor
