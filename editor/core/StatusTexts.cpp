#include "StatusTexts.h"

#include <array>

#include "model/FormConstructEx.h"
#include "model/ScreenStatus.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr std::array<const char*, ScreenStatusCount> StatusTexts = {
    "端口打开错误",      "状态未知",          "正在发送数据",      "访问超时",
    "正在读取控制卡参数", "正在形成下载数据",   "发送完成",          "接收完成",
    "开始接收数据",      "正在形成数据",      "正在读取参数",      "设置电源状态",
    "读取电源状态",      "校正主板时钟",      "查询显示屏状态",    "设置亮度",
    "读取亮度",          "读取电源正常",      "设置电源正常",      "读取亮度正常",
    "设置亮度正常",      "校正时间正常",      "读取开关屏时间正常", "开关屏时间下载完成",
    "正在读取开关屏时间表", "正在设置开关屏时间", "正在读取亮度表",    "正在设置亮度表",
    "读取亮度表正常",    "下载亮度表正常",    "处于自动开关屏模式", "处于自动亮度调节模式",
    "正在读取主板显示数据", "主板显示数据读取成功", "等待发送",        "等待下载"};

}  // namespace

const std::string& ScreenStatusText(int status) {
  static const std::array<std::string, ScreenStatusCount> texts = [] {
    std::array<std::string, ScreenStatusCount> gbk;
    for (size_t i = 0; i < gbk.size(); ++i) gbk[i] = platform::Utf8ToGbk(StatusTexts[i]);
    return gbk;
  }();
  if (status < 0 || status >= ScreenStatusCount) return texts[1];
  return texts[size_t(status)];
}

const std::string& PowerText(int power) {
  static const std::string on = platform::Utf8ToGbk("电源打开");
  static const std::string off = platform::Utf8ToGbk("电源关闭");
  if (power == 1) return on;
  if (power == 0) return off;
  return ScreenStatusText(1);
}

std::optional<TNotice> StatusNotice(const model::TLEDScreen& screen) {
  using platform::Utf8ToGbk;
  const model::TCommunication& link = screen.Communicate();
  const bool serial = link.CommunicationType() == model::ctCom;
  const std::string cr = "\r";
  const std::string reasons = Utf8ToGbk("产生该问题的原因有：") + cr;
  TNotice notice;
  switch (screen.Status()) {
    case model::ssPortError:
      if (serial) {
        const std::string port = std::to_string(link.ComPort());
        notice.Title = screen.Text() + Utf8ToGbk("无法打开串口") + port;
        notice.Message = reasons + Utf8ToGbk("  1. 计算机中不存在串口") + port + cr + Utf8ToGbk("  2. 其他程序占用了该串口") +
                         cr + Utf8ToGbk("请修改通讯参数或用其他串口发送数据");
      } else {
        notice.Title = screen.Text() + Utf8ToGbk("无法打开端口") + std::to_string(link.LocalPort());
        notice.Message = reasons + Utf8ToGbk("1. 防火墙禁止程序使用该端口") + cr + Utf8ToGbk("2. 其他程序占用了该端口") + cr +
                         cr + Utf8ToGbk("将本地端口设为0可自动分配系统未使用的端口");
      }
      return notice;
    case model::ssTimedOut: {
      notice.Title = screen.Text() + Utf8ToGbk("传输超时");
      const std::string card =
          Utf8ToGbk("1. 不存在地址为") + std::to_string(screen.Address()) + Utf8ToGbk("的控制卡") + cr;
      if (serial)
        notice.Message = reasons + card + Utf8ToGbk("2. 波特率,硬件地址输入错误") + cr + Utf8ToGbk("3. 串口号输入错误") + cr +
                         Utf8ToGbk("4. 控制卡设置为级连模式") + cr + Utf8ToGbk("请按此原因排除错误");
      else
        notice.Message = reasons + card + Utf8ToGbk("2. IP地址,硬件地址输入错误") + cr +
                         Utf8ToGbk("3. 通讯线路不稳定，请多试几次") + cr + Utf8ToGbk("请按此原因排除错误");
      return notice;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace editor
