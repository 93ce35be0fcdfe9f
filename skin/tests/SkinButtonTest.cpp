// Buttons and check boxes, offscreen, with a fake clock for the repeat.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

#include "SkinTestUtil.h"
#include "platform/base/Clock.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "skin/SkinButton.h"

using namespace skin;
using namespace platform;
using skintest::Click;
using skintest::Key;
using skintest::Send;

namespace {

// A parent of one plain colour.
class TGround : public QWidget {
 public:
  explicit TGround(QColor c) : colour_(c) { resize(400, 200); }

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour_); }

 private:
  QColor colour_;
};

TBitmap Frame(TskUIStyle style, int index) {
  TBitmap f;
  GetBuiltInImage(style, tiButtonImage, &f, index, 3);
  return f;
}

}  // namespace

TEST(GuiSkinButton, AStretchedMacButtonKeepsItsCornersSharp) {
  skintest::App();
  TGround ground(QColor(0, 128, 0));  // $008000
  TskButton button(&ground);
  button.SetUIStyle(MacOS);
  button.setGeometry(10, 10, 200, 40);
  ground.show();
  ASSERT_TRUE(button.Transparent());
  const TBitmap b = button.PaintBitmap();
  const TBitmap f = Frame(MacOS, 1);
  ASSERT_EQ(f.Width(), 84);
  ASSERT_EQ(f.Height(), 23);
  const TColor key = f.GetPixel(0, 0), parent = 0x008000;
  auto expect = [&](int x, int y, int fx, int fy) {
    const TColor want = f.GetPixel(fx, fy) == key ? parent : f.GetPixel(fx, fy);
    EXPECT_EQ(b.GetPixel(x, y), want) << x << "," << y;
  };
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 42; ++x) {
      expect(x, y, x, y);                       // top-left quarter, unscaled
      expect(199 - x, 39 - y, 83 - x, 22 - y);  // bottom-right quarter
      expect(199 - x, y, 83 - x, y);
      expect(x, 39 - y, x, 22 - y);
    }
  for (int x = 42; x < 158; ++x) expect(x, 0, 42, 0);  // top edge from the cut column
  for (int y = 11; y < 29; ++y) expect(0, y, 0, 11);   // left edge from the cut row
  expect(100, 20, 42, 11);                             // the middle
}

TEST(GuiSkinButton, StatesPickTheirFrames) {
  skintest::App();
  TGround ground(QColor(0, 128, 0));
  TskButton button(&ground);
  button.SetUIStyle(WinXP);
  button.setGeometry(0, 0, 60, 21);
  ground.show();
  auto centre = [&] { return button.PaintBitmap().GetPixel(30, 10); };
  EXPECT_EQ(centre(), Frame(WinXP, 1).GetPixel(9, 10));
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(&button, &enter);
  EXPECT_EQ(centre(), Frame(WinXP, 2).GetPixel(9, 10));
  Send(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(centre(), Frame(WinXP, 3).GetPixel(9, 10));
  Send(&button, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
  button.setEnabled(false);
  EXPECT_EQ(centre(), Frame(WinXP, 1).GetPixel(9, 10));
}

TEST(GuiSkinButton, AutoSize) {
  skintest::App();
  TskButton mac;
  mac.SetUIStyle(MacOS);
  mac.SetAutoSize(true);
  EXPECT_EQ(mac.size(), QSize(84, 23));
  TskButton themed;
  themed.SetUIStyle(FromThemeFile);  // no built-in picture
  themed.SetAutoSize(true);
  EXPECT_EQ(themed.size(), QSize(74, 21));
}

TEST(GuiSkinButton, GlyphLayouts) {
  skintest::App();
  TGround ground(QColor(0, 128, 0));
  TskButton button(&ground);
  button.SetUIStyle(DeepBlue);
  button.setGeometry(0, 0, 101, 41);
  button.SetCaption("Go");
  button.SetSpacing(3);
  TBitmap glyph(7, 5, pf24bit);  // red, with its key colour at (0, 0)
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) glyph.SetPixel(x, y, x == 0 && y == 0 ? 0x00FF00 : 0x0000FF);
  button.SetGlyph(glyph);
  const TSize text = TextExtent(button.Font(), "Go");
  const int tw = text.cx, th = text.cy, gw = 7, gh = 5, s = 3, W = 101, H = 41;
  struct TCase {
    TButtonLayout Layout;
    int Gx, Gy;
  };
  const TCase cases[] = {
      {blGlyphLeft, (W - (tw + gw + s)) / 2, (H - gh) / 2},
      {blGlyphRight, (W + tw + s - gw) / 2, (H - gh) / 2},
      {blGlyphTop, (W - gw) / 2, (H - (th + gh + s)) / 2},
      {blGlyphBottom, (W - gw) / 2, (H + th + s - gh) / 2},
  };
  for (const TCase& c : cases) {
    button.SetLayout(c.Layout);
    const TBitmap b = button.PaintBitmap();
    QRect red;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x)
        if (b.GetPixel(x, y) == 0x0000FF) red |= QRect(x, y, 1, 1);
    EXPECT_EQ(red.topLeft(), QPoint(c.Gx, c.Gy)) << int(c.Layout);
    EXPECT_EQ(red.size(), QSize(7, 5)) << int(c.Layout);
  }
}

