// The table control's operations and its input engine, without a window: building, merging,
// splitting, inserting and deleting lines, the cell clipboard, setters, the modified state, the
// cursor, selection and border drags, the keys and the inline editor.
#include <gtest/gtest.h>

#include "model/objects/TableReport.h"
#include "model/objects/tests/TableTestSupport.h"
#include "platform/gfx/Canvas.h"

namespace model {
namespace {

using test::Build;
using test::CellOf;
using test::Centre;
using test::Gbk;
using test::StreamOf;
using test::TMessageLog;

// A text of `n` Chinese characters (2n GBK bytes).
std::string Chinese(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += Gbk(i % 2 ? "格" : "表");
  return s;
}

// ---- Building and measuring -----------------------------------------------------------------

TEST(TableBuild, NewTablePlacesCellsAndCopiesTheFirstLinesHeight) {
  TTableReport t(nullptr);
  Build(t, 3, 2, 40, 30);
  ASSERT_EQ(t.GetLineCount(), 2);
  EXPECT_EQ(t.GetLine(0)->AskedHeight(), 30);
  EXPECT_EQ(t.GetLine(1)->AskedHeight(), t.GetLine(0)->Height());
  EXPECT_EQ(CellOf(t, 1, 2)->CellRect(), (platform::TRect{80, 30, 120, 60}));
  EXPECT_EQ(t.GetLine(1)->Rect(), (platform::TRect{0, 30, 120, 60}));
  EXPECT_EQ(t.Extent(), (platform::TSize{121, 61}));
  EXPECT_EQ(t.GetLine(5), nullptr);
  EXPECT_EQ(t.GetLine(-1), nullptr);
  EXPECT_EQ(t.GetLine(0)->Cell(3), nullptr);
  // Cells start with their documented defaults.
  const TTableReportCell* c = CellOf(t, 0, 0);
  EXPECT_EQ(c->InnerMargin(), 5);
  EXPECT_EQ(c->TextColor(), 0x0000FFu);
  EXPECT_EQ(c->BackColor(), 0u);
  EXPECT_EQ(c->HorzAlign(), chaLeft);
  EXPECT_EQ(c->VertAlign(), cvaCenter);
  EXPECT_EQ(c->Font().Height, -15);
  EXPECT_EQ(c->Font().CharSet, 1);
  EXPECT_EQ(c->Font().FaceName, Gbk("宋体"));
  for (int s = 0; s < 4; ++s) EXPECT_EQ(c->Border(TCellSide(s)), (TCellBorder{true, 1}));
}

TEST(TableBuild, NewTableOnATableWithLinesChangesNothing) {
  TTableReport t(nullptr);
  Build(t, 2, 2, 40, 0);
  const auto before = StreamOf(t);
  TMessageLog log;
  EXPECT_FALSE(t.NewTable(5, 5, 32, 16));
  EXPECT_EQ(log.Texts(), std::vector<std::string>{"关闭正在编辑的文件后，才能建立新表格。"});
  EXPECT_TRUE(log.AllCaptioned());
  EXPECT_EQ(StreamOf(t), before);
}

TEST(TableBuild, WidthsBelowTenBecomeTen) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 40, 0);
  CellOf(t, 0, 0)->SetWidth(5);
  EXPECT_EQ(CellOf(t, 0, 0)->Width(), 10);
  EXPECT_EQ(CellOf(t, 0, 1)->Left(), 10);
}

TEST(TableBuild, TextEndingInALineEndIsOneLineTaller) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 80, 0);
  TTableReportCell* plain = CellOf(t, 0, 0);
  TTableReportCell* ended = CellOf(t, 0, 1);
  plain->SetText("A");
  ended->SetText("A\r\n");
  platform::TBitmap scratch(1, 1);
  platform::TCanvas canvas(scratch);
  canvas.Font = ended->FontDescription();
  EXPECT_EQ(ended->NaturalHeight() - plain->NaturalHeight(), canvas.TextHeight("A"));
  EXPECT_EQ(t.GetLine(0)->CellHeight(), ended->NaturalHeight());
}

TEST(TableBuild, NaturalHeightFollowsTheRules) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 80, 0);
  TTableReportCell* c = CellOf(t, 0, 0);
  platform::TBitmap scratch(1, 1);
  platform::TCanvas canvas(scratch);
  canvas.Font = c->FontDescription();
  // Empty text measures as "汉"; borders add on top.
  platform::TRect box{0, 0, 70, 0};
  const int han = canvas.DrawText(Gbk("汉"), box, 0x2010 | platform::DT_CALCRECT);
  EXPECT_EQ(c->NaturalHeight(), std::max(han, 15) + 2 + 1 + 1);
  c->SetBorderWidth(csBottom, 4);
  EXPECT_EQ(c->NaturalHeight(), std::max(han, 15) + 2 + 1 + 4);
  // Margins that leave no room give the fixed height.
  c->SetInnerMargin(40);
  EXPECT_EQ(c->NaturalHeight(), 1 + 17 + 4);
  // Long text wraps into more lines.
  c->SetInnerMargin(5);
  c->SetText(Chinese(30));
  EXPECT_GT(c->NaturalHeight(), 3 * han);
}

