#include "ScheduleForms.h"

#include <algorithm>
#include <cstring>

#include "editor/core/BlockFiles.h"
#include "model/FormConstructEx.h"
#include "model/ScreenStatus.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }

// The caption of a schedule dialog: its title, "-->" and the current screen's name.
std::string CaptionFor(const char* title, const model::TLEDScreen* screen) {
  return Gbk(title) + "-->" + (screen ? screen->Text() : std::string());
}

// The screen's own root runs the operation; a screen that belongs to no root is left alone.
class TRootOperations final : public TScheduleOperations {
 public:
  void ReadPowerSchedule(model::TLEDScreen& screen) override {
    if (auto* root = RootOf(screen)) root->ReadPowerSchedule(screen);
  }
  void WritePowerSchedule(model::TLEDScreen& screen, std::span<const uint8_t, PowerScheduleSize> schedule) override {
    if (auto* root = RootOf(screen)) root->WritePowerSchedule(screen, schedule);
  }
  void ReadBrightSchedule(model::TLEDScreen& screen) override {
    if (auto* root = RootOf(screen)) root->ReadBrightSchedule(screen);
  }
  void WriteBrightSchedule(model::TLEDScreen& screen, std::span<const uint8_t, BrightScheduleSize> schedule) override {
    if (auto* root = RootOf(screen)) root->WriteBrightSchedule(screen, schedule);
  }
  void SetBright(model::TLEDScreen& screen, int32_t level) override {
    if (auto* root = RootOf(screen)) root->SetBright(screen, level);
  }

 private:
  static model::TConstructer* RootOf(model::TLEDScreen& screen) {
    return dynamic_cast<model::TConstructer*>(screen.Owner());
  }
};

static_assert(PowerScheduleSize == model::TLEDScreen::PowerScheduleSize);
static_assert(BrightScheduleSize == model::TLEDScreen::BrightScheduleSize);

}  // namespace

TScheduleOperations& RootScheduleOperations() {
  static TRootOperations operations;
  return operations;
}

const TScheduleFileKind& PowerScheduleFiles() {
  static const TScheduleFileKind kind{Gbk("自动开关屏文件|*.Tim"), "*.Tim", ".Tim"};
  return kind;
}

const TScheduleFileKind& BrightScheduleFiles() {
  static const TScheduleFileKind kind{Gbk("亮度文件|*.Bri"), "*.Bri", ".Bri"};
  return kind;
}

// ---- What both schedule dialogs share -------------------------------------------------------

template <int C, int R>
TScheduleGrid<C, R>::TScheduleGrid(TScheduleView& view, TDialogs& dialogs, TScheduleOperations& operations,
                                   TCurrentScreen currentScreen)
    : view_(view), dialogs_(dialogs), operations_(operations), currentScreen_(std::move(currentScreen)) {}

template <int C, int R>
const std::string& TScheduleGrid<C, R>::Cell(int col, int row) const {
  static const std::string none;
  return InGrid(col, row) ? cells_[size_t(col)][size_t(row)] : none;
}

template <int C, int R>
void TScheduleGrid<C, R>::SetCell(int col, int row, std::string text) {
  if (!InGrid(col, row)) return;
  cells_[size_t(col)][size_t(row)] = std::move(text);
  view_.Changed();
}

template <int C, int R>
void TScheduleGrid<C, R>::SetAuto(bool checked) {
  if (auto_ == checked) return;
  auto_ = checked;
  view_.Changed();
}

template <int C, int R>
bool TScheduleGrid<C, R>::ReadArrived(const model::TLEDScreen& screen, int32_t status) const {
  // Only the current screen's answer belongs in the grid: another card's would show under this
  // card's name.
  return screen.Status() == status && view_.Visible() && &screen == currentScreen_();
}

template <int C, int R>
void TScheduleGrid<C, R>::ExportBlock(const TScheduleFileKind& kind, std::span<const uint8_t> block) {
  if (auto name = dialogs_.SaveFileName({{}, kind.Filter, kind.FileName}))
    SaveBlockFile(dialogs_, platform::SetFileExt(*name, kind.Ext), block);
}

template <int C, int R>
std::optional<std::string> TScheduleGrid<C, R>::ImportBytes(const TScheduleFileKind& kind) {
  auto file = dialogs_.OpenFileName({{}, kind.Filter, kind.FileName});
  if (!file) return std::nullopt;
  return ReadBlockFile(dialogs_, *file);
}

