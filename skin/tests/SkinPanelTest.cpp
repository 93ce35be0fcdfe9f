// Panels, group box, tabs and page control, tool bar, status bar, tree view and grid.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleOptionToolButton>
#include <QToolButton>

#include "SkinTestUtil.h"
#include "platform/base/Clock.h"
#include "platform/base/GbkText.h"
#include "platform/base/MessageWindow.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinButton.h"
#include "skin/SkinGrid.h"
#include "skin/SkinGroupBox.h"
#include "skin/SkinImagePanel.h"
#include "skin/SkinPageControl.h"
#include "skin/SkinStatusBar.h"
#include "skin/SkinTabControl.h"
#include "skin/SkinToolBar.h"
#include "skin/SkinTreeView.h"

using namespace skin;
using namespace platform;
using skintest::Click;
using skintest::Key;
using skintest::Send;

TEST(GuiSkinPanel, CollapseAndExpandInSteps) {
  skintest::App();
  skintest::TTestClock clock;
  TskPanel panel;
  panel.SetUIStyle(MacOS);  // a 21-pixel title
  ASSERT_EQ(panel.TitleHeight(), 21);
  panel.SetHeight(200);
  int pushes = 0, pops = 0;
  panel.OnPush = [&] { ++pushes; };
  panel.OnPop = [&] { ++pops; };
  Click(&panel, panel.ButtonRect().center());
  std::vector<int> heights;
  for (int i = 0; i < 20; ++i) {
    clock.Run(10);
    if (heights.empty() || heights.back() != panel.height()) heights.push_back(panel.height());
    if (i == 2) Click(&panel, panel.ButtonRect().center());  // ignored while it moves
  }
  std::vector<int> expected;
  for (int h = 185; h >= 35; h -= 15) expected.push_back(h);
  expected.push_back(21);
  EXPECT_EQ(heights, expected);
  EXPECT_EQ(pushes, 1);
  EXPECT_FALSE(panel.Expanded());
  panel.SetHeight(150);  // collapsed: only stored
  EXPECT_EQ(panel.height(), 21);
  panel.SetHeight(200);
  Click(&panel, panel.ButtonRect().center());
  clock.Run(200);
  EXPECT_EQ(panel.height(), 200);
  EXPECT_EQ(pops, 1);
  EXPECT_TRUE(panel.Expanded());
  panel.Align = alClient;
  try {
    panel.Collapse();
    ADD_FAILURE();
  } catch (const ESkinError& e) {
    EXPECT_STREQ(e.what(), "Can't push when Align is alClient, alLeft or alRight.");
  }
}

TEST(GuiSkinPanel, GroupBoxLine) {
  skintest::App();
  QWidget parent;
  TskGroupBox box(&parent);
  box.SetUIStyle(WinXP);
  box.resize(100, 60);
  const int y0 = box.LineTop();
  EXPECT_EQ(y0, TextExtent(box.Font, "W").cy / 2 + 1);
  box.SetCaption("Power");
  TBitmap b = box.PaintBitmap();
  const TColor line = 0x686868;
  const int gap = TextExtent(box.Font, "Power").cx + 6;
  EXPECT_EQ(b.GetPixel(0, y0), line);
  EXPECT_EQ(b.GetPixel(2, y0), line);
  EXPECT_NE(b.GetPixel(gap - 1, y0), line);  // the caption's gap
  EXPECT_EQ(b.GetPixel(gap + 1, y0), line);
  EXPECT_EQ(b.GetPixel(0, 59), line);
  EXPECT_EQ(b.GetPixel(99, 59), line);
  EXPECT_EQ(b.GetPixel(99, y0), line);
  box.SetCaption("");
  b = box.PaintBitmap();
  for (int x = 0; x < 100; ++x) EXPECT_EQ(b.GetPixel(x, y0), line) << x;
  EXPECT_EQ(box.contentsMargins(), QMargins(3, TextExtent(box.Font, "W").cy + 5, 3, 3));
}

