#include "MessageBoxHook.h"

#include <cstdio>
#include <string>
#include <utility>

#include "platform/base/GbkText.h"

namespace model {

namespace {

TMessageBoxHook& Hook() {
  static TMessageBoxHook hook;
  return hook;
}

}  // namespace

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

const std::string& MessageBoxCaption() {
  static const std::string caption = platform::Utf8ToGbk("提示信息");
  return caption;
}

void ShowMessageBox(std::string_view text, std::string_view caption, TMessageBoxIcon icon) {
  // A copy: the hook being shown may install another while its box is open.
  const TMessageBoxHook hook = Hook();
  if (hook) {
    hook(text, caption, icon);
    return;
  }
  const std::string line = platform::GbkToUtf8(caption) + ": " + platform::GbkToUtf8(text) + "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace model