template class TScheduleGrid<TAutoCloseController::Cols, TAutoCloseController::Rows>;
template class TScheduleGrid<TAutoBrightController::Cols, TAutoBrightController::Rows>;

// ---- Power schedule ------------------------------------------------------------------------

TAutoCloseController::TAutoCloseController(TScheduleView& view, TDialogs& dialogs,
                                           TScheduleOperations& operations, TCurrentScreen currentScreen)
    : TScheduleGrid(view, dialogs, operations, std::move(currentScreen)) {}

void TAutoCloseController::Execute() {
  if (model::TLEDScreen* screen = currentScreen_()) operations_.ReadPowerSchedule(*screen);
  view_.ShowModal();
}

void TAutoCloseController::Show() {
  cells_[0][0] = Gbk("日期");
  cells_[1][0] = Gbk("开屏时间");
  cells_[2][0] = Gbk("关屏时间");
  for (int d = 0; d < WeekDays; ++d) {
    cells_[0][size_t(d + 1)] = WeekDayName(d);
    cells_[1][size_t(d + 1)] = cells_[2][size_t(d + 1)] = TimeText(0);
  }
  picker_.Visible = false;
  caption_ = CaptionFor("自动开关屏设置", currentScreen_());
  view_.Changed();
}

void TAutoCloseController::StatusChanged(const model::TLEDScreen& screen) {
  if (ReadArrived(screen, model::ssPowerScheduleRead)) Fill();
}

void TAutoCloseController::Fill() {
  const model::TLEDScreen* screen = currentScreen_();
  if (!screen) return;
  const TPowerGrid grid = DecodePowerSchedule(screen->PowerSchedule());
  auto_ = grid.Auto;
  for (int d = 0; d < WeekDays; ++d) {
    cells_[1][size_t(d + 1)] = grid.On[size_t(d)];
    cells_[2][size_t(d + 1)] = grid.Off[size_t(d)];
  }
  view_.Changed();
}

void TAutoCloseController::CellClick(int col, int row) {
  if (!InGrid(col, row) || row == 0) return;
  if (col == 0) {
    picker_.Visible = false;
  } else {
    picker_ = {true, col, row};
    pickerTime_ = TimeOfText(Cell(col, row)).value_or(0);
  }
  view_.Changed();
}

void TAutoCloseController::PickerChanged(int32_t msOfDay) {
  if (!picker_.Visible) return;
  pickerTime_ = msOfDay;
  SetCell(picker_.Col, picker_.Row, TimeText(msOfDay));
}

TPowerGrid TAutoCloseController::Grid() const {
  TPowerGrid grid;
  grid.Auto = auto_;
  for (int d = 0; d < WeekDays; ++d) {
    grid.On[size_t(d)] = cells_[1][size_t(d + 1)];
    grid.Off[size_t(d)] = cells_[2][size_t(d + 1)];
  }
  return grid;
}

std::array<uint8_t, PowerScheduleSize> TAutoCloseController::Block() const { return EncodePowerSchedule(Grid()); }

void TAutoCloseController::Download() {
  const auto block = Block();
  if (model::TLEDScreen* screen = currentScreen_()) operations_.WritePowerSchedule(*screen, block);
}

void TAutoCloseController::Refresh() {
  if (model::TLEDScreen* screen = currentScreen_()) operations_.ReadPowerSchedule(*screen);
}

void TAutoCloseController::Export() { ExportBlock(PowerScheduleFiles(), Block()); }

void TAutoCloseController::Import() {
  auto bytes = ImportBytes(PowerScheduleFiles());
  model::TLEDScreen* screen = currentScreen_();
  if (!bytes || !screen) return;
  // A short file replaces only the bytes it holds.
  auto schedule = screen->PowerSchedule();
  std::memcpy(schedule.data(), bytes->data(), std::min(bytes->size(), schedule.size()));
  Fill();
}

// ---- Brightness schedule -------------------------------------------------------------------

TAutoBrightController::TAutoBrightController(TScheduleView& view, TDialogs& dialogs,
                                             TScheduleOperations& operations, TCurrentScreen currentScreen)
    : TScheduleGrid(view, dialogs, operations, std::move(currentScreen)) {}

