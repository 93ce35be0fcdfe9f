#pragma once
// The one place where an exception leaving a handler ends: an action, an event, a window message
// or a timer. It is shown in a message box with its text, and the loop goes on.
#include <exception>

#include "editor/core/Dialogs.h"

namespace editor::ui {

class TErrorGuard {
 public:
  // Where errors are shown; null (the default) writes them to stderr.
  static void SetDialogs(TDialogs* dialogs);

  // Runs `handler`; an exception that leaves it is reported.
  template <typename F>
  static void Run(F&& handler) noexcept {
    try {
      handler();
    } catch (...) {
      Report(std::current_exception());
    }
  }
  static void Report(std::exception_ptr error) noexcept;
};

}  // namespace editor::ui
