// The table editor's windows offscreen: the two owner-drawn combo boxes' pixels against
// coordinates written from their drawing rules, the new-table dialog's controls and ranges,
// the table editor's captions and hints, its size for a screen, and each tool-bar control
// reaching the table. Dialogs are faked; no modal loop runs.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QSpinBox>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "editor/core/GeneralComponent.h"
#include "editor/core/tests/Fakes.h"
#include "editor/ui/GeneralComponent.h"
#include "editor/ui/TableEditor.h"
#include "editor/ui/QtText.h"
#include "editor/ui/TableView.h"
#include "model/MessageBoxHook.h"
#include "model/objects/TableReport.h"
#include "platform/base/FilePath.h"
#include "skin/SkinFontComboBox.h"

namespace editor::ui {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

bool IsBlack(QColor c) { return c.red() == 0 && c.green() == 0 && c.blue() == 0; }
bool IsWhite(QColor c) { return c.red() == 255 && c.green() == 255 && c.blue() == 255; }

// One item drawn into a white-less image of its own, 100 x 14.
QImage DrawnItem(const TOwnerDrawComboBox& box, int index, bool selected = false, bool focused = false) {
  QImage image(100, GeneralComboItemHeight, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  QPainter painter(&image);
  box.DrawItem(painter, image.rect(), index, selected, focused);
  return image;
}

// ---- The colour box ------------------------------------------------------------------------

// The swatch of item k: a black frame over (4, 3)..(23, 10), its colour inside, white around
// it up to the text at x = 28.
void ExpectColourItem(const QImage& image, QPoint origin, platform::TColor colour) {
  const QColor fill = QColorFromColorRef(colour);
  for (int x = 4; x <= 23; ++x) {
    EXPECT_TRUE(IsBlack(image.pixelColor(origin + QPoint(x, 3)))) << x;
    EXPECT_TRUE(IsBlack(image.pixelColor(origin + QPoint(x, 10)))) << x;
  }
  for (int y = 3; y <= 10; ++y) {
    EXPECT_TRUE(IsBlack(image.pixelColor(origin + QPoint(4, y)))) << y;
    EXPECT_TRUE(IsBlack(image.pixelColor(origin + QPoint(23, y)))) << y;
  }
  for (QPoint inside : {QPoint(5, 4), QPoint(22, 4), QPoint(5, 9), QPoint(22, 9), QPoint(13, 6)})
    EXPECT_EQ(image.pixelColor(origin + inside), fill) << inside.x() << "," << inside.y();
  for (QPoint around : {QPoint(3, 6), QPoint(24, 6), QPoint(27, 6), QPoint(13, 2), QPoint(13, 11), QPoint(1, 1)})
    EXPECT_TRUE(IsWhite(image.pixelColor(origin + around))) << around.x() << "," << around.y();
}

// Whether the text left dark pixels from x = 28 on, and none before.
bool TextFrom28(const QImage& image, QPoint origin, int width) {
  bool found = false;
  for (int y = 1; y < GeneralComboItemHeight; ++y)
    for (int x = 28; x < width; ++x) {
      const QColor c = image.pixelColor(origin + QPoint(x, y));
      if (c.lightness() < 128) found = true;
    }
  return found;
}

TEST(GeneralComponent, ColourItemsAreDrawnAsTheirRulesSay) {
  TColorComboBox box;
  ASSERT_EQ(box.count(), 4);
  EXPECT_EQ(box.itemText(0), U("黑色"));
  EXPECT_EQ(box.itemText(3), U("黄色"));
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(k);
    const QImage image = DrawnItem(box, k);
    ExpectColourItem(image, {0, 0}, ColorComboColor(k));
    EXPECT_TRUE(TextFrom28(image, {0, 0}, image.width()));
  }
  // The focused item: a dotted frame on its edge, its text in black again.
  const QImage focused = DrawnItem(box, 1, true, true);
  EXPECT_TRUE(IsBlack(focused.pixelColor(0, 0)));
  EXPECT_TRUE(IsWhite(focused.pixelColor(1, 0)));
  EXPECT_TRUE(IsBlack(focused.pixelColor(2, 0)));
  EXPECT_TRUE(IsBlack(focused.pixelColor(0, 2)));
  EXPECT_TRUE(TextFrom28(focused, {0, 0}, focused.width()));
  // Selected without the focus: white text on white.
  EXPECT_FALSE(TextFrom28(DrawnItem(box, 1, true, false), {0, 0}, 100));
}

TEST(GeneralComponent, ClosedColourBoxShowsItsItemInGrab) {
  TColorComboBox box;
  box.resize(120, 22);
  box.SetSelected(0x0080FF);
  EXPECT_EQ(box.currentIndex(), 3);
  EXPECT_EQ(box.Selected(), 0x00FFFFu);
  const QImage image = box.grab().toImage();
  const QRect r = box.CurrentItemRect();
  ExpectColourItem(image, r.topLeft(), 0x00FFFF);
  EXPECT_TRUE(TextFrom28(image, r.topLeft(), r.width()));
  box.setCurrentIndex(-1);
  EXPECT_EQ(box.Selected(), 0u);
}

TEST(GeneralComponent, LineItemsAreDrawnAsTheirRulesSay) {
  TLineComboBox box;
  ASSERT_EQ(box.count(), 6);
  // The rows of item i's lines, written from top + 6 + (i + 1) / 2 upwards.
  const std::vector<std::vector<int>> rows = {{6}, {6, 7}, {5, 6, 7}, {5, 6, 7, 8}, {4, 5, 6, 7, 8},
                                              {4, 5, 6, 7, 8, 9}};
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const QImage image = DrawnItem(box, i);
    for (int y = 0; y < GeneralComboItemHeight; ++y) {
      const bool line = std::find(rows[size_t(i)].begin(), rows[size_t(i)].end(), y) != rows[size_t(i)].end();
      for (int x : {4, 50, 95}) EXPECT_EQ(IsBlack(image.pixelColor(x, y)), line) << x << "," << y;
      EXPECT_TRUE(IsWhite(image.pixelColor(3, y))) << y;
      EXPECT_TRUE(IsWhite(image.pixelColor(96, y))) << y;
    }
  }
  box.resize(100, 22);
  box.setCurrentIndex(3);
  const QImage closed = box.grab().toImage();
  const QRect r = box.CurrentItemRect();
  for (int y : {5, 6, 7, 8}) EXPECT_TRUE(IsBlack(closed.pixelColor(r.left() + 4, r.top() + y))) << y;
  EXPECT_FALSE(IsBlack(closed.pixelColor(r.left() + 4, r.top() + 4)));
  EXPECT_FALSE(IsBlack(closed.pixelColor(r.left() + 4, r.top() + 9)));
}

