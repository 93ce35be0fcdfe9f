#pragma once
// The date-time dialog "日期、时间输入" (TDateTimeInputForm) and the campaign-time dialog
// "作战时间设置" (TCampaignForm): thin views over editor/core's controllers.
#include <QDialog>
#include <memory>
#include <optional>
#include <string>

#include "editor/core/DateTimeInput.h"
#include "editor/ui/ModalRun.h"

class QCalendarWidget;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTimeEdit;

namespace editor::ui {

class TDateTimeInputFormView : public QDialog, private TDateTimeInputView {
 public:
  explicit TDateTimeInputFormView(QWidget* parent = nullptr);
  ~TDateTimeInputFormView() override;

  // Shows the dialog modally, its date starting at `initial`'s: the chosen moment as
  // "YYYY-MM-DD HH:NN:SS", or nothing when cancelled.
  std::optional<std::string> Execute(platform::TDateTime initial, const TModalRun& run = {});
  TDateTimeInputForm& Controller() { return *controller_; }
  QCalendarWidget* DaySelect() const { return day_; }
  QComboBox* MonthSelect() const { return month_; }
  QSpinBox* YearSelect() const { return year_; }
  QTimeEdit* TimeSelect() const { return time_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void StateChanged(const TDateTimeInputState& state) override;
  void Close() override;

  QCalendarWidget* day_;
  QComboBox* month_;
  QSpinBox* year_;
  QTimeEdit* time_;
  QPushButton* ok_;
  QPushButton* cancel_;
  bool syncing_ = false;
  std::unique_ptr<TDateTimeInputForm> controller_;
};

class TCampaignFormView : public QDialog, private TCampaignView {
 public:
  // `dialogs` runs the date-time dialog for "修改作战时间".
  explicit TCampaignFormView(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TCampaignFormView() override;

  // Shows the dialog modally; true when it set the campaign time.
  bool Execute(const TModalRun& run = {});
  TCampaignForm& Controller() { return *controller_; }
  QLabel* TimeLabel() const { return label_; }
  QPushButton* ModifyButton() const { return modify_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  void SetLabel(const std::string& gbk) override;
  void Close() override;

  QLabel* label_;
  QPushButton* modify_;
  QPushButton* ok_;
  QPushButton* cancel_;
  std::unique_ptr<TCampaignForm> controller_;
};

}  // namespace editor::ui
