#pragma once
// The status bar's texts for a screen: its status (the `Status` of a screen, 0-35) and its power.
// GBK, ready for the status bar.
#include <optional>
#include <string>

namespace model {
class TLEDScreen;
}

namespace editor {

inline constexpr int ScreenStatusCount = 36;

// The text of a screen status; a value outside 0-35 reads as "状态未知", as status 1 does.
const std::string& ScreenStatusText(int status);
// 1 "电源打开", 0 "电源关闭", anything else "状态未知".
const std::string& PowerText(int power);

// A notice about a card that cannot be reached: its title and message (GBK; lines end in a
// single CR).
struct TNotice {
  std::string Title;
  std::string Message;
  bool operator==(const TNotice&) const = default;
};

// The notice a screen's status calls for: status 0 (its port would not open) and 3 (its card
// did not answer), worded for a serial link (ctCom) or any other; nothing for other statuses.
std::optional<TNotice> StatusNotice(const model::TLEDScreen& screen);

}  // namespace editor