TEST(TableBuild, TextsAreCappedOnACharacterBoundary) {
  TTableReport t(nullptr);
  Build(t, 1, 1, 80, 0);
  TTableReportCell* c = CellOf(t, 0, 0);
  c->SetText("x" + Chinese(1600));
  EXPECT_EQ(c->Text().size(), 2999u);
  EXPECT_EQ(c->Text(), "x" + Chinese(1499));
  c->SetExtraText(2, Chinese(1600));
  EXPECT_EQ(c->ExtraText(2).size(), 3000u);
}

// ---- Merging and splitting ------------------------------------------------------------------

TEST(TableMerge, SideBySideLeavesOneCellAsWideAsBoth) {
  TTableReport t(nullptr);
  Build(t, 3, 1, 40, 0);
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 0, 1));
  ASSERT_TRUE(t.CombineCells());
  ASSERT_EQ(t.GetLine(0)->CellCount(), 2);
  EXPECT_EQ(CellOf(t, 0, 0)->Width(), 80);
  EXPECT_EQ(CellOf(t, 0, 1)->Left(), 80);
  EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{CellOf(t, 0, 0)});
}

TEST(TableMerge, OneAboveTheOtherMergesTheLowerAndJoinsTheTexts) {
  TTableReport t(nullptr);
  Build(t, 2, 2, 40, 0);
  TTableReportCell* upper = CellOf(t, 0, 0);
  TTableReportCell* lower = CellOf(t, 1, 0);
  upper->SetText("A");
  lower->SetText("B");
  t.SelectCell(lower);
  t.SelectCell(upper);
  ASSERT_TRUE(t.CombineCells());
  EXPECT_EQ(t.GetLine(1)->CellCount(), 2);
  EXPECT_EQ(lower->MergedInto(), upper);
  EXPECT_EQ(upper->Parts(), std::vector<TTableReportCell*>{lower});
  EXPECT_EQ(upper->Text(), "AB");
  EXPECT_EQ(lower->Text(), "");
  EXPECT_EQ(upper->CellRect().Bottom, t.GetLine(1)->Rect().Bottom);
  EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{upper});
  // A click on the lower part finds the master.
  const auto [x, y] = Centre(lower);
  EXPECT_EQ(t.CellAt(x, y), upper);
}

TEST(TableMerge, ABlockOfFourBecomesOneCellOverTwoLines) {
  TTableReport t(nullptr);
  Build(t, 3, 3, 40, 0);
  for (int l : {0, 1})
    for (int c : {0, 1}) t.SelectCell(CellOf(t, l, c));
  TTableReportCell* first = CellOf(t, 0, 0);
  ASSERT_TRUE(t.CombineCells());
  EXPECT_EQ(t.GetLine(0)->CellCount(), 2);
  EXPECT_EQ(t.GetLine(1)->CellCount(), 2);
  EXPECT_EQ(first->Width(), 80);
  EXPECT_EQ(CellOf(t, 1, 0)->Width(), 80);
  EXPECT_EQ(CellOf(t, 1, 0)->MergedInto(), first);
  EXPECT_EQ(first->CellRect(), (platform::TRect{0, 0, 80, t.GetLine(1)->Rect().Bottom}));
}

TEST(TableMerge, RefusalsShowTheirMessages) {
  TTableReport t(nullptr);
  Build(t, 3, 3, 40, 0);
  TMessageLog log;
  t.SelectCell(CellOf(t, 0, 0));
  EXPECT_FALSE(t.CombineCells());
  // An L: two cells of line 0 and one of line 1.
  t.SelectCell(CellOf(t, 0, 1));
  t.SelectCell(CellOf(t, 1, 0));
  EXPECT_FALSE(t.CombineCells());
  // A gap in a line.
  t.ClearSelection();
  t.SelectCell(CellOf(t, 2, 0));
  t.SelectCell(CellOf(t, 2, 2));
  EXPECT_FALSE(t.CombineCells());
  EXPECT_EQ(log.Texts(), (std::vector<std::string>{"选中的单元格数量小于2!", "选中的区域不是一个矩形区域!",
                                                   "选中的区域不是一个矩形区域!"}));
  EXPECT_TRUE(log.AllCaptioned());
  EXPECT_EQ(t.GetLine(0)->CellCount(), 3);
}

