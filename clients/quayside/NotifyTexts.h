#pragma once
// What the status bar says about a notification from the sending library, and how long a
// status text may be.
#include <string>
#include <string_view>

#include "panelcast.h"

namespace quayside {

// The text for a notification (UTF-8); empty for codes and commands that show nothing.
//   2 send done                       "发送完成!"
//   3 answer to 4 (query)             "显示屏状态应答正常!"
//   3 answer to 6 (clock)             "时间已校正"
//   3 answer to 9, 10 (power)         status 99 for 10: "处于自动开关屏模式，不能进行电源操作";
//                                     else Number 1 "电源已打开", other "电源已关闭"
//   3 answer to 11, 12 (brightness)   status 99 for 12: "处于自动亮度调节模式，不能进行亮度调节";
//                                     else "显示屏亮度为: %d" with Number
//   4 time-out                        "传送超时!"
std::string NotifyText(const TNotifyRecord& record);

// Status texts are at most this many bytes of GBK.
constexpr size_t MaxStatusBytes = 256;
// The text cut to MaxStatusBytes GBK bytes at a character boundary (UTF-8 in and out).
std::string FitStatusText(std::string_view utf8);

}  // namespace quayside
