#pragma once
// What the editor asks of the person at the screen. Core code calls these and gets the answer
// back; the Qt program answers with modal dialogs, tests answer from a script. Every text here is
// GBK, like the model's strings.
//
// Issues that bring more dialogs add their slot here, each returning what the dialog decided.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace editor {

enum class TMessageIcon { None, Information, Question, Warning, Error };
enum class TMessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
// Closing a box without choosing (Escape, the close button) answers Cancel where the box has
// Cancel, No where it has only Yes and No, and Ok for a box with one button.
enum class TMessageAnswer { Ok, Cancel, Yes, No };

// A file dialog: its title, its filter ("description|pattern", several pairs joined by "|",
// patterns separated by ";"), the initial file name and the extension (without the dot) a
// typed name without one is given ("" for none).
struct TFileRequest {
  TFileRequest(std::string title = {}, std::string filter = {}, std::string fileName = {},
               std::string defaultExt = {})
      : Title(std::move(title)),
        Filter(std::move(filter)),
        FileName(std::move(fileName)),
        DefaultExt(std::move(defaultExt)) {}

  std::string Title;
  std::string Filter;
  std::string FileName;
  std::string DefaultExt;
};

// What the preview window plays: a screen's size, a program (the preview's own copy) and a
// 112-byte parameter block, whose u16 at offset 4 is the colour mode and at offset 6 the step
// time in ms.
struct TPreviewRequest {
  static constexpr size_t ParamBlockSize = 112;
  uint16_t Width = 0;
  uint16_t Height = 0;
  std::vector<uint8_t> Program;
  std::array<uint8_t, ParamBlockSize> ParamBlock{};
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;

  // A message box over the active window; returns the button chosen.
  virtual TMessageAnswer MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                                    TMessageButtons buttons) = 0;
  // A file to open (it must exist) or to save, as a GBK path; nothing when the user cancels.
  virtual std::optional<std::string> OpenFileName(const TFileRequest& request) = 0;
  virtual std::optional<std::string> SaveFileName(const TFileRequest& request) = 0;
  // The system-password prompt shown at start-up when "Enter" is 1; true when the password was
  // accepted.
  virtual bool StartupPassword() = 0;
  // The preview window, modally: plays `request` and returns when it closes. One asked for while
  // a preview is open waits until that one has closed; the call may then return at once.
  virtual void ShowPreview(const TPreviewRequest& request) = 0;
};

// "提示信息", the caption of the editor's message boxes, in GBK.
const std::string& MessageCaption();

}  // namespace editor
