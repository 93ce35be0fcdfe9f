// The inspector window offscreen: typing, keys, clicks, the button and the pop-up list against
// objects with hand-written tables and a real page; dialogs answered by fakes.
#include "editor/ui/PropertyEditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QTest>
#include <memory>
#include <optional>

#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/InspectorFixtures.h"
#include "editor/ui/Button.h"
#include "editor/ui/DesignView.h"
#include "editor/ui/PropertySelect.h"
#include "editor/ui/QtText.h"
#include "model/FormConstructEx.h"
#include "model/objects/Texts.h"
#include "platform/base/GbkText.h"

namespace editor::ui {
namespace {

using platform::GbkToUtf8;
using platform::TObject;
using platform::Utf8ToGbk;
using test::SetRows;
using test::TDated;
using test::TPlain;
using test::TSample;

using test::TFakeChooser;

struct TInspector {
  test::TFakeDialogs Dialogs;
  TFakeChooser Chooser;
  TPropertyDescription Editors;
  std::unique_ptr<TPropertyEditorView> View;
  std::vector<TObject*> Changed;

  TInspector() {
    View = std::make_unique<TPropertyEditorView>(Dialogs, Chooser, nullptr, Editors);
    View->resize(260, 300);
    View->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(View.get()));
    Editor().OnChanged = [this](TObject* root) { Changed.push_back(root); };
  }
  TPropertyEditor& Editor() { return View->Editor(); }
  TPropEdit* Edit() { return View->Edit(); }
  QWidget* Grid() { return View->viewport(); }

