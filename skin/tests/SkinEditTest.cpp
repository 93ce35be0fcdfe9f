// Edits, spin edits, combo boxes and font lists.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <climits>
#include <cstdlib>

#include "SkinTestUtil.h"
#include "platform/base/GbkText.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinComboBox.h"
#include "skin/SkinEdit.h"
#include "skin/SkinFontComboBox.h"

using namespace skin;
using namespace platform;
using skintest::Key;

namespace {

void Focus(QWidget* w, QEvent::Type type, Qt::FocusReason reason) {
  QFocusEvent e(type, reason);
  QApplication::sendEvent(w, &e);
}

class GuiSpinEdit : public ::testing::Test {
 protected:
  void SetUp() override {
    skintest::App();
    TskSpinEdit::Beep() = [this] { ++beeps; };
  }
  void TearDown() override { TskSpinEdit::Beep() = [] { QApplication::beep(); }; }
  int beeps = 0;
};

}  // namespace

TEST_F(GuiSpinEdit, ValuesAndClamping) {
  TskSpinEdit edit;
  EXPECT_EQ(edit.text(), "0");
  edit.SetMinValue(1);
  edit.SetMaxValue(255);
  edit.setText("abc");  // pasted, no number
  EXPECT_EQ(edit.Value(), 1);
  edit.setText("300");
  Focus(&edit, QEvent::FocusOut, Qt::TabFocusReason);
  EXPECT_EQ(edit.text(), "255");
  edit.setText("x1");
  Focus(&edit, QEvent::FocusOut, Qt::TabFocusReason);
  EXPECT_EQ(edit.text(), "x1");  // other texts stay

  TskSpinEdit open;  // MinValue = MaxValue = 0: any integer
  open.SetValue(-123456);
  EXPECT_EQ(open.text(), "-123456");
  open.SetValue(INT_MAX);
  Key(&open, Qt::Key_Up);
  EXPECT_EQ(open.Value(), INT_MAX);  // saturates
  open.SetValue(INT_MIN);
  Key(&open, Qt::Key_Down);
  EXPECT_EQ(open.Value(), INT_MIN);
  EXPECT_EQ(beeps, 0);
}

TEST_F(GuiSpinEdit, KeysAndBeeps) {
  TskSpinEdit edit;
  edit.setText("12");
  edit.setCursorPosition(2);
  Key(&edit, Qt::Key_A, "a");
  EXPECT_EQ(edit.text(), "12");
  EXPECT_EQ(beeps, 1);
  Key(&edit, Qt::Key_3, "3");
  Key(&edit, Qt::Key_Minus, "-");
  EXPECT_EQ(edit.text(), "123-");
  Key(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "123");
  edit.EditorEnabled = false;
  Key(&edit, Qt::Key_Backspace);
  Key(&edit, Qt::Key_4, "4");
  EXPECT_EQ(edit.text(), "123");
  EXPECT_EQ(beeps, 3);
  edit.EditorEnabled = true;
  Key(&edit, Qt::Key_Up);
  EXPECT_EQ(edit.text(), "124");
  edit.setReadOnly(true);
  Key(&edit, Qt::Key_Up);
  EXPECT_EQ(edit.text(), "124");
  EXPECT_EQ(beeps, 4);
  edit.setReadOnly(false);
  edit.Buttons()->UpButton()->click();
  EXPECT_EQ(edit.text(), "125");
  edit.Buttons()->DownButton()->click();
  EXPECT_EQ(edit.text(), "124");
}

TEST_F(GuiSpinEdit, AutoSelectExceptAfterAClick) {
  TskSpinEdit edit;
  edit.setText("42");
  Focus(&edit, QEvent::FocusIn, Qt::TabFocusReason);
  EXPECT_EQ(edit.selectedText(), "42");
  edit.deselect();
  Focus(&edit, QEvent::FocusOut, Qt::TabFocusReason);
  Focus(&edit, QEvent::FocusIn, Qt::MouseFocusReason);
  EXPECT_EQ(edit.selectedText(), "");
}

