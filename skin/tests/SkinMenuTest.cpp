// Menus and the menu bar, drawn by their styles into pictures.
#include <gtest/gtest.h>

#include <QPainter>
#include <QStyleOptionMenuItem>

#include "SkinTestUtil.h"
#include "platform/base/GbkText.h"
#include "skin/BuiltInArt.h"
#include "skin/SkinForm.h"
#include "skin/SkinPopupMenu.h"

using namespace skin;
using namespace platform;

namespace {

QStyleOptionMenuItem Item(const QString& text, QRect rect, QStyleOptionMenuItem::MenuItemType type = QStyleOptionMenuItem::Normal) {
  QStyleOptionMenuItem o;
  o.text = text;
  o.rect = rect;
  o.menuItemType = type;
  o.state = QStyle::State_Enabled;
  o.checkType = QStyleOptionMenuItem::NotCheckable;
  return o;
}

TBitmap Draw(QStyle* style, QStyle::ControlElement element, const QStyleOptionMenuItem& o) {
  QImage image(o.rect.size(), QImage::Format_RGB32);
  image.fill(Qt::black);
  QPainter p(&image);
  p.translate(-o.rect.topLeft());
  style->drawControl(element, &o, &p, nullptr);
  p.end();
  return FromQImage(image);
}

// The bounding box of pixels of one colour.
QRect Ink(const TBitmap& b, TColor colour) {
  QRect r;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (b.GetPixel(x, y) == colour) r |= QRect(x, y, 1, 1);
  return r;
}

}  // namespace

TEST(GuiSkinMenu, Separators) {
  skintest::App();
  TskPopupMenu mac, xp;
  mac.SetUIStyle(MacOS);
  xp.SetUIStyle(WinXP);
  const auto sep = Item("", QRect(0, 0, 100, 5), QStyleOptionMenuItem::Separator);
  EXPECT_EQ(mac.MenuStyle()->sizeFromContents(QStyle::CT_MenuItem, &sep, {}, nullptr).height(), 12);
  EXPECT_EQ(xp.MenuStyle()->sizeFromContents(QStyle::CT_MenuItem, &sep, {}, nullptr).height(), 5);
  const TBitmap b = Draw(xp.MenuStyle(), QStyle::CE_MenuItem, sep);
  for (int x = 0; x < 26; ++x) EXPECT_EQ(b.GetPixel(x, 0), 0xCED3D6u) << x;
  EXPECT_EQ(b.GetPixel(29, 2), 0xFFFFFFu);
  for (int x = 30; x < 98; ++x) EXPECT_EQ(b.GetPixel(x, 2), 0x848284u) << x;
  EXPECT_EQ(b.GetPixel(98, 2), 0xFFFFFFu);  // the end point is left out
  EXPECT_EQ(b.GetPixel(50, 3), 0xFFFFFFu);
}

TEST(GuiSkinMenu, MeasuringAndHeights) {
  skintest::App();
  TskPopupMenu menu;
  menu.SetUIStyle(MacOS);
  menu.SetMenuItemHeight(30);
  EXPECT_EQ(menu.MenuItemHeight(), 20);  // ignored while MacOS
  menu.SetUIStyle(WinXP);
  EXPECT_EQ(menu.MenuItemHeight(), 21);
  menu.SetMenuItemHeight(30);
  EXPECT_EQ(menu.MenuItemHeight(), 30);
  menu.SetUIStyle(WinXP);
  const auto open = Item("Open\tCtrl+O", QRect(0, 0, 10, 10));
  const TFontDescription f = menu.ItemFont();
  const QSize size = menu.MenuStyle()->sizeFromContents(QStyle::CT_MenuItem, &open, {}, nullptr);
  EXPECT_EQ(size.width(), TextExtent(f, "Open").cx + TextExtent(f, "Ctrl+O").cx + 66);
  EXPECT_EQ(size.height(), 21);
}

TEST(GuiSkinMenu, SelectedDisabledAndChecked) {
  skintest::App();
  TskPopupMenu menu;
  menu.SetUIStyle(WinXP);
  auto o = Item("Open", QRect(0, 0, 120, 21));
  o.state |= QStyle::State_Selected;
  TBitmap b = Draw(menu.MenuStyle(), QStyle::CE_MenuItem, o);
  EXPECT_EQ(b.GetPixel(0, 0), 0xC66931u);
  EXPECT_EQ(b.GetPixel(119, 20), 0xC66931u);
  EXPECT_EQ(b.GetPixel(10, 10), 0xEFD3C6u);

  auto off = Item("Open", QRect(0, 0, 120, 21));
  off.state = QStyle::State_None;
  b = Draw(menu.MenuStyle(), QStyle::CE_MenuItem, off);
  const QRect grey = Ink(b, 0x808080);
  EXPECT_FALSE(grey.isEmpty());
  EXPECT_GE(grey.left(), 30);  // left + BarWidth + 4

  // Checked without an image: the check glyph at (4, 3).
  auto checked = Item("Open", QRect(0, 0, 120, 21));
  checked.checkType = QStyleOptionMenuItem::NonExclusive;
  checked.checked = true;
  b = Draw(menu.MenuStyle(), QStyle::CE_MenuItem, checked);
  const TBitmap* glyph = BuiltInPicture("MENU_CHECKED");
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      if (glyph->GetPixel(x, y) != 0xFFFFFF) {
        EXPECT_EQ(b.GetPixel(4 + x, 3 + y), glyph->GetPixel(x, y));
      }
    }

  // Checked with an image: a black frame filled with SelectedColor, the image on top.
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  {
    QPainter p(&pixmap);
    p.fillRect(4, 4, 8, 8, QColor(0, 0, 255));
  }
  checked.icon = QIcon(pixmap);
  b = Draw(menu.MenuStyle(), QStyle::CE_MenuItem, checked);
  EXPECT_EQ(b.GetPixel(2, 1), 0x000000u);
  EXPECT_EQ(b.GetPixel(20, 19), 0x000000u);
  EXPECT_EQ(b.GetPixel(4, 4), 0xEFD3C6u);     // the box shows where the image is clear
  EXPECT_EQ(b.GetPixel(10, 10), 0xFF0000u);   // the image: blue
  EXPECT_EQ(b.GetPixel(21, 10), 0xCED3D6u);   // the bar beside the box
}

