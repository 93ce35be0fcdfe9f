#include "skin/SkinThemes.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "skin/BuiltInArt.h"
#include "skin/SkinPublic.h"

using namespace skin;
using platform::TBitmap;

namespace {

const TskUIStyle kStyles[5] = {MacOS, WinXP, DeepBlue, Protein, BlueGlass};

}  // namespace

TEST(SkinThemes, LookupsAnswerOnlyForTheirKind) {
  EXPECT_EQ(GetBuiltInInt(WinXP, tiFormBackgroundColor), -1);  // a colour item
  EXPECT_EQ(GetBuiltInColor(MacOS, tiFormMinWidthInt), 0u);    // an integer item
  EXPECT_FALSE(GetBuiltInBool(MacOS, tiFormMinWidthInt));
  EXPECT_EQ(GetBuiltInColor(WinXP, tiFormBackgroundColor), 0xDEEBEFu);
  EXPECT_EQ(GetBuiltInInt(BlueGlass, tiFormMinWidthInt), 270);
  EXPECT_EQ(GetBuiltInInt(BlueGlass, tiTitleBarButtonRightOffsetInt), -3);
  EXPECT_TRUE(GetBuiltInBool(MacOS, tiButtonTransparentBool));
  EXPECT_FALSE(GetBuiltInBool(WinXP, tiButtonTransparentBool));
  EXPECT_EQ(GetBuiltInColor(WinXP, tiControlFontColor), 0xCF4602u);
  EXPECT_EQ(GetBuiltInColor(MacOS, tiFormBorderColor), 0x7F7F7Fu);
  EXPECT_EQ(GetBuiltInColor(WinXP, tiToolBarButtonDownBackgroundColor), 0xE1AC93u);

  TBitmap untouched(3, 2);
  EXPECT_FALSE(GetBuiltInImage(MacOS, tiFormMinWidthInt, &untouched));
  EXPECT_EQ(untouched.Width(), 3);
  EXPECT_FALSE(GetBuiltInImage(MacOS, tiButtonImage, nullptr));
}

TEST(SkinThemes, FromThemeFileIsIntegerMinusOneForEveryItem) {
  for (int item = 1; item <= kThemeItemCount; ++item) {
    TBuiltInValue v = BuiltInThemeItem(FromThemeFile, item);
    EXPECT_EQ(v.Kind, tkInteger);
    EXPECT_EQ(int32_t(v.Value), -1);
    EXPECT_EQ(GetBuiltInInt(FromThemeFile, item), -1);
    TBitmap b(2, 2);
    EXPECT_FALSE(GetBuiltInImage(FromThemeFile, item, &b));
    EXPECT_EQ(b.Width(), 2);
  }
}

TEST(SkinThemes, KeysKindsAndPictureNames) {
  EXPECT_EQ(ThemeItemKey(1), "ButtonImage");
  EXPECT_EQ(ThemeItemKey(42), "SideChannelBarImage");
  EXPECT_EQ(ThemeItemKey(0), "");
  EXPECT_EQ(ThemeItemKey(43), "");
  EXPECT_EQ(ThemeItemKind(15), tkColor);
  EXPECT_EQ(ThemeItemKind(17), tkInteger);
  EXPECT_EQ(ThemeItemKind(6), tkBoolean);
  int counts[4] = {};
  for (int item = 1; item <= kThemeItemCount; ++item) ++counts[ThemeItemKind(item)];
  EXPECT_EQ(counts[tkInteger], 6);
  EXPECT_EQ(counts[tkColor], 15);
  EXPECT_EQ(counts[tkImage], 19);
  EXPECT_EQ(counts[tkBoolean], 2);
  EXPECT_EQ(BuiltInImageName(DeepBlue, tiScrollButtonImage), "MORE_SCROLLBUTTON");
  EXPECT_EQ(BuiltInImageName(WinXP, tiScrollButtonImage), "WINXP_SCROLLBUTTON");
  EXPECT_EQ(BuiltInImageName(Protein, tiSideChannelHandleImage), "PROTEIN_SIDECHENNEL_HANDLE");
  EXPECT_EQ(BuiltInImageName(BlueGlass, tiTrackBarSliderVImage), "BLUEGLASS_TRACKBAR_SLIDER_V");
  EXPECT_EQ(BuiltInImageName(MacOS, tiFormBorderColor), "");
}

