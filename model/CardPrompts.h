#pragma once
// What the card operations ask of the person at the screen when a card sends data back. Each
// call returns the answer. The editor answers with modal dialogs: the link thread that raised
// the notification waits meanwhile, and other links' notifications and the timers still run
// inside the dialog, so the caller looks its screen up again afterwards. Tests fake it.
// Texts and paths are GBK, like every string of the model.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace model {

class TLEDScreen;

class TCardPrompts {
 public:
  virtual ~TCardPrompts() = default;

  // A question box with Yes and No; true for Yes.
  virtual bool AskYesNo(std::string_view caption, std::string_view text) = 0;
  // A save-file dialog with `filter` ("caption|pattern", as file dialogs take it) and
  // `fileName` preset; the chosen path, or nothing when the person cancels.
  virtual std::optional<std::string> AskSaveFileName(std::string_view filter,
                                                     std::string_view fileName) = 0;
  // Shows the preview window modally for program data that the card of `source` sent back,
  // with that screen's size and parameter block, and returns when it closes. `program` is the
  // caller's copy, valid for the call only. When a preview is open already, this one waits
  // and opens once that one has closed; the call may then return at once.
  virtual void ShowPreview(const TLEDScreen& source, std::span<const uint8_t> program) = 0;
};

}  // namespace model
