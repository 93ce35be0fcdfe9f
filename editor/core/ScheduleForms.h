#pragma once
// The logic of the three dialogs that act on the main window's current screen: the power
// schedule (TAutoCloseForm, "自动开关屏设置"), the brightness schedule (TAutoBrightForm,
// "自动亮度调节设置") and the manual brightness (TBrightAdjustForm, "显示屏亮度调节").
//
// Each controller holds what its dialog shows (grid texts in the grid's own coordinates, row 0
// being the headings; the check box; the floating picker) and tells its view when that changed;
// the view shows it and passes the user's clicks and choices back. The card operations run on
// the screen itself through TScheduleOperations, and their outcome comes back as the screen's
// status: the main window forwards every status change to StatusChanged, and a visible dialog
// fills itself on 22 (power schedule read) or 28 (brightness schedule read).
//
// Commands of the main window (its Card menu): Execute() reads the card's schedule and shows the
// dialog modally, as the menu items do.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "editor/core/Dialogs.h"
#include "editor/core/Schedules.h"

namespace model {
class TLEDScreen;
}

namespace editor {

// The card operations the dialogs start; each runs on the screen given (one of a project root's
// screens) and reports through the screen's status.
class TScheduleOperations {
 public:
  virtual ~TScheduleOperations() = default;
  virtual void ReadPowerSchedule(model::TLEDScreen& screen) = 0;
  virtual void WritePowerSchedule(model::TLEDScreen& screen,
                                  std::span<const uint8_t, PowerScheduleSize> schedule) = 0;
  virtual void ReadBrightSchedule(model::TLEDScreen& screen) = 0;
  virtual void WriteBrightSchedule(model::TLEDScreen& screen,
                                   std::span<const uint8_t, BrightScheduleSize> schedule) = 0;
  virtual void SetBright(model::TLEDScreen& screen, int32_t level) = 0;
};

// The card operations of the project root that owns the screen.
TScheduleOperations& RootScheduleOperations();

// The main window's current screen (null while there is none).
using TCurrentScreen = std::function<model::TLEDScreen*()>;

// What a schedule dialog's view does for its controller.
class TScheduleView {
 public:
  virtual ~TScheduleView() = default;
  virtual bool Visible() const = 0;
  // Shows the dialog modally; its show runs the controller's Show().
  virtual void ShowModal() = 0;
  // The texts, the check box, the caption or the picker changed.
  virtual void Changed() = 0;
};

// Where a picker floats: over cell (Col, Row) while Visible.
struct TCellPicker {
  bool Visible = false;
  int Col = 0, Row = 0;
  bool operator==(const TCellPicker&) const = default;
};

// The files' dialogs: "自动开关屏文件|*.Tim" and "亮度文件|*.Bri".
struct TScheduleFileKind {
  std::string Filter;    // GBK
  std::string FileName;  // "*.Tim"
  std::string Ext;       // ".Tim"
};
const TScheduleFileKind& PowerScheduleFiles();
const TScheduleFileKind& BrightScheduleFiles();

// What both schedule dialogs hold: the caption, the grid's texts by column and row, the check box
// and where the picker floats; and what they act through.
template <int C, int R>
class TScheduleGrid {
 public:
  static constexpr int Cols = C, Rows = R;

  const std::string& Caption() const { return caption_; }
  const std::string& Cell(int col, int row) const;
  void SetCell(int col, int row, std::string text);  // as a picker or a typed text puts it
  bool Auto() const { return auto_; }
  void SetAuto(bool checked);
  const TCellPicker& Picker() const { return picker_; }

 protected:
  TScheduleGrid(TScheduleView& view, TDialogs& dialogs, TScheduleOperations& operations,
                TCurrentScreen currentScreen);
  static bool InGrid(int col, int row) { return col >= 0 && col < Cols && row >= 0 && row < Rows; }
  // Whether `screen` is the current one and its status `status` reached this visible dialog.
  bool ReadArrived(const model::TLEDScreen& screen, int32_t status) const;
  // "导  出": `block` to a file chosen by a save dialog, with the kind's extension.
  void ExportBlock(const TScheduleFileKind& kind, std::span<const uint8_t> block);
  // "导  入": the content of a file chosen by an open dialog; nothing when cancelled or unread.
  std::optional<std::string> ImportBytes(const TScheduleFileKind& kind);

