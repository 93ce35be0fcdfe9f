// The frame, its title bar and menu bar, offscreen.
#include <gtest/gtest.h>

#include <QDialog>
#include <QMouseEvent>
#include <QStyleOptionMenuItem>

#include "SkinTestUtil.h"
#include "platform/base/GbkText.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinButton.h"
#include "skin/SkinForm.h"

using namespace skin;
using namespace platform;
using skintest::Click;
using skintest::Key;
using skintest::Send;

namespace {

struct THost {
  QApplication& App = skintest::App();  // before the window
  QWidget Window;
  TskForm* Frame;
  explicit THost(TskUIStyle style, int w = 400, int h = 300) {
    Window.resize(w, h);
    Window.setWindowTitle("Corvane");
    Frame = TskForm::Attach(&Window, style);
    Window.show();
  }
};

TBitmap Picture(TskUIStyle style, int item) {
  TBitmap b;
  GetBuiltInImage(style, item, &b);
  return b;
}

std::string PixelDifferenceOf(const TBitmap& a, const TBitmap& b) { return gfxtest::PixelDifference(a, b); }

}  // namespace

TEST(GuiSkinForm, BandsPerStyle) {
  {
    THost h(MacOS);
    const TBitmap b = h.Frame->PaintBitmap();
    EXPECT_EQ(b.GetPixel(0, 150), 0x7F7F7Fu);
    EXPECT_EQ(b.GetPixel(1, 150), 0xE7E7E7u);
    EXPECT_EQ(b.GetPixel(2, 150), 0xE7E7E7u);
    EXPECT_EQ(b.GetPixel(399, 150), 0x7F7F7Fu);
    EXPECT_EQ(b.GetPixel(397, 150), 0xE7E7E7u);
    EXPECT_EQ(b.GetPixel(200, 299), 0x7F7F7Fu);
    EXPECT_EQ(b.GetPixel(200, 297), 0xE7E7E7u);
  }
  {
    THost h(WinXP);
    const TBitmap b = h.Frame->PaintBitmap();
    for (int x : {0, 1, 2, 397, 398, 399}) EXPECT_EQ(b.GetPixel(x, 150), 0xC82C00u) << x;
    for (int y : {297, 298, 299}) EXPECT_EQ(b.GetPixel(200, y), 0xC82C00u) << y;
  }
}

TEST(GuiSkinForm, TopRowsComeFromTheSectionPicturesAndTheBackgroundFromTheStyle) {
  for (TskUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    SCOPED_TRACE(int(style));
    THost h(style);
    const TBitmap b = h.Frame->PaintBitmap();
    const TBitmap left = Picture(style, tiTitleBarLeftImage), right = Picture(style, tiTitleBarRightImage),
                  client = Picture(style, tiTitleBarClientImage);
    for (int y = 0; y < 3; ++y) {
      EXPECT_EQ(b.GetPixel(8, y), left.GetPixel(8, y));  // past BlueGlass's corner arc
      EXPECT_EQ(b.GetPixel(400 - right.Width() + 0, y), right.GetPixel(0, y));
      if (left.Width() + right.Width() < 390) {
        EXPECT_EQ(b.GetPixel(left.Width() + 2, y), client.GetPixel(0, y));
      }
    }
    const int bw = 3, x = bw + 10, y = 150;
    if (style == MacOS || style == Protein) {
      const TBitmap* tile = BuiltInPicture(style == MacOS ? "MACOS_FORM_BACKGROUND" : "PROTEIN_FORM_BACKGROUND");
      for (int dy = 0; dy < 8; ++dy)
        EXPECT_EQ(b.GetPixel(x, y + dy), tile->GetPixel((x - bw) % 8, (y + dy - 3) % 8));
    } else {
      EXPECT_EQ(b.GetPixel(x, y), GetBuiltInColor(style, tiFormBackgroundColor));
    }
    EXPECT_EQ(h.Frame->TitleBar()->height(), left.Height() - 3);
  }
}