TEST(GuiSkinPanel, ImagePanelDrawStyles) {
  skintest::App();
  TskImagePanel panel;
  panel.resize(7, 4);
  TBitmap pic(3, 2, pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) pic.SetPixel(x, y, RGB(uint8_t(10 * x), uint8_t(10 * y), 200));
  panel.SetPicture(pic);
  panel.Color = 0x00FF00;
  TBitmap b = panel.PaintBitmap();
  EXPECT_EQ(b.GetPixel(2, 1), pic.GetPixel(2, 1));
  EXPECT_EQ(b.GetPixel(5, 3), 0u);  // normal: the rest is not painted
  panel.SetDrawStyle(skTile);
  b = panel.PaintBitmap();
  EXPECT_EQ(b.GetPixel(5, 3), pic.GetPixel(2, 1));
  panel.SetDrawStyle(skStretch);
  b = panel.PaintBitmap();
  EXPECT_EQ(b.GetPixel(6, 3), pic.GetPixel(2, 1));
  panel.SetPicture(TBitmap());
  b = panel.PaintBitmap();
  EXPECT_EQ(b.GetPixel(3, 3), 0x00FF00u);
  panel.SetAutoSize(true);
  panel.SetPicture(pic);
  EXPECT_EQ(panel.size(), QSize(3, 2));
}

TEST(GuiSkinTabs, WidthsOverflowAndScrolling) {
  skintest::App();
  TskTab tab;
  tab.SetUIStyle(WinXP);
  tab.resize(300, 100);
  TskTabControlTopPanel* strip = tab.TopPanel();
  strip->SetTabs({"Alpha", "", "B"});
  EXPECT_EQ(strip->TabWidth(0), TextExtent(tab.Font, "Alpha").cx + 20);
  EXPECT_EQ(strip->TabWidth(1), 80);
  EXPECT_GE(strip->TabWidth(2), 15);
  EXPECT_FALSE(strip->Layout().Cut);
  EXPECT_TRUE(strip->Layout().ScrollRight.isEmpty());

  QStringList many;
  for (int i = 0; i < 65; ++i) many << QString("Tab %1").arg(i + 1);
  strip->SetTabs(many);
  strip->SetTabVisible(64, false);
  EXPECT_FALSE(strip->TabVisible(64));
  strip->SetTabIndex(64);
  EXPECT_EQ(strip->TabIndex(), 64);
  const auto l = strip->Layout();
  EXPECT_TRUE(l.Cut);
  ASSERT_FALSE(l.ScrollRight.isEmpty());
  // Scroll buttons: frames 1 and 3, 2 and 4 under the mouse.
  TBitmap frames[5];
  for (int f = 1; f <= 4; ++f) GetBuiltInImage(WinXP, tiScrollButtonImage, &frames[f], f, 4);
  const QPoint right = l.ScrollRight.center(), left = l.ScrollLeft.center();
  auto at = [&](const TBitmap& b, QPoint p, const QRect& r) { return b.GetPixel(p.x(), p.y()) == 0 ? 0 : b.GetPixel(p.x(), p.y()); };
  TBitmap b = strip->PaintBitmap();
  EXPECT_EQ(at(b, right, l.ScrollRight), frames[1].GetPixel(right.x() - l.ScrollRight.x(), right.y() - l.ScrollRight.y()));
  EXPECT_EQ(at(b, left, l.ScrollLeft), frames[3].GetPixel(left.x() - l.ScrollLeft.x(), left.y() - l.ScrollLeft.y()));
  Send(strip, QEvent::MouseMove, right, Qt::NoButton, Qt::NoButton);
  b = strip->PaintBitmap();
  EXPECT_EQ(at(b, right, l.ScrollRight), frames[2].GetPixel(right.x() - l.ScrollRight.x(), right.y() - l.ScrollRight.y()));
  Send(strip, QEvent::MouseMove, left, Qt::NoButton, Qt::NoButton);
  b = strip->PaintBitmap();
  EXPECT_EQ(at(b, left, l.ScrollLeft), frames[4].GetPixel(left.x() - l.ScrollLeft.x(), left.y() - l.ScrollLeft.y()));
  // Scrolling left at the first tab stays there; right moves on by one.
  strip->ClickAt(left);
  EXPECT_EQ(strip->FirstShown(), 0);
  strip->ClickAt(right);
  EXPECT_EQ(strip->FirstShown(), 1);
  strip->ClickAt(strip->Layout().ScrollLeft.center());
  EXPECT_EQ(strip->FirstShown(), 0);

  strip->SetTabs({});
  EXPECT_EQ(strip->TabIndex(), -1);
}

