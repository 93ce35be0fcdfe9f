#include "GeneralComponent.h"

#include "platform/base/GbkText.h"

namespace editor {

const std::array<std::string, ColorComboItemCount>& ColorComboItems() {
  static const std::array<std::string, ColorComboItemCount> items = {
      platform::Utf8ToGbk("黑色"), platform::Utf8ToGbk("红色"), platform::Utf8ToGbk("绿色"),
      platform::Utf8ToGbk("黄色")};
  return items;
}

platform::TColor ColorComboColor(int itemIndex) {
  static constexpr std::array<platform::TColor, ColorComboItemCount> colors = {0x000000, 0x0000FF, 0x00FF00,
                                                                               0x00FFFF};
  if (itemIndex < 0 || itemIndex >= ColorComboItemCount) return 0x000000;
  return colors[size_t(itemIndex)];
}

int ColorComboIndex(platform::TColor color) {
  const bool red = (color & 0x0000FF) != 0;
  const bool green = (color & 0x00FF00) != 0;
  if (red && green) return 3;
  if (red) return 1;
  if (green) return 2;
  return 0;
}

}  // namespace editor