TEST(TableMerge, JoinedTextsStopAt3000BytesOfWholeCharacters) {
  TTableReport t(nullptr);
  Build(t, 1, 2, 40, 0);
  CellOf(t, 0, 0)->SetText(Chinese(1000));
  CellOf(t, 1, 0)->SetText("x" + Chinese(1000));
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 1, 0));
  ASSERT_TRUE(t.CombineCells());
  const std::string& text = CellOf(t, 0, 0)->Text();
  EXPECT_EQ(text.size(), 2999u);  // 2000 + "x" + 499 characters: the next one does not fit
  EXPECT_EQ(text, Chinese(1000) + "x" + Chinese(1000).substr(0, 998));
}

TEST(TableMerge, SplitVerticallyReleasesAndSelectsTheParts) {
  TTableReport t(nullptr);
  Build(t, 1, 3, 40, 0);
  for (int l = 0; l < 3; ++l) t.SelectCell(CellOf(t, l, 0));
  ASSERT_TRUE(t.CombineCells());
  ASSERT_TRUE(t.SplitCellVertically());
  for (int l = 0; l < 3; ++l) {
    EXPECT_EQ(CellOf(t, l, 0)->MergedInto(), nullptr);
    EXPECT_TRUE(t.IsSelected(CellOf(t, l, 0)));
  }
  EXPECT_TRUE(CellOf(t, 0, 0)->Parts().empty());
  EXPECT_FALSE(t.SplitCellVertically());  // nothing merged any more
}

TEST(TableSplit, PiecesFollowTheTwelvePixelRule) {
  const struct {
    int Width, Pieces;
    std::vector<int> Widths;
  } cases[] = {
      {30, 3, {10, 10, 10}},
      {20, 3, {10, 10}},
      {100, 2, {50, 50}},
      {25, 2, {12, 13}},   // the cell keeps what the pieces leave
      {10, 5, {10}},       // k = 1: nothing to split
      {100, 10, {16, 14, 14, 14, 14, 14, 14}},  // 8 pieces of 13 would leave the cell 9 wide
  };
  for (const auto& c : cases) {
    TTableReport t(nullptr);
    Build(t, 1, 1, c.Width, 0);
    t.SelectCell(CellOf(t, 0, 0));
    EXPECT_EQ(t.SplitCellHorizontally(c.Pieces), c.Widths.size() > 1) << c.Width;
    std::vector<int> widths;
    for (int i = 0; i < t.GetLine(0)->CellCount(); ++i) widths.push_back(CellOf(t, 0, i)->Width());
    EXPECT_EQ(widths, c.Widths) << c.Width << " / " << c.Pieces;
    EXPECT_EQ(t.GetSelectedCount(), int(c.Widths.size()));
  }
}

TEST(TableSplit, AMergedCellSplitsItsPartsAndMergesTheirCopies) {
  TTableReport t(nullptr);
  Build(t, 1, 2, 40, 0);
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 1, 0));
  ASSERT_TRUE(t.CombineCells());
  ASSERT_TRUE(t.SplitCellHorizontally(2));
  ASSERT_EQ(t.GetLine(0)->CellCount(), 2);
  ASSERT_EQ(t.GetLine(1)->CellCount(), 2);
  EXPECT_EQ(CellOf(t, 1, 0)->MergedInto(), CellOf(t, 0, 0));
  EXPECT_EQ(CellOf(t, 1, 1)->MergedInto(), CellOf(t, 0, 1));
  EXPECT_EQ(CellOf(t, 0, 1)->Parts(), std::vector<TTableReportCell*>{CellOf(t, 1, 1)});
  // The table still saves and reads back as it is.
  platform::TMemoryStream s;
  ASSERT_TRUE(t.SaveToStream(s));
  s.SetPosition(0);
  TTableReport u(nullptr);
  ASSERT_EQ(u.LoadFromStream(s), TTableLoad::Loaded);
  EXPECT_EQ(StreamOf(u), StreamOf(t));
}

// ---- Lines ---------------------------------------------------------------------------------