// ---- The new-table dialog ------------------------------------------------------------------

TEST(NewgridForm, SevenControlsWithTheirRanges) {
  TNewgridForm form;
  EXPECT_EQ(form.windowTitle(), U("请输入表格属性"));
  struct TRange {
    QSpinBox* Box;
    const char* Name;
    int Min, Max;
  };
  for (const TRange& r : {TRange{form.RowCount(), "eRowCount", 1, 255}, TRange{form.ColCount(), "eColCount", 1, 255},
                          TRange{form.RowHeight(), "eRowHeight", 16, 255}, TRange{form.ColWidth(), "eColWidth", 32, 512}}) {
    EXPECT_EQ(r.Box->objectName(), r.Name);
    EXPECT_EQ(r.Box->minimum(), r.Min) << r.Name;
    EXPECT_EQ(r.Box->maximum(), r.Max) << r.Name;
  }
  EXPECT_EQ(form.LineColor()->objectName(), "tabLineColor");
  EXPECT_EQ(form.BackColor()->objectName(), "BkColor");
  EXPECT_EQ(form.LineWidth()->objectName(), "tabLineWidth");
  EXPECT_NE(form.findChild<QWidget*>("btnOk"), nullptr);

  // "取  消" gives back what was typed; "确  定" returns 1.
  for (int button : {mrNewgridCancel, mrNewgridOk}) {
    form.RunModal = [&](QDialog& dialog) {
      form.RowCount()->setValue(9);
      form.LineWidth()->setCurrentIndex(4);
      form.BackColor()->setCurrentIndex(2);
      dialog.done(button);
    };
    TNewTableSettings values;
    EXPECT_EQ(form.Execute(values), button);
    EXPECT_EQ(values.Row, 9);
    EXPECT_EQ(values.LineWidth, 4);
    EXPECT_EQ(values.BackColor, 2);
  }
  form.RunModal = [](QDialog& dialog) { dialog.done(0); };  // closed
  TNewTableSettings values;
  EXPECT_EQ(form.Execute(values), mrNewgridCancel);
}

// ---- The table editor ----------------------------------------------------------------------

struct TFormRig {
  TFormRig() {
    newgrid.RunModal = [this](QDialog&) {
      newgrid.RowCount()->setValue(rows);
      newgrid.ColCount()->setValue(cols);
      newgrid.ColWidth()->setValue(40);
      newgrid.done(mrNewgridOk);
    };
    form.RunModal = [](QDialog&) {};
  }
  model::TTableReport& Table() { return *form.Editor().Table(); }
  model::TTableReportCell* Cell(int l, int c) { return Table().GetLine(l)->Cell(c); }
  void Show(int width = 320, int height = 200) {
    form.SizeForScreen(width, height);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  }