TEST(GuiSkinButton, GlyphFramesAndGreying) {
  skintest::App();
  TGround ground(QColor(0, 128, 0));
  TskButton button(&ground);
  button.SetUIStyle(DeepBlue);
  button.setGeometry(0, 0, 80, 30);
  TBitmap two(32, 16, pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) two.SetPixel(x, y, x < 16 ? 0x0000FF : 0xFF0000);
  two.SetPixel(0, 0, 0x00FF00);
  two.SetPixel(16, 0, 0x00FF00);
  button.SetGlyph(two);
  auto count = [&](TColor c) { return skintest::CountColour(button.PaintBitmap(), c); };
  EXPECT_EQ(count(0x0000FF), 255);  // the enabled frame, 16 x 16 less its key pixel
  EXPECT_EQ(count(0xFF0000), 0);
  button.setEnabled(false);
  EXPECT_EQ(count(0xFF0000), 255);  // the disabled frame, as drawn
  TBitmap one(16, 16, pf24bit);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) one.SetPixel(x, y, 0x0000FF);
  one.SetPixel(0, 0, 0x00FF00);
  button.SetGlyph(one);
  EXPECT_EQ(count(0x0000FF), 0);
  EXPECT_GT(count(0x808080), 200);  // greyed
}

TEST(GuiSkinButton, DisabledCaptionHasAWhiteShadow) {
  skintest::App();
  TGround ground(QColor(0, 128, 0));
  TskButton button(&ground);
  button.SetUIStyle(DeepBlue);
  button.setGeometry(0, 0, 80, 30);
  button.SetCaption("Cancel");
  button.setEnabled(false);
  const TBitmap b = button.PaintBitmap();
  int grey = 0;
  for (int y = 0; y + 1 < b.Height(); ++y)
    for (int x = 0; x + 1 < b.Width(); ++x)
      if (b.GetPixel(x, y) == 0x808080) {
        ++grey;
        const TColor below = b.GetPixel(x + 1, y + 1);
        EXPECT_TRUE(below == 0xFFFFFF || below == 0x808080) << x << "," << y;
      }
  EXPECT_GT(grey, 10);
}

TEST(GuiSkinButton, Focus) {
  skintest::App();
  TGround ground(QColor(0, 128, 0));
  TskButton mac(&ground), blue(&ground);
  mac.SetUIStyle(MacOS);
  blue.SetUIStyle(DeepBlue);
  mac.setGeometry(0, 0, 90, 30);
  blue.setGeometry(0, 40, 90, 30);
  mac.SetCaption("OK");
  blue.SetCaption("OK");
  ground.show();
  QApplication::setActiveWindow(&ground);
  auto ink = [](const TBitmap& b, TColor c) { return skintest::CountColour(b, c); };
  blue.setFocus();
  ASSERT_TRUE(blue.hasFocus());
  const TBitmap macPlain = mac.PaintBitmap();
  mac.setFocus();
  ASSERT_TRUE(mac.hasFocus());
  const TBitmap macFocused = mac.PaintBitmap(), bluePlain = blue.PaintBitmap();
  EXPECT_GT(ink(macFocused, 0), ink(macPlain, 0));  // bold
  EXPECT_EQ(macFocused.GetPixel(2, 2), macPlain.GetPixel(2, 2));  // no dots
  blue.setFocus();
  const TBitmap blueFocused = blue.PaintBitmap();
  EXPECT_EQ(blueFocused.GetPixel(2, 2), ~bluePlain.GetPixel(2, 2) & 0xFFFFFF);  // dots 2 pixels in
  EXPECT_EQ(blueFocused.GetPixel(3, 2), bluePlain.GetPixel(3, 2));
  EXPECT_EQ(blueFocused.GetPixel(4, 2), ~bluePlain.GetPixel(4, 2) & 0xFFFFFF);
  EXPECT_EQ(blueFocused.GetPixel(1, 1), bluePlain.GetPixel(1, 1));
}

