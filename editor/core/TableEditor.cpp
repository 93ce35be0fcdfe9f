#include "TableEditor.h"

#include <algorithm>
#include <optional>

#include "editor/core/GeneralComponent.h"
#include "model/objects/TableReport.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/gfx/FontDescription.h"

namespace editor {

namespace {

std::string GbkText(const char* utf8) { return platform::Utf8ToGbk(utf8); }

// Every cell of every line, parts of merged cells included.
template <class F>
void ForEachCell(model::TTableReport& table, F&& f) {
  for (int l = 0; l < table.GetLineCount(); ++l) {
    model::TTableReportLine* line = table.GetLine(l);
    for (int c = 0; c < line->CellCount(); ++c) f(*line->Cell(c));
  }
}

void SetAllBorders(model::TTableReport& table, int32_t width) {
  ForEachCell(table, [width](model::TTableReportCell& cell) {
    for (model::TCellSide side : {model::csLeft, model::csTop, model::csRight, model::csBottom})
      cell.SetBorderWidth(side, width);
  });
}

void SetAllBackColors(model::TTableReport& table, platform::TColor color) {
  ForEachCell(table, [color](model::TTableReportCell& cell) { cell.SetBackColor(color); });
}

}  // namespace

// ---- New-table settings --------------------------------------------------------------------

const std::array<TNewTableKey, 7>& NewTableKeys() {
  static const std::array<TNewTableKey, 7> keys = {{
      {"Row", &TNewTableSettings::Row, 5, 1, 255},
      {"Col", &TNewTableSettings::Col, 5, 1, 255},
      {"Height", &TNewTableSettings::Height, 16, 16, 255},
      {"Width", &TNewTableSettings::Width, 32, 32, 512},
      {"LineColor", &TNewTableSettings::LineColor, 1, 0, 3},
      {"BackColor", &TNewTableSettings::BackColor, 0, 0, 3},
      {"LineWidth", &TNewTableSettings::LineWidth, 0, 0, 5},
  }};
  return keys;
}

TNewTableSettings ClampNewTableSettings(TNewTableSettings values) {
  for (const TNewTableKey& k : NewTableKeys()) values.*k.Field = std::clamp(values.*k.Field, k.Min, k.Max);
  return values;
}

TNewTableSettings ReadNewTableSettings(const platform::TSettingsFile& settings) {
  TNewTableSettings values;
  for (const TNewTableKey& k : NewTableKeys()) {
    const int64_t v = settings.ReadInteger(NewTableSection, k.Key, k.Default);
    values.*k.Field = int(std::clamp<int64_t>(v, k.Min, k.Max));
  }
  return values;
}

bool WriteNewTableSettings(platform::TSettingsFile& settings, const TNewTableSettings& values) {
  for (const TNewTableKey& k : NewTableKeys()) settings.WriteInteger(NewTableSection, k.Key, values.*k.Field);
  return settings.Save();
}

// ---- File names ----------------------------------------------------------------------------

const std::string& TableFileFilter() {
  static const std::string filter = GbkText("表格文件|*.Tab");
  return filter;
}

std::string TableFileName(std::string_view name) {
  const std::string ext = platform::ExtractFileExt(name);
  if (ext == TableFileExt) return std::string(name);
  return std::string(name.substr(0, name.size() - ext.size())) + TableFileExt;
}

// ---- The editor ----------------------------------------------------------------------------

TTableEditor::TTableEditor(TTableEditorView& view, TDialogs& dialogs, TNewgridDialog& newgrid,
                           platform::TSettingsFile settings)
    : view_(view), dialogs_(dialogs), newgrid_(newgrid), settings_(std::move(settings)) {}

TTableEditor::~TTableEditor() {
  if (table_) view_.ShowTable(nullptr);
}

std::string TTableEditor::Caption() const { return GbkText("表格编辑 - ") + fileName_; }

model::TTableReportCell* TTableEditor::FirstCell() const {
  model::TTableReportLine* line = table_ ? table_->GetLine(0) : nullptr;
  return line ? line->Cell(0) : nullptr;
}

void TTableEditor::Show() {
  if (table_) view_.ShowTable(nullptr);
  table_ = std::make_unique<model::TTableReport>(nullptr);
  table_->OnSelectedCellChange = [this](model::TTableReport&, model::TTableReportCell&) { SelectionChanged(); };
  view_.ShowTable(table_.get());
  table_->Clear();
  if (!fileName_.empty())
    table_->LoadFromFile(fileName_);
  else
    NewTable();
  ControlsFollowTable();
  view_.SetCaption(Caption());
}

bool TTableEditor::CloseRequest() {
  if (!table_) return true;
  if (!SaveModifiedFirst()) return false;
  view_.ShowTable(nullptr);
  table_.reset();
  return true;
}

bool TTableEditor::SaveModifiedFirst() {
  if (!table_ || !table_->GetModified()) return true;
  switch (dialogs_.MessageBox(GbkText("内容已经更改，是否保存？"), "", TMessageIcon::None,
                              TMessageButtons::YesNoCancel)) {
    case TMessageAnswer::Yes: return Save();
    case TMessageAnswer::No: return true;
    default: return false;
  }
}

void TTableEditor::ControlsFollowTable() {
  const model::TTableReportCell* first = FirstCell();
  const int width = first ? first->Border(model::csLeft).Width : 1;
  view_.SetLineWidthIndex(std::clamp(width - 1, 0, LineComboItemCount - 1));
  view_.SetLineColor(table_->GridColor());
  view_.SetBackColor(table_->Color());
  if (first) ShowCellFont(*first);
}

bool TTableEditor::NewTable() {
  TNewTableSettings values = ReadNewTableSettings(settings_);
  const int result = newgrid_.Execute(values);
  values = ClampNewTableSettings(values);
  WriteNewTableSettings(settings_, values);
  if (result != mrNewgridOk || !table_) return false;
  if (!SaveModifiedFirst()) return false;

  model::TTableReport& table = *table_;
  table.SetDefaultColWidth(values.Width);
  table.SetDefaultRowHeight(values.Height);
  table.Clear();
  table.NewTable(values.Col, values.Row, values.Width, values.Height);
  table.ResetPosition();
  const platform::TColor back = ColorComboColor(values.BackColor);
  table.BeginUpdate();
  // The chosen line width reaches every border, as the line-width control would set it.
  SetAllBorders(table, values.LineWidth + 1);
  table.SetGridColor(ColorComboColor(values.LineColor));
  table.SetColor(back);
  SetAllBackColors(table, back);
  table.EndUpdate();
  ControlsFollowTable();
  return true;
}

bool TTableEditor::Open() {
  if (!table_) return false;
  const std::optional<std::string> chosen =
      dialogs_.OpenFileName(TFileRequest("", TableFileFilter(), "*.Tab", "Tab").StartingBeside(fileName_));
  if (!chosen) return false;
  if (platform::ExtractFileExt(*chosen) != TableFileExt) {
    dialogs_.MessageBox(GbkText("无法识别的文件格式！"), GbkText("提示"), TMessageIcon::None, TMessageButtons::Ok);
    return false;
  }
  if (!SaveModifiedFirst()) return false;
  switch (table_->LoadFile(*chosen)) {
    case model::TTableLoad::WrongMagic:
      // Not a table: the table and its file stay as they were.
      return false;
    case model::TTableLoad::Damaged:
      // The table was cleared: it belongs to no file now, so Save asks for one.
      fileName_.clear();
      break;
    case model::TTableLoad::Loaded:
      fileName_ = *chosen;
      break;
  }
  ControlsFollowTable();
  view_.SetCaption(Caption());
  return !fileName_.empty();
}

bool TTableEditor::WriteTo(std::string_view name) {
  const std::string path = TableFileName(name);
  if (!table_ || !table_->SaveToFile(path)) return false;
  fileName_ = path;
  view_.SetCaption(Caption());
  return true;
}

bool TTableEditor::Save() {
  if (!table_) return false;
  if (!fileName_.empty()) return WriteTo(fileName_);
  const std::optional<std::string> chosen =
      dialogs_.SaveFileName({"", TableFileFilter(), "*.Tab", "Tab"});
  return chosen && WriteTo(*chosen);
}

bool TTableEditor::SaveAs() {
  if (!table_) return false;
  const std::optional<std::string> chosen =
      dialogs_.SaveFileName(TFileRequest("", TableFileFilter(), "*.*", "Tab").StartingBeside(fileName_));
  return chosen && WriteTo(*chosen);
}

// ---- Tool bar ------------------------------------------------------------------------------

bool TTableEditor::InsertLine() { return table_ && table_->InsertLine(); }
bool TTableEditor::DeleteLine() { return table_ && table_->DeleteLine(); }
bool TTableEditor::Copy() { return table_ && table_->CopySelection(); }
bool TTableEditor::Cut() { return table_ && table_->CutSelection(); }
bool TTableEditor::Paste() { return table_ && table_->PasteSelection(); }
bool TTableEditor::ClearText() { return table_ && table_->ClearSelectedText(); }
bool TTableEditor::CombineCells() { return table_ && table_->CombineCells(); }
bool TTableEditor::SplitHorizontally() { return table_ && table_->SplitCellHorizontally(2); }
bool TTableEditor::SplitVertically() { return table_ && table_->SplitCellVertically(); }

void TTableEditor::LineWidthChanged(int index) {
  if (!table_ || index < 0) return;
  table_->BeginUpdate();
  SetAllBorders(*table_, index + 1);
  table_->EndUpdate();
}

void TTableEditor::LineColorChanged(platform::TColor color) {
  if (table_) table_->SetGridColor(color);
}

void TTableEditor::BackColorChanged(platform::TColor color) {
  if (!table_) return;
  table_->BeginUpdate();
  SetAllBackColors(*table_, color);
  table_->SetColor(color);
  table_->EndUpdate();
}

void TTableEditor::Align(int horz) {
  if (!table_) return;
  if (table_->FocusedCell()) table_->SetFocusedCellAlign(horz, -1);
  table_->SetSelectedCellsAlign(horz, -1);
}

void TTableEditor::FontChanged() {
  if (fillingFont_ || !table_ || table_->GetSelectedCount() == 0) return;
  const TFontControls controls = view_.FontControls();
  platform::TFontDescription font;
  font.Name = controls.Name;
  font.SetSize(controls.Size);
  font.Style = (controls.Bold ? platform::FontStyleBit(platform::fsBold) : 0) |
               (controls.Italic ? platform::FontStyleBit(platform::fsItalic) : 0) |
               (controls.Underline ? platform::FontStyleBit(platform::fsUnderline) : 0);
  table_->BeginUpdate();
  table_->SetSelectedCellsFont(font.ToLogFont());
  table_->SetSelectedCellsColors(controls.Color, table_->Color());
  table_->EndUpdate();
  table_->ArrangeLines();
  table_->ResetPosition();
}

void TTableEditor::ShowCellFont(const model::TTableReportCell& cell) {
  const platform::TLogFont& lf = cell.Font();
  const platform::TFontDescription font = platform::TFontDescription::FromLogFont(lf);
  TFontControls controls;
  controls.Name = lf.FaceName;
  controls.Size = font.Size();
  controls.Bold = (font.Style & platform::FontStyleBit(platform::fsBold)) != 0;
  controls.Italic = lf.Italic != 0;
  controls.Underline = lf.Underline != 0;
  controls.Color = cell.TextColor();
  // The controls report what is put into them; those reports are not the person's changes.
  struct TFilling {
    bool& flag;
    explicit TFilling(bool& f) : flag(f) { flag = true; }
    ~TFilling() { flag = false; }
  } filling(fillingFont_);
  view_.SetFontControls(controls);
}

void TTableEditor::SelectionChanged() {
  if (table_ && table_->GetSelectedCount() > 0) ShowCellFont(*table_->SelectedCells().front());
}

}  // namespace editor
