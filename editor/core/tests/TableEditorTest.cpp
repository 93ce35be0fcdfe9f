// The table editor's logic over a fake window and fake dialogs: the colour box's mapping, the
// new-table settings and dialog, New, Open, Save, Save as, the question before unsaved work is
// dropped, the close request, and the tool bar's line, colour, alignment and font controls.
// Table files written by the model's own fixture script stand in as files from elsewhere.
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "editor/core/GeneralComponent.h"
#include "editor/core/TableEditor.h"
#include "editor/core/tests/Fakes.h"
#include "model/MessageBoxHook.h"
#include "model/objects/TableReport.h"
#include "platform/base/AtomicFile.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {
namespace {

using test::TFakeDialogs;
using test::TTempFolder;

std::string Gbk(const char* utf8) { return platform::Utf8ToGbk(utf8); }
std::string Utf8(const std::string& gbk) { return platform::GbkToUtf8(gbk); }

std::string ModelFixture(const std::string& name) {
  return std::string(CORVANE_FIXTURES) + "/../../../../model/objects/tests/fixtures/" + name;
}

// The window: remembers what it was told and hosts the table with a 320 x 200 viewport.
class TFakeTableView : public TTableEditorView, public model::TTableHost {
 public:
  void SetCaption(const std::string& gbk) override { Caption = gbk; }
  void ShowTable(model::TTableReport* table) override {
    if (Table && Table->Host() == this) Table->SetHost(nullptr);
    Table = table;
    if (Table) Table->SetHost(this);
  }
  void SetLineWidthIndex(int index) override { LineWidthIndex = index; }
  void SetLineColor(platform::TColor color) override { LineColor = color; }
  void SetBackColor(platform::TColor color) override { BackColor = color; }
  // A real control reports each value put into it; the editor must not take those for edits.
  void SetFontControls(const TFontControls& font) override {
    Font = font;
    ++FontFills;
    if (Editor) Editor->FontChanged();
  }
  TFontControls FontControls() const override { return Font; }

  void InvalidateTableRect(const platform::TRect&) override {}
  void ExtentChanged() override {}
  void EditorChanged() override {}
  void ScrollTo(int, int) override {}
  platform::TSize ViewportSize() const override { return {320, 200}; }

  std::string Caption;
  model::TTableReport* Table = nullptr;
  int LineWidthIndex = -1;
  platform::TColor LineColor = 0xFFFFFFFF, BackColor = 0xFFFFFFFF;
  TFontControls Font;
  int FontFills = 0;
  TTableEditor* Editor = nullptr;
};

// The new-table dialog: takes the typed values and the button from a script.
class TFakeNewgrid : public TNewgridDialog {
 public:
  int Execute(TNewTableSettings& values) override {
    Shown.push_back(values);
    if (Typed) values = *Typed;
    return Result;
  }
  std::optional<TNewTableSettings> Typed;
  int Result = mrNewgridCancel;
  std::vector<TNewTableSettings> Shown;
};

// Records the model's message boxes (UTF-8).
struct TModelMessages {
  std::vector<std::string> Texts;
  model::TMessageBoxHookScope Scope{[this](std::string_view text, std::string_view, model::TMessageBoxIcon) {
    Texts.push_back(Utf8(std::string(text)));
  }};
};

struct TRig {
  TRig() { view.Editor = &editor; }

  // Shows the editor on a new 2 x 3 table (cancelling nothing) unless a file is set.
  void ShowNew(int rows = 2, int cols = 3) {
    TNewTableSettings values;
    values.Row = rows;
    values.Col = cols;
    newgrid.Typed = values;
    newgrid.Result = mrNewgridOk;
    editor.Show();
  }
  model::TTableReport& Table() { return *editor.Table(); }
  model::TTableReportCell* Cell(int line, int column) { return Table().GetLine(line)->Cell(column); }
  std::vector<uint8_t> Stream() {
    platform::TMemoryStream s;
    EXPECT_TRUE(Table().SaveToStream(s));
    return s.Bytes();
  }
  std::string File(const std::string& name) { return platform::GbkPathFromOs(folder.File(name)); }
  std::string Bytes(const std::string& name) { return folder.Read(name); }

