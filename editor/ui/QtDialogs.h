#pragma once
// The editor's dialogs and clipboard as the Qt program has them: modal boxes over the active
// window, the program's own dialogs (made at start-up), and QClipboard with the private
// format's MIME type.
#include <QString>
#include <string>

#include "editor/core/Clipboard.h"
#include "editor/core/Dialogs.h"
#include "editor/ui/ModalRun.h"
#include "model/CardPrompts.h"

namespace editor::ui {

class TCampaignFormView;
class TDateTimeInputFormView;
class TInputPassWordFormView;
class TMultiCardFormView;
class TMultiInputFormView;
class TMultiStringInputFormView;
class TPassFormView;
class TPrevForm;
class TProjectFormView;

// The program's dialogs that answer the slots of TDialogs, set as start-up makes them (not
// owned). A slot whose dialog is not made answers as if it was cancelled.
struct TQtForms {
  TInputPassWordFormView* InputPassWord = nullptr;
  TPassFormView* Pass = nullptr;
  TProjectFormView* Project = nullptr;
  TCampaignFormView* Campaign = nullptr;
  TMultiCardFormView* MultiCard = nullptr;
  TDateTimeInputFormView* DateTimeInput = nullptr;
  TMultiInputFormView* MultiInput = nullptr;
  TMultiStringInputFormView* MultiStringInput = nullptr;
};

class TQtDialogs : public TDialogs {
 public:
  // `programDir`: where the password file lives (OS path ending in "/"); empty: the program
  // directory.
  explicit TQtDialogs(std::string programDir = {});

  TMessageAnswer MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                            TMessageButtons buttons) override;
  std::optional<std::string> OpenFileName(const TFileRequest& request) override;
  std::optional<std::string> SaveFileName(const TFileRequest& request) override;
  // The prompt; before start-up has made it (the start-up prompt runs as the main window is
  // made), a prompt of its own.
  bool InputPassword() override;
  bool SetPassword() override;
  void ProjectSettings() override;
  bool SetCampaignTime() override;
  void EditSubCards(model::TCards& cards) override;
  std::optional<std::string> InputDateTime(platform::TDateTime initial) override;
  std::optional<std::string> EditRichText(const std::string& gbkFileName) override;
  std::optional<std::vector<std::string>> EditTextLines(const std::vector<std::string>& gbkLines,
                                                        const platform::TFontDescription& font) override;
  // The preview window made at start-up (SetPreviewForm); nothing is shown before it exists.
  void ShowPreview(const TPreviewRequest& request) override;
  void SetPreviewForm(TPrevForm* form) { previewForm_ = form; }

  TQtForms Forms;
  // How the program's dialogs run modally (empty: their modal loop).
  TModalRun RunModal;

 private:
  std::string programDir_;
  TPrevForm* previewForm_ = nullptr;
  // Where the last file dialog ended (OS path), for a request without a folder of its own.
  QString lastFolder_;
};

// The project root's questions about data a card sends back, as modal boxes and a save dialog;
// its previews go to the program's dialogs.
class TQtCardPrompts : public model::TCardPrompts {
 public:
  explicit TQtCardPrompts(TDialogs& dialogs) : dialogs_(dialogs) {}
  bool AskYesNo(std::string_view caption, std::string_view text) override;
  std::optional<std::string> AskSaveFileName(std::string_view filter, std::string_view fileName) override;
  // The read-back with the size and parameter block of the screen it came from.
  void ShowPreview(const model::TLEDScreen& source, std::span<const uint8_t> program) override;

 private:
  TDialogs& dialogs_;
};

class TQtClipboard : public TClipboardAccess {
 public:
  bool HasDisplayFormat() const override;
  std::string DisplayFormat() const override;
  void SetDisplayFormat(const std::string& bytes) override;
  void Clear() override;
};

}  // namespace editor::ui
