#include "model/MessageBoxHook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/GbkText.h"

namespace model {
namespace {

struct TShown {
  std::string Text, Caption;
  TMessageBoxIcon Icon;
  bool operator==(const TShown&) const = default;
};

TEST(MessageBoxHook, TheInstalledHookShowsTheBoxAndTheScopePutsTheOldOneBack) {
  std::vector<TShown> outer, inner;
  TMessageBoxHookScope first([&](std::string_view t, std::string_view c, TMessageBoxIcon i) {
    outer.push_back({std::string(t), std::string(c), i});
  });
  {
    TMessageBoxHookScope second([&](std::string_view t, std::string_view c, TMessageBoxIcon i) {
      inner.push_back({std::string(t), std::string(c), i});
    });
    ShowMessageBox("a", "b", TMessageBoxIcon::Warning);
  }
  ShowMessageBox("c", "d");
  EXPECT_EQ(inner, (std::vector<TShown>{{"a", "b", TMessageBoxIcon::Warning}}));
  EXPECT_EQ(outer, (std::vector<TShown>{{"c", "d", TMessageBoxIcon::None}}));
}

TEST(MessageBoxHook, AHookMayReplaceItselfWhileItsBoxIsOpen) {
  int calls = 0;
  TMessageBoxHookScope scope([&](std::string_view, std::string_view, TMessageBoxIcon) {
    ++calls;
    SetMessageBoxHook({});  // the box being shown is not cut short
  });
  ShowMessageBox("x", "y");
  EXPECT_EQ(calls, 1);
}

TEST(MessageBoxHook, WithoutAHookTheTextGoesToStderrInUtf8) {
  TMessageBoxHookScope none({});
  testing::internal::CaptureStderr();
  ShowMessageBox(platform::Utf8ToGbk("文件错误"), platform::Utf8ToGbk("提示信息"),
                 TMessageBoxIcon::Error);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "提示信息: 文件错误\n");
}

}  // namespace
}  // namespace model
