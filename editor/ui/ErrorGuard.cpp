#include "ErrorGuard.h"

#include <cstdio>
#include <string>

#include "platform/base/GbkText.h"

namespace editor::ui {

namespace {

TDialogs* gDialogs = nullptr;

}  // namespace

void TErrorGuard::SetDialogs(TDialogs* dialogs) { gDialogs = dialogs; }

void TErrorGuard::Report(std::exception_ptr error) noexcept {
  std::string text;
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    text = e.what();  // our exceptions carry GBK text; the library's are ASCII
  } catch (...) {
    text = platform::Utf8ToGbk("发生了未知的错误");
  }
  try {
    if (gDialogs) {
      gDialogs->MessageBox(text, MessageCaption(), TMessageIcon::Error, TMessageButtons::Ok);
      return;
    }
  } catch (...) {
    // The box itself failed: fall through to stderr.
  }
  std::fprintf(stderr, "corvane: %s\n", platform::GbkToUtf8(text).c_str());
}

}  // namespace editor::ui