void TAutoBrightController::Execute() {
  if (model::TLEDScreen* screen = currentScreen_()) operations_.ReadBrightSchedule(*screen);
  view_.ShowModal();
}

void TAutoBrightController::Show() {
  cells_[0][0] = cells_[2][0] = Gbk("          时间段");
  cells_[1][0] = cells_[3][0] = Gbk("      亮度等级");
  for (int row = 1; row < Rows; ++row) {
    cells_[0][size_t(row)] = HourRangeText(row - 1);
    cells_[2][size_t(row)] = HourRangeText(row + 11);
  }
  picker_.Visible = false;
  caption_ = CaptionFor("自动亮度调节设置", currentScreen_());
  view_.Changed();
  Fill();
}

void TAutoBrightController::StatusChanged(const model::TLEDScreen& screen) {
  if (ReadArrived(screen, model::ssBrightScheduleRead)) Fill();
}

void TAutoBrightController::Fill() {
  if (const model::TLEDScreen* screen = currentScreen_()) ShowGrid(DecodeBrightSchedule(screen->BrightSchedule()));
}

void TAutoBrightController::ShowGrid(const TBrightGrid& grid) {
  auto_ = grid.Auto;
  for (int h = 0; h < Hours; ++h) {
    const TGridCell at = BrightCellOfHour(h);
    cells_[size_t(at.Col)][size_t(at.Row)] = grid.Levels[size_t(h)];
  }
  view_.Changed();
}

void TAutoBrightController::CellClick(int col, int row) {
  if (!InGrid(col, row) || row == 0) return;
  if (col == 1 || col == 3) {
    picker_ = {true, col, row};
    pickerLevel_ = BrightLevelOf(Cell(col, row));
  } else {
    picker_.Visible = false;
  }
  view_.Changed();
}

void TAutoBrightController::PickerChosen(int level) {
  if (!picker_.Visible || level < 0 || level >= BrightLevels) return;
  pickerLevel_ = level;
  SetCell(picker_.Col, picker_.Row, BrightLevelName(level));
}

TBrightGrid TAutoBrightController::Grid() const {
  TBrightGrid grid;
  grid.Auto = auto_;
  for (int h = 0; h < Hours; ++h) {
    const TGridCell at = BrightCellOfHour(h);
    grid.Levels[size_t(h)] = cells_[size_t(at.Col)][size_t(at.Row)];
  }
  return grid;
}

std::array<uint8_t, BrightScheduleSize> TAutoBrightController::Block() const { return EncodeBrightSchedule(Grid()); }

void TAutoBrightController::Download() {
  const auto block = Block();
  if (model::TLEDScreen* screen = currentScreen_()) operations_.WriteBrightSchedule(*screen, block);
}

void TAutoBrightController::Refresh() {
  if (model::TLEDScreen* screen = currentScreen_()) operations_.ReadBrightSchedule(*screen);
}

void TAutoBrightController::Export() { ExportBlock(BrightScheduleFiles(), Block()); }

void TAutoBrightController::Import() {
  auto bytes = ImportBytes(BrightScheduleFiles());
  if (!bytes) return;
  // The dialog only: the screen's block changes when the card answers a read. A short file
  // replaces only the bytes it holds of what the dialog shows.
  auto block = Block();
  std::memcpy(block.data(), bytes->data(), std::min(bytes->size(), block.size()));
  ShowGrid(DecodeBrightSchedule(block));
}

// ---- Manual brightness ---------------------------------------------------------------------

TBrightAdjustController::TBrightAdjustController(TScheduleView& view, TScheduleOperations& operations,
                                                 TCurrentScreen currentScreen)
    : view_(view), operations_(operations), currentScreen_(std::move(currentScreen)) {}

void TBrightAdjustController::Execute() {
  if (const model::TLEDScreen* screen = currentScreen_()) SetValue(screen->Bright());
  view_.ShowModal();
}

void TBrightAdjustController::Adjust() {
  if (model::TLEDScreen* screen = currentScreen_()) operations_.SetBright(*screen, value_);
}

void TBrightAdjustController::SetValue(int value) {
  value = std::clamp(value, MinValue, MaxValue);
  if (value_ == value) return;
  value_ = value;
  view_.Changed();
}

}  // namespace editor
