#pragma once
// Message boxes the model shows on its own (a picture that does not load, a table file that
// cannot be read): one process-wide hook, so the model needs no widgets.
//
//   - The editor installs a hook that shows a modal box with an OK button over its active
//     window and returns when the box is closed.
//   - Tests install one that records the calls (TMessageBoxHookScope restores the previous
//     hook when the test ends).
//   - Without a hook the message goes to stderr as "caption: text", in UTF-8.
//
// Texts are GBK, like every model string. Everything here belongs to the GUI thread.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace model {

// The box's icon; Warning is the exclamation mark.
enum class TMessageBoxIcon : uint8_t { None, Information, Warning, Error };

using TMessageBoxHook =
    std::function<void(std::string_view text, std::string_view caption, TMessageBoxIcon icon)>;

// Installs `hook` and returns the one it replaces; an empty hook removes it.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

// Shows one message box (OK button) through the hook and returns once it is closed. The hook
// may be replaced while a box is open (a modal loop runs inside it); the open box is not
// affected.
void ShowMessageBox(std::string_view text, std::string_view caption,
                    TMessageBoxIcon icon = TMessageBoxIcon::None);

// "提示信息", GBK: the caption of the model's message boxes.
const std::string& MessageBoxCaption();

// Installs a hook for its lifetime and puts the previous one back afterwards.
class TMessageBoxHookScope {
 public:
  explicit TMessageBoxHookScope(TMessageBoxHook hook)
      : previous_(SetMessageBoxHook(std::move(hook))) {}
  ~TMessageBoxHookScope() { SetMessageBoxHook(std::move(previous_)); }
  TMessageBoxHookScope(const TMessageBoxHookScope&) = delete;
  TMessageBoxHookScope& operator=(const TMessageBoxHookScope&) = delete;

 private:
  TMessageBoxHook previous_;
};

}  // namespace model
