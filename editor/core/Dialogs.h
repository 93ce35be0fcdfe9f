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

#include "platform/base/DateTime.h"
#include "platform/base/FilePath.h"
#include "platform/gfx/FontDescription.h"

namespace model {
class TCards;
}

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
  // The folder the dialog starts in (GBK): the folder of the file the dialog is about, when it
  // has one. Empty or missing: the folder the last file dialog ended in.
  std::string InitialDir;

  // The request starting in the folder of `gbkFile` (nothing changes for a file without one).
  TFileRequest& StartingBeside(std::string_view gbkFile) {
    InitialDir = platform::ExtractFilePath(gbkFile);
    return *this;
  }
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

  // The system-password prompt ("请输入系统密码"), at start-up when "Enter" is 1 and before the
  // guarded commands; true when the password was accepted.
  virtual bool InputPassword() = 0;
  // The set-password dialog ("口令设置"); true when it stored a new password.
  virtual bool SetPassword() = 0;
  // The project dialog ("系统工程设置"). It edits the default project "Default.spj", never the
  // open one.
  virtual void ProjectSettings() = 0;
  // The campaign-time dialog ("作战时间设置"); true when it set the campaign time.
  virtual bool SetCampaignTime() = 0;
  // The sub-card dialog ("子卡通讯参数设置") on a screen's sub-card container, which it changes in
  // place.
  virtual void EditSubCards(model::TCards& cards) = 0;
  // The date-time dialog ("日期、时间输入"), its date starting at `initial`'s: the chosen moment as
  // "YYYY-MM-DD HH:NN:SS", or nothing when cancelled.
  virtual std::optional<std::string> InputDateTime(platform::TDateTime initial) = 0;
  // The rich-text dialog ("文字输入") on a file (a GBK path, "" for none): once accepted, the file
  // the text is in (the one given, one loaded, or one chosen on saving; "" when there is none);
  // nothing when abandoned.
  virtual std::optional<std::string> EditRichText(const std::string& gbkFileName) = 0;
  // The text-lines dialog ("文字输入") with its editor in `font`: the edited GBK lines, or
  // nothing when abandoned.
  virtual std::optional<std::vector<std::string>> EditTextLines(const std::vector<std::string>& gbkLines,
                                                                const platform::TFontDescription& font) = 0;
  // The preview window, modally: plays `request` and returns when it closes. One asked for while
  // a preview is open waits until that one has closed; the call may then return at once.
  virtual void ShowPreview(const TPreviewRequest& request) = 0;
};

// "提示信息", the caption of the editor's message boxes, in GBK.
const std::string& MessageCaption();
// What a display-content file that does not open says, in GBK.
const std::string& OpenFailureText();

}  // namespace editor