TEST_F(GuiSpinEdit, Layout) {
  TskSpinEdit edit;
  edit.resize(100, 24);
  edit.show();
  EXPECT_EQ(edit.Buttons()->geometry(), QRect(100 - 15 - 4, 0, 15, 20));
  EXPECT_EQ(edit.Buttons()->UpButton()->geometry(), QRect(0, 0, 15, 10));
  EXPECT_EQ(edit.Buttons()->DownButton()->geometry(), QRect(0, 10, 15, 10));
}

TEST(GuiSkinEdit, TwoFrameLines) {
  skintest::App();
  for (TskUIStyle style : {MacOS, WinXP, DeepBlue}) {
    TskEdit edit;
    edit.SetUIStyle(style);
    edit.resize(80, 22);
    const TBitmap b = skintest::Grab(edit);
    EXPECT_EQ(b.GetPixel(0, 0), GetBuiltInColor(style, tiControlBorderColor)) << int(style);
    EXPECT_EQ(b.GetPixel(79, 21), GetBuiltInColor(style, tiControlBorderColor));
    EXPECT_EQ(b.GetPixel(1, 1), 0xFFFFFFu);
    EXPECT_EQ(b.GetPixel(40, 1), 0xFFFFFFu);
  }
}

TEST(GuiSkinComboBox, FrameButtonAndArrowPerStyle) {
  skintest::App();
  for (TskUIStyle style : {MacOS, WinXP, DeepBlue, Protein}) {
    SCOPED_TRACE(int(style));
    TskComboBox box;
    box.SetUIStyle(style);
    box.resize(120, 22);
    box.addItems({"One", "Two"});
    const TBitmap b = skintest::Grab(box);
    const TColor border = GetBuiltInColor(style, tiControlBorderColor);
    EXPECT_EQ(b.GetPixel(0, 0), border);
    EXPECT_EQ(b.GetPixel(1, 1), 0xFFFFFFu);
    const QRect r = box.ButtonRect();
    EXPECT_EQ(r, QRect(120 - 2 - 17, 2, 17, 18));
    const int ax = r.x() + r.width() / 2 - 3, ay = r.y() + r.height() / 2;
    if (style == MacOS || style == WinXP) {
      const TBitmap* pic = BuiltInPicture(style == MacOS ? "MACOS_COMBOBOX_BUTTON" : "WINXP_COMBOBOX_BUTTON");
      EXPECT_EQ(b.GetPixel(r.x(), r.y()), pic->GetPixel(0, 0));
    } else {
      EXPECT_EQ(b.GetPixel(r.x() + 5, r.y() + 2), GetBuiltInColor(style, tiFormBackgroundColor));
      for (int y = r.y() - 1; y <= r.bottom() + 1; ++y) EXPECT_EQ(b.GetPixel(r.x(), y), border) << y;
    }
    if (style != WinXP) {
      for (int x = ax; x <= ax + 6; ++x) EXPECT_EQ(b.GetPixel(x, ay), 0u) << x;
      EXPECT_EQ(b.GetPixel(ax + 3, ay + 3), 0u);
      EXPECT_NE(b.GetPixel(ax + 2, ay + 3), 0u);
    }
    box.setEnabled(false);
    if (style != WinXP) {
      const TBitmap d = skintest::Grab(box);
      EXPECT_EQ(d.GetPixel(ax, ay), 0x808080u);
      EXPECT_EQ(d.GetPixel(ax + 7, ay + 1), 0xFFFFFFu);  // the white copy one pixel right and down
    }
  }
}

TEST(GuiSkinComboBox, TheDroppedListIsFramed) {
  skintest::App();
  QWidget window;
  TskComboBox box(&window);
  box.SetUIStyle(WinXP);
  box.addItems({"One", "Two", "Three"});
  window.show();
  box.showPopup();
  QWidget* list = box.view()->window();
  ASSERT_TRUE(list->isVisible());
  const TBitmap b = skintest::Grab(*list);
  EXPECT_EQ(b.GetPixel(0, 0), 0x686868u);
  EXPECT_EQ(b.GetPixel(b.Width() - 1, b.Height() - 1), 0x686868u);
  box.hidePopup();
}