  // The visible row whose caption this is (UTF-8); -1 when none.
  int RowOf(const char* caption) {
    for (int i = 0; i < Editor().RowCount(); ++i)
      if (GbkToUtf8(Editor().List().Items(i)->Caption) == caption) return i;
    return -1;
  }
  int RowY(int row) { return (row - Editor().TopRow()) * RowHeight; }
  // A click on the row's name column.
  void ClickRow(int row) { QTest::mouseClick(Grid(), Qt::LeftButton, {}, QPoint(30, RowY(row) + 9)); }
  void Type(const QString& text) {
    Edit()->selectAll();
    QTest::keyClicks(Edit(), text);
  }
  void Key(Qt::Key key) { QTest::keyClick(Edit(), key); }
  QString EditText() { return Edit()->text(); }
};

TEST(PropertyEditorView, ColourRowTakesTypedHexAndShowsTheSwatch) {
  TInspector in;
  TSample sample(nullptr);
  SetRows(sample.PropertyTable(), {"Text|名称", "Color|颜色", "Flag|标志", "True|是", "False|否"});
  sample.SetColor(0xFF);
  in.Editor().SetRoot(&sample);
  const int row = in.RowOf("颜色");
  in.ClickRow(row);
  EXPECT_EQ(in.Editor().CurrentRow(), row);
  EXPECT_EQ(in.EditText(), "0x000000FF");
  EXPECT_FALSE(in.Edit()->isReadOnly());
  EXPECT_TRUE(in.View->Button()->isVisible());  // the colour dialog's button
  EXPECT_EQ(in.View->Button()->Glyph(), TButtonGlyph::Dot);

  // The same value in other letters writes nothing.
  in.Type("0X000000ff");
  in.Key(Qt::Key_Down);
  EXPECT_TRUE(in.Changed.empty());

  in.ClickRow(row);
  in.Type("0x00FF00");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(sample.Color(), 0x00FF00u);
  EXPECT_EQ(in.Changed, std::vector<TObject*>{&sample});
  // Off the row, its swatch shows the colour (the current row's value cell is the edit's).
  in.Key(Qt::Key_Down);
  const QImage shot = in.Grid()->grab().toImage();
  const int border = in.Editor().Border();
  EXPECT_EQ(shot.pixelColor(border + 9, in.RowY(row) + 9), QColor(0, 255, 0));

  // Letters write nothing, silently.
  in.ClickRow(row);
  in.Type("green");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(sample.Color(), 0x00FF00u);
  EXPECT_EQ(in.Changed.size(), 1u);
  EXPECT_TRUE(in.Dialogs.Boxes.empty());

  // The colour dialog starts from the colour and writes its choice.
  in.Chooser.Color = platform::RGB(1, 2, 3);
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  EXPECT_EQ(in.Chooser.OfferedColor, 0x00FF00u);
  EXPECT_EQ(sample.Color(), platform::RGB(1, 2, 3));
  EXPECT_EQ(in.EditText(), "0x00030201");
  EXPECT_EQ(in.Changed.size(), 2u);
}

TEST(PropertyEditorView, LeavingARowCommitsItAndLongTextsRoundTrip) {
  TInspector in;
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Text|名称", "Level|级别", "Seconds|秒"});
  // 150 Chinese characters: 300 GBK bytes.
  std::string longText;
  for (int i = 0; i < 150; ++i) longText += Utf8ToGbk("字");
  dated.SetText(longText);
  in.Editor().SetRoot(&dated);
  EXPECT_EQ(in.Editor().CurrentRow(), 0);
  EXPECT_EQ(GbkFromQString(in.EditText()), longText);  // shown whole

  std::string longer = longText + Utf8ToGbk("尾");
  in.Edit()->setText(QStringFromGbk(longer));
  in.Key(Qt::Key_Return);
  EXPECT_EQ(dated.Text(), longer);
  EXPECT_EQ(dated.Text().size(), 302u);

  in.Type("abc");
  in.ClickRow(in.RowOf("级别"));  // leaving commits
  EXPECT_EQ(dated.Text(), "abc");
  EXPECT_EQ(in.Changed.size(), 2u);

  // Out of the type's range: refused with a message, nothing written.
  in.Type("300");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(dated.Level(), 0);
  ASSERT_EQ(in.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(GbkToUtf8(in.Dialogs.Boxes[0].Text), "输入的数值超出允许范围（0 至 255）");
  EXPECT_EQ(GbkToUtf8(in.Dialogs.Boxes[0].Caption), "提示信息");
  EXPECT_EQ(in.EditText(), "0");  // the stored value back
  EXPECT_EQ(in.Changed.size(), 2u);
  in.Type("255");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(dated.Level(), 255);

  // Cardinal: decimal up to 4294967295, and hexadecimal as its 32 bits.
  in.Key(Qt::Key_Down);
  in.Type("4294967295");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(dated.Seconds(), 4294967295u);
  in.Type("$10");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(dated.Seconds(), 16u);
  in.Type("4294967296");  // does not convert: silently not written
  in.Key(Qt::Key_Return);
  EXPECT_EQ(dated.Seconds(), 16u);
  EXPECT_EQ(in.Dialogs.Boxes.size(), 1u);
}

TEST(PropertyEditorView, APagesDisplayTimeRefusesMinusOne) {
  TInspector in;
  model::TLeaf page(nullptr);
  in.Editor().SetRoot(&page);
  const int row = in.RowOf("页面显示时间(秒)");
  ASSERT_GE(row, 0);
  EXPECT_EQ(in.Editor().List().Items(row)->Color, 0xF0);
  in.ClickRow(row);
  in.Type("-1");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(page.DisplayTime(), 10u);
  EXPECT_TRUE(in.Changed.empty());
  ASSERT_EQ(in.Dialogs.Boxes.size(), 1u);
  EXPECT_EQ(GbkToUtf8(in.Dialogs.Boxes[0].Text), "输入的数值超出允许范围（0 至 4294967295）");
  in.Type("20");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(page.DisplayTime(), 20u);
  EXPECT_EQ(in.Changed, std::vector<TObject*>{&page});
}

TEST(PropertyEditorView, EnumerationsByDoubleClickAndByTheList) {
  TInspector in;
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Shade|色调", "Mode|模式", "shLight|浅", "shMiddle|中", "shDark|深"});
  dated.SetShade(2);
  in.Editor().SetRoot(&dated);
  const int shade = in.RowOf("色调");
  in.ClickRow(shade);
  EXPECT_TRUE(in.Edit()->isReadOnly());
  EXPECT_EQ(in.View->Button()->Glyph(), TButtonGlyph::Down);
  EXPECT_EQ(in.EditText(), QString::fromUtf8("深"));
  // A double click at the last value wraps to the first.
  QTest::mouseDClick(in.Edit(), Qt::LeftButton);
  EXPECT_EQ(dated.Shade(), 0);
  EXPECT_EQ(in.EditText(), QString::fromUtf8("浅"));
  EXPECT_EQ(in.Changed.size(), 1u);

  // The list of a short type shrinks to its items and starts on the value.
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  TPropertySelect* list = in.View->Select();
  ASSERT_TRUE(list->isVisible());
  EXPECT_EQ(list->count(), 3);
  EXPECT_EQ(list->height(), 3 * ListItemHeight + 2);
  EXPECT_EQ(list->currentRow(), 0);
  EXPECT_EQ(list->item(1)->text(), QString::fromUtf8("中"));
  EXPECT_FALSE(list->hasFocus());
  // Keys go from the edit to the list; Enter chooses and writes the ordinal.
  in.Key(Qt::Key_Down);
  in.Key(Qt::Key_Return);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(dated.Shade(), 1);
  EXPECT_EQ(in.EditText(), QString::fromUtf8("中"));
  EXPECT_EQ(in.Changed.size(), 2u);

  // A long one keeps its height; Escape closes it without a write.
  in.Key(Qt::Key_Down);
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  EXPECT_EQ(list->count(), 12);
  EXPECT_EQ(list->height(), ListDefaultHeight);
  in.Key(Qt::Key_PageDown);
  EXPECT_EQ(list->currentRow(), 10);
  in.Key(Qt::Key_PageDown);
  EXPECT_EQ(list->currentRow(), 11);
  in.Key(Qt::Key_Escape);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(dated.Mode(), 0);
  // A click in the list chooses.
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(4)).center());
  EXPECT_EQ(dated.Mode(), 4);
  EXPECT_FALSE(list->isVisible());
}