TEST(TableLines, InsertInsideAMergeGroupJoinsIt) {
  TTableReport t(nullptr);
  Build(t, 2, 3, 40, 0);
  TTableReportCell* master = CellOf(t, 0, 0);
  for (int l = 0; l < 3; ++l) t.SelectCell(CellOf(t, l, 0));
  ASSERT_TRUE(t.CombineCells());
  CellOf(t, 2, 1)->SetBackColor(0x00FF00);
  t.ClearSelection();
  t.SelectCell(CellOf(t, 2, 1));
  ASSERT_TRUE(t.InsertLine());
  ASSERT_EQ(t.GetLineCount(), 4);
  TTableReportCell* joined = CellOf(t, 2, 0);
  EXPECT_EQ(joined->MergedInto(), master);
  EXPECT_EQ(master->Parts().size(), 3u);
  EXPECT_EQ(CellOf(t, 2, 1)->BackColor(), 0x00FF00u);
  EXPECT_EQ(CellOf(t, 2, 1)->MergedInto(), nullptr);
  EXPECT_EQ(master->CellRect().Bottom, t.GetLine(3)->Rect().Bottom);
  // A copy of the master's line starts free.
  t.ClearSelection();
  t.SelectCell(master);
  ASSERT_TRUE(t.InsertLine());
  EXPECT_EQ(CellOf(t, 0, 0)->MergedInto(), nullptr);
  EXPECT_TRUE(CellOf(t, 0, 0)->Parts().empty());
  EXPECT_EQ(CellOf(t, 1, 0), master);
  // The whole stays consistent through a save and a load.
  platform::TMemoryStream s;
  ASSERT_TRUE(t.SaveToStream(s));
  s.SetPosition(0);
  TTableReport u(nullptr);
  EXPECT_EQ(u.LoadFromStream(s), TTableLoad::Loaded);
}

TEST(TableLines, DeleteReleasesTheMergesItsCellsTakePartIn) {
  TTableReport t(nullptr);
  Build(t, 2, 3, 40, 0);
  for (int l = 0; l < 3; ++l) t.SelectCell(CellOf(t, l, 0));
  ASSERT_TRUE(t.CombineCells());
  // Deleting the master's line frees the parts below it.
  ASSERT_TRUE(t.DeleteLine());
  ASSERT_EQ(t.GetLineCount(), 2);
  EXPECT_EQ(CellOf(t, 0, 0)->MergedInto(), nullptr);
  EXPECT_EQ(CellOf(t, 1, 0)->MergedInto(), nullptr);
  EXPECT_EQ(t.GetSelectedCount(), 0);
  EXPECT_FALSE(t.DeleteLine());
  EXPECT_FALSE(t.InsertLine());
  // Deleting a part's line takes it out of its master's list.
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 1, 0));
  ASSERT_TRUE(t.CombineCells());
  t.ClearSelection();
  t.SelectCell(CellOf(t, 1, 1));
  ASSERT_TRUE(t.DeleteLine());
  EXPECT_TRUE(CellOf(t, 0, 0)->Parts().empty());
}

// ---- Clipboard and setters -------------------------------------------------------------------

TEST(TableClipboard, TwoRowsPastedOntoThreeLinesFillTheFirstTwo) {
  TTableReport t(nullptr);
  Build(t, 2, 5, 40, 0);
  CellOf(t, 0, 0)->SetText("a");
  CellOf(t, 0, 1)->SetText("b");
  CellOf(t, 1, 0)->SetText("c");
  CellOf(t, 1, 1)->SetExtraText(0, "d");
  for (int l : {0, 1})
    for (int c : {0, 1}) t.SelectCell(CellOf(t, l, c));
  ASSERT_TRUE(t.CopySelection());
  t.ClearSelection();
  for (int l : {2, 3, 4}) t.SelectCell(CellOf(t, l, 1));
  ASSERT_TRUE(t.PasteSelection());
  EXPECT_EQ(CellOf(t, 2, 1)->Text(), "a");
  EXPECT_EQ(CellOf(t, 3, 1)->Text(), "c");
  EXPECT_EQ(CellOf(t, 4, 1)->Text(), "");
  EXPECT_EQ(CellOf(t, 2, 0)->Text(), "");  // only selected cells take records
  // Cut copies, then empties all four texts; formats never travel.
  CellOf(t, 1, 1)->SetBackColor(0xFF0000);
  t.ClearSelection();
  t.SelectCell(CellOf(t, 1, 1));
  ASSERT_TRUE(t.CutSelection());
  EXPECT_EQ(CellOf(t, 1, 1)->ExtraText(0), "");
  t.ClearSelection();
  t.SelectCell(CellOf(t, 4, 0));
  ASSERT_TRUE(t.PasteSelection());
  EXPECT_EQ(CellOf(t, 4, 0)->ExtraText(0), "d");
  EXPECT_EQ(CellOf(t, 4, 0)->BackColor(), 0u);
  ASSERT_TRUE(t.ClearSelectedText());
  EXPECT_EQ(CellOf(t, 4, 0)->Text(), "");
}