TEST(GuiSkinTabs, ChangingMayRefuse) {
  skintest::App();
  TskTab tab;
  tab.resize(300, 100);
  tab.TopPanel()->SetTabs({"One", "Two"});
  bool allow = false;
  std::vector<int> active;
  int changes = 0;
  tab.OnChanging = [&](bool& a) { a = allow; };
  tab.OnTabActive = [&](int i) { active.push_back(i); };
  tab.OnChange = [&] { ++changes; };
  const QPoint second = tab.TopPanel()->Layout().Tabs[1].center();
  tab.TopPanel()->ClickAt(second);
  EXPECT_EQ(tab.TopPanel()->TabIndex(), 0);
  allow = true;
  tab.TopPanel()->ClickAt(second);
  EXPECT_EQ(tab.TopPanel()->TabIndex(), 1);
  EXPECT_EQ(active, std::vector<int>{1});
  EXPECT_EQ(changes, 1);
}

TEST(GuiSkinTabs, APageControlShowsOneSheetAndFocusesItsFirstChild) {
  skintest::App();
  QWidget window;
  TskPageControl pages(&window);
  pages.resize(300, 200);
  TskTabSheet* a = pages.AddSheet("Card");
  TskTabSheet* b = pages.AddSheet("Network");
  auto* edit = new QLineEdit(b);
  window.show();
  QApplication::setActiveWindow(&window);
  EXPECT_EQ(pages.ActivePage(), a);
  EXPECT_TRUE(a->isVisible());
  EXPECT_FALSE(b->isVisible());
  EXPECT_EQ(pages.TopPanel()->Tabs(), (QStringList{"Card", "Network"}));
  pages.TopPanel()->ClickAt(pages.TopPanel()->Layout().Tabs[1].center());
  EXPECT_EQ(pages.ActivePage(), b);
  EXPECT_FALSE(a->isVisible());
  EXPECT_TRUE(b->isVisible());
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(b->geometry(), pages.contentsRect());
  a->SetTabVisible(false);
  EXPECT_EQ(pages.TopPanel()->Tabs(), QStringList{"Network"});
  EXPECT_EQ(pages.TopPanel()->TabIndex(), 0);
}

TEST(GuiSkinToolBar, HotAndPressedColoursPerStyle) {
  skintest::App();
  for (TskUIStyle style : {MacOS, WinXP, DeepBlue}) {
    SCOPED_TRACE(int(style));
    QWidget window;
    TskToolBar bar(&window);
    bar.SetUIStyle(style);
    EXPECT_EQ(bar.Transparent, style == MacOS);
    QStyleOptionToolButton o;
    o.rect = QRect(0, 0, 30, 24);
    o.state = QStyle::State_Enabled | QStyle::State_MouseOver;
    o.toolButtonStyle = Qt::ToolButtonIconOnly;
    QImage image(30, 24, QImage::Format_RGB32);
    QPainter p(&image);
    bar.ButtonStyle()->drawComplexControl(QStyle::CC_ToolButton, &o, &p, nullptr);
    TBitmap b = FromQImage(image);
    EXPECT_EQ(b.GetPixel(0, 0), GetBuiltInColor(style, tiToolBarButtonBorderColor));
    EXPECT_EQ(b.GetPixel(10, 10), GetBuiltInColor(style, tiToolBarButtonBackgroundColor));
    o.state |= QStyle::State_Sunken;
    bar.ButtonStyle()->drawComplexControl(QStyle::CC_ToolButton, &o, &p, nullptr);
    b = FromQImage(image);
    EXPECT_EQ(b.GetPixel(10, 10), GetBuiltInColor(style, tiToolBarButtonDownBackgroundColor));
    p.end();
  }
}

