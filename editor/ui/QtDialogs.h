#pragma once
// The editor's dialogs and clipboard as the Qt program has them: modal boxes over the active
// window, and QClipboard with the private format's MIME type.
#include "editor/core/Clipboard.h"
#include "editor/core/Dialogs.h"

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

class TQtClipboard : public TClipboardAccess {
 public:
  bool HasDisplayFormat() const override;
  std::string DisplayFormat() const override;
  void SetDisplayFormat(const std::string& bytes) override;
  void Clear() override;
};

}  // namespace editor::ui