// Whatever list was shown before, a short one shows every item without a scroll bar, and a
// long one scrolls.
TEST(PropertyEditorView, EveryListShowsItsItemsUpToTheMaximumHeight) {
  TInspector in;
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Shade|色调", "Mode|模式"});
  dated.SetShade(2);
  TSample sample(nullptr);
  SetRows(sample.PropertyTable(), {"Font|字体|$000000F0", "Font.Style|样式", "fsBold|粗体", "True|是", "False|否"});
  TPropertySelect* list = in.View->Select();
  auto open = [&](TObject* root, const char* caption) {
    if (in.Editor().Root() != root) in.Editor().SetRoot(root);
    in.ClickRow(in.RowOf(caption));
    QTest::mouseClick(in.View->Button(), Qt::LeftButton);
    EXPECT_TRUE(list->isVisible()) << caption;
  };
  auto allShown = [&] {
    for (int i = 0; i < list->count(); ++i)
      if (!list->viewport()->rect().contains(list->visualItemRect(list->item(i)))) return false;
    return true;
  };
  struct TCase {
    TObject* Root;
    const char* Caption;
    int Items;
  };
  const TCase cases[] = {{&sample, "粗体", 2}, {&dated, "色调", 3}, {&sample, "粗体", 2}, {&dated, "模式", 12},
                         {&dated, "色调", 3},  {&dated, "模式", 12}, {&sample, "粗体", 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Caption);
    open(c.Root, c.Caption);
    ASSERT_EQ(list->count(), c.Items);
    QApplication::processEvents();  // whatever layout the list does later
    if (c.Items * ListItemHeight + 2 < ListDefaultHeight) {
      EXPECT_EQ(list->height(), c.Items * ListItemHeight + 2);
      EXPECT_FALSE(list->verticalScrollBar()->isVisible());
      EXPECT_TRUE(allShown());
      EXPECT_EQ(list->indexAt(QPoint(2, 1)).row(), 0) << "the first item at the top";
    } else {
      EXPECT_EQ(list->height(), ListDefaultHeight);
      EXPECT_TRUE(list->verticalScrollBar()->isVisible());
    }
    in.Key(Qt::Key_Escape);
  }
}