TEST(TableSetters, FocusedCellOrSelectedCellsWithTheirParts) {
  TTableReport t(nullptr);
  Build(t, 2, 2, 40, 0);
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 1, 0));
  ASSERT_TRUE(t.CombineCells());
  EXPECT_FALSE(t.SetFocusedCellAlign(2, -1));  // no editor open
  ASSERT_TRUE(t.SetSelectedCellsAlign(2, -1));
  EXPECT_EQ(CellOf(t, 0, 0)->HorzAlign(), chaRight);
  EXPECT_EQ(CellOf(t, 0, 0)->VertAlign(), cvaCenter);
  EXPECT_EQ(CellOf(t, 1, 0)->HorzAlign(), chaRight);
  platform::TLogFont bold = DefaultCellFont();
  bold.Weight = 700;
  bold.Height = -24;
  ASSERT_TRUE(t.SetSelectedCellsFont(bold));
  EXPECT_EQ(CellOf(t, 1, 0)->Font(), bold);
  ASSERT_TRUE(t.SetSelectedCellsColors(0x00FF00, 0x00FFFF));
  EXPECT_EQ(CellOf(t, 1, 0)->BackColor(), 0x00FFFFu);
  // The focused cell is the one the editor is open on; the editor takes its new look.
  t.OpenEditor(CellOf(t, 0, 1));
  ASSERT_TRUE(t.SetFocusedCellColors(0x0000FF, 0xFF0000));
  ASSERT_TRUE(t.SetFocusedCellAlign(1, 2));
  EXPECT_EQ(t.Editor().BackColor, 0xFF0000u);
  EXPECT_EQ(t.Editor().HorzAlign, chaCenter);
  EXPECT_EQ(CellOf(t, 0, 1)->VertAlign(), cvaBottom);
  EXPECT_EQ(CellOf(t, 0, 0)->BackColor(), 0x00FFFFu);
  // An operation on the edited cell's text shows in the editor.
  t.ClearSelection();
  t.SelectCell(CellOf(t, 0, 1));
  CellOf(t, 0, 1)->SetText("old");
  EXPECT_EQ(t.Editor().Text, "old");
  ASSERT_TRUE(t.ClearSelectedText());
  EXPECT_EQ(t.Editor().Text, "");
}

TEST(TableModified, EditsReportOnceAndTheSnapshotDecides) {
  TTableReport t(nullptr);
  Build(t, 2, 2, 40, 0);
  std::vector<bool> reports;
  t.OnModified = [&](TTableReport&, bool modified) { reports.push_back(modified); };
  CellOf(t, 0, 0)->SetText("x");
  CellOf(t, 0, 0)->SetText("");
  EXPECT_EQ(reports, (std::vector<bool>{true, true}));  // NewTable came after the snapshot
  t.Clear();
  EXPECT_FALSE(t.GetModified());
  ASSERT_TRUE(t.NewTable(2, 2, 40, 0));
  EXPECT_TRUE(t.GetModified());
  ASSERT_EQ(reports.size(), 3u);
  t.Clear();
  reports.clear();
  // An edit undone by hand leaves the table unmodified.
  t.SetColor(0x123456);
  t.SetColor(0);
  EXPECT_EQ(reports, (std::vector<bool>{true, false}));
}

TEST(TableModified, AnUpdateLaysOutAndReportsOnceAtItsEnd) {
  TTableReport t(nullptr);
  Build(t, 3, 3, 40, 0);
  int reports = 0;
  t.OnModified = [&](TTableReport&, bool) { ++reports; };
  const int32_t top = t.GetLine(1)->Top();
  t.BeginUpdate();
  for (int l = 0; l < 3; ++l)
    for (int c = 0; c < 3; ++c)
      for (int side = 0; side < 4; ++side) CellOf(t, l, c)->SetBorderWidth(TCellSide(side), 4);
  EXPECT_EQ(t.GetLine(1)->Top(), top);  // not laid out yet
  EXPECT_EQ(reports, 0);
  t.EndUpdate();
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(t.GetLine(1)->Top(), top + 6);  // 3 more pixels of border at each side
  t.EndUpdate();  // unpaired: nothing
  EXPECT_EQ(reports, 1);
}

// ---- Input engine ----------------------------------------------------------------------------

TEST(TableInput, CursorNearTheRightAndBottomEdges) {
  TTableReport t(nullptr);
  Build(t, 2, 2, 40, 30);
  // Cell (0,0) is (0, 0, 40, 30): its last column is x 39, its last row y 29.
  const struct {
    int X, Y;
    TTableCursor Cursor;
  } cases[] = {
      {39, 10, TTableCursor::SizeLeftRight}, {38, 10, TTableCursor::SizeLeftRight},
      {37, 10, TTableCursor::SizeLeftRight}, {36, 10, TTableCursor::Text},
      {35, 10, TTableCursor::Text},          {10, 29, TTableCursor::SizeUpDown},
      {10, 28, TTableCursor::SizeUpDown},    {10, 27, TTableCursor::SizeUpDown},
      {10, 26, TTableCursor::Text},          {10, 25, TTableCursor::Text},
      {38, 28, TTableCursor::SizeLeftRight},  // the corner sizes the width
      {100, 10, TTableCursor::Arrow},        {10, 70, TTableCursor::Arrow},
  };
  for (const auto& c : cases) {
    t.MouseMove(0, c.X, c.Y);
    EXPECT_EQ(t.Cursor(), c.Cursor) << c.X << "," << c.Y;
  }
}

