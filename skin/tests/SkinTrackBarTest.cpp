// Track bars and scroll bars.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <climits>

#include "SkinTestUtil.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"
#include "skin/SkinScrollBar.h"
#include "skin/SkinTrackBar.h"

using namespace skin;
using namespace platform;
using skintest::Click;
using skintest::Key;
using skintest::Send;

namespace {


}  // namespace

TEST(GuiTrackBar, RangeEdgeCases) {
  skintest::App();
  TskTrackBar bar;
  bar.SetUIStyle(DeepBlue);
  bar.resize(150, bar.height());
  const int L = 150, S = bar.SliderLength();
  EXPECT_EQ(S, 11);
  bar.SetMax(0);  // Min = Max
  EXPECT_EQ(bar.SliderOffset(), 0);
  EXPECT_TRUE(bar.TickOffsets().empty());
  bar.SetMax(10);
  bar.Frequency = 3;
  const std::vector<int> expected = {0 * (L - S) / 10 + S / 2, 3 * (L - S) / 10 + S / 2, 6 * (L - S) / 10 + S / 2,
                                     9 * (L - S) / 10 + S / 2, 10 * (L - S) / 10 + S / 2};
  EXPECT_EQ(bar.TickOffsets(), expected);
  const TBitmap b = bar.PaintBitmap();
  for (int o : expected)
    for (int y = b.Height() - 3; y < b.Height(); ++y) EXPECT_EQ(b.GetPixel(o, y), 0u) << o;
  EXPECT_NE(b.GetPixel(expected[0] + 3, b.Height() - 1), 0u);
  for (int f : {0, -1}) {
    bar.Frequency = f;
    EXPECT_EQ(bar.TickOffsets(), (std::vector<int>{S / 2, L - S + S / 2})) << f;
  }

  int changes = 0;
  bar.OnChange = [&] { ++changes; };
  bar.SetPosition(8);
  EXPECT_EQ(changes, 1);
  bar.SetMax(5);
  EXPECT_EQ(bar.Position(), 5);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(bar.LastChange(), -3);
  bar.SetPageSize(12);  // beyond Max: ignored
  EXPECT_EQ(bar.PageSize(), 2);
  bar.SetMin(9);  // above Max: Max
  EXPECT_EQ(bar.Min(), 5);
}

TEST(GuiTrackBar, TheWholeThirtyTwoBitRange) {
  skintest::App();
  TskTrackBar bar;
  bar.resize(151, bar.height());
  bar.SetMin(INT_MIN);
  bar.SetMax(INT_MAX);
  const int room = 151 - bar.SliderLength();
  bar.SetPosition(INT_MIN);
  EXPECT_EQ(bar.SliderOffset(), 0);
  bar.SetPosition(INT_MAX);
  EXPECT_EQ(bar.SliderOffset(), room);
  bar.SetPosition(0);
  EXPECT_EQ(bar.SliderOffset(), room / 2);
  EXPECT_EQ(bar.ValueAt(0), INT_MIN);
  EXPECT_EQ(bar.ValueAt(151), INT_MAX);
  bar.Frequency = 1;
  const std::vector<int> ticks = bar.TickOffsets();  // bounded by the pixels
  EXPECT_LE(ticks.size(), size_t(room + 1));
  EXPECT_EQ(ticks.front(), bar.SliderLength() / 2);
  EXPECT_EQ(ticks.back(), room + bar.SliderLength() / 2);
}

