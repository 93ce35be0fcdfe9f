// The title bar's table: one row per notification the library can deliver.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "NotifyTitle.h"

namespace {

using kestrel1::NotifyTitle;

struct TRow {
  int32_t Code, Kind, Status, Number;
  std::optional<std::string> Title;  // none: the title stays
};

TEST(NotifyTitle, Table) {
  const std::string on = "电源已打开", off = "电源已关闭";
  const std::string automatic = "处于自动开关屏模式，不能进行电源操作";
  const TRow rows[] = {
      // Time-outs, whatever they carry: a query's (its kind and a left-over status) and a
      // transfer's.
      {4, 4, 0, 0, "传送超时"},
      {4, 4, 1, 1, "传送超时"},
      {4, 0, 0, 0, "传送超时"},
      {2, 0, 0, 0, "发送完成"},
      {3, 4, 1, 0, "查询状态成功"},
      {3, 6, 1, 0, "时钟校正完成"},
      {3, 9, 1, 1, on},
      {3, 9, 1, 0, off},
      {3, 9, 1, 7, off},
      {3, 10, 99, 1, automatic},
      {3, 10, 99, 0, automatic},
      {3, 10, 1, 1, on},
      {3, 10, 1, 0, off},
      {3, 10, 1, 2, std::nullopt},
      {3, 11, 1, 0, "显示屏亮度为：0"},
      {3, 11, 1, 7, "显示屏亮度为：7"},
      {3, 12, 1, 5, "亮度调整完毕"},
      // Other codes and other answered commands leave the title.
      {1, 4, 0, 0, std::nullopt},
      {5, 0, 0x10001, 0, std::nullopt},
      {7, 0, 512, 0, std::nullopt},
      {8, 0, 512, 0, std::nullopt},
      {3, 7, 1, 0, std::nullopt},
      {0, 0, 0, 0, std::nullopt},
  };
  for (const TRow& r : rows) {
    EXPECT_EQ(r.Title, NotifyTitle(r.Code, r.Kind, r.Status, r.Number))
        << "code " << r.Code << ", kind " << r.Kind << ", status " << r.Status << ", number "
        << r.Number;
  }
}

}  // namespace