TEST(TableInput, DragSelectsTheRectangleAndShiftAdds) {
  TTableReport t(nullptr);
  Build(t, 4, 4, 40, 30);
  std::vector<TTableReportCell*> added;
  t.OnSelectedCellChange = [&](TTableReport&, TTableReportCell& c) { added.push_back(&c); };
  t.MouseDown(TTableButton::Left, 0, 10, 10);
  EXPECT_TRUE(t.SelectionDragging());
  t.MouseMove(0, 50, 40);   // (1,1)
  t.MouseMove(0, 90, 40);   // (1,2): line 1, column 2
  t.MouseUp(TTableButton::Left, 0, 90, 40);
  EXPECT_EQ(t.GetSelectedCount(), 6);
  for (int l : {0, 1})
    for (int c : {0, 1, 2}) EXPECT_TRUE(t.IsSelected(CellOf(t, l, c)));
  EXPECT_FALSE(t.Editor().Open);  // the mouse went into other cells
  // Each cell was reported once, when it was added.
  EXPECT_EQ(added.size(), 6u);
  // Dragging back shrinks the rectangle again.
  t.MouseDown(TTableButton::Left, 0, 10, 10);
  t.MouseMove(0, 90, 40);
  t.MouseMove(0, 50, 10);
  t.MouseUp(TTableButton::Left, 0, 50, 10);
  EXPECT_EQ(t.GetSelectedCount(), 2);
  // Shift keeps what was selected.
  t.MouseDown(TTableButton::Left, tsShift, 10, 100);
  t.MouseUp(TTableButton::Left, tsShift, 10, 100);
  EXPECT_EQ(t.GetSelectedCount(), 3);
  EXPECT_EQ(t.CurrentCell(), CellOf(t, 3, 0));
  EXPECT_FALSE(t.Editor().Open);
  // A click outside the cells clears the selection.
  t.MouseDown(TTableButton::Left, 0, 500, 500);
  EXPECT_EQ(t.GetSelectedCount(), 0);
}

TEST(TableInput, ClickOpensTheEditorOnWideEnoughCells) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 40, 30);
  CellOf(t, 0, 1)->SetWidth(10);
  CellOf(t, 0, 0)->SetText(Gbk("表"));
  t.MouseDown(TTableButton::Left, 0, 10, 10);
  t.MouseUp(TTableButton::Left, 0, 10, 10);
  ASSERT_TRUE(t.Editor().Open);
  EXPECT_EQ(t.Editor().Cell, CellOf(t, 0, 0));
  EXPECT_EQ(t.Editor().TextRect, CellOf(t, 0, 0)->TextRect());
  EXPECT_EQ(t.Editor().Text, Gbk("表"));
  EXPECT_EQ(t.FocusedCell(), CellOf(t, 0, 0));
  // A click on the 10-pixel cell (its body: left of its sizing zone) closes it, opens none.
  t.MouseDown(TTableButton::Left, 0, 41, 10);
  t.MouseUp(TTableButton::Left, 0, 41, 10);
  EXPECT_FALSE(t.Editor().Open);
  EXPECT_TRUE(t.IsSelected(CellOf(t, 0, 1)));
}

TEST(TableInput, DoubleClickOpensNoEditorOnAPictureCell) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 40, 30);
  const platform::TBitmap picture(4, 4);
  CellOf(t, 0, 1)->SetPicture(&picture);
  t.SelectCell(CellOf(t, 0, 0));
  t.DblClick(50, 10);
  EXPECT_FALSE(t.Editor().Open);
  EXPECT_EQ(t.GetSelectedCount(), 0);
  t.DblClick(10, 10);
  EXPECT_TRUE(t.Editor().Open);
  EXPECT_EQ(t.Editor().Cell, CellOf(t, 0, 0));
}

TEST(TableInput, RightClickSelectsAnUnselectedCellUnlessSeveralAreSelected) {
  TTableReport t(nullptr);
  Build(t, 3, 1, 40, 30);
  t.SelectCell(CellOf(t, 0, 0));
  t.MouseDown(TTableButton::Right, 0, 50, 10);
  EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{CellOf(t, 0, 1)});
  t.SelectCell(CellOf(t, 0, 0));
  t.MouseDown(TTableButton::Right, 0, 90, 10);
  EXPECT_EQ(t.GetSelectedCount(), 2);
}

