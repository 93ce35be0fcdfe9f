#pragma once
// The schedule and brightness dialogs: `AutoCloseForm` (power schedule), `AutoBrightForm`
// (brightness schedule) and `BrightAdjustForm` (manual brightness). Each owns its controller
// (editor/core/ScheduleForms.h), shows what it holds and passes clicks and choices on.
#include <QDialog>
#include <functional>
#include <initializer_list>
#include <memory>

#include "editor/core/ScheduleForms.h"
#include "editor/ui/ModalRun.h"

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QSpinBox;
class QTimeEdit;

namespace editor::ui {

class TGridTable;

// What every schedule dialog is built on: the operations, the current screen and the dialogs.
struct TScheduleFormContext {
  TDialogs* Dialogs = nullptr;
  TScheduleOperations* Operations = nullptr;
  TCurrentScreen CurrentScreen;
  // How the dialogs run modally (empty: their modal loop).
  TModalRun RunModal;
};

// What both schedule dialogs are: a grid, a check box under it, a picker floating over a cell
// and a row of buttons, all showing their controller.
template <class TController>
class TScheduleGridForm : public QDialog, public TScheduleView {
 public:
  ~TScheduleGridForm() override;
  TController& Controller() { return *controller_; }
  TGridTable* Grid() const { return grid_; }

  // TScheduleView
  bool Visible() const override { return isVisible(); }
  void ShowModal() override { ui::RunModal(*this, runModal_); }
  void Changed() override;

 protected:
  struct TLook {
    const char* FormName;
    const char* Title;
    const char* GridName;
    std::initializer_list<int> ColumnWidths;
    const char* CheckName;
    const char* CheckCaption;
  };
  TScheduleGridForm(const TScheduleFormContext& context, const TLook& look, QWidget* parent);
  // Where the picker goes, and its value (the controller's).
  virtual void PlacePicker() = 0;
  // Before the controller's show runs.
  virtual void BeforeShow() {}
  void showEvent(QShowEvent* event) override;
  // A button under the check box; its click runs `action` under the error guard.
  void AddButton(const char* name, const char* caption, std::function<void()> action);
  // Runs `change` without passing the widgets' signals back to the controller.
  void Quietly(const std::function<void()>& change);
  bool Updating() const { return updating_; }

  TModalRun runModal_;
  std::unique_ptr<TController> controller_;
  TGridTable* grid_;
  QCheckBox* check_;

 private:
  QHBoxLayout* buttons_;
  bool updating_ = false;
};

class TAutoCloseForm : public TScheduleGridForm<TAutoCloseController> {
 public:
  explicit TAutoCloseForm(const TScheduleFormContext& context, QWidget* parent = nullptr);
  QTimeEdit* TimePicker() const { return picker_; }
  QCheckBox* AutoPower() const { return check_; }

 private:
  void PlacePicker() override;
  QTimeEdit* picker_;
};

class TAutoBrightForm : public TScheduleGridForm<TAutoBrightController> {
 public:
  explicit TAutoBrightForm(const TScheduleFormContext& context, QWidget* parent = nullptr);
  QComboBox* BrightPicker() const { return picker_; }
  QCheckBox* AutoBright() const { return check_; }

 private:
  void PlacePicker() override;
  void BeforeShow() override;
  QComboBox* picker_;
};

class TBrightAdjustForm : public QDialog, public TScheduleView {
 public:
  explicit TBrightAdjustForm(const TScheduleFormContext& context, QWidget* parent = nullptr);
  ~TBrightAdjustForm() override;

  TBrightAdjustController& Controller() { return *controller_; }
  QSpinBox* Spin() const { return spin_; }

  bool Visible() const override { return isVisible(); }
  void ShowModal() override { ui::RunModal(*this, runModal_); }
  void Changed() override;

 private:
  TModalRun runModal_;
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
  // How the automatic-send dialog runs modally (empty: its modal loop).
  TModalRun RunModal;

  void AutoClose() override;
  void AutoBright() override;
  void BrightAdjust() override;
  void AutoSend() override;
  void ScreenStatusChanged(const model::TLEDScreen& screen) override;
};

}  // namespace editor::ui
