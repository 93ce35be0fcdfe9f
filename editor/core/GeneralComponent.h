#pragma once
// What the two owner-drawn combo boxes of the table editor mean, without their drawing (which
// is editor/ui/GeneralComponent): `TColorComboBox` picks one of the four LED colours and
// `TLineComboBox` one of six line widths.
#include <array>
#include <string>

#include "platform/gfx/Color.h"

namespace editor {

// TColorComboBox's items, in order: "黑色", "红色", "绿色", "黄色" (GBK).
inline constexpr int ColorComboItemCount = 4;
const std::array<std::string, ColorComboItemCount>& ColorComboItems();
// The colour of item 0..3 (Windows order, red in the low byte): black, red, green, yellow.
// Black when no item (or an index out of range) is selected.
platform::TColor ColorComboColor(int itemIndex);
// The item a colour selects: yellow when both its red and its green byte are non-zero, red when
// only the red byte is, green when only the green byte is, black otherwise (blue is ignored).
int ColorComboIndex(platform::TColor color);

// TLineComboBox: six items, item i standing for a line i + 1 pixels wide.
inline constexpr int LineComboItemCount = 6;

// Both boxes' items are this many pixels high.
inline constexpr int GeneralComboItemHeight = 14;

}  // namespace editor
