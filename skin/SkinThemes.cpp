#include "skin/SkinThemes.h"

#include "skin/BuiltInArt.h"
#include "skin/SkinPublic.h"

namespace skin {

namespace {

constexpr int kBuiltInStyles = 5;  // MacOS..BlueGlass

struct TItemRow {
  const char* Key;
  TskThemeItemKind Kind;
  uint32_t Values[kBuiltInStyles];        // integers, colours and booleans
  const char* Images[kBuiltInStyles];     // picture names of image items
};

#define SK_IMG(suffix)                                                                   \
  {"MACOS_" suffix, "WINXP_" suffix, "DEEPBLUE_" suffix, "PROTEIN_" suffix, "BLUEGLASS_" suffix}
#define SK_NOIMG {nullptr, nullptr, nullptr, nullptr, nullptr}
#define SK_VAL(a, b, c, d, e) {uint32_t(a), uint32_t(b), uint32_t(c), uint32_t(d), uint32_t(e)}
#define SK_NOVAL {0, 0, 0, 0, 0}

// Index 0 is unused so that row n is item n.
const TItemRow kItems[kThemeItemCount + 1] = {
    {"", tkInteger, SK_NOVAL, SK_NOIMG},
    {"ButtonImage", tkImage, SK_NOVAL, SK_IMG("BUTTON")},
    {"ButtonTransparentBool", tkBoolean, SK_VAL(1, 0, 0, 0, 1), SK_NOIMG},
    {"CheckBoxImage", tkImage, SK_NOVAL, SK_IMG("CHECKBOX")},
    {"RadioButtonImage", tkImage, SK_NOVAL, SK_IMG("RADIOBUTTON")},
    {"TitleBarButtonImage", tkImage, SK_NOVAL, SK_IMG("TITLEBTN")},
    {"TitleBarButtonTransparentBool", tkBoolean, SK_VAL(0, 0, 0, 1, 1), SK_NOIMG},
    {"TitleBarButtonLeftOffsetInt", tkInteger, SK_VAL(3, 2, 0, 0, 4), SK_NOIMG},
    {"TitleBarButtonRightOffsetInt", tkInteger, SK_VAL(-2, -2, 0, 0, -3), SK_NOIMG},
    {"TitleBarButtonTopInt", tkInteger, SK_VAL(4, 5, 2, 2, 6), SK_NOIMG},
    {"TitleBarLeftImage", tkImage, SK_NOVAL, SK_IMG("TITLE_LEFT")},
    {"TitleBarClientImage", tkImage, SK_NOVAL, SK_IMG("TITLE_CLIENT")},
    {"TitleBarRightImage", tkImage, SK_NOVAL, SK_IMG("TITLE_RIGHT")},
    {"FormMinWidthInt", tkInteger, SK_VAL(130, 150, 130, 130, 270), SK_NOIMG},
    {"FormRoundCornerInt", tkInteger, SK_VAL(0, 13, 0, 0, 11), SK_NOIMG},
    {"FormBackgroundColor", tkColor, SK_VAL(0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7), SK_NOIMG},
    {"FormBorderColor", tkColor, SK_VAL(0x7F7F7F, 0xC82C00, 0x000000, 0x000000, 0x000000), SK_NOIMG},
    {"FormBorderWidthInt", tkInteger, SK_VAL(1, 3, 1, 1, 1), SK_NOIMG},
    {"MenuSelectedBorderColor", tkColor, SK_VAL(0xC47339, 0xC66931, 0xA04A44, 0xC4302D, 0xEC5E5E), SK_NOIMG},
    {"MenuSelectedBackgroundColor", tkColor, SK_VAL(0xC47339, 0xEFD3C6, 0xA04A44, 0xC4302D, 0xEC5E5E), SK_NOIMG},
    {"MenuSelectedFontColor", tkColor, SK_VAL(0xFFFFFF, 0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF), SK_NOIMG},
    {"MenuBackgroundColor", tkColor, SK_VAL(0x000000, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xE7E7E7), SK_NOIMG},
    {"MenuFontColor", tkColor, SK_VAL(0, 0, 0, 0, 0), SK_NOIMG},
    {"MenuBarColor", tkColor, SK_VAL(0x000000, 0xCED3D6, 0xCED3D6, 0xCED3D6, 0xCED3D6), SK_NOIMG},
    {"ProgressBarImage", tkImage, SK_NOVAL, SK_IMG("PROGRESSBAR")},
    {"ControlBorderColor", tkColor, SK_VAL(0x7F7F7F, 0x686868, 0x000000, 0x000000, 0x000000), SK_NOIMG},
    {"ControlBackgroundColor", tkColor, SK_VAL(0xE7E7E7, 0xDEEBEF, 0xE8E8E8, 0xFBFBFB, 0xE7E7E7), SK_NOIMG},
    {"ControlFontColor", tkColor, SK_VAL(0x000000, 0xCF4602, 0x000000, 0x000000, 0x000000), SK_NOIMG},
    {"TrackBarBarImage", tkImage, SK_NOVAL, SK_IMG("TRACKBAR_BAR")},
    {"TrackBarSliderImage", tkImage, SK_NOVAL, SK_IMG("TRACKBAR_SLIDER")},
    {"TrackBarSliderVImage", tkImage, SK_NOVAL, SK_IMG("TRACKBAR_SLIDER_V")},
    {"ScrollBarBackgroundColor", tkColor, SK_VAL(0xC9C9C9, 0xF9F9F9, 0xF5F5F5, 0xF5F5F5, 0xF4F4F4), SK_NOIMG},
    {"ScrollBarButtonImage", tkImage, SK_NOVAL, SK_IMG("SCROLLBAR_BUTTON")},
    {"ScrollBarSliderImage", tkImage, SK_NOVAL, SK_IMG("SCROLLBAR_TRACK")},
    {"CheckListBoxImage", tkImage, SK_NOVAL, SK_IMG("CHECKLIST")},
    {"ToolBarButtonBorderColor", tkColor, SK_VAL(0x474747, 0xC66931, 0x474747, 0x474747, 0x474747), SK_NOIMG},
    {"ToolBarButtonBackgroundColor", tkColor, SK_VAL(0xEFEFEF, 0xEFD3C6, 0xEFEFEF, 0xEFEFEF, 0xEFEFEF), SK_NOIMG},
    {"ToolBarButtonDownBackgroundColor", tkColor, SK_VAL(0xD8D8D8, 0xE1AC93, 0xD8D8D8, 0xD8D8D8, 0xD8D8D8), SK_NOIMG},
    {"ScrollButtonImage", tkImage, SK_NOVAL,
     {"MACOS_SCROLLBUTTON", "WINXP_SCROLLBUTTON", "MORE_SCROLLBUTTON", "MORE_SCROLLBUTTON", "MORE_SCROLLBUTTON"}},
    {"TabControlTabImage", tkImage, SK_NOVAL, SK_IMG("TAB")},
    {"TabControlBarImage", tkImage, SK_NOVAL, SK_IMG("TAB_LINE")},
    {"SideChannelHandleImage", tkImage, SK_NOVAL, SK_IMG("SIDECHENNEL_HANDLE")},
    {"SideChannelBarImage", tkImage, SK_NOVAL, SK_IMG("SIDECHENNEL_BAR")},
};

#undef SK_IMG
#undef SK_NOIMG
#undef SK_VAL
#undef SK_NOVAL

bool ValidItem(int item) { return item >= 1 && item <= kThemeItemCount; }
bool BuiltInStyle(TskUIStyle style) { return style >= MacOS && style <= BlueGlass; }

}  // namespace

std::string_view ThemeItemKey(int item) { return ValidItem(item) ? kItems[item].Key : ""; }

TskThemeItemKind ThemeItemKind(int item) { return ValidItem(item) ? kItems[item].Kind : tkInteger; }

TBuiltInValue BuiltInThemeItem(TskUIStyle style, int item) {
  if (!BuiltInStyle(style) || !ValidItem(item)) return {};
  const TItemRow& row = kItems[item];
  return {row.Kind, row.Kind == tkImage ? 0u : row.Values[style - MacOS]};
}

std::string_view BuiltInImageName(TskUIStyle style, int item) {
  if (!BuiltInStyle(style) || !ValidItem(item) || kItems[item].Kind != tkImage) return {};
  return kItems[item].Images[style - MacOS];
}

TColor GetBuiltInColor(TskUIStyle style, int item) {
  TBuiltInValue v = BuiltInThemeItem(style, item);
  return v.Kind == tkColor ? v.Value : 0;
}

int32_t GetBuiltInInt(TskUIStyle style, int item) {
  TBuiltInValue v = BuiltInThemeItem(style, item);
  return v.Kind == tkInteger ? int32_t(v.Value) : -1;
}

bool GetBuiltInBool(TskUIStyle style, int item) {
  TBuiltInValue v = BuiltInThemeItem(style, item);
  return v.Kind == tkBoolean && v.Value != 0;
}

bool GetBuiltInImage(TskUIStyle style, int item, TBitmap* bitmap) {
  if (!bitmap) return false;
  std::string_view name = BuiltInImageName(style, item);
  if (name.empty()) return false;
  const TBitmap* picture = BuiltInPicture(name);
  if (!picture) return false;
  *bitmap = *picture;
  return true;
}

bool GetBuiltInImage(TskUIStyle style, int item, TBitmap* bitmap, int index, int count) {
  if (!bitmap) return false;
  if (count == 0) return GetBuiltInImage(style, item, bitmap);
  std::string_view name = BuiltInImageName(style, item);
  if (name.empty()) return false;
  const TBitmap* picture = BuiltInPicture(name);
  if (!picture) return false;
  CopyStripFrame(*picture, *bitmap, count, index);
  return true;
}

}  // namespace skin
