#pragma once
// The schedule and brightness dialogs: `AutoCloseForm` (power schedule), `AutoBrightForm`
// (brightness schedule) and `BrightAdjustForm` (manual brightness). Each owns its controller
// (editor/core/ScheduleForms.h), shows what it holds and passes clicks and choices on.
#include <QDialog>
#include <memory>

#include "editor/core/ScheduleForms.h"

class QCheckBox;
class QComboBox;
class QSpinBox;
class QTimeEdit;

namespace editor::ui {

class TGridTable;

// What every schedule dialog is built on: the operations, the current screen and the dialogs.
struct TScheduleFormContext {
  TDialogs* Dialogs = nullptr;
  TScheduleOperations* Operations = nullptr;
  TCurrentScreen CurrentScreen;
};

class TAutoCloseForm : public QDialog, public TScheduleView {
 public:
  explicit TAutoCloseForm(const TScheduleFormContext& context, QWidget* parent = nullptr);
  ~TAutoCloseForm() override;

  TAutoCloseController& Controller() { return *controller_; }
  TGridTable* Grid() const { return grid_; }
  QTimeEdit* TimePicker() const { return picker_; }
  QCheckBox* AutoPower() const { return auto_; }

  // TScheduleView
  bool Visible() const override { return isVisible(); }
  void ShowModal() override { exec(); }
  void Changed() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PlacePicker();

  std::unique_ptr<TAutoCloseController> controller_;
  TGridTable* grid_;
  QTimeEdit* picker_;
  QCheckBox* auto_;
  bool updating_ = false;
};

class TAutoBrightForm : public QDialog, public TScheduleView {
 public:
  explicit TAutoBrightForm(const TScheduleFormContext& context, QWidget* parent = nullptr);
  ~TAutoBrightForm() override;

  TAutoBrightController& Controller() { return *controller_; }
  TGridTable* Grid() const { return grid_; }
  QComboBox* BrightPicker() const { return picker_; }
  QCheckBox* AutoBright() const { return auto_; }

  bool Visible() const override { return isVisible(); }
  void ShowModal() override { exec(); }
  void Changed() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PlacePicker();

  std::unique_ptr<TAutoBrightController> controller_;
  TGridTable* grid_;
  QComboBox* picker_;
  QCheckBox* auto_;
  bool updating_ = false;
};

class TBrightAdjustForm : public QDialog, public TScheduleView {
 public:
  explicit TBrightAdjustForm(const TScheduleFormContext& context, QWidget* parent = nullptr);
  ~TBrightAdjustForm() override;

  TBrightAdjustController& Controller() { return *controller_; }
  QSpinBox* Spin() const { return spin_; }

  bool Visible() const override { return isVisible(); }
  void ShowModal() override { exec(); }
  void Changed() override;

 private:
  std::unique_ptr<TBrightAdjustController> controller_;
  QSpinBox* spin_;
  bool updating_ = false;
};

class TAutoSendForm;

// The program's schedule commands: each form as it was made at start-up (null until then).
class TScheduleForms final : public TScheduleCommands {
 public:
  TAutoCloseForm* AutoCloseForm = nullptr;
  TAutoBrightForm* AutoBrightForm = nullptr;
  TBrightAdjustForm* BrightAdjustForm = nullptr;
  TAutoSendForm* AutoSendForm = nullptr;

  void AutoClose() override;
  void AutoBright() override;
  void BrightAdjust() override;
  void AutoSend() override;
  void ScreenStatusChanged(const model::TLEDScreen& screen) override;
};

}  // namespace editor::ui