TEST(GuiSkinForm, WindowShapeCutsOnlyTheTopCorners) {
  THost h(WinXP);
  EXPECT_EQ(h.Frame->RoundCorner(), 13);
  const QRegion shape = h.Frame->WindowShape();
  EXPECT_FALSE(shape.contains(QPoint(0, 0)));
  EXPECT_FALSE(shape.contains(QPoint(399, 0)));
  EXPECT_FALSE(shape.contains(QPoint(1, 1)));
  EXPECT_TRUE(shape.contains(QPoint(6, 0)));
  EXPECT_TRUE(shape.contains(QPoint(0, 7)));
  EXPECT_TRUE(shape.contains(QPoint(0, 299)));
  EXPECT_TRUE(shape.contains(QPoint(399, 299)));
  EXPECT_EQ(h.Window.mask(), shape);
  h.Frame->SetRoundCorner(0);
  EXPECT_TRUE(h.Frame->WindowShape().contains(QPoint(0, 0)));
  EXPECT_EQ(h.Frame->WindowShape(), QRegion(0, 0, 400, 300));
}

TEST(GuiSkinForm, WithoutTitleBarTheTopIsALineAndTwoRowsOfColour) {
  THost h(MacOS);
  h.Frame->SetTitleBarVisible(false);
  const TBitmap b = h.Frame->PaintBitmap();
  EXPECT_EQ(b.GetPixel(200, 0), 0x7F7F7Fu);
  EXPECT_EQ(b.GetPixel(200, 1), 0xE7E7E7u);
  EXPECT_EQ(b.GetPixel(200, 2), 0xE7E7E7u);
  EXPECT_FALSE(h.Frame->TitleBar()->isVisible());
}

TEST(GuiSkinForm, ContentMovesIntoTheClientArea) {
  skintest::App();
  QWidget window;
  window.resize(300, 200);
  auto* label = new QWidget(&window);
  label->setGeometry(5, 6, 20, 10);
  TskForm* frame = TskForm::Attach(&window, DeepBlue);
  EXPECT_EQ(label->parentWidget(), frame->Client());
  EXPECT_EQ(label->geometry(), QRect(5, 6, 20, 10));
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_GE(window.minimumWidth(), 130);
  EXPECT_EQ(DefaultControlStyle(label), DeepBlue);
  frame->SetUIStyle(WinXP);
  EXPECT_EQ(DefaultControlStyle(label), WinXP);
  // A second frame on the same window stays a plain panel.
  TskForm second(&window);
  EXPECT_FALSE(second.IsFrame());
  EXPECT_THROW(frame->SetFormPanel(frame), ESkinError);
  try {
    frame->SetFormPanel(frame);
  } catch (const ESkinError& e) {
    EXPECT_STREQ(e.what(), "Sorry, you can't select the Form assign to FormPanel property");
  }
}

TEST(GuiSkinForm, AttachStylesTheControlsTheWindowHolds) {
  skintest::App();
  QWidget window;
  QWidget group(&window);
  TskButton button(&group);
  EXPECT_EQ(button.UIStyle(), DeepBlue);
  TskForm::Attach(&window, MacOS);
  EXPECT_EQ(button.UIStyle(), MacOS);
  EXPECT_TRUE(button.Transparent());  // its style hook ran
}

TEST(GuiSkinForm, CaptionFollowsTheWindowTitle) {
  THost h(MacOS);
  EXPECT_EQ(h.Frame->Caption(), "Corvane");
  h.Window.setWindowTitle(QString::fromUtf8("显示屏"));
  EXPECT_EQ(h.Frame->Caption(), QString::fromUtf8("显示屏"));
  h.Frame->SetCaption("Other");
  EXPECT_EQ(h.Window.windowTitle(), "Other");
}

// --- Title bar ---

