#pragma once
// The table editor's logic (the form `TTableForm`, "表格编辑器", and its new-table dialog
// `TNewgridForm`, "请输入表格属性"): a table file ("*.Tab") edited in a table control. New table,
// Open, Save and Save as; the tool bar's table operations, line width, line colour, back colour,
// alignment and font; the question before unsaved work is dropped; the close request.
//
// The editor is opened for a table object's file (the caller sets FileName, shows the editor
// modally and reads FileName back afterwards). The table control exists from Show to the close
// request. The window behind TTableEditorView shows the table and the tool bar's controls; the
// new-table dialog sits behind TNewgridDialog, boxes and file dialogs behind TDialogs, so tests
// open none.
//
// Departing from the general rule for extensions, a table is always written with exactly ".Tab"
// (any other extension, ".TAB" too, is replaced): Open accepts only ".Tab" as written, so every
// table saved here can be opened here again.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "editor/core/Dialogs.h"
#include "platform/base/SettingsFile.h"
#include "platform/gfx/Color.h"

namespace model {
class TTableReport;
class TTableReportCell;
}  // namespace model

namespace editor {

// ---- The new-table dialog

// What the new-table dialog asks for ("Param.ini", section "Table"). The colours and the line
// width are item indexes of the colour and line boxes.
struct TNewTableSettings {
  int Row = 5;        // "行", 1..255
  int Col = 5;        // "列", 1..255
  int Height = 16;    // "行高", 16..255
  int Width = 32;     // "列宽", 32..512
  int LineColor = 1;  // "表格线颜色", 0..3
  int BackColor = 0;  // "背景色", 0..3
  int LineWidth = 0;  // "表格线宽度", 0..5
  bool operator==(const TNewTableSettings&) const = default;
};

// One setting: its key in section "Table", default and range.
struct TNewTableKey {
  const char* Key;
  int TNewTableSettings::*Field;
  int Default, Min, Max;
};
// The seven keys in the order they are written.
const std::array<TNewTableKey, 7>& NewTableKeys();
inline constexpr const char* NewTableSection = "Table";

// Each value brought into its range.
TNewTableSettings ClampNewTableSettings(TNewTableSettings values);
// The values stored (missing or unreadable keys take their defaults), each within its range.
TNewTableSettings ReadNewTableSettings(const platform::TSettingsFile& settings);
// Writes all seven keys and saves the settings; false when they could not be saved.
bool WriteNewTableSettings(platform::TSettingsFile& settings, const TNewTableSettings& values);

// What the new-table dialog's buttons return.
inline constexpr int mrNewgridOk = 1;      // "确  定"
inline constexpr int mrNewgridCancel = 2;  // "取  消", or closed

// The new-table dialog: shown modally with `values`, which hold what was typed afterwards
// whatever the button.
class TNewgridDialog {
 public:
  virtual ~TNewgridDialog() = default;
  virtual int Execute(TNewTableSettings& values) = 0;
};

// ---- The table editor

// What the font controls show: `FontSelect` (GBK face), `FontSizeSelect` (points), `Bold`,
// `Italic`, `Underline` and `FontColorSelect`.
struct TFontControls {
  std::string Name;
  int Size = 11;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  platform::TColor Color = 0;
  bool operator==(const TFontControls&) const = default;
};

// What the editor needs of its window. Setting a control here never reports a change back as if
// the person had made it, except the font controls, whose reports FontChanged ignores while
// they are being filled.
class TTableEditorView {
 public:
  virtual ~TTableEditorView() = default;
  virtual void SetCaption(const std::string& gbk) = 0;
  // The table to show and be the host of (null: none).
  virtual void ShowTable(model::TTableReport* table) = 0;
  // `cmbLineWidth`'s item, `cobLine`'s and `cobBack`'s colours.
  virtual void SetLineWidthIndex(int index) = 0;
  virtual void SetLineColor(platform::TColor color) = 0;
  virtual void SetBackColor(platform::TColor color) = 0;
  virtual void SetFontControls(const TFontControls& font) = 0;
  virtual TFontControls FontControls() const = 0;
};

// The file dialogs' filter, "表格文件|*.Tab", and the table file's extension ".Tab".
const std::string& TableFileFilter();
inline constexpr const char* TableFileExt = ".Tab";
// The name a table is written under: `name` when it ends in exactly ".Tab", else its extension
// (if any) replaced by ".Tab".
std::string TableFileName(std::string_view name);

class TTableEditor {
 public:
  // `settings` is "Param.ini".
  TTableEditor(TTableEditorView& view, TDialogs& dialogs, TNewgridDialog& newgrid, platform::TSettingsFile settings);
  ~TTableEditor();
  TTableEditor(const TTableEditor&) = delete;
  TTableEditor& operator=(const TTableEditor&) = delete;

  // The current table file (GBK; empty: none yet). Set by the caller before Show, read back
  // after the close; changed by Open, Save and Save as.
  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string gbkPath) { fileName_ = std::move(gbkPath); }

  // The table control while the editor is shown; null otherwise.
  model::TTableReport* Table() const { return table_.get(); }

  // The form's show: the table is made and shown, cleared, then the file loaded (or, without
  // one, New table runs); the controls follow the table; the caption names the file.
  void Show();
  // The close request: false keeps the editor open (the person cancelled, or the save they
  // asked for did not happen). On true the table control is gone.
  bool CloseRequest();

  // The file buttons. Each returns whether it did its work.
  bool NewTable();
  bool Open();
  // Writes the table to the current file, or asks for one first; false when cancelled or the
  // write failed ("报表保存错误!" has been shown then).
  bool Save();
  bool SaveAs();

  // The table buttons: "插入行", "删除行", "拷贝", "剪切", "粘贴", "删除文字", "合并单元格",
  // "水平拆分单元格" (in two), "垂直拆分单元格". False when the table refused or is not there.
  bool InsertLine();
  bool DeleteLine();
  bool Copy();
  bool Cut();
  bool Paste();
  bool ClearText();
  bool CombineCells();
  bool SplitHorizontally();
  bool SplitVertically();

  // `cmbLineWidth`: every border of every cell becomes index + 1 pixels wide.
  void LineWidthChanged(int index);
  // `cobLine`: the grid colour.
  void LineColorChanged(platform::TColor color);
  // `cobBack`: every cell's back colour and the table's colour.
  void BackColorChanged(platform::TColor color);
  // The alignment buttons (0 left, 1 centre, 2 right; the vertical alignment stays): the cell
  // being edited, then every selected cell.
  void Align(int horz);
  // A font control changed: the selected cells take the font the controls make.
  void FontChanged();
  // The table's selection grew: the font controls show the first selected cell's font.
  void SelectionChanged();
  // True while the font controls are being filled from the table.
  bool FillingFontControls() const { return fillingFont_; }

  // "表格编辑 - " + the file name (GBK).
  std::string Caption() const;

 private:
  // The question before the table is replaced: true to go on (saved or not wanted).
  bool SaveModifiedFirst();
  // Writes the table under TableFileName(name); the file name follows a good write only.
  bool WriteTo(std::string_view name);
  // The line width, colour and font controls show the table.
  void ControlsFollowTable();
  void ShowCellFont(const model::TTableReportCell& cell);
  model::TTableReportCell* FirstCell() const;

  TTableEditorView& view_;
  TDialogs& dialogs_;
  TNewgridDialog& newgrid_;
  platform::TSettingsFile settings_;
  std::string fileName_;
  std::unique_ptr<model::TTableReport> table_;
  bool fillingFont_ = false;
};

}  // namespace editor