TEST(PropertyEditorView, SetElementsFontDialogAndOpenClose) {
  TInspector in;
  TSample sample(nullptr);
  SetRows(sample.PropertyTable(), {"Font|字体|$000000F0", "Font.Style|样式", "Font.Size|大小", "fsBold|粗体",
                                   "TFont| 请选择字体 ", "True|是", "False|否"});
  in.Editor().SetRoot(&sample);
  // 字体, 大小, 样式, 粗体, fsItalic, fsUnderline, fsStrikeOut.
  EXPECT_EQ(in.Editor().RowCount(), 7);
  const int bold = in.RowOf("粗体");
  in.ClickRow(bold);
  QTest::mouseDClick(in.Edit(), Qt::LeftButton);
  EXPECT_EQ(sample.Font().Style(), platform::FontStyleBit(platform::fsBold));
  EXPECT_EQ(in.EditText(), QString::fromUtf8("是"));
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  EXPECT_EQ(in.View->Select()->count(), 2);
  in.Key(Qt::Key_Up);
  in.Key(Qt::Key_Return);  // "否" removes it
  EXPECT_EQ(sample.Font().Style(), 0u);

  // The font row's button runs the font dialog and assigns its font.
  in.ClickRow(0);
  EXPECT_EQ(in.View->Button()->Glyph(), TButtonGlyph::Dot);
  platform::TFontDescription chosen;
  chosen.Name = "Sans";
  chosen.SetSize(20);
  in.Chooser.Font = chosen;
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  EXPECT_EQ(sample.Font().Name(), "Sans");
  EXPECT_EQ(sample.Font().Size(), 20);
  EXPECT_EQ(in.Changed.size(), 3u);
  in.Chooser.Font.reset();  // cancelled: nothing
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  EXPECT_EQ(in.Changed.size(), 3u);

  // A click on the open row's icon closes it; again opens it.
  QTest::mouseClick(in.Grid(), Qt::LeftButton, {}, QPoint(4, in.RowY(0) + 8));
  EXPECT_EQ(in.Editor().RowCount(), 1);
  QTest::mouseClick(in.Grid(), Qt::LeftButton, {}, QPoint(4, in.RowY(0) + 8));
  EXPECT_EQ(in.Editor().RowCount(), 7);
}

TEST(PropertyEditorView, BorderRowsAndScrolling) {
  TInspector in;
  TSample sample(nullptr);
  SetRows(sample.PropertyTable(), {"Text|名称", "Left|X", "Top|Y", "Width|宽度", "Height|高度"});
  in.Editor().SetRoot(&sample);
  const int width = in.Grid()->width();
  const int border = in.Editor().Border();
  // The border follows a drag from it, within 40 pixels of either side.
  QTest::mousePress(in.Grid(), Qt::LeftButton, {}, QPoint(border + 1, 5));
  QTest::mouseMove(in.Grid(), QPoint(3, 5));
  EXPECT_EQ(in.Editor().Border(), 40);
  QTest::mouseMove(in.Grid(), QPoint(width + 50, 5));
  QTest::mouseRelease(in.Grid(), Qt::LeftButton, {}, QPoint(width + 50, 5));
  EXPECT_EQ(in.Editor().Border(), width - 40);
  EXPECT_EQ(in.Edit()->x(), width - 40 + 3);
  QTest::mouseMove(in.Grid(), QPoint(width - 39, 40));
  EXPECT_EQ(in.Grid()->cursor().shape(), Qt::SplitHCursor);
  QTest::mouseMove(in.Grid(), QPoint(10, 40));
  EXPECT_EQ(in.Grid()->cursor().shape(), Qt::ArrowCursor);

  // Down on the last row does nothing; Page Up goes to the first.
  in.ClickRow(4);
  in.Key(Qt::Key_Down);
  EXPECT_EQ(in.Editor().CurrentRow(), 4);
  in.Key(Qt::Key_PageUp);
  EXPECT_EQ(in.Editor().CurrentRow(), 0);
  in.Key(Qt::Key_Up);
  EXPECT_EQ(in.Editor().CurrentRow(), 0);
  in.Key(Qt::Key_PageDown);
  EXPECT_EQ(in.Editor().CurrentRow(), 4);
  EXPECT_FALSE(in.View->verticalScrollBar()->isVisible());

  // Fewer rows than there are: the bar shows and the rows follow it.
  in.View->resize(260, 3 * RowHeight + 5);
  EXPECT_EQ(in.Editor().RowsPerPage(), 3);
  EXPECT_TRUE(in.View->verticalScrollBar()->isVisible());
  EXPECT_EQ(in.View->verticalScrollBar()->maximum(), 2);
  in.Key(Qt::Key_PageUp);  // row 1
  EXPECT_EQ(in.Editor().TopRow(), 0);
  in.Key(Qt::Key_PageDown);  // row 4: the top follows
  EXPECT_EQ(in.Editor().CurrentRow(), 4);
  EXPECT_EQ(in.Editor().TopRow(), 2);
  EXPECT_EQ(in.View->verticalScrollBar()->value(), 2);
  in.View->verticalScrollBar()->setValue(1);
  EXPECT_EQ(in.Editor().TopRow(), 1);
  EXPECT_EQ(in.Edit()->y(), (4 - 1) * RowHeight + 4);

  // No rows: the edit and button go.
  in.Editor().SetRoot(nullptr);
  EXPECT_FALSE(in.Edit()->isVisible());
  EXPECT_FALSE(in.View->Button()->isVisible());
}

