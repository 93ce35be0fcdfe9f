#pragma once
// Test doubles for the editor's interfaces, and a temporary program directory. Shared by the
// core and the Qt tests.
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "editor/core/Clipboard.h"
#include "editor/core/Dialogs.h"
#include "editor/core/Main.h"
#include "platform/base/AtomicFile.h"

namespace editor::test {

// Answers from a script (Cancel once it runs out) and remembers every box.
class TFakeDialogs : public TDialogs {
 public:
  struct TBox {
    std::string Text, Caption;  // GBK
    TMessageIcon Icon;
    TMessageButtons Buttons;
  };
  TMessageAnswer MessageBox(std::string_view text, std::string_view caption, TMessageIcon icon,
                            TMessageButtons buttons) override {
    Boxes.push_back({std::string(text), std::string(caption), icon, buttons});
    if (Answers.empty()) return buttons == TMessageButtons::Ok ? TMessageAnswer::Ok : TMessageAnswer::Cancel;
    TMessageAnswer answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  // The file names given, in order (nothing: cancelled once they run out).
  std::optional<std::string> OpenFileName(const TFileRequest& request) override {
    FileRequests.push_back(request);
    return NextFile();
  }
  std::optional<std::string> SaveFileName(const TFileRequest& request) override {
    FileRequests.push_back(request);
    return NextFile();
  }
  bool StartupPassword() override {
    ++PasswordPrompts;
    return PasswordAccepted;
  }
  // Remembers what each preview was given; `WhilePreviewing` runs while it is "open".
  void ShowPreview(const TPreviewRequest& request) override {
    Previews.push_back(request);
    if (WhilePreviewing) WhilePreviewing(request);
  }

  std::deque<TMessageAnswer> Answers;
  std::vector<TBox> Boxes;
  std::deque<std::optional<std::string>> Files;  // GBK paths
  std::vector<TFileRequest> FileRequests;
  bool PasswordAccepted = false;
  int PasswordPrompts = 0;
  std::vector<TPreviewRequest> Previews;
  std::function<void(const TPreviewRequest&)> WhilePreviewing;

 private:
  std::optional<std::string> NextFile() {
    if (Files.empty()) return std::nullopt;
    std::optional<std::string> file = Files.front();
    Files.pop_front();
    return file;
  }
};

// Records what the logic shows; text is 8 pixels a byte.
class TFakeView : public TMainView {
 public:
  void SetCaption(const std::string& gbk) override { Caption = gbk; }
  void SetPlacement(const TWindowPlacement& p) override {
    Place = p;
    ++Placements;
  }
  TWindowPlacement Placement() const override { return Place; }
  void SetObjectListHeight(int h) override { ListHeight = h; }
  int ObjectListHeight() const override { return ListHeight; }
  void SetMenuThreePosition(int left, int top) override {
    MenuLeft = left;
    MenuTop = top;
  }
  int MenuThreeLeft() const override { return MenuLeft; }
  int MenuThreeTop() const override { return MenuTop; }
  void SetRecentFiles(const std::vector<TRecentItem>& items) override { Recent = items; }
  void SetEditPanelSize(int w, int h) override {
    EditWidth = w;
    EditHeight = h;
  }
  int StatusBarClientWidth() const override { return BarWidth; }
  int TipTextWidth(const std::string& gbk) const override { return int(gbk.size()) * 8; }
  void StatusPanelsChanged() override { ++PanelRepaints; }
  void TipsAreaChanged() override { ++TipRepaints; }

  std::string Caption;
  TWindowPlacement Place;
  int Placements = 0;
  int ListHeight = 0, MenuLeft = -1, MenuTop = -1;
  std::vector<TRecentItem> Recent;
  int EditWidth = 0, EditHeight = 0;
  int BarWidth = 1000;
  int PanelRepaints = 0, TipRepaints = 0;
};

class TFakeClipboard : public TClipboardAccess {
 public:
  bool HasDisplayFormat() const override { return HasOurs; }
  std::string DisplayFormat() const override { return HasOurs ? Bytes : std::string(); }
  void SetDisplayFormat(const std::string& bytes) override {
    HasOurs = true;
    HasOther = false;
    Bytes = bytes;
  }
  void Clear() override {
    HasOurs = HasOther = false;
    Bytes.clear();
    ++Clears;
  }
  bool HasOurs = false;
  bool HasOther = false;  // something another program put there
  std::string Bytes;
  int Clears = 0;
};

// A folder of its own under the system's temporary folder, removed at the end. Path() ends in
// "/".
class TTempFolder {
 public:
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern + "/" : std::string();
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }
  void Write(const std::string& name, const std::string& content) const {
    std::ofstream(File(name), std::ios::binary) << content;
  }
  std::string Read(const std::string& name) const {
    std::string content;
    platform::ReadWholeFile(File(name), content);
    return content;
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

 private:
  std::string path_;
};

}  // namespace editor::test