TEST(GuiSkinMenu, EveryMenuAndSubmenuTakesTheStyle) {
  skintest::App();
  TskPopupMenu popup;
  popup.SetUIStyle(WinXP);
  QMenu* menu = popup.Menu();
  menu->addAction("First");
  QMenu* sub = menu->addMenu("Sub");
  popup.Popup(10, 10);
  EXPECT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->style(), popup.MenuStyle());
  EXPECT_EQ(sub->style(), popup.MenuStyle());
  QMenu* later = sub->addMenu("Later");
  EXPECT_EQ(later->style(), popup.MenuStyle());
  QAction* added = menu->addAction("Added later");
  // The new item is measured by the skin: its width is the skin's, not the platform's.
  QStyleOptionMenuItem o;
  o.initFrom(menu);
  o.text = added->text();
  o.menuItemType = QStyleOptionMenuItem::Normal;
  EXPECT_EQ(menu->style()->sizeFromContents(QStyle::CT_MenuItem, &o, {}, menu).height(), 21);
  EXPECT_GE(menu->actionGeometry(added).height(), 21);
  menu->hide();
}

TEST(GuiSkinMenuBar, DrawnByTheMenuButtonRules) {
  skintest::App();
  QWidget window;
  window.resize(400, 300);
  TskForm* frame = TskForm::Attach(&window, MacOS);
  auto* menu = new TskMainMenu(&window);
  EXPECT_EQ(frame->Menu(), menu);
  for (const char* caption : {"File", "Edit", "View"}) menu->AddMenu(caption);
  window.show();
  QMenuBar* bar = frame->MenuBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->actions().size(), 3);
  EXPECT_EQ(bar->height(), 22);
  // MacOS: the bar's ground is MACOS_MENU_BAR.
  QStyleOptionMenuItem empty = Item("", QRect(0, 0, 50, 22));
  TBitmap b = Draw(bar->style(), QStyle::CE_MenuBarEmptyArea, empty);
  const TBitmap* pic = BuiltInPicture("MACOS_MENU_BAR");
  for (int y = 0; y < 22; ++y) EXPECT_EQ(b.GetPixel(20, y), pic->GetPixel(0, y));
  // An item is 8 pixels wider than its caption on each side.
  QStyleOptionMenuItem file = Item("File", QRect(0, 0, 10, 10));
  EXPECT_EQ(bar->style()->sizeFromContents(QStyle::CT_MenuBarItem, &file, {}, bar),
            QSize(TextExtent(frame->MenuBarFont(), "File").cx + 16, 22));

  frame->SetUIStyle(WinXP);
  EXPECT_EQ(menu->UIStyle(), WinXP);
  auto hot = Item("File", QRect(0, 0, 60, 22));
  hot.state |= QStyle::State_Selected;
  b = Draw(bar->style(), QStyle::CE_MenuBarItem, hot);
  EXPECT_EQ(b.GetPixel(0, 0), 0xC66931u);
  EXPECT_EQ(b.GetPixel(59, 21), 0xC66931u);
  EXPECT_EQ(b.GetPixel(2, 10), 0xEFD3C6u);
  const QRect hotInk = Ink(b, 0x000000);
  auto pressed = hot;
  pressed.state |= QStyle::State_Sunken;
  b = Draw(bar->style(), QStyle::CE_MenuBarItem, pressed);
  EXPECT_EQ(b.GetPixel(59, 19), 0xC66931u);  // two pixels shorter
  EXPECT_EQ(b.GetPixel(30, 21), frame->MenuBarColor());
  const QRect pressedInk = Ink(b, 0x000000);
  EXPECT_EQ(pressedInk.left(), hotInk.left() + 2);
  EXPECT_EQ(pressedInk.top(), hotInk.top());
  // Normal captions sit 2 pixels below the centre; a disabled one is grey.
  auto normal = Item("File", QRect(0, 0, 60, 22));
  b = Draw(bar->style(), QStyle::CE_MenuBarItem, normal);
  const QRect ink = Ink(b, 0x000000);
  const int th = TextExtent(frame->MenuBarFont(), "File").cy;
  EXPECT_GE(ink.top(), (22 - th) / 2 + 2);
  auto disabled = normal;
  disabled.state = QStyle::State_None;
  b = Draw(bar->style(), QStyle::CE_MenuBarItem, disabled);
  EXPECT_TRUE(Ink(b, 0x000000).isEmpty());
  EXPECT_FALSE(Ink(b, 0x808080).isEmpty());
  delete menu;
  EXPECT_EQ(frame->MenuBar(), nullptr);
}
