// What the status bar says for each notification, and how long a status text may be.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "clients/quayside/NotifyTexts.h"
#include "platform/base/GbkText.h"

namespace quayside {
namespace {

TNotifyRecord Record(int32_t code, int32_t kind = 0, int32_t status = 0, int32_t number = 0) {
  TNotifyRecord r;
  std::memset(&r, 0, sizeof r);
  r.Code = code;
  r.Kind = kind;
  r.Status = status;
  r.Number = number;
  return r;
}

TEST(NotifyTexts, ByCodeAndCommand) {
  struct TCase {
    TNotifyRecord Record;
    const char* Text;
  };
  const TCase cases[] = {
      {Record(LED_NOTIFY_SEND_DONE), "发送完成!"},
      {Record(LED_NOTIFY_TIMEOUT, 4), "传送超时!"},
      {Record(LED_NOTIFY_ANSWER, 4, 1), "显示屏状态应答正常!"},
      {Record(LED_NOTIFY_ANSWER, 6, 1), "时间已校正"},
      {Record(LED_NOTIFY_ANSWER, 9, 1, 1), "电源已打开"},
      {Record(LED_NOTIFY_ANSWER, 9, 1, 0), "电源已关闭"},
      {Record(LED_NOTIFY_ANSWER, 9, 99, 1), "电源已打开"},  // 99 only for setting
      {Record(LED_NOTIFY_ANSWER, 10, 1, 1), "电源已打开"},
      {Record(LED_NOTIFY_ANSWER, 10, 1, 2), "电源已关闭"},
      {Record(LED_NOTIFY_ANSWER, 10, 99, 1), "处于自动开关屏模式，不能进行电源操作"},
      {Record(LED_NOTIFY_ANSWER, 11, 1, 7), "显示屏亮度为: 7"},
      {Record(LED_NOTIFY_ANSWER, 11, 99, 15), "显示屏亮度为: 15"},
      {Record(LED_NOTIFY_ANSWER, 12, 1, -3), "显示屏亮度为: -3"},
      {Record(LED_NOTIFY_ANSWER, 12, 99, 3), "处于自动亮度调节模式，不能进行亮度调节"},
      {Record(LED_NOTIFY_ANSWER, 7, 1), ""},
      {Record(LED_NOTIFY_ANSWER, 17, 1), ""},
      {Record(LED_NOTIFY_DATA_RECEIVED), ""},
      {Record(LED_NOTIFY_CARD_MESSAGE, 0, 2), ""},
      {Record(LED_NOTIFY_SEND_PROGRESS, 0, 512), ""},
      {Record(LED_NOTIFY_RECEIVE_PROGRESS), ""},
      {Record(0), ""},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(c.Text, NotifyText(c.Record))
        << "code " << c.Record.Code << " kind " << c.Record.Kind << " status " << c.Record.Status;
}

TEST(NotifyTexts, StatusTextsAreCutAtACharacterBoundary) {
  EXPECT_EQ("发送完成!", FitStatusText("发送完成!"));
  const std::string ascii(300, 'a');
  EXPECT_EQ(std::string(MaxStatusBytes, 'a'), FitStatusText(ascii));
  // One ASCII byte, then two-byte characters: 256 bytes would split the 128th character.
  std::string mixed = "a";
  for (int i = 0; i < 200; ++i) mixed += "站";
  const std::string fitted = FitStatusText(mixed);
  EXPECT_EQ(255u, platform::Utf8ToGbk(fitted).size());
  EXPECT_EQ(0u, mixed.rfind(fitted, 0));
  std::string exact;
  for (int i = 0; i < 128; ++i) exact += "站";
  EXPECT_EQ(exact, FitStatusText(exact));
}

}  // namespace
}  // namespace quayside
