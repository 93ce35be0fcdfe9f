#include "skin/Skinnable.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <memory>

#include "SkinTestUtil.h"
#include "TestControls.h"

using namespace skin;
using namespace skintest;
using platform::TBitmap;

TEST(UseFileTheme, Table) {
  TskFileTheme loaded, unloaded;
  loaded.SetThemeFile(QString::fromStdString(Fixture("all42.skn")));
  ASSERT_TRUE(loaded.CanUse());
  struct TCase {
    TskUIStyle Style;
    TskFileTheme* Theme;
    bool Use;
    TskUIStyle Effective;
  };
  const TCase cases[] = {
      {FromThemeFile, nullptr, false, DeepBlue}, {FromThemeFile, &unloaded, false, DeepBlue},
      {FromThemeFile, &loaded, true, FromThemeFile}, {MacOS, &loaded, false, MacOS},
      {MacOS, nullptr, false, MacOS}, {WinXP, &unloaded, false, WinXP},
      {BlueGlass, &loaded, false, BlueGlass},
  };
  for (const TCase& c : cases) {
    TUseFileTheme r = UseFileTheme(c.Theme, c.Style);
    EXPECT_EQ(r.UseTheme, c.Use) << int(c.Style);
    EXPECT_EQ(r.Style, c.Effective) << int(c.Style);
  }
  // An unusable theme reads exactly as DeepBlue; MacOS ignores a loaded theme.
  TThemeSource none(&unloaded, FromThemeFile);
  EXPECT_EQ(none.Color(tiFormBackgroundColor), GetBuiltInColor(DeepBlue, tiFormBackgroundColor));
  TThemeSource mac(&loaded, MacOS);
  EXPECT_FALSE(mac.FromFile());
  EXPECT_EQ(mac.Color(tiFormBorderColor), 0x7F7F7Fu);
}

TEST(GuiSkinnable, DefaultControlStyleFromTheWindowsFrame) {
  skintest::App();
  QWidget window;
  QWidget inner(&window);
  TskTestControl plain(&inner);
  EXPECT_EQ(plain.UIStyle(), DeepBlue);  // no frame on the window
  TskTestControl orphan;
  EXPECT_EQ(orphan.UIStyle(), DeepBlue);  // no owner

  TskTestFrame frame(&window, WinXP);
  TskTestControl inside(&inner);  // the frame is a direct child of the control's window
  EXPECT_EQ(inside.UIStyle(), WinXP);
  TskTestFrame second(&window, MacOS);
  EXPECT_EQ(DefaultControlStyle(&inner), WinXP);  // the first frame counts
}

TEST(GuiSkinnable, PropagateSetsThemeThenStyleOnDirectSkinnedChildren) {
  skintest::App();
  std::vector<std::string> log;
  QWidget container;
  TskTestControl a(&container, &log);
  a.setObjectName("a");
  QLabel label(&container);
  TskTestControl b(&container, &log);
  b.setObjectName("b");
  TskTestControl grandchild(&a, &log);
  grandchild.setObjectName("grandchild");
  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("all42.skn")));

  PropagateStyleToChildren(&container, FromThemeFile, &theme);
  EXPECT_EQ(log, (std::vector<std::string>{"a.FileTheme", "a.UIStyle", "b.FileTheme", "b.UIStyle"}));
  EXPECT_EQ(a.UIStyle(), FromThemeFile);
  EXPECT_EQ(a.FileTheme(), &theme);
  EXPECT_EQ(a.BorderColor, 0x123456u);
  EXPECT_EQ(grandchild.UIStyle(), DeepBlue);
  EXPECT_EQ(grandchild.FileTheme(), nullptr);
}

TEST(GuiSkinnable, AReloadReReadsTheControlsThatUseTheTheme) {
  skintest::App();
  QWidget window;
  auto* theme = new TskFileTheme(&window);
  theme->SetThemeFile(QString::fromStdString(Fixture("all42.skn")));
  QWidget panel(&window);
  TskTestControl user(&panel), other(&panel);
  user.setProperty("FileTheme", QVariant::fromValue(theme));
  user.SetUIStyle(FromThemeFile);
  other.SetUIStyle(MacOS);
  EXPECT_EQ(user.BorderColor, 0x123456u);
  const int userBefore = user.Applied, otherBefore = other.Applied;

  theme->SetThemeFile(QString::fromStdString(Fixture("all42.skn")));  // same path: nothing
  EXPECT_EQ(user.Applied, userBefore);

  theme->SetThemeFile(QString::fromStdString(Fixture("all42_other.skn")));
  EXPECT_EQ(user.Applied, userBefore + 1);
  EXPECT_EQ(user.BorderColor, 0x0A0B0Cu);
  EXPECT_EQ(other.Applied, otherBefore);  // does not use the theme

  EXPECT_THROW(theme->SetThemeFile(QString::fromStdString(Fixture("magic_x.skn"))), ESkinFileError);
  EXPECT_EQ(user.Applied, userBefore + 1);  // a bad file re-reads nothing
  EXPECT_EQ(user.BorderColor, 0x0A0B0Cu);
}

TEST(GuiSkinnable, ADestroyedThemeLeavesDeepBlue) {
  skintest::App();
  QWidget window;
  auto* theme = new TskFileTheme(&window);
  theme->SetThemeFile(QString::fromStdString(Fixture("all42.skn")));
  TskTestControl control(&window);
  control.SetFileTheme(theme);
  control.SetUIStyle(FromThemeFile);
  EXPECT_EQ(control.BorderColor, 0x123456u);
  delete theme;
  EXPECT_EQ(control.FileTheme(), nullptr);
  EXPECT_EQ(control.UIStyle(), DeepBlue);
  EXPECT_EQ(control.BorderColor, GetBuiltInColor(DeepBlue, tiFormBorderColor));
}

TEST(GuiSkinnable, HasPublishedProperty) {
  skintest::App();
  TskTestControl control;
  QLabel label;
  EXPECT_TRUE(HasPublishedProperty(&control, "UIStyle"));
  EXPECT_TRUE(HasPublishedProperty(&control, "FileTheme"));
  EXPECT_FALSE(HasPublishedProperty(&label, "UIStyle"));
  EXPECT_FALSE(HasPublishedProperty(nullptr, "UIStyle"));
}

TEST(GuiSkinnable, ATransparentControlShowsItsParentNotASibling) {
  skintest::App();
  QWidget window;
  window.resize(100, 80);
  TPainted parent(&window, QColor(0, 0, 255), QRect(20, 20, 10, 10), QColor(255, 0, 0));
  parent.setGeometry(0, 0, 100, 80);
  TPainted sibling(&parent, QColor(0, 255, 0), QRect(), QColor());
  sibling.setGeometry(10, 10, 40, 40);
  TskTestControl control(&parent);
  control.setGeometry(15, 15, 20, 20);
  control.Transparent = true;
  control.raise();
  window.show();
  const TBitmap shot = Grab(control);
  ASSERT_EQ(shot.Width(), 20);
  EXPECT_EQ(shot.GetPixel(0, 0), 0xFF0000u);   // parent's blue ground at (15, 15)
  EXPECT_EQ(shot.GetPixel(5, 5), 0x0000FFu);   // parent's red spot at (20, 20)
  EXPECT_EQ(shot.GetPixel(14, 14), 0x0000FFu);
  EXPECT_EQ(shot.GetPixel(15, 15), 0xFF0000u);  // past the spot
}