  TScheduleView& view_;
  TDialogs& dialogs_;
  TScheduleOperations& operations_;
  TCurrentScreen currentScreen_;
  std::string caption_;
  std::array<std::array<std::string, R>, C> cells_;
  bool auto_ = false;
  TCellPicker picker_;
};

// TAutoCloseForm: grid `StringGrid1` of 3 columns x 8 rows, check box `blAutoPower`, time picker
// `TimePicker`.
class TAutoCloseController : public TScheduleGrid<3, 8> {
 public:
  TAutoCloseController(TScheduleView& view, TDialogs& dialogs, TScheduleOperations& operations,
                       TCurrentScreen currentScreen);

  // The Card menu's " 自动开关屏设置": the card's schedule is asked for, then the dialog shows.
  void Execute();
  // The dialog's show: headings, weekday names, every time "00:00:00", the caption.
  void Show();
  // A status change of `screen` (forwarded by the main window): fills the visible dialog when
  // the current screen's schedule was read (status 22).
  void StatusChanged(const model::TLEDScreen& screen);
  // The grid and check box from the current screen's block.
  void Fill();

  void CellClick(int col, int row);
  // The picker's time (ms of the day) into its cell.
  void PickerChanged(int32_t msOfDay);
  // The picker's time: that of its cell when it was placed.
  int32_t PickerTime() const { return pickerTime_; }

  // The buttons: "下  载", "刷  新", "导  出", "导  入". Download and export throw
  // EScheduleConvertError for a cell that is not a time; nothing is sent or written then.
  void Download();
  void Refresh();
  void Export();
  void Import();

  // The block the grid and check box make (throws as Download does).
  std::array<uint8_t, PowerScheduleSize> Block() const;

 private:
  TPowerGrid Grid() const;

  int32_t pickerTime_ = 0;
};

// TAutoBrightForm: grid `BrightTable` of 4 columns x 13 rows, check box `blAutoBright`,
// drop-down `BrightPicker`.
class TAutoBrightController : public TScheduleGrid<4, 13> {
 public:
  TAutoBrightController(TScheduleView& view, TDialogs& dialogs, TScheduleOperations& operations,
                        TCurrentScreen currentScreen);

  // The Card menu's " 自动亮度调节设置".
  void Execute();
  // The dialog's show: hour ranges, headings, the caption, and the grid from the screen.
  void Show();
  // Fills the visible dialog when the current screen's schedule was read (status 28).
  void StatusChanged(const model::TLEDScreen& screen);
  void Fill();

  void CellClick(int col, int row);
  // The drop-down's item `level` into its cell.
  void PickerChosen(int level);
  // The drop-down's selection: the level of its cell when it was placed.
  int PickerLevel() const { return pickerLevel_; }

  // "下  载", "刷  新", "导  出", "导  入" (the import fills the dialog only).
  void Download();
  void Refresh();
  void Export();
  void Import();

  std::array<uint8_t, BrightScheduleSize> Block() const;

 private:
  TBrightGrid Grid() const;
  void ShowGrid(const TBrightGrid& grid);

  int pickerLevel_ = 0;
};

// What the main window reaches of these dialogs and of the automatic-send dialog, all made at
// start-up: its Card menu items and its screen-status handler.
class TScheduleCommands {
 public:
  virtual ~TScheduleCommands() = default;
  virtual void AutoClose() = 0;     // " 自动开关屏设置"
  virtual void AutoBright() = 0;    // " 自动亮度调节设置"
  virtual void BrightAdjust() = 0;  // " 调整控制卡亮度[&B]" / "调节当前显示屏亮度"
  virtual void AutoSend() = 0;      // " 自动发送设置": the dialog, modally
  // Every status change the project root reports (OnStatusChanged): 22 and 28 fill a visible
  // schedule dialog.
  virtual void ScreenStatusChanged(const model::TLEDScreen& screen) = 0;
};

// TBrightAdjustForm: spin `SpinEdit1` 0..7.
class TBrightAdjustController {
 public:
  static constexpr int MinValue = 0, MaxValue = 7;

  TBrightAdjustController(TScheduleView& view, TScheduleOperations& operations, TCurrentScreen currentScreen);

  // The Card menu's " 调整控制卡亮度[&B]": the spin := the current screen's Bright, then the
  // dialog shows.
  void Execute();
  // "调  节": the spin's value to the card.
  void Adjust();

  int Value() const { return value_; }
  void SetValue(int value);  // kept within 0..7, as the spin does

 private:
  TScheduleView& view_;
  TScheduleOperations& operations_;
  TCurrentScreen currentScreen_;
  int value_ = 0;
};

}  // namespace editor
