#include "NotifyTitle.h"

#include "panelcast.h"

namespace kestrel1 {

namespace {

// Command kinds the card answers (the Kind of a code-3 record).
enum : int32_t {
  ckQuery = 4,
  ckAdjustTime = 6,
  ckGetPower = 9,
  ckSetPower = 10,
  ckGetBrightness = 11,
  ckSetBrightness = 12,
};

constexpr const char* PowerOn = "电源已打开";
constexpr const char* PowerOff = "电源已关闭";

std::optional<std::string> AnswerTitle(int32_t kind, int32_t status, int32_t number) {
  switch (kind) {
    case ckQuery:
      return "查询状态成功";
    case ckAdjustTime:
      return "时钟校正完成";
    case ckGetPower:
      return number == 1 ? PowerOn : PowerOff;
    case ckSetPower:
      if (status == LED_STATUS_AUTOMATIC) return "处于自动开关屏模式，不能进行电源操作";
      if (number == 1) return PowerOn;
      if (number == 0) return PowerOff;
      return std::nullopt;
    case ckGetBrightness:
      return "显示屏亮度为：" + std::to_string(number);
    case ckSetBrightness:
      return "亮度调整完毕";
    default:
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> NotifyTitle(int32_t code, int32_t kind, int32_t status,
                                       int32_t number) {
  switch (code) {
    // Every time-out shows, whatever the library's valid flag says: it stays set once any
    // notification has arrived, so it cannot tell a time-out from anything else.
    case LED_NOTIFY_TIMEOUT:
      return "传送超时";
    case LED_NOTIFY_SEND_DONE:
      return "发送完成";
    case LED_NOTIFY_ANSWER:
      return AnswerTitle(kind, status, number);
    default:
      return std::nullopt;
  }
}

}  // namespace kestrel1