TEST(GuiSkinTitleBar, HeightsAndButtonsPerStyle) {
  struct TCase {
    TskUIStyle Style;
    int Height;     // title picture - 3
    int ButtonW;    // frame width of the 18-frame strip
    int Top;        // button top - 3
    int RightEdge;  // x where the first button ends: W + 1 + right offset - 1
  };
  const TCase cases[] = {{MacOS, 20, 17, 1, -2}, {WinXP, 26, 21, 2, -2}, {DeepBlue, 29, 19, -1, 0},
                         {Protein, 20, 19, -1, 0}, {BlueGlass, 30, 19, 3, -3}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(int(c.Style));
    THost h(c.Style);
    TskTitleBar* bar = h.Frame->TitleBar();
    EXPECT_EQ(bar->height(), c.Height);
    const int W = bar->width();
    const auto l = bar->Layout();
    // Collection order: control box, close, maximise, minimise.
    const int close = W + 1 + c.RightEdge - c.ButtonW - 1;
    EXPECT_EQ(l.Buttons[1], QRect(close, c.Top, c.ButtonW, c.ButtonW == 21 ? 21 : c.ButtonW == 17 ? 17 : 19));
    EXPECT_EQ(l.Buttons[2].x(), close - c.ButtonW - 1);
    EXPECT_EQ(l.Buttons[3].x(), close - 2 * (c.ButtonW + 1));
    EXPECT_EQ(l.TextEnd, l.Buttons[3].x());
  }
  THost mac(MacOS);
  const int W = mac.Frame->TitleBar()->width();
  const auto l = mac.Frame->TitleBar()->Layout();
  EXPECT_EQ(l.Buttons[1], QRect(QPoint(W - 19, 1), QPoint(W - 3, 17)));  // (W-19, 1, W-2, 18)
  EXPECT_EQ(l.Buttons[2].x(), W - 37);
  EXPECT_EQ(l.Buttons[3].x(), W - 55);
  EXPECT_EQ(l.Buttons[0], QRect(3, 1, 17, 17));  // the control box at the left offset
  EXPECT_EQ(l.TextStart, 3 + 17 + 5);
}

