#include "NotifyTexts.h"

#include <cstdio>

#include "platform/base/GbkText.h"

namespace quayside {

namespace {

enum : int32_t {
  kQuery = 4,
  kClock = 6,
  kGetPower = 9,
  kSetPower = 10,
  kGetBrightness = 11,
  kSetBrightness = 12,
};

std::string AnswerText(const TNotifyRecord& r) {
  switch (r.Kind) {
    case kQuery:
      return "显示屏状态应答正常!";
    case kClock:
      return "时间已校正";
    case kGetPower:
    case kSetPower:
      if (r.Kind == kSetPower && r.Status == LED_STATUS_AUTOMATIC)
        return "处于自动开关屏模式，不能进行电源操作";
      return r.Number == 1 ? "电源已打开" : "电源已关闭";
    case kGetBrightness:
    case kSetBrightness: {
      if (r.Kind == kSetBrightness && r.Status == LED_STATUS_AUTOMATIC)
        return "处于自动亮度调节模式，不能进行亮度调节";
      char text[64];
      std::snprintf(text, sizeof text, "显示屏亮度为: %d", int(r.Number));
      return text;
    }
    default:
      return {};
  }
}

}  // namespace

std::string NotifyText(const TNotifyRecord& record) {
  switch (record.Code) {
    case LED_NOTIFY_SEND_DONE:
      return "发送完成!";
    case LED_NOTIFY_ANSWER:
      return AnswerText(record);
    case LED_NOTIFY_TIMEOUT:
      return "传送超时!";
    default:
      return {};
  }
}

std::string FitStatusText(std::string_view utf8) {
  const std::string gbk = platform::Utf8ToGbk(utf8);
  if (gbk.size() <= MaxStatusBytes) return std::string(utf8);
  return platform::GbkToUtf8(platform::GbkPrefix(gbk, MaxStatusBytes));
}

}  // namespace quayside