  int rows = 2, cols = 3;
  test::TTempFolder folder;
  test::TFakeDialogs dialogs;
  model::TMessageBoxHookScope messages{[](std::string_view, std::string_view, model::TMessageBoxIcon) {}};
  TNewgridForm newgrid;
  TTableForm form{dialogs, newgrid, platform::TSettingsFile(folder.File("Param.ini"))};
};

TEST(TableForm, CaptionsAndHints) {
  TFormRig rig;
  EXPECT_EQ(rig.form.windowTitle(), U("表格编辑器"));
  EXPECT_EQ(rig.form.FileBar()->objectName(), "tobFile");
  EXPECT_EQ(rig.form.View()->objectName(), "scbMain");
  const std::vector<std::pair<const char*, const char*>> hints = {
      {"tbNew", "创建新的表格"},    {"tbOpen", "打开存在的表格"},   {"tbSave", "保存正在编辑的表格"},
      {"tbSaveAs", "另存为"},       {"tbInsertLine", "插入行"},     {"tbDeleteLine", "删除行"},
      {"tbCopy", "拷贝"},           {"tbCut", "剪切"},              {"tbPaste", "粘贴"},
      {"tbClearText", "删除文字"},  {"tbCombine", "合并单元格"},    {"tbSplitHorz", "水平拆分单元格"},
      {"tbSplitVert", "垂直拆分单元格"}};
  for (const auto& [name, hint] : hints) {
    QAction* action = rig.form.Action(name);
    ASSERT_NE(action, nullptr) << name;
    EXPECT_EQ(action->toolTip(), U(hint)) << name;
    EXPECT_TRUE(rig.form.FileBar()->actions().contains(action)) << name;
  }
  EXPECT_EQ(rig.form.LineWidthBox()->toolTip(), U("表格线宽度"));
  EXPECT_EQ(rig.form.LineColorBox()->toolTip(), U("表格线颜色"));
  EXPECT_EQ(rig.form.BackColorBox()->toolTip(), U("背景色"));
  for (const char* name : {"cmbLineWidth", "cobLine", "cobBack", "FontSelect", "FontSizeSelect", "FontColorSelect",
                           "Bold", "Italic", "Underline"})
    EXPECT_NE(rig.form.findChild<QWidget*>(name), nullptr) << name;

  rig.Show();
  EXPECT_EQ(rig.form.windowTitle(), U("表格编辑 - "));
  rig.dialogs.Files = {platform::GbkPathFromOs(rig.folder.File("plan"))};
  rig.form.Action("tbSave")->trigger();
  EXPECT_EQ(rig.form.windowTitle(), U("表格编辑 - ") + QString::fromStdString(rig.folder.File("plan.Tab")));
}

TEST(TableForm, SizedSoThatTheViewportIsTheScreen) {
  for (QSize screen : {QSize(320, 200), QSize(512, 256)}) {
    TFormRig rig;
    rig.rows = 1;
    rig.cols = 1;
    rig.Show(screen.width(), screen.height());
    EXPECT_EQ(rig.form.View()->viewport()->size(), screen);
    // The new table's page takes the viewport's size.
    EXPECT_EQ(rig.Table().Width(), screen.width());
    EXPECT_EQ(rig.Table().Height(), screen.height());
  }
}

TEST(TableForm, EditRunsModallyAndGivesBackTheFileName) {
  TFormRig rig;
  std::string seen;
  rig.form.RunModal = [&](QDialog& dialog) {
    dialog.show();
    seen = rig.form.Editor().FileName();
    rig.dialogs.Files = {platform::GbkPathFromOs(rig.folder.File("new.txt"))};
    rig.form.Action("tbSaveAs")->trigger();
    dialog.accept();
  };
  const std::string start = platform::GbkPathFromOs(rig.folder.File("none.Tab"));
  EXPECT_EQ(rig.form.Edit(start, 320, 200), platform::GbkPathFromOs(rig.folder.File("new.Tab")));
  EXPECT_EQ(seen, start);
  EXPECT_FALSE(rig.form.isVisible());
  EXPECT_EQ(rig.form.Editor().Table(), nullptr);  // freed by the close
  EXPECT_EQ(rig.form.View()->Table(), nullptr);
}

TEST(TableForm, WithoutAScreenTheEditorKeepsItsSize) {
  // No current screen gives 0 x 0 (or a screen not yet sized): the window is not shrunk by the
  // whole viewport.
  for (QSize screen : {QSize(0, 0), QSize(320, 0), QSize(0, 200), QSize(-5, -5)}) {
    TFormRig rig;
    rig.form.resize(500, 400);
    QSize shown;
    rig.form.RunModal = [&](QDialog& dialog) {
      dialog.show();
      shown = dialog.size();
      dialog.reject();
    };
    rig.dialogs.Answers = {TMessageAnswer::No};
    rig.form.Edit("", screen.width(), screen.height());
    EXPECT_EQ(shown, QSize(500, 400)) << screen.width() << "x" << screen.height();
  }
}