TEST(TableInput, KeysWithAndWithoutTheEditor) {
  TTableReport t(nullptr);
  Build(t, 3, 3, 40, 30);
  TTableReportCell* middle = CellOf(t, 1, 1);
  t.SelectCell(middle);
  // Arrows move the single selection.
  const struct {
    uint16_t Key;
    int Line, Column;
  } moves[] = {{vkRight, 1, 2}, {vkRight, 1, 2}, {vkDown, 2, 2}, {vkLeft, 2, 1}, {vkUp, 1, 1}};
  for (const auto& m : moves) {
    EXPECT_TRUE(t.KeyDown(m.Key, 0));
    EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{CellOf(t, m.Line, m.Column)});
  }
  // Enter opens the editor on the current cell and clears the selection.
  EXPECT_TRUE(t.KeyDown(vkReturn, 0));
  ASSERT_TRUE(t.Editor().Open);
  EXPECT_EQ(t.Editor().Cell, middle);
  EXPECT_EQ(t.GetSelectedCount(), 0);
  // In the editor, Enter and plain arrows are the editor's.
  EXPECT_FALSE(t.KeyDown(vkReturn, 0));
  EXPECT_FALSE(t.KeyDown(vkLeft, 0));
  EXPECT_TRUE(t.Editor().Open);
  // Ctrl+Enter closes it and selects its cell.
  EXPECT_TRUE(t.KeyDown(vkReturn, tsCtrl));
  EXPECT_FALSE(t.Editor().Open);
  EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{middle});
  // Esc does the same.
  t.KeyDown(vkReturn, 0);
  ASSERT_TRUE(t.SetEditorText("typed"));
  EXPECT_TRUE(t.KeyDown(vkEscape, 0));
  EXPECT_FALSE(t.Editor().Open);
  EXPECT_EQ(middle->Text(), "typed");
  EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{middle});
  // Ctrl+arrow leaves the editor and moves on.
  t.KeyDown(vkReturn, 0);
  EXPECT_TRUE(t.KeyDown(vkUp, tsCtrl));
  EXPECT_FALSE(t.Editor().Open);
  EXPECT_EQ(t.SelectedCells(), std::vector<TTableReportCell*>{CellOf(t, 0, 1)});
  // Without one selected cell the keys are not the table's.
  t.SelectCell(CellOf(t, 0, 0));
  EXPECT_FALSE(t.KeyDown(vkReturn, 0));
  EXPECT_FALSE(t.KeyDown(vkDown, 0));
  EXPECT_FALSE(t.KeyDown(vkEscape, 0));
}

TEST(TableInput, ATypedCharacterOpensTheEditorHoldingIt) {
  TTableReport t(nullptr);
  Build(t, 2, 1, 40, 30);
  TTableReportCell* cell = CellOf(t, 0, 1);
  cell->SetText("a");
  t.SelectCell(cell);
  EXPECT_TRUE(t.KeyPress(Gbk("表")));
  ASSERT_TRUE(t.Editor().Open);
  EXPECT_EQ(t.Editor().Cell, cell);
  EXPECT_EQ(t.Editor().Text, "a" + Gbk("表"));
  EXPECT_EQ(cell->Text(), "a" + Gbk("表"));
  // With the editor open, typing is the editor's.
  EXPECT_FALSE(t.KeyPress("b"));
  t.CloseEditor();
  t.SelectCell(CellOf(t, 0, 0));
  EXPECT_FALSE(t.KeyPress("b"));  // two cells selected
}

TEST(TableInput, EditorTextIsWrittenThroughAndLongTextRefused) {
  TTableReport t(nullptr);
  Build(t, 1, 2, 60, 0);
  t.OpenEditor(CellOf(t, 0, 0));
  const platform::TRect before = t.Editor().TextRect;
  ASSERT_TRUE(t.SetEditorText(Chinese(20)));
  EXPECT_EQ(CellOf(t, 0, 0)->Text(), Chinese(20));
  // The text wrapped: the line grew, the editor followed, the next line moved down.
  EXPECT_GT(t.Editor().TextRect.Height(), before.Height());
  EXPECT_EQ(t.Editor().TextRect, CellOf(t, 0, 0)->TextRect());
  EXPECT_EQ(t.GetLine(1)->Top(), t.GetLine(0)->Height());
  EXPECT_TRUE(t.SetEditorText(std::string(3000, 'x')));
  EXPECT_FALSE(t.SetEditorText(std::string(3001, 'x')));
  EXPECT_EQ(CellOf(t, 0, 0)->Text().size(), 3000u);
  t.CloseEditor();
  EXPECT_FALSE(t.SetEditorText("closed"));
}

