// The popup notifier on a fake clock pumped by the test.
#include <gtest/gtest.h>

#include <QMouseEvent>

#include "SkinTestUtil.h"
#include "platform/base/Clock.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"

using namespace skin;
using namespace platform;

namespace {

class GuiNotifier : public ::testing::Test {
 protected:
  void SetUp() override {
    skintest::App();
    popup.OnShow = [this] { ++shows; };
    popup.OnClose = [this] { ++closes; };
    popup.OnClick = [this] { ++clicks; };
    popup.OnTitleClick = [this] { ++titleClicks; };
    popup.Title = QString::fromUtf8("提示信息");
    popup.MessageText = "Card 1 timed out";
  }
  void Run(int ms) { time.Run(ms); }
  TfrmPopupForm& Form() { return *popup.Form(); }
  void Click(QPoint at) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
      QMouseEvent e(type, QPointF(at), QPointF(Form().mapToGlobal(at)), Qt::LeftButton,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(&Form(), &e);
    }
  }

  QApplication& app = skintest::App();  // before the notice window
  skintest::TTestClock time;  // before the notifier, which reads it
  TFakeClock& clock = time.Clock;
  TskPopupForm popup;
  int shows = 0, closes = 0, clicks = 0, titleClicks = 0;
};

}  // namespace

TEST_F(GuiNotifier, SlidesInStaysAndSlidesOut) {
  popup.Popup();
  const TRect work = GetWorkArea();
  EXPECT_EQ(Form().FinalGeometry(), QRect(work.Right - 181 - 18, work.Bottom - 116, 181, 116));
  EXPECT_TRUE(Form().isVisible());
  EXPECT_TRUE(Form().windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Form().windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_EQ(shows, 1);
  Run(200);
  EXPECT_EQ(Form().height(), 58);  // half of it in mid-slide, from the bottom edge
  EXPECT_EQ(Form().geometry().bottom(), Form().FinalGeometry().bottom());
  Run(200);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psShown);
  EXPECT_EQ(Form().geometry(), Form().FinalGeometry());
  Run(1990);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psShown);
  Run(110);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psSlidingOut);
  Run(200);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psSlidingOut);
  EXPECT_LT(Form().height(), 116);
  Run(210);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psHidden);
  EXPECT_FALSE(Form().isVisible());
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(closes, 1);
}

TEST_F(GuiNotifier, TheCloseBoxHidesAtOnce) {
  popup.Popup();
  Run(400);
  Click({170, 10});
  EXPECT_EQ(Form().State(), TfrmPopupForm::psHidden);
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(clicks, 0);
}

TEST_F(GuiNotifier, ClicksAndClickHide) {
  popup.Popup();
  Run(400);
  Click({90, 60});
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psShown);
  Click({50, 10});  // the title
  EXPECT_EQ(titleClicks, 1);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psShown);

  popup.ClickHide = true;
  popup.Popup();  // while shown: the new settings, the same window
  Click({90, 60});
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psSlidingOut);
  // A second click and the stay timer during the slide-out change nothing.
  Click({90, 30});
  Run(3000);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psHidden);
  EXPECT_EQ(closes, 1);
}

TEST_F(GuiNotifier, PopupWhileShownReplacesTheTextAndRestartsTheStay) {
  popup.Popup();
  Run(400 + 1500);
  const int height = Form().height();
  popup.MessageText = "Second notice";
  popup.Popup();
  EXPECT_EQ(Form().Text, "Second notice");
  EXPECT_EQ(Form().height(), height);  // no second slide
  Run(1500);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psShown);  // the stay started again
  Run(600);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psSlidingOut);
  // A notice during the slide-out ends that hide first, then slides in anew.
  popup.Popup();
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psSlidingIn);
}

TEST_F(GuiNotifier, FixedPositionAndFocus) {
  QWidget active;
  active.show();
  QApplication::setActiveWindow(&active);
  popup.AutoPosition = false;
  popup.PositionX = 40;
  popup.PositionY = 70;
  popup.Popup();
  Run(400);
  EXPECT_EQ(Form().geometry().topLeft(), QPoint(40, 70));
  EXPECT_EQ(QApplication::activeWindow(), &active);
  EXPECT_TRUE(Form().testAttribute(Qt::WA_ShowWithoutActivating));
}

TEST_F(GuiNotifier, AClockStartedNearTheThirtyTwoBitWrapChangesNothing) {
  clock.Set((int64_t(1) << 32) - 1000);
  popup.Popup();
  Run(400 + 1900);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psShown);
  Run(200);
  EXPECT_EQ(Form().State(), TfrmPopupForm::psSlidingOut);
}

TEST_F(GuiNotifier, TheTimeOutNoticeShowsOneLinePerCarriageReturn) {
  popup.MessageText = QString::fromUtf8(
      "产生该问题的原因有：\r1. 不存在地址为1的控制卡\r2. IP地址,硬件地址输入错误\r3. 通讯线路不稳定\r请按此原因排除错误");
  popup.Popup();
  Run(400);
  const TBitmap b = Form().PaintBitmap();
  const TBitmap* ground = nullptr;
  (void)ground;
  // Rows of the text area that hold ink of the text colour, in runs: one run per line.
  int runs = 0;
  bool inRun = false;
  for (int y = 28; y < 116; ++y) {
    bool ink = false;
    for (int x = 8; x < 179 && !ink; ++x) ink = b.GetPixel(x, y) == 0x800000;
    if (ink && !inRun) ++runs;
    inRun = ink;
  }
  EXPECT_EQ(runs, 5);
}