TEST(PropertyEditorView, RegisteredEditorsTakeTheRowOver) {
  TInspector in;
  TDated dated(nullptr);
  SetRows(dated.PropertyTable(), {"Text|名称", "When|时间"});
  std::string ran;
  in.Editors.Register("TDated", "when", {}, [&](TObject* instance, const std::string& path) {
    ran = path;
    static_cast<TDated*>(instance)->SetWhen(1.5);
    return true;
  }, pdEditor);
  in.Editor().SetRoot(&dated);
  in.ClickRow(1);
  EXPECT_TRUE(in.Edit()->isReadOnly());
  EXPECT_EQ(in.View->Button()->Glyph(), TButtonGlyph::Dot);
  QTest::mouseClick(in.View->Button(), Qt::LeftButton);
  EXPECT_EQ(ran, "When");
  EXPECT_EQ(in.EditText(), "1899-12-31 12:00:00");
  EXPECT_EQ(in.Changed, std::vector<TObject*>{&dated});
}

TEST(PropertyEditorView, MultiSelectionWritesEveryMemberAndForgetsFreedOnes) {
  TInspector in;
  model::TLeaf page(nullptr);
  auto* a = new TPlain(&page);
  auto* b = new TPlain(&page);
  for (TPlain* p : {a, b}) SetRows(p->PropertyTable(), {"Color|颜色", "Text|名称", "Name|名字"});
  TComponentCollection both;
  both.Add(a);
  both.Add(b);
  in.Editor().SetRoot(&both);
  EXPECT_EQ(in.Editor().RowCount(), 2);  // never Name
  in.Type("0xFF0000");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(a->Color(), 0xFF0000u);
  EXPECT_EQ(b->Color(), 0xFF0000u);
  EXPECT_EQ(in.Changed, std::vector<TObject*>{&both});

  delete a;
  EXPECT_EQ(in.Editor().RowCount(), 2);
  EXPECT_EQ(in.Editor().List().Items(0)->Instance, b);
  in.Editor().SetRoot(b);
  delete b;
  EXPECT_EQ(in.Editor().Root(), nullptr);
  EXPECT_FALSE(in.Edit()->isVisible());
  in.Key(Qt::Key_Return);  // nothing to write to
}

// Counts the pixels of one colour in a rectangle of an image.
int CountColour(const QImage& image, const QRect& area, QColor colour) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == colour;
  return n;
}

TEST(PropertyEditorView, AFontColourChangedInTheInspectorRepaintsTheText) {
  TInspector in;
  model::TLeaf page(nullptr);
  page.SetBounds(0, 0, 200, 60);
  TDesign design(nullptr);
  TDesignView view(design);
  design.SetContainer(&page);
  design.SetActivate(true);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  auto* text = new model::TText(&page);
  text->SetParent(&page);
  text->SetBounds(10, 10, 160, 20);
  const QRect area(10, 10, 160, 20);
  EXPECT_GT(CountColour(view.grab().toImage(), area, QColor(255, 0, 0)), 20);  // "单行文本" in red

  in.Editor().SetRoot(text);
  const int row = in.RowOf("颜色");
  ASSERT_EQ(row, 6);
  in.ClickRow(row);
  in.Type("0x00FF00");
  in.Key(Qt::Key_Return);
  EXPECT_EQ(text->CanvasFont().Color(), 0x00FF00u);
  EXPECT_EQ(in.Changed, std::vector<TObject*>{text});
  const QImage after = view.grab().toImage();
  EXPECT_EQ(CountColour(after, area, QColor(255, 0, 0)), 0);
  EXPECT_GT(CountColour(after, area, QColor(0, 255, 0)), 20);
}

}  // namespace
}  // namespace editor::ui