TEST(GuiSkinTitleBar, ButtonsShowTheirFrames) {
  THost h(MacOS);
  TskTitleBar* bar = h.Frame->TitleBar();
  const auto l = bar->Layout();
  const QRect close = l.Buttons[1];
  const QPoint centre = close.center();
  auto frameAt = [&](int frame) {
    TBitmap f;
    GetBuiltInImage(MacOS, tiTitleBarButtonImage, &f, frame, 18);
    return f.GetPixel(centre.x() - close.x(), centre.y() - close.y());
  };
  EXPECT_EQ(bar->PaintBitmap().GetPixel(centre.x(), centre.y()), frameAt(16));
  Send(bar, QEvent::MouseMove, centre, Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(bar->HotButton(), 1);
  EXPECT_EQ(bar->PaintBitmap().GetPixel(centre.x(), centre.y()), frameAt(17));
  Send(bar, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(bar->PaintBitmap().GetPixel(centre.x(), centre.y()), frameAt(18));
}

TEST(GuiSkinTitleBar, CaptionColourAndCutting) {
  THost mac(MacOS), xp(WinXP);
  EXPECT_EQ(mac.Frame->TitleBar()->Font.Color, 0u);
  EXPECT_EQ(xp.Frame->TitleBar()->Font.Color, 0xFFFFFFu);
  auto inked = [](TskTitleBar* bar, TColor colour) {
    const TBitmap b = bar->PaintBitmap();
    const auto l = bar->Layout();
    int n = 0;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = l.TextStart; x < l.TextEnd; ++x) n += b.GetPixel(x, y) == colour;
    return n;
  };
  EXPECT_GT(inked(mac.Frame->TitleBar(), 0x000000), 10);
  EXPECT_GT(inked(xp.Frame->TitleBar(), 0xFFFFFF), 10);
  xp.Frame->TitleBar()->SetFormActive(false);
  EXPECT_GT(inked(xp.Frame->TitleBar(), 0x808080), 10);

  TskTitleBar* bar = mac.Frame->TitleBar();
  const auto l = bar->Layout();
  const int room = l.TextEnd - l.TextStart;
  const std::string longCaption(200, 'W');
  const std::string fitted = bar->FitCaption(longCaption, room);
  ASSERT_GE(fitted.size(), 3u);
  EXPECT_EQ(fitted.substr(fitted.size() - 3), "...");
  EXPECT_LE(TextExtent(bar->Font, fitted).cx, room);
  EXPECT_GT(TextExtent(bar->Font, longCaption.substr(0, fitted.size() - 2) + "...").cx, room);
  // Chinese: whole two-byte characters are dropped.
  const std::string chinese = Utf8ToGbk("控制卡显示屏节目编辑发送控制卡显示屏节目编辑发送控制卡显示屏");
  const std::string cut = bar->FitCaption(chinese, 120);
  ASSERT_EQ(cut.substr(cut.size() - 3), "...");
  EXPECT_EQ((cut.size() - 3) % 2, 0u);
  EXPECT_EQ(chinese.compare(0, cut.size() - 3, cut, 0, cut.size() - 3), 0);
  // Not even "..." fits: nothing, and no endless loop.
  EXPECT_EQ(bar->FitCaption(longCaption, 5), "");
  EXPECT_EQ(bar->FitCaption("", 0), "");
}

// A caption is cut with "..." CaptionGap pixels before the first button on its right, in every
// style; at WidthForCaption it shows whole, a pixel less cuts it.
TEST(GuiSkinTitleBar, ACaptionEndsClearOfTheButtonsAndFitsAtItsWidth) {
  const QString caption = QString::fromUtf8("自动发送时间间隔设置请输入系统密码");
  for (TskUIStyle style : {MacOS, WinXP, DeepBlue, Protein, BlueGlass}) {
    SCOPED_TRACE(int(style));
    THost h(style, 200, 120);
    h.Window.setWindowTitle(caption);
    TskTitleBar* bar = h.Frame->TitleBar();
    const TBitmap b = bar->PaintBitmap();
    const auto l = bar->Layout();
    int ink = -1;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = l.TextStart; x < l.TextEnd; ++x)
        if ((b.GetPixel(x, y) & 0xFFFFFF) == bar->Font.Color) ink = std::max(ink, x);
    EXPECT_GT(ink, l.TextStart);
    EXPECT_LT(ink, l.TextEnd - TskTitleBar::CaptionGap);
    const std::string gbk = Utf8ToGbk(caption.toStdString());
    EXPECT_NE(bar->FitCaption(gbk, bar->CaptionSpace()), gbk);

    const int whole = h.Frame->WidthForCaption(caption);
    h.Window.resize(whole, 120);
    EXPECT_EQ(bar->FitCaption(gbk, bar->CaptionSpace()), gbk);
    h.Window.resize(whole - 1, 120);
    EXPECT_NE(bar->FitCaption(gbk, bar->CaptionSpace()), gbk);
  }
}