TEST(GuiSkinButton, RepeatWhileHeld) {
  skintest::App();
  skintest::TTestClock clock;
  TskButton button;
  button.resize(50, 20);
  int calls = 0;
  button.OnMouseContinuouslyDown = [&] { ++calls; };
  auto hold = [&](int ms) { clock.Run(ms); };
  Send(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  hold(350);
  EXPECT_EQ(calls, 3);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button, &leave);
  hold(300);
  EXPECT_EQ(calls, 3);  // leaving stops it
  Send(&button, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
  button.MouseContinuouslyDownInterval = 0;
  Send(&button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  hold(300);
  EXPECT_EQ(calls, 3);  // no pause at all would be no repeat
  Send(&button, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
}

TEST(GuiSkinButton, DialogKeysAndModalResult) {
  skintest::App();
  QDialog dialog;
  TskButton ok(&dialog), cancel(&dialog);
  ok.SetCaption("OK");
  cancel.SetCaption("Cancel");
  ok.setGeometry(10, 10, 75, 25);
  cancel.setGeometry(100, 10, 75, 25);
  ok.SetDefault(true);
  cancel.SetCancel(true);
  int okClicks = 0, cancelClicks = 0;
  ok.OnClick = [&] { ++okClicks; };
  cancel.OnClick = [&] { ++cancelClicks; };
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  dialog.setFocus();
  QTest::keyClick(&dialog, Qt::Key_Return);
  EXPECT_EQ(okClicks, 1);
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(cancelClicks, 1);
  EXPECT_TRUE(dialog.isVisible());  // Escape clicked Cancel, which has no modal result
  ok.ModalResult = 1;
  ok.click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  dialog.show();
  cancel.ModalResult = 7;
  cancel.click();
  EXPECT_EQ(dialog.result(), 7);
}

TEST(GuiSkinButton, ArrowTriangles) {
  skintest::App();
  TGround ground(QColor(255, 255, 255));
  TskArrowButton button(&ground);
  button.setGeometry(0, 0, 16, 11);
  auto shape = [&] {
    const TBitmap b = button.PaintBitmap();
    std::vector<std::string> rows;
    const int x0 = (16 - 6) / 2, y0 = (11 - 3) / 2;
    for (int y = y0 - 1; y <= y0 + 4; ++y) {
      std::string row;
      for (int x = x0 - 1; x <= x0 + 7; ++x) row += b.GetPixel(x, y) == 0 ? '#' : '.';
      rows.push_back(row);
    }
    return rows;
  };
  EXPECT_EQ(shape(), (std::vector<std::string>{".........", "....#....", "...###...", "..#####..", ".#######.", "........."}));
  button.SetArrow(skDown);
  EXPECT_EQ(shape(), (std::vector<std::string>{".........", ".#######.", "..#####..", "...###...", "....#....", "........."}));
}

TEST(GuiSkinCheckBox, FramesSizeAndClicks) {
  skintest::App();
  TGround ground(QColor(255, 255, 255));
  TskCheckBox box(&ground);
  box.SetUIStyle(WinXP);
  box.SetCaption("Power");
  const int w = TextExtent(box.Font(), "W").cy;
  EXPECT_EQ(box.height(), std::max(w + 2, 13) + 4);
  EXPECT_EQ(box.width(), 13 + 8 + TextExtent(box.Font(), "Power").cx);
  auto frameAt = [&](int frame) {
    TBitmap f;
    GetBuiltInImage(WinXP, tiCheckBoxImage, &f, frame, 4);
    const TBitmap b = box.PaintBitmap();
    const int top = (box.height() - f.Height()) / 2;
    for (int y = 0; y < f.Height(); ++y)
      for (int x = 0; x < f.Width(); ++x)
        if (f.GetPixel(x, y) != clSkinKey && b.GetPixel(1 + x, top + y) != f.GetPixel(x, y)) return false;
    return true;
  };
  EXPECT_TRUE(frameAt(2));  // unchecked
  int clicks = 0;
  box.OnClick = [&] { ++clicks; };
  box.SetChecked(false);
  EXPECT_EQ(clicks, 0);  // its own value: nothing
  box.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(frameAt(1));
  box.setEnabled(false);
  EXPECT_TRUE(frameAt(3));
  box.SetChecked(false);
  EXPECT_TRUE(frameAt(4));
  box.setEnabled(true);
  clicks = 0;
  box.click();
  EXPECT_TRUE(box.Checked());
  EXPECT_EQ(clicks, 1);
  box.Loading = true;
  box.SetChecked(false);
  EXPECT_EQ(clicks, 1);
}