  TTempFolder folder;
  platform::TSettingsFile settings{folder.File("Param.ini")};
  TFakeTableView view;
  TFakeDialogs dialogs;
  TFakeNewgrid newgrid;
  TModelMessages messages;
  TTableEditor editor{view, dialogs, newgrid, settings};
};

std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// ---- The colour box ------------------------------------------------------------------------

TEST(ColorComboBox, SelectedWritesAndReads) {
  struct TCase {
    platform::TColor Color;
    const char* Item;
  };
  for (const TCase& c : {TCase{0x00FF00, "绿色"}, TCase{0x0080FF, "黄色"}, TCase{0x000080, "红色"},
                         TCase{0xFF0000, "黑色"}, TCase{0x000000, "黑色"}, TCase{0x00FFFF, "黄色"},
                         TCase{0xFF8000, "绿色"}}) {
    const int index = ColorComboIndex(c.Color);
    ASSERT_GE(index, 0);
    EXPECT_EQ(Utf8(ColorComboItems()[size_t(index)]), c.Item) << std::hex << c.Color;
  }
  EXPECT_EQ(ColorComboColor(0), 0x000000u);
  EXPECT_EQ(ColorComboColor(1), 0x0000FFu);
  EXPECT_EQ(ColorComboColor(2), 0x00FF00u);
  EXPECT_EQ(ColorComboColor(3), 0x00FFFFu);
  EXPECT_EQ(ColorComboColor(-1), 0u);  // nothing selected
  EXPECT_EQ(ColorComboColor(4), 0u);
}

// ---- New-table settings --------------------------------------------------------------------

TEST(NewTableSettings, DefaultsAndRangesOfParamIni) {
  TTempFolder folder;
  platform::TSettingsFile settings(folder.File("Param.ini"));
  EXPECT_EQ(ReadNewTableSettings(settings), TNewTableSettings{});

  folder.Write("Param.ini",
               "[Table]\r\nRow=300\r\nCol=0\r\nHeight=20\r\nWidth=9\r\nLineColor=2\r\nBackColor=x\r\nLineWidth=-4\r\n");
  const TNewTableSettings read = ReadNewTableSettings(platform::TSettingsFile(folder.File("Param.ini")));
  EXPECT_EQ(read.Row, 255);
  EXPECT_EQ(read.Col, 1);
  EXPECT_EQ(read.Height, 20);
  EXPECT_EQ(read.Width, 32);
  EXPECT_EQ(read.LineColor, 2);
  EXPECT_EQ(read.BackColor, 0);  // not a number: the default
  EXPECT_EQ(read.LineWidth, 0);
}

TEST(TableEditor, NewTableDialogStartsFromParamIniAndCancelStillWritesAllSevenKeys) {
  TRig rig;
  rig.folder.Write("Param.ini", "[Table]\r\nRow=7\r\nWidth=600\r\n");
  TNewTableSettings typed;
  typed.Row = 9;
  typed.Col = 4;
  typed.Height = 30;
  typed.Width = 50;
  typed.LineColor = 3;
  typed.BackColor = 2;
  typed.LineWidth = 4;
  rig.newgrid.Typed = typed;
  rig.newgrid.Result = mrNewgridCancel;
  rig.editor.Show();

  ASSERT_EQ(rig.newgrid.Shown.size(), 1u);
  EXPECT_EQ(rig.newgrid.Shown[0].Row, 7);
  EXPECT_EQ(rig.newgrid.Shown[0].Width, 512);  // clamped
  EXPECT_EQ(rig.newgrid.Shown[0].Col, 5);      // default
  EXPECT_EQ(ReadNewTableSettings(rig.settings), typed);
  // Saved as the dialog closes.
  const platform::TSettingsFile saved(rig.folder.File("Param.ini"));
  EXPECT_EQ(ReadNewTableSettings(saved), typed);
  for (const TNewTableKey& k : NewTableKeys()) EXPECT_TRUE(saved.ValueExists("Table", k.Key)) << k.Key;
  EXPECT_EQ(rig.Table().GetLineCount(), 0);  // cancelled: no table
}

TEST(TableEditor, NewTableBuildsTheTableTheDialogDescribes) {
  TRig rig;
  TNewTableSettings typed;
  typed.Row = 3;
  typed.Col = 2;
  typed.Width = 40;
  typed.Height = 20;
  typed.LineColor = 2;  // 绿色
  typed.BackColor = 1;  // 红色
  typed.LineWidth = 2;
  rig.newgrid.Typed = typed;
  rig.newgrid.Result = mrNewgridOk;
  rig.editor.Show();

  model::TTableReport& t = rig.Table();
  ASSERT_EQ(t.GetLineCount(), 3);
  EXPECT_EQ(t.GridColor(), 0x00FF00u);
  EXPECT_EQ(t.Color(), 0x0000FFu);
  EXPECT_EQ(t.DefaultColWidth(), 40);
  EXPECT_EQ(t.DefaultRowHeight(), 20);
  for (int l = 0; l < 3; ++l) {
    ASSERT_EQ(t.GetLine(l)->CellCount(), 2);
    EXPECT_GE(t.GetLine(l)->Height(), 20);
    for (int c = 0; c < 2; ++c) {
      const model::TTableReportCell& cell = *rig.Cell(l, c);
      EXPECT_EQ(cell.Width(), 40);
      EXPECT_EQ(cell.BackColor(), 0x0000FFu);
      for (model::TCellSide side : {model::csLeft, model::csTop, model::csRight, model::csBottom})
        EXPECT_EQ(cell.Border(side).Width, 3) << l << "," << c << " side " << int(side);
    }
  }
  EXPECT_EQ(rig.view.LineWidthIndex, 2);
  EXPECT_EQ(rig.view.LineColor, 0x00FF00u);
  EXPECT_EQ(rig.view.BackColor, 0x0000FFu);
  // The page takes the viewport's size.
  EXPECT_EQ(t.Width(), 320);
  EXPECT_EQ(t.Height(), 200);
  EXPECT_EQ(Utf8(rig.view.Caption), "表格编辑 - ");
  EXPECT_TRUE(t.GetModified());
}

// New table over a modified one: the question, then the new table or not.
TEST(TableEditor, ModifiedQuestionBeforeANewTable) {
  struct TCase {
    const char* Name;
    TMessageAnswer Answer;
    std::optional<std::string> SaveAs;  // file name given to the save dialog
    bool Replaced;
    bool Written;
  };
  const TCase cases[] = {
      {"no", TMessageAnswer::No, std::nullopt, true, false},
      {"cancel", TMessageAnswer::Cancel, std::nullopt, false, false},
      {"yes, written", TMessageAnswer::Yes, "t", true, true},
      {"yes, dialog cancelled", TMessageAnswer::Yes, std::nullopt, false, false},
      {"yes, write failed", TMessageAnswer::Yes, "missing/t", false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRig rig;
    rig.ShowNew(2, 3);
    const std::vector<uint8_t> before = rig.Stream();
    ASSERT_TRUE(rig.Table().GetModified());
    rig.dialogs.Answers = {c.Answer};
    rig.dialogs.Files = {c.SaveAs ? std::optional<std::string>(rig.File(*c.SaveAs)) : std::nullopt};
    TNewTableSettings other;
    other.Row = 4;
    other.Col = 1;
    rig.newgrid.Typed = other;

    EXPECT_EQ(rig.editor.NewTable(), c.Replaced);
    ASSERT_EQ(rig.dialogs.Boxes.size(), 1u);
    EXPECT_EQ(Utf8(rig.dialogs.Boxes[0].Text), "内容已经更改，是否保存？");
    EXPECT_EQ(rig.dialogs.Boxes[0].Caption, "");
    EXPECT_EQ(rig.dialogs.Boxes[0].Buttons, TMessageButtons::YesNoCancel);
    EXPECT_EQ(rig.Table().GetLineCount(), c.Replaced ? 4 : 2);
    EXPECT_EQ(rig.folder.Exists("t.Tab"), c.Written);
    if (c.Written) {
      EXPECT_EQ(rig.Bytes("t.Tab"), AsString(before));
    }
  }
}

// ---- Tool bar ------------------------------------------------------------------------------

TEST(TableEditor, LineWidthAndBackColourReachEveryCell) {
  TRig rig;
  rig.ShowNew(3, 3);
  rig.Table().SelectCell(rig.Cell(0, 0));
  rig.Table().SelectCell(rig.Cell(1, 0));
  ASSERT_TRUE(rig.editor.CombineCells());  // a part takes its borders too

  rig.editor.LineWidthChanged(3);
  rig.editor.BackColorChanged(0x00FFFF);
  model::TTableReport& t = rig.Table();
  for (int l = 0; l < t.GetLineCount(); ++l)
    for (int c = 0; c < t.GetLine(l)->CellCount(); ++c) {
      const model::TTableReportCell& cell = *rig.Cell(l, c);
      for (model::TCellSide side : {model::csLeft, model::csTop, model::csRight, model::csBottom})
        EXPECT_EQ(cell.Border(side).Width, 4);
      EXPECT_EQ(cell.BackColor(), 0x00FFFFu);
    }
  EXPECT_EQ(t.Color(), 0x00FFFFu);

  rig.editor.LineColorChanged(0x00FF00);
  EXPECT_EQ(t.GridColor(), 0x00FF00u);
}

TEST(TableEditor, AlignmentSetsTheEditedCellThenTheSelectedOnes) {
  TRig rig;
  rig.ShowNew(2, 3);
  model::TTableReport& t = rig.Table();
  t.OpenEditor(rig.Cell(1, 2));
  t.SelectCell(rig.Cell(0, 0));
  t.SelectCell(rig.Cell(0, 1));
  rig.editor.Align(2);
  EXPECT_EQ(rig.Cell(1, 2)->HorzAlign(), uint32_t(model::chaRight));
  EXPECT_EQ(rig.Cell(0, 0)->HorzAlign(), uint32_t(model::chaRight));
  EXPECT_EQ(rig.Cell(0, 1)->HorzAlign(), uint32_t(model::chaRight));
  EXPECT_EQ(rig.Cell(0, 2)->HorzAlign(), uint32_t(model::chaLeft));
  for (int c = 0; c < 2; ++c) EXPECT_EQ(rig.Cell(0, c)->VertAlign(), uint32_t(model::cvaCenter));  // kept
  rig.editor.Align(1);
  EXPECT_EQ(rig.Cell(1, 2)->HorzAlign(), uint32_t(model::chaCenter));
}

TEST(TableEditor, TableButtonsReachTheTableOperations) {
  TRig rig;
  rig.ShowNew(2, 2);
  model::TTableReport& t = rig.Table();
  rig.Cell(0, 0)->SetText("A");
  t.SelectCell(rig.Cell(0, 0));
  EXPECT_TRUE(rig.editor.InsertLine());
  EXPECT_EQ(t.GetLineCount(), 3);
  EXPECT_TRUE(rig.editor.Copy());
  t.ClearSelection();
  t.SelectCell(rig.Cell(2, 1));
  EXPECT_TRUE(rig.editor.Paste());
  EXPECT_EQ(rig.Cell(2, 1)->Text(), "A");
  EXPECT_TRUE(rig.editor.Cut());
  EXPECT_EQ(rig.Cell(2, 1)->Text(), "");
  rig.Cell(2, 1)->SetText("B");
  EXPECT_TRUE(rig.editor.ClearText());
  EXPECT_EQ(rig.Cell(2, 1)->Text(), "");
  const int32_t width = rig.Cell(2, 1)->Width();
  EXPECT_TRUE(rig.editor.SplitHorizontally());
  EXPECT_EQ(t.GetLine(2)->CellCount(), 3);
  EXPECT_EQ(rig.Cell(2, 1)->Width() + rig.Cell(2, 2)->Width(), width);
  t.ClearSelection();
  t.SelectCell(rig.Cell(0, 0));
  t.SelectCell(rig.Cell(1, 0));
  EXPECT_TRUE(rig.editor.CombineCells());
  EXPECT_EQ(rig.Cell(1, 0)->MergedInto(), rig.Cell(0, 0));
  EXPECT_TRUE(rig.editor.SplitVertically());
  EXPECT_EQ(rig.Cell(1, 0)->MergedInto(), nullptr);
  t.ClearSelection();
  t.SelectCell(rig.Cell(0, 1));
  EXPECT_TRUE(rig.editor.DeleteLine());
  EXPECT_EQ(t.GetLineCount(), 2);
}

// ---- Fonts ---------------------------------------------------------------------------------

TEST(TableEditor, FontControlsReachTheSelectedCells) {
  TRig rig;
  rig.ShowNew(2, 2);
  model::TTableReport& t = rig.Table();
  t.SelectCell(rig.Cell(0, 1));
  t.SelectCell(rig.Cell(1, 1));
  const std::vector<uint8_t> unselectedBefore = [&] {
    platform::TLogFont lf = rig.Cell(0, 0)->Font();
    auto b = lf.ToBytes();
    return std::vector<uint8_t>(b.begin(), b.end());
  }();

  rig.view.Font = {Gbk("黑体"), 18, true, true, true, 0x00FF00};
  rig.editor.FontChanged();
  for (int l = 0; l < 2; ++l) {
    const platform::TLogFont& lf = rig.Cell(l, 1)->Font();
    EXPECT_EQ(lf.Weight, 700);
    EXPECT_EQ(lf.Italic, 1);
    EXPECT_EQ(lf.Underline, 1);
    EXPECT_EQ(lf.FaceName, Gbk("黑体"));
    EXPECT_EQ(lf.Height, -24);  // 18 pt at 96 dpi
    EXPECT_EQ(rig.Cell(l, 1)->TextColor(), 0x00FF00u);
    EXPECT_EQ(rig.Cell(l, 1)->BackColor(), t.Color());
  }
  const auto after = rig.Cell(0, 0)->Font().ToBytes();
  EXPECT_EQ(std::vector<uint8_t>(after.begin(), after.end()), unselectedBefore);

  rig.view.Font = {Gbk("宋体"), 12, false, false, false, 0x0000FF};
  rig.editor.FontChanged();
  EXPECT_EQ(rig.Cell(0, 1)->Font().Weight, 400);
  EXPECT_EQ(rig.Cell(0, 1)->Font().Italic, 0);
}

TEST(TableEditor, SelectingACellFillsTheFontControlsWithoutWriting) {
  TRig rig;
  rig.ShowNew(2, 2);
  model::TTableReport& t = rig.Table();
  platform::TFontDescription bold;
  bold.Name = Gbk("黑体");
  bold.SetSize(15);
  bold.Style = platform::FontStyleBit(platform::fsBold) | platform::FontStyleBit(platform::fsUnderline);
  rig.Cell(1, 0)->SetFont(bold.ToLogFont());
  rig.Cell(1, 0)->SetTextColor(0x00FFFF);
  ASSERT_TRUE(rig.Table().SaveToFile(rig.File("f.Tab")));  // unmodified from here on
  ASSERT_FALSE(t.GetModified());
  t.SelectCell(rig.Cell(0, 1));  // the selection had grown: another cell, another font
  const int fills = rig.view.FontFills;

  t.SelectCell(rig.Cell(1, 0));
  t.ClearSelection();
  t.SelectCell(rig.Cell(1, 0));  // the first selected cell is the one shown
  t.SelectCell(rig.Cell(0, 0));
  EXPECT_GT(rig.view.FontFills, fills);
  EXPECT_EQ(rig.view.Font, (TFontControls{Gbk("黑体"), 15, true, false, true, 0x00FFFF}));
  EXPECT_FALSE(rig.editor.FillingFontControls());
  // The controls' own reports while they were filled wrote nothing.
  EXPECT_FALSE(t.GetModified());
}

// ---- Open ----------------------------------------------------------------------------------

TEST(TableEditor, OpenRefusesAnyExtensionButDotTabAsWritten) {
  TRig rig;
  rig.ShowNew();
  std::filesystem::copy_file(ModelFixture("table_merge.Tab"), rig.folder.File("x.TAB"));
  rig.dialogs.Files = {rig.File("x.TAB")};
  const std::vector<uint8_t> before = rig.Stream();
  EXPECT_FALSE(rig.editor.Open());
  ASSERT_EQ(rig.dialogs.Boxes.size(), 1u);
  EXPECT_EQ(Utf8(rig.dialogs.Boxes[0].Text), "无法识别的文件格式！");
  EXPECT_EQ(Utf8(rig.dialogs.Boxes[0].Caption), "提示");
  EXPECT_EQ(rig.Stream(), before);
  ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(Utf8(rig.dialogs.FileRequests[0].Filter), "表格文件|*.Tab");
  EXPECT_EQ(rig.dialogs.FileRequests[0].FileName, "*.Tab");
  EXPECT_EQ(rig.dialogs.FileRequests[0].DefaultExt, "Tab");
}

TEST(TableEditor, AnOpenedFileBecomesTheCurrentFileAndSaveRewritesIt) {
  TRig rig;
  rig.editor.SetFileName(rig.File("old.Tab"));
  rig.newgrid.Result = mrNewgridCancel;
  rig.editor.Show();  // "old.Tab" does not exist: an empty table
  rig.messages.Texts.clear();
  std::filesystem::copy_file(ModelFixture("table_full.Tab"), rig.folder.File("full.Tab"));
  rig.dialogs.Files = {rig.File("full.Tab")};
  EXPECT_TRUE(rig.editor.Open());
  EXPECT_TRUE(rig.messages.Texts.empty());
  EXPECT_EQ(rig.editor.FileName(), rig.File("full.Tab"));
  // The dialog started in the folder of the table's file.
  EXPECT_EQ(rig.dialogs.FileRequests.back().InitialDir, platform::ExtractFilePath(rig.File("old.Tab")));
  EXPECT_EQ(Utf8(rig.view.Caption), "表格编辑 - " + rig.folder.File("full.Tab"));
  EXPECT_EQ(rig.view.LineWidthIndex, 1);  // its first cell's left border is 2 wide
  EXPECT_EQ(rig.view.LineColor, rig.Table().GridColor());
  EXPECT_EQ(rig.view.Font.Bold, true);    // its first cell's font

  rig.Cell(0, 0)->SetText("X");
  EXPECT_TRUE(rig.editor.Save());
  EXPECT_EQ(rig.Bytes("full.Tab"), AsString(rig.Stream()));
  EXPECT_FALSE(rig.folder.Exists("old.Tab"));
  EXPECT_FALSE(rig.Table().GetModified());
}

TEST(TableEditor, ADamagedFileLeavesAnEmptyTableWithoutAFile) {
  TRig rig;
  rig.ShowNew();
  rig.dialogs.Files = {rig.File("mine")};
  ASSERT_TRUE(rig.editor.Save());
  std::string good = rig.Bytes("mine.Tab");
  rig.folder.Write("cut.Tab", good.substr(0, good.size() / 2));
  rig.dialogs.Files = {rig.File("cut.Tab")};
  EXPECT_FALSE(rig.editor.Open());
  EXPECT_EQ(rig.messages.Texts, std::vector<std::string>{"打开报表错误!"});
  EXPECT_EQ(rig.Table().GetLineCount(), 0);
  EXPECT_EQ(rig.editor.FileName(), "");
  // Save asks for a name instead of writing over the damaged file or the one before.
  rig.dialogs.FileRequests.clear();
  rig.dialogs.Files = {std::nullopt};
  EXPECT_FALSE(rig.editor.Save());
  EXPECT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.Bytes("cut.Tab"), good.substr(0, good.size() / 2));
  EXPECT_EQ(rig.Bytes("mine.Tab"), good);
}

TEST(TableEditor, AFileThatIsNoTableChangesNothing) {
  TRig rig;
  rig.ShowNew();
  rig.dialogs.Files = {rig.File("mine.Tab")};
  ASSERT_TRUE(rig.editor.Save());
  rig.Cell(0, 0)->SetText("edited");
  const std::vector<uint8_t> before = rig.Stream();
  rig.folder.Write("text.Tab", "plain text, not a table");
  rig.dialogs.Answers = {TMessageAnswer::No};
  rig.dialogs.Files = {rig.File("text.Tab")};
  EXPECT_FALSE(rig.editor.Open());
  EXPECT_EQ(rig.messages.Texts, std::vector<std::string>{"打开文件错误"});
  EXPECT_EQ(rig.Stream(), before);
  EXPECT_EQ(rig.editor.FileName(), rig.File("mine.Tab"));
  EXPECT_TRUE(rig.Table().GetModified());
}

// ---- Save and Save as ----------------------------------------------------------------------

TEST(TableEditor, SaveAndSaveAsWriteExactlyDotTab) {
  struct TCase {
    const char* Chosen;
    const char* Written;
  };
  for (bool saveAs : {false, true})
    for (const TCase& c : {TCase{"a", "a.Tab"}, TCase{"b.Tab", "b.Tab"}, TCase{"c.txt", "c.Tab"},
                           TCase{"d.TAB", "d.Tab"}, TCase{"e.tab", "e.Tab"}, TCase{"f.x.y", "f.x.Tab"}}) {
      SCOPED_TRACE(std::string(c.Chosen) + (saveAs ? " save as" : " save"));
      TRig rig;
      rig.ShowNew();
      rig.dialogs.Files = {rig.File(c.Chosen)};
      EXPECT_TRUE(saveAs ? rig.editor.SaveAs() : rig.editor.Save());
      EXPECT_EQ(rig.editor.FileName(), rig.File(c.Written));
      EXPECT_EQ(rig.Bytes(c.Written), AsString(rig.Stream()));
      EXPECT_FALSE(rig.Table().GetModified());
      if (std::string(c.Chosen) != c.Written) {
        EXPECT_FALSE(rig.folder.Exists(c.Chosen));
      }
      ASSERT_EQ(rig.dialogs.FileRequests.size(), 1u);
      EXPECT_EQ(rig.dialogs.FileRequests[0].FileName, saveAs ? "*.*" : "*.Tab");
      EXPECT_EQ(rig.dialogs.FileRequests[0].DefaultExt, "Tab");
      EXPECT_EQ(Utf8(rig.view.Caption), "表格编辑 - " + rig.folder.File(c.Written));
    }
}

TEST(TableEditor, SaveWithAFileNameAsksNothing) {
  TRig rig;
  rig.ShowNew();
  rig.dialogs.Files = {rig.File("one.txt")};
  ASSERT_TRUE(rig.editor.SaveAs());
  rig.Cell(1, 1)->SetText("more");
  EXPECT_TRUE(rig.editor.Save());
  EXPECT_EQ(rig.dialogs.FileRequests.size(), 1u);
  EXPECT_EQ(rig.Bytes("one.Tab"), AsString(rig.Stream()));
}

TEST(TableEditor, AFailedWriteIsAFailure) {
  TRig rig;
  rig.ShowNew();
  rig.dialogs.Files = {rig.File("missing/a")};
  EXPECT_FALSE(rig.editor.Save());
  EXPECT_EQ(rig.messages.Texts, std::vector<std::string>{"报表保存错误!"});
  EXPECT_EQ(rig.editor.FileName(), "");
  EXPECT_TRUE(rig.Table().GetModified());
  // Nor does the close request go on.
  rig.dialogs.Answers = {TMessageAnswer::Yes};
  rig.dialogs.Files = {rig.File("missing/b")};
  EXPECT_FALSE(rig.editor.CloseRequest());
  EXPECT_NE(rig.editor.Table(), nullptr);
  EXPECT_EQ(rig.view.Table, rig.editor.Table());
}

// ---- Close request -------------------------------------------------------------------------

TEST(TableEditor, CloseRequest) {
  struct TCase {
    const char* Name;
    bool Modified;
    TMessageAnswer Answer;
    std::optional<const char*> SaveAs;  // the save dialog's answer
    bool Closed;
    bool Written;
  };
  const TCase cases[] = {
      {"unmodified", false, TMessageAnswer::Cancel, std::nullopt, true, false},
      {"no", true, TMessageAnswer::No, std::nullopt, true, false},
      {"cancel", true, TMessageAnswer::Cancel, std::nullopt, false, false},
      {"yes, saved", true, TMessageAnswer::Yes, "t", true, true},
      {"yes, dialog cancelled", true, TMessageAnswer::Yes, std::nullopt, false, false},
      {"yes, write failed", true, TMessageAnswer::Yes, "gone/t", false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TRig rig;
    rig.ShowNew();
    if (!c.Modified) {
      rig.dialogs.Files = {rig.File("u")};
      ASSERT_TRUE(rig.editor.Save());
      rig.dialogs.FileRequests.clear();
    }
    const std::vector<uint8_t> bytes = rig.Stream();
    rig.dialogs.Answers = {c.Answer};
    rig.dialogs.Files = {c.SaveAs ? std::optional<std::string>(rig.File(*c.SaveAs)) : std::nullopt};

    EXPECT_EQ(rig.editor.CloseRequest(), c.Closed);
    EXPECT_EQ(rig.dialogs.Boxes.size(), c.Modified ? 1u : 0u);
    EXPECT_EQ(rig.editor.Table() == nullptr, c.Closed);
    EXPECT_EQ(rig.view.Table, rig.editor.Table());
    EXPECT_EQ(rig.folder.Exists("t.Tab"), c.Written);
    if (c.Written) {
      EXPECT_EQ(rig.Bytes("t.Tab"), AsString(bytes));
      EXPECT_EQ(rig.editor.FileName(), rig.File("t.Tab"));
    } else if (c.Modified) {
      EXPECT_EQ(rig.editor.FileName(), "");
    }
  }
}

TEST(TableEditor, ShowLoadsTheFileItIsGiven) {
  TRig rig;
  std::filesystem::copy_file(ModelFixture("table_merge.Tab"), rig.folder.File("m.Tab"));
  rig.editor.SetFileName(rig.File("m.Tab"));
  rig.editor.Show();
  EXPECT_TRUE(rig.newgrid.Shown.empty());
  EXPECT_GT(rig.Table().GetLineCount(), 0);
  EXPECT_FALSE(rig.Table().GetModified());
  EXPECT_EQ(Utf8(rig.view.Caption), "表格编辑 - " + rig.folder.File("m.Tab"));
  // Closed unchanged: nothing asked, the file name stays for the caller.
  EXPECT_TRUE(rig.editor.CloseRequest());
  EXPECT_TRUE(rig.dialogs.Boxes.empty());
  EXPECT_EQ(rig.editor.FileName(), rig.File("m.Tab"));
}

}  // namespace
}  // namespace editor
