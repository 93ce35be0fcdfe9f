#pragma once
// The editor's dialogs and clipboard as the Qt program has them: modal boxes over the active
// window, and QClipboard with the private format's MIME type.
#include "editor/core/Clipboard.h"
#include "editor/core/Dialogs.h"
#include "model/CardPrompts.h"

namespace editor::ui {

class TPrevForm;

class TQtDialogs : public TDialogs {
 public:
  TMessageAnswer MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                            TMessageButtons buttons) override;
  std::optional<std::string> OpenFileName(const TFileRequest& request) override;
  std::optional<std::string> SaveFileName(const TFileRequest& request) override;
  // Refused until the system-password dialog exists: with "Enter" = 1 the program ends.
  bool StartupPassword() override { return false; }
  // The preview window made at start-up (SetPreviewForm); nothing is shown before it exists.
  void ShowPreview(const TPreviewRequest& request) override;
  void SetPreviewForm(TPrevForm* form) { previewForm_ = form; }

 private:
  TPrevForm* previewForm_ = nullptr;
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
