#pragma once
// The theme model: the six styles, the 42 theme items and the values of the five built-in
// styles. Every skinned control asks for its colours, sizes, flags and pictures by item number
// (1..42); the built-in pictures are drawn by BuiltInArt under the names the table gives.
// No Qt here, so the skin-file reader and its fuzz target can use the item keys alone.
#include <cstdint>
#include <string_view>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Color.h"

namespace skin {

using platform::TBitmap;
using platform::TColor;

// Stored as one byte.
enum TskUIStyle : uint8_t { FromThemeFile = 0, MacOS = 1, WinXP = 2, DeepBlue = 3, Protein = 4, BlueGlass = 5 };
constexpr int kStyleCount = 6;

enum TskThemeItemKind : uint8_t { tkInteger = 0, tkColor = 1, tkImage = 2, tkBoolean = 3 };

// The items by number, as the controls name them.
enum TskThemeItem : int {
  tiButtonImage = 1,
  tiButtonTransparentBool,
  tiCheckBoxImage,
  tiRadioButtonImage,
  tiTitleBarButtonImage,
  tiTitleBarButtonTransparentBool,
  tiTitleBarButtonLeftOffsetInt,
  tiTitleBarButtonRightOffsetInt,
  tiTitleBarButtonTopInt,
  tiTitleBarLeftImage,  // 10
  tiTitleBarClientImage,
  tiTitleBarRightImage,
  tiFormMinWidthInt,
  tiFormRoundCornerInt,
  tiFormBackgroundColor,
  tiFormBorderColor,
  tiFormBorderWidthInt,
  tiMenuSelectedBorderColor,
  tiMenuSelectedBackgroundColor,
  tiMenuSelectedFontColor,  // 20
  tiMenuBackgroundColor,
  tiMenuFontColor,
  tiMenuBarColor,
  tiProgressBarImage,
  tiControlBorderColor,
  tiControlBackgroundColor,
  tiControlFontColor,
  tiTrackBarBarImage,
  tiTrackBarSliderImage,
  tiTrackBarSliderVImage,  // 30
  tiScrollBarBackgroundColor,
  tiScrollBarButtonImage,
  tiScrollBarSliderImage,
  tiCheckListBoxImage,
  tiToolBarButtonBorderColor,
  tiToolBarButtonBackgroundColor,
  tiToolBarButtonDownBackgroundColor,
  tiScrollButtonImage,
  tiTabControlTabImage,
  tiTabControlBarImage,  // 40
  tiSideChannelHandleImage,
  tiSideChannelBarImage,
};
constexpr int kThemeItemCount = 42;

// Key ("ButtonImage"...) and kind of an item; an empty key and kind integer outside 1..42.
std::string_view ThemeItemKey(int item);
TskThemeItemKind ThemeItemKind(int item);

// The kind and raw 32-bit value of a built-in item. A style outside MacOS..BlueGlass (that is
// FromThemeFile), or an item outside 1..42, gives kind integer and value -1. For an image the
// value is 0; its picture name comes from BuiltInImageName.
struct TBuiltInValue {
  TskThemeItemKind Kind = tkInteger;
  uint32_t Value = uint32_t(-1);
};
TBuiltInValue BuiltInThemeItem(TskUIStyle style, int item);
// The picture name of a built-in image item ("MACOS_BUTTON"); empty when the item is no image
// or the style no built-in one.
std::string_view BuiltInImageName(TskUIStyle style, int item);

// The value when the item has that kind, else 0 (colour), -1 (integer), false (boolean).
TColor GetBuiltInColor(TskUIStyle style, int item);
int32_t GetBuiltInInt(TskUIStyle style, int item);
bool GetBuiltInBool(TskUIStyle style, int item);
// With no bitmap nothing happens; an image item loads its picture into the bitmap (true);
// anything else leaves the bitmap as it is (false). The counted form copies frame `index` of
// `count` (CopyStripFrame); count 0 gives the whole picture.
bool GetBuiltInImage(TskUIStyle style, int item, TBitmap* bitmap);
bool GetBuiltInImage(TskUIStyle style, int item, TBitmap* bitmap, int index, int count);

}  // namespace skin