TEST(GuiSkinTitleBar, DraggingTheBarMovesTheWindow) {
  THost h(MacOS);
  TskTitleBar* bar = h.Frame->TitleBar();
  h.Window.move(100, 100);
  const QPoint start = h.Window.pos();
  const QPoint empty(bar->Layout().TextStart + 40, 5);
  Send(bar, QEvent::MouseButtonPress, empty, Qt::LeftButton, Qt::LeftButton);
  Send(bar, QEvent::MouseMove, empty + QPoint(30, 20), Qt::NoButton, Qt::LeftButton);
  Send(bar, QEvent::MouseButtonRelease, empty + QPoint(30, 20), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(h.Window.pos(), start + QPoint(30, 20));
}

TEST(GuiSkinTitleBar, ButtonsAct) {
  THost h(MacOS);
  TskTitleBar* bar = h.Frame->TitleBar();
  const QRect before = h.Window.geometry();
  const QPoint max = bar->Layout().Buttons[2].center();
  Send(bar, QEvent::MouseButtonPress, max, Qt::LeftButton, Qt::LeftButton);
  Send(bar, QEvent::MouseButtonRelease, max, Qt::LeftButton, Qt::NoButton);
  const TRect work = GetWorkArea(&h.Window);
  EXPECT_TRUE(h.Window.isMaximized());
  EXPECT_EQ(h.Window.geometry(), QRect(work.Left, work.Top, work.Width(), work.Height() - 1));
  TBitmap restoreFrame;
  GetBuiltInImage(MacOS, tiTitleBarButtonImage, &restoreFrame, 10, 18);
  EXPECT_EQ(PixelDifferenceOf(bar->Buttons()[2].PicNormal, restoreFrame), "");
  // Double click on an empty part toggles back.
  Send(bar, QEvent::MouseButtonDblClick, QPoint(bar->Layout().TextStart + 50, 5), Qt::LeftButton, Qt::LeftButton);
  EXPECT_FALSE(h.Window.isMaximized());
  EXPECT_EQ(h.Window.geometry(), before);
  // Minimise: the main window.
  bar->ButtonAction(3);
  EXPECT_TRUE(TskForm::MainFrame()->Host()->isMinimized());
}

TEST(GuiSkinTitleBar, CloseAndControlBox) {
  THost h(MacOS);
  TskTitleBar* bar = h.Frame->TitleBar();
  bar->Buttons()[3].Visible = false;  // no minimise button
  const QPoint box = bar->Layout().Buttons[0].center();
  Send(bar, QEvent::MouseButtonPress, box, Qt::LeftButton, Qt::LeftButton);
  Send(bar, QEvent::MouseButtonRelease, box, Qt::LeftButton, Qt::NoButton);
  QMenu* menu = bar->PopupMenu()->Menu();
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->pos(), bar->mapToGlobal(QPoint(0, bar->height())));
  const QList<QAction*> items = menu->actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0]->text(), QString::fromUtf8("最小化(&N)"));
  EXPECT_EQ(items[1]->text(), QString::fromUtf8("最大化/还原(&X)"));
  EXPECT_TRUE(items[2]->isSeparator());
  EXPECT_EQ(items[3]->text(), QString::fromUtf8("关闭(&C)"));
  EXPECT_FALSE(items[0]->isEnabled());
  EXPECT_TRUE(items[1]->isEnabled());
  EXPECT_TRUE(items[3]->isEnabled());
  menu->hide();
  const QPoint close = bar->Layout().Buttons[1].center();
  Send(bar, QEvent::MouseButtonPress, close, Qt::LeftButton, Qt::LeftButton);
  Send(bar, QEvent::MouseButtonRelease, close, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(h.Window.isVisible());
  h.Window.show();
  Send(bar, QEvent::MouseButtonDblClick, box, Qt::LeftButton, Qt::LeftButton);
  EXPECT_FALSE(h.Window.isVisible());
}

TEST(GuiSkinTitleBar, OnlyOneControlBoxAndOneClientSection) {
  THost h(DeepBlue);
  TskTitleBar* bar = h.Frame->TitleBar();
  try {
    bar->Buttons()[1].SetButtonType(skControlBox);
    ADD_FAILURE();
  } catch (const ESkinError& e) {
    EXPECT_STREQ(e.what(), "Sorry, only one button's ButtonType property can be \"skControlBox\"");
  }
  EXPECT_EQ(bar->Buttons()[1].ButtonType(), skClose);
  try {
    bar->Sections()[0].SetAlign(skClient);
    ADD_FAILURE();
  } catch (const ESkinError& e) {
    EXPECT_STREQ(e.what(), "Sorry, only one section's Align property can be \"skClient\"");
  }
}

TEST(GuiSkinTitleBar, ANarrowBarDrawsNoClientSection) {
  THost h(Protein, 400, 300);  // Protein's left picture is 441 pixels wide
  const TBitmap b = h.Frame->TitleBar()->PaintBitmap();
  EXPECT_EQ(b.Width(), h.Frame->TitleBar()->width());
}