TEST(GuiFontLists, SizesOfAFace) {
  skintest::App();
  TskFontSizeComboBox sizes;
  int changes = 0;
  sizes.OnChange = [&] { ++changes; };
  sizes.SetFontName(Utf8ToGbk("宋体"));
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(sizes.count(), 16);
  EXPECT_EQ(sizes.itemText(0), "8");
  EXPECT_EQ(sizes.itemText(15), "72");
  sizes.SetFontSize(12);
  EXPECT_EQ(sizes.FontSize(), 12);
  sizes.SetFontSize(13);
  EXPECT_EQ(sizes.currentIndex(), -1);
  EXPECT_EQ(sizes.FontSize(), 0);
  sizes.SetFontSize(24);
  sizes.SetFontName("SimSun");  // the size stays selected
  EXPECT_EQ(sizes.FontSize(), 24);
  TFontFamilyInfo raster;
  raster.Outline = false;
  raster.BitmapSizes = {12, 13, 16, 16, 20};
  EXPECT_EQ(TskFontSizeComboBox::SizesFor(raster), (std::vector<int>{9, 10, 12, 15}));
}

// Under the tests' font configuration Qt finds the drawing layer's faces for the names the
// windows carry, and only the fonts of the packages scripts/setup installs.
TEST(GuiFontLists, QtSeesTheTestsFontConfiguration) {
  const char* file = std::getenv(kFontsConfVariable);
  if (!file || !*file) GTEST_SKIP() << "not run under the tests' font configuration (run it through ctest)";
  skintest::App();
  for (const char* name : {"宋体", "新宋体", "SimSun", "黑体", "SimHei", "Arial"}) {
    TFontDescription font;
    font.Name = Utf8ToGbk(name);
    EXPECT_EQ(QFontInfo(QFont(QString::fromUtf8(name))).family().toStdString(), MainFace(font).Family) << name;
  }
  QStringList families = QFontDatabase::families();
  families.sort();
  EXPECT_EQ(families.join(", ").toStdString(),
            "AR PL UMing CN, AR PL UMing HK, AR PL UMing TW, AR PL UMing TW MBE, Monospace, Sans Serif, Serif, "
            "WenQuanYi Zen Hei, WenQuanYi Zen Hei Mono, WenQuanYi Zen Hei Sharp");  // Qt adds the generic three
}

TEST(GuiFontLists, NamesAndFilters) {
  skintest::App();
  TskFontComboBox fonts;
  ASSERT_GT(fonts.count(), 6);
  int simsun = fonts.findText("SimSun");
  ASSERT_GE(simsun, 0);
  EXPECT_EQ(fonts.ItemFontType(simsun), TRUETYPE_FONTTYPE | kNotSymbolFlag);
  int changes = 0;
  fonts.OnChange = [&] { ++changes; };
  fonts.SetFontName("simsun");
  EXPECT_EQ(fonts.currentText(), "SimSun");
  EXPECT_EQ(changes, 1);
  fonts.SetFontName("No Such Face");
  EXPECT_EQ(fonts.currentIndex(), -1);  // a drop-down list selects none
  EXPECT_EQ(changes, 2);
  // Sorted ignoring case.
  for (int i = 1; i < fonts.count(); ++i)
    EXPECT_LE(GbkCompareText(Utf8ToGbk(fonts.itemText(i - 1).toStdString()), Utf8ToGbk(fonts.itemText(i).toStdString())), 0);

  fonts.SetOptions(foFixedPitchOnly);
  EXPECT_EQ(fonts.findText("SimSun"), -1);
  const std::vector<TFontFamilyInfo> families = ListFontFamilies();
  for (int i = 0; i < fonts.count(); ++i) {
    const std::string name = Utf8ToGbk(fonts.itemText(i).toStdString());
    bool fixed = false;
    for (const TFontFamilyInfo& f : families) fixed |= f.Name == name && f.FixedPitch;
    EXPECT_TRUE(fixed) << name;
  }
  fonts.SetOptions(foOEMFontsOnly);
  EXPECT_EQ(fonts.count(), 0);  // no OEM character set here
  fonts.SetDevice(fdPrinter);
  fonts.SetOptions(0);
  EXPECT_EQ(fonts.count(), 0);  // no printer
  EXPECT_GE(fonts.ItemHeightFor(), 11);
}
