#pragma once
// The editor's dialogs and clipboard as the Qt program has them: modal boxes over the active
// window, and QClipboard with the private format's MIME type.
#include <functional>

#include "editor/core/Clipboard.h"
#include "editor/core/Dialogs.h"
#include "model/CardPrompts.h"

namespace editor::ui {

class TQtDialogs : public TDialogs {
 public:
  TMessageAnswer MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                            TMessageButtons buttons) override;
  std::optional<std::string> OpenFileName(const TFileRequest& request) override;
  std::optional<std::string> SaveFileName(const TFileRequest& request) override;
  // Refused until the system-password dialog exists: with "Enter" = 1 the program ends.
  bool StartupPassword() override { return false; }
};

// The project root's questions about data a card sends back, as modal boxes and a save dialog.
class TQtCardPrompts : public model::TCardPrompts {
 public:
  bool AskYesNo(std::string_view caption, std::string_view text) override;
  std::optional<std::string> AskSaveFileName(std::string_view filter, std::string_view fileName) override;
  // Runs the preview window, once there is one (SetPreview); until then nothing is shown.
  void ShowPreview() override;
  void SetPreview(std::function<void()> preview) { preview_ = std::move(preview); }

 private:
  std::function<void()> preview_;
};

class TQtClipboard : public TClipboardAccess {
 public:
  bool HasDisplayFormat() const override;
  std::string DisplayFormat() const override;
  void SetDisplayFormat(const std::string& bytes) override;
  void Clear() override;
};

}  // namespace editor::ui