TEST(TableForm, ACancelledCloseKeepsTheEditorOpen) {
  TFormRig rig;
  rig.Show();
  ASSERT_TRUE(rig.Table().GetModified());
  rig.dialogs.Answers = {TMessageAnswer::Cancel};
  rig.form.reject();
  EXPECT_TRUE(rig.form.isVisible());
  EXPECT_NE(rig.form.Editor().Table(), nullptr);
  rig.dialogs.Answers = {TMessageAnswer::No};
  rig.form.reject();
  EXPECT_FALSE(rig.form.isVisible());
}

TEST(TableForm, ToolBarControlsReachTheTable) {
  TFormRig rig;
  rig.Show();
  model::TTableReport& t = rig.Table();
  ASSERT_EQ(t.GetLineCount(), 2);
  auto trigger = [&](const char* name) { rig.form.Action(name)->trigger(); };

  t.SelectCell(rig.Cell(0, 0));
  trigger("tbInsertLine");
  EXPECT_EQ(t.GetLineCount(), 3);
  trigger("tbDeleteLine");
  EXPECT_EQ(t.GetLineCount(), 2);

  rig.Cell(0, 0)->SetText("A");
  t.SelectCell(rig.Cell(0, 0));
  trigger("tbCopy");
  t.ClearSelection();
  t.SelectCell(rig.Cell(1, 2));
  trigger("tbPaste");
  EXPECT_EQ(rig.Cell(1, 2)->Text(), "A");
  trigger("tbCut");
  EXPECT_EQ(rig.Cell(1, 2)->Text(), "");
  rig.Cell(1, 2)->SetText("B");
  trigger("tbClearText");
  EXPECT_EQ(rig.Cell(1, 2)->Text(), "");

  t.ClearSelection();
  t.SelectCell(rig.Cell(0, 0));
  t.SelectCell(rig.Cell(0, 1));
  trigger("tbCombine");
  EXPECT_EQ(t.GetLine(0)->CellCount(), 2);
  EXPECT_EQ(rig.Cell(0, 0)->Width(), 80);
  t.ClearSelection();
  t.SelectCell(rig.Cell(0, 0));
  trigger("tbSplitHorz");
  EXPECT_EQ(t.GetLine(0)->CellCount(), 3);
  t.ClearSelection();
  t.SelectCell(rig.Cell(0, 2));
  t.SelectCell(rig.Cell(1, 2));
  trigger("tbCombine");
  EXPECT_EQ(rig.Cell(1, 2)->MergedInto(), rig.Cell(0, 2));
  trigger("tbSplitVert");
  EXPECT_EQ(rig.Cell(1, 2)->MergedInto(), nullptr);

  trigger("tbAlignRight");
  EXPECT_EQ(rig.Cell(0, 2)->HorzAlign(), uint32_t(model::chaRight));
  trigger("tbAlignCenter");
  EXPECT_EQ(rig.Cell(1, 2)->HorzAlign(), uint32_t(model::chaCenter));

  // The boxes report only the person's choice (activated), as the editor sets them silently.
  auto choose = [](TOwnerDrawComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  };
  choose(rig.form.LineWidthBox(), 3);
  EXPECT_EQ(rig.Cell(1, 1)->Border(model::csBottom).Width, 4);
  choose(rig.form.LineColorBox(), 3);
  EXPECT_EQ(t.GridColor(), 0x00FFFFu);
  choose(rig.form.BackColorBox(), 2);
  EXPECT_EQ(t.Color(), 0x00FF00u);
  EXPECT_EQ(rig.Cell(1, 0)->BackColor(), 0x00FF00u);

  // A style button: the selected cells take the font of the controls.
  t.ClearSelection();
  t.SelectCell(rig.Cell(1, 0));
  EXPECT_EQ(rig.form.FontSelect()->FontName(), rig.Cell(1, 0)->Font().FaceName);
  EXPECT_EQ(rig.form.FontSizeSelect()->currentText(), "11");
  QTest::mouseClick(rig.form.BoldButton(), Qt::LeftButton);
  EXPECT_EQ(rig.Cell(1, 0)->Font().Weight, 700);
  EXPECT_EQ(rig.Cell(1, 0)->Font().Height, -15);
  EXPECT_EQ(rig.Cell(0, 0)->Font().Weight, 0);  // not selected: untouched
}

}  // namespace
}  // namespace editor::ui