TEST(TableInput, RightBorderDragSetsTheWidthAndTheNextCellGives) {
  TTableReport t(nullptr);
  Build(t, 3, 2, 40, 30);
  t.MouseMove(0, 39, 10);
  ASSERT_EQ(t.Cursor(), TTableCursor::SizeLeftRight);
  t.MouseDown(TTableButton::Left, 0, 39, 10);
  t.MouseMove(0, 55, 10);
  ASSERT_TRUE(t.DragLine());
  EXPECT_EQ(*t.DragLine(), (TDragLine{{55, 0}, {55, t.Extent().cy}}));
  t.MouseUp(TTableButton::Left, 0, 55, 10);
  EXPECT_FALSE(t.DragLine());
  EXPECT_EQ(CellOf(t, 0, 0)->Width(), 55);
  EXPECT_EQ(CellOf(t, 0, 1)->Width(), 25);
  EXPECT_EQ(CellOf(t, 0, 1)->Left(), 55);
  EXPECT_EQ(CellOf(t, 0, 2)->Left(), 80);  // the next cell's right edge stays
  EXPECT_EQ(CellOf(t, 1, 0)->Width(), 40);  // other lines keep theirs
  // Past the next cell's right edge: the next cell keeps 10.
  t.MouseDown(TTableButton::Left, 0, 53, 10);
  t.MouseUp(TTableButton::Left, 0, 200, 10);
  EXPECT_EQ(CellOf(t, 0, 0)->Width(), 70);
  EXPECT_EQ(CellOf(t, 0, 1)->Width(), 10);
  // Left of the cell's own left: it keeps 10.
  t.MouseDown(TTableButton::Left, 0, 69, 10);
  t.MouseUp(TTableButton::Left, 0, -50, 10);
  EXPECT_EQ(CellOf(t, 0, 0)->Width(), 10);
  EXPECT_EQ(CellOf(t, 0, 1)->Width(), 70);
  // The last cell just grows.
  t.MouseDown(TTableButton::Left, 0, 119, 10);
  t.MouseUp(TTableButton::Left, 0, 150, 10);
  EXPECT_EQ(CellOf(t, 0, 2)->Width(), 70);
}

TEST(TableInput, RightBorderDragOfAMergedCellMovesEveryLineOrNone) {
  TTableReport t(nullptr);
  Build(t, 3, 2, 40, 30);
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 1, 0));
  ASSERT_TRUE(t.CombineCells());
  t.MouseDown(TTableButton::Left, 0, 39, 10);
  t.MouseUp(TTableButton::Left, 0, 60, 10);
  EXPECT_EQ(CellOf(t, 0, 0)->Width(), 60);
  EXPECT_EQ(CellOf(t, 1, 0)->Width(), 60);
  EXPECT_EQ(CellOf(t, 1, 1)->Width(), 20);
  // Nothing changes when the next cell is merged into another.
  TTableReport u(nullptr);
  Build(u, 3, 2, 40, 30);
  u.SelectCell(CellOf(u, 0, 1));
  u.SelectCell(CellOf(u, 1, 1));
  ASSERT_TRUE(u.CombineCells());
  const auto before = StreamOf(u);
  u.MouseDown(TTableButton::Left, 0, 39, 40);  // the right edge of (1,0)
  u.MouseUp(TTableButton::Left, 0, 60, 40);
  EXPECT_EQ(StreamOf(u), before);
}

TEST(TableInput, BottomBorderDragSetsTheLowestLinesHeight) {
  TTableReport t(nullptr);
  Build(t, 2, 3, 40, 30);
  t.SelectCell(CellOf(t, 0, 0));
  t.SelectCell(CellOf(t, 1, 0));
  ASSERT_TRUE(t.CombineCells());
  t.MouseMove(0, 10, 58);
  ASSERT_EQ(t.Cursor(), TTableCursor::SizeUpDown);
  t.MouseDown(TTableButton::Left, 0, 10, 58);
  t.MouseMove(0, 10, 80);
  EXPECT_EQ(*t.DragLine(), (TDragLine{{0, 80}, {t.Extent().cx, 80}}));
  t.MouseUp(TTableButton::Left, 0, 10, 80);
  EXPECT_EQ(t.GetLine(1)->AskedHeight(), 50);
  EXPECT_EQ(t.GetLine(1)->Height(), 50);
  EXPECT_EQ(t.GetLine(0)->Height(), 30);
  EXPECT_EQ(t.GetLine(2)->Top(), 80);
}

}  // namespace
}  // namespace model