// The sizes and frame counts of the pictures, as the size table gives them.
TEST(SkinThemes, EveryImageItemHasItsSizeAndDividesByItsFrames) {
  struct TExpected {
    int Item, Frames;
    int Size[5][2];
  };
  const TExpected table[] = {
      {tiButtonImage, 3, {{252, 23}, {54, 21}, {222, 21}, {222, 21}, {231, 27}}},
      {tiCheckBoxImage, 4, {{60, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
      {tiRadioButtonImage, 4, {{64, 17}, {52, 13}, {52, 13}, {52, 13}, {52, 13}}},
      {tiTitleBarButtonImage, 18, {{306, 17}, {378, 21}, {342, 19}, {342, 19}, {342, 19}}},
      {tiTitleBarLeftImage, 1, {{48, 23}, {35, 29}, {97, 32}, {441, 23}, {162, 33}}},
      {tiTitleBarClientImage, 1, {{49, 23}, {37, 29}, {98, 32}, {1, 23}, {179, 33}}},
      {tiTitleBarRightImage, 1, {{48, 23}, {35, 29}, {97, 32}, {1, 23}, {101, 33}}},
      {tiTrackBarBarImage, 3, {{45, 5}, {45, 8}, {45, 4}, {45, 4}, {45, 4}}},
      {tiTrackBarSliderImage, 1, {{11, 20}, {11, 21}, {11, 20}, {11, 20}, {11, 20}}},
      {tiTrackBarSliderVImage, 1, {{19, 11}, {22, 11}, {18, 11}, {18, 11}, {18, 11}}},
      {tiScrollBarButtonImage, 6, {{96, 22}, {96, 17}, {96, 16}, {96, 16}, {102, 16}}},
      {tiScrollBarSliderImage, 3, {{33, 16}, {21, 16}, {21, 16}, {21, 16}, {21, 16}}},
      {tiScrollButtonImage, 4, {{72, 18}, {72, 18}, {72, 17}, {72, 17}, {72, 17}}},
      {tiTabControlTabImage, 2, {{36, 27}, {18, 18}, {12, 17}, {18, 17}, {18, 17}}},
      {tiTabControlBarImage, 1, {{17, 7}, {8, 1}, {5, 5}, {10, 5}, {10, 5}}},
      {tiSideChannelHandleImage, 1, {{7, 84}, {8, 86}, {8, 83}, {8, 83}, {8, 86}}},
      {tiSideChannelBarImage, 1, {{1, 21}, {1, 21}, {1, 20}, {1, 21}, {1, 21}}},
      {tiProgressBarImage, 1, {{13, 10}, {6, 10}, {1, 10}, {1, 10}, {1, 10}}},
      {tiCheckListBoxImage, 1, {{40, 11}, {44, 11}, {44, 11}, {44, 11}, {44, 11}}},
  };
  int checked = 0;
  for (const TExpected& e : table)
    for (int s = 0; s < 5; ++s) {
      SCOPED_TRACE(std::string(BuiltInImageName(kStyles[s], e.Item)));
      TBitmap b;
      ASSERT_TRUE(GetBuiltInImage(kStyles[s], e.Item, &b));
      EXPECT_EQ(b.Width(), e.Size[s][0]);
      EXPECT_EQ(b.Height(), e.Size[s][1]);
      EXPECT_EQ(b.Width() % e.Frames, 0);
      ++checked;
    }
  EXPECT_EQ(checked, 19 * 5);  // every image item of every style
}

TEST(SkinThemes, SingleControlPictures) {
  const std::map<std::string, std::pair<int, int>> sizes = {
      {"POPUPFORM", {181, 116}}, {"PANEL_BUTTON", {52, 12}}, {"SPINUP", {9, 6}}, {"SPINDOWN", {9, 6}},
      {"MENU_CHECKED", {16, 16}}, {"STATUSBAR_HANDLE", {11, 11}}, {"SIDECHANNEL_BTN", {7, 9}},
      {"FONTCOMBO_TRUETYPE_FNT", {20, 12}}, {"FONTCOMBO_DEVICE_FNT", {20, 12}}, {"MACOS_MENU_SELECT", {1, 21}},
      {"MACOS_MENU_BAR", {1, 22}}, {"MACOS_COMBOBOX_BUTTON", {16, 17}}, {"WINXP_COMBOBOX_BUTTON", {16, 18}},
      {"MACOS_FORM_BACKGROUND", {8, 8}}, {"PROTEIN_FORM_BACKGROUND", {8, 8}},
  };
  for (const auto& [name, size] : sizes) {
    const TBitmap* b = BuiltInPicture(name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(b->Width(), size.first) << name;
    EXPECT_EQ(b->Height(), size.second) << name;
  }
  EXPECT_EQ(BuiltInPicture("PANEL_BUTTON")->Width() % 4, 0);
  EXPECT_EQ(BuiltInPicture("DBNAV_BUTTON"), nullptr);  // the navigator is not built
  EXPECT_EQ(BuiltInPicture("MDI_CONTROL_BUTTON"), nullptr);
  EXPECT_EQ(BuiltInPicture("MACOS_SIDECHANNEL_BAR"), nullptr);  // only the table's spelling
}

TEST(SkinThemes, MaskedPicturesShowTheKeyAtTheirOrigin) {
  int masked = 0;
  for (const TArtInfo& info : BuiltInPictures()) {
    const TBitmap* b = BuiltInPicture(info.Name);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width(), info.Width);
    EXPECT_EQ(b->Height(), info.Height);
    EXPECT_EQ(info.Width % info.Frames, 0) << info.Name;
    if (!info.Masked) continue;
    ++masked;
    for (int f = 0; f < info.Frames; ++f)  // every frame is cut and drawn on its own
      EXPECT_EQ(b->GetPixel(f * (info.Width / info.Frames), 0), clSkinKey) << info.Name << " frame " << f + 1;
  }
  EXPECT_GT(masked, 20);
  // Buttons are masked in every style; the title-bar buttons where the style draws them so.
  EXPECT_TRUE(FindBuiltInPicture("WINXP_BUTTON")->Masked);
  EXPECT_TRUE(FindBuiltInPicture("PROTEIN_TITLEBTN")->Masked);
  EXPECT_FALSE(FindBuiltInPicture("MACOS_TITLEBTN")->Masked);
  // MENU_CHECKED is shown with white transparent.
  EXPECT_EQ(BuiltInPicture("MENU_CHECKED")->GetPixel(0, 0), platform::clWhite);
}

TEST(SkinThemes, TheCloseBoxIsInThePopupPicture) {
  const TBitmap* popup = BuiltInPicture("POPUPFORM");
  ASSERT_NE(popup, nullptr);
  // Its outline runs along 162 <= x < 176, 6 <= y < 20.
  const TColor edge = popup->GetPixel(162, 6);
  EXPECT_EQ(popup->GetPixel(175, 19), edge);
  EXPECT_EQ(popup->GetPixel(162, 19), edge);
  EXPECT_NE(popup->GetPixel(161, 12), edge);
  EXPECT_NE(popup->GetPixel(176, 12), edge);
}

TEST(SkinThemes, CountedLookupCutsTheFrame) {
  TBitmap whole, last;
  ASSERT_TRUE(GetBuiltInImage(MacOS, tiTitleBarButtonImage, &whole));
  ASSERT_TRUE(GetBuiltInImage(MacOS, tiTitleBarButtonImage, &last, 18, 18));
  ASSERT_EQ(last.Width(), 17);
  ASSERT_EQ(last.Height(), 17);
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 17; ++x) ASSERT_EQ(last.GetPixel(x, y), whole.GetPixel(289 + x, y));
  TBitmap all;
  ASSERT_TRUE(GetBuiltInImage(MacOS, tiTitleBarButtonImage, &all, 3, 0));  // count 0: whole
  EXPECT_EQ(all.Width(), 306);
}

TEST(SkinThemes, PicturesAreKeptAndDrawnTheSameAgain) {
  const TBitmap* a = BuiltInPicture("WINXP_TITLEBTN");
  EXPECT_EQ(a, BuiltInPicture("WINXP_TITLEBTN"));
  TBitmap again = DrawBuiltInPicture("WINXP_TITLEBTN");
  ASSERT_EQ(again.Width(), a->Width());
  for (int y = 0; y < again.Height(); ++y)
    for (int x = 0; x < again.Width(); ++x) ASSERT_EQ(again.GetPixel(x, y), a->GetPixel(x, y));
}