TEST(GuiSkinStatusBar, PanelsAndGrip) {
  skintest::App();
  QWidget window;
  window.resize(300, 200);
  TskStatusBar bar(&window);
  bar.SetUIStyle(WinXP);
  bar.setGeometry(0, 180, 300, 20);
  bar.Panels().push_back({100, "Ready", nullptr});
  bool drawn = false;
  bar.Panels().push_back({100, "", [&](TCanvas& c, const TRect& r) {
                            drawn = true;
                            c.Brush.Color = 0x0000FF;
                            c.FillRect(r);
                          }});
  window.show();
  TBitmap b = bar.PaintBitmap();
  EXPECT_TRUE(drawn);
  EXPECT_EQ(b.GetPixel(0, 2), 0x808080u);  // the lowered edge
  EXPECT_EQ(b.GetPixel(97, 19), 0xFFFFFFu);
  EXPECT_EQ(b.GetPixel(150, 10), 0x0000FFu);
  EXPECT_EQ(bar.Color, 0xDEEBEFu);
  ASSERT_TRUE(bar.GripActive());
  EXPECT_EQ(b.GetPixel(299, 17), 0x808080u);  // the first diagonal, 4 pixels in
  EXPECT_EQ(b.GetPixel(297, 19), 0x808080u);
  EXPECT_EQ(b.GetPixel(299, 13), 0x808080u);  // the second, 4 further
  EXPECT_EQ(b.GetPixel(298, 17), 0xDEEBEFu);

  // A part of the bar: that part of the whole, drawing only the panels that reach into it.
  drawn = false;
  const QRect first(10, 4, 60, 12);
  const TBitmap part = bar.PaintBitmap(first);
  EXPECT_FALSE(drawn);
  ASSERT_EQ(part.Width(), first.width());
  ASSERT_EQ(part.Height(), first.height());
  int differing = 0;
  for (int y = 0; y < part.Height(); ++y)
    for (int x = 0; x < part.Width(); ++x) differing += part.GetPixel(x, y) != b.GetPixel(first.x() + x, first.y() + y);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(bar.PaintBitmap(QRect(140, 5, 20, 10)).GetPixel(5, 5), 0x0000FFu);
  EXPECT_TRUE(drawn);

  window.overrideWindowState(Qt::WindowMaximized);
  EXPECT_FALSE(bar.GripActive());
  b = bar.PaintBitmap();
  EXPECT_NE(b.GetPixel(299, 17), 0x808080u);
}

TEST(GuiSkinTreeView, FramesAndMirroredScrollBars) {
  skintest::App();
  TskTreeView tree;
  tree.SetUIStyle(WinXP);
  QStandardItemModel model;
  for (int i = 0; i < 100; ++i) model.appendRow(new QStandardItem(QString("Item %1").arg(i)));
  tree.setModel(&model);
  tree.resize(150, 120);
  auto* bar = new TskScrollBar;
  tree.SetVScrollBar(bar);
  tree.show();
  const TBitmap b = skintest::Grab(tree);
  EXPECT_EQ(b.GetPixel(0, 0), 0x686868u);
  EXPECT_EQ(b.GetPixel(149, 119), 0x686868u);
  EXPECT_EQ(b.GetPixel(1, 1), 0xFFFFFFu);
  tree.MirrorScrollBars();
  ASSERT_TRUE(bar->isVisible());
  EXPECT_EQ(bar->Max(), tree.verticalScrollBar()->maximum());
  EXPECT_EQ(bar->SmallChange, 5);
  bar->SetPosition(10);
  EXPECT_EQ(tree.verticalScrollBar()->value(), 10);
  tree.verticalScrollBar()->setValue(20);
  EXPECT_EQ(bar->Position(), 20);
}

TEST(GuiSkinGrid, CellColours) {
  skintest::App();
  TskStringGrid grid(3, 3);
  grid.SetUIStyle(WinXP);
  TBitmap b(40, 20, pf24bit);
  TCanvas c(b);
  grid.DrawCell(c, {0, 0, 40, 20}, "", true, true);
  EXPECT_EQ(b.GetPixel(5, 5), 0x00FF00u);
  grid.DrawCell(c, {0, 0, 40, 20}, "", true, false);
  EXPECT_EQ(b.GetPixel(5, 5), 0x00FFFFu);
  grid.DrawCell(c, {0, 0, 40, 20}, "", false, false);
  EXPECT_EQ(b.GetPixel(5, 5), 0xDEEBEFu);
  grid.DrawFixedCell(c, {0, 0, 40, 20}, "A");
  EXPECT_EQ(grid.FixedFontColor, 0u);  // WinXP's selected font colour
  EXPECT_EQ(grid.FixedBGColor, 0xEFD3C6u);
  QRect ink;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 39; ++x)
      if (b.GetPixel(x, y) == 0) ink |= QRect(x, y, 1, 1);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 2);
  EXPECT_GE(ink.top(), 2);
  const std::string a = "A";
  (void)a;
}
