#pragma once
// The status bar's texts for a screen: its status (the `Status` of a screen, 0-35) and its power.
// GBK, ready for the status bar.
#include <string>

namespace editor {

inline constexpr int ScreenStatusCount = 36;

// The text of a screen status; a value outside 0-35 reads as "状态未知", as status 1 does.
const std::string& ScreenStatusText(int status);
// 1 "电源打开", 0 "电源关闭", anything else "状态未知".
const std::string& PowerText(int power);

}  // namespace editor