TEST(GuiTrackBar, KeysDraggingAndPaging) {
  skintest::App();
  skintest::TTestClock clock;
  TskTrackBar bar;
  bar.resize(211, bar.height());  // room of 200 pixels
  bar.SetMax(100);
  bar.SetPageSize(2);
  bar.SetLineSize(1);
  struct TCase {
    int Key, Expected;
  };
  bar.SetPosition(50);
  const TCase keys[] = {{Qt::Key_PageUp, 48}, {Qt::Key_PageDown, 50}, {Qt::Key_Left, 49}, {Qt::Key_Up, 48},
                        {Qt::Key_Right, 49},  {Qt::Key_Down, 50},     {Qt::Key_End, 100}, {Qt::Key_Home, 0}};
  for (const TCase& k : keys) {
    Key(&bar, k.Key);
    EXPECT_EQ(bar.Position(), k.Expected) << k.Key;
  }
  // Dragging the slider clamps at the ends.
  QWidget* slider = bar.Slider();
  Send(slider, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  Send(slider, QEvent::MouseMove, {400, 5}, Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(bar.Position(), 100);
  Send(slider, QEvent::MouseMove, slider->mapFrom(&bar, QPoint(-300, 5)), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(bar.Position(), 0);
  Send(slider, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);

  // Held right of the slider: a page at once, then 3 pages per 100 ms, never past the mouse.
  const int at = 5 + 2 * 60;  // the value 60 under the mouse
  EXPECT_EQ(bar.ValueAt(at), 60);
  Send(&bar, QEvent::MouseButtonPress, {at, 5}, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(bar.Position(), 2);
  clock.Run(100);
  EXPECT_EQ(bar.Position(), 8);
  clock.Run(100);
  EXPECT_EQ(bar.Position(), 14);
  clock.Run(2000);
  EXPECT_EQ(bar.Position(), 60);
  Send(&bar, QEvent::MouseButtonRelease, {at, 5}, Qt::LeftButton, Qt::NoButton);
}

TEST(GuiTrackBar, AVerticalBarIsTheHorizontalOneTurnedLeft) {
  skintest::App();
  for (TskUIStyle style : {MacOS, WinXP, DeepBlue}) {
    TskTrackBar h, v;
    h.SetUIStyle(style);
    v.SetUIStyle(style);
    v.SetOrientation(skVertical);
    h.resize(120, h.height());
    v.resize(v.width(), 120);
    h.show();
    v.show();
    TBitmap turned = h.BarBitmap();
    RotateBitmapLeft(turned);
    EXPECT_EQ(gfxtest::PixelDifference(v.BarBitmap(), turned), "") << int(style);
    TBitmap sliderV;
    GetBuiltInImage(style, tiTrackBarSliderVImage, &sliderV);
    EXPECT_EQ(v.Slider()->size(), QSize(sliderV.Width(), sliderV.Height()));
  }
}

TEST(GuiScrollBar, SliderLengthAndLayouts) {
  skintest::App();
  TskScrollBar bar;
  bar.SetUIStyle(DeepBlue);
  bar.resize(200, 16);
  bar.show();
  const int button = bar.FirstButton()->width();
  EXPECT_EQ(button, 16);
  EXPECT_EQ(bar.height(), bar.FirstButton()->height());
  EXPECT_EQ(bar.FirstButton()->pos(), QPoint(0, 0));
  EXPECT_EQ(bar.Track()->geometry(), QRect(16, 0, 200 - 32, 16));
  EXPECT_EQ(bar.SecondButton()->pos(), QPoint(200 - 16, 0));
  const int track = 200 - 32;
  bar.SetPageSize(5);  // below 10 counts as 10
  EXPECT_EQ(bar.Track()->SliderLength(), track * 10 / 100);
  bar.SetPageSize(50);
  EXPECT_EQ(bar.Track()->SliderLength(), track / 2);
  bar.SetLineButton(10);
  EXPECT_EQ(bar.Track()->SliderLength(), 18);
  bar.SetLineButton(track + 1);  // longer than the track: not taken
  EXPECT_EQ(bar.Track()->SliderLength(), track / 2);

  bar.SetLineButton(0);
  bar.SetOrientation(skVertical);
  bar.resize(16, 200);
  EXPECT_EQ(bar.width(), bar.FirstButton()->width());
  EXPECT_EQ(bar.Track()->geometry(), QRect(0, 16, 16, 200 - 32 - 1));
  EXPECT_EQ(bar.SecondButton()->pos(), QPoint(0, 200 - 16));

  bar.resize(0, 200);
  EXPECT_FALSE(bar.isVisible());  // no width: hidden
}

TEST(GuiScrollBar, HeldButtonsStepEvery100ms) {
  skintest::App();
  skintest::TTestClock clock;
  TskScrollBar bar;
  bar.resize(200, 16);
  bar.show();
  bar.SetPosition(50);
  bar.SmallChange = 2;
  QWidget* second = bar.SecondButton();
  Send(second, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  clock.Run(350);
  EXPECT_EQ(bar.Position(), 56);  // three repeats
  Send(second, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(bar.Position(), 58);  // and the click
  QWidget* first = bar.FirstButton();
  Send(first, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton, Qt::LeftButton);
  Send(first, QEvent::MouseButtonRelease, {5, 5}, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(bar.Position(), 56);
}
