#pragma once
// The main window's commands without a window: a recording commands view (with an object tree
// that keeps its selection by place, as a tree widget does), scripted modal dialogs and
// notifier, and a rig that starts a main window with them up to its first show.
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/core/Commands.h"
#include "editor/core/Main.h"
#include "editor/core/PropertyEditor.h"
#include "editor/core/tests/Fakes.h"
#include "editor/core/tests/Projects.h"
#include "model/FormConstructEx.h"
#include "model/IDCreater.h"
#include "model/objects/Texts.h"

namespace editor::test {

class TFakeCommandsView : public TCommandsView {
 public:
  TFakeCommandsView(TDialogs& dialogs) : dialogs_(dialogs) {}

  void AttachDesigner(TDesign& design) override { Designer = &design; }
  TPropertyEditor& AttachInspector() override {
    Inspector = std::make_unique<TPropertyEditor>(window_, dialogs_, chooser_);
    return *Inspector;
  }
  void ShowTree(const std::vector<TTreeEntry>& entries) override {
    Tree = entries;
    ++TreeBuilds;
    // A node that went takes the selection to the one before it, or up to its parent.
    while (!Selected.empty()) {
      const std::vector<TTreeEntry>* level = &Tree;
      bool found = true;
      for (size_t depth = 0; depth + 1 < Selected.size(); ++depth) {
        if (Selected[depth] >= level->size()) {
          found = false;
          break;
        }
        level = &(*level)[Selected[depth]].Children;
      }
      if (found && Selected.back() < level->size()) break;
      if (found && !level->empty()) {
        Selected.back() = level->size() - 1;
        break;
      }
      Selected.pop_back();
    }
  }
  void ExpandTree() override { ++Expansions; }
  void SelectTreeNode(const platform::TComponent* component) override {
    std::vector<size_t> path;
    if (Find(Tree, component, path)) Selected = path;
  }
  TTreeNodeInfo SelectedTreeNode() const override {
    const TTreeEntry* entry = SelectedEntry();
    if (!entry) return {};
    return {entry->Component, int(Selected.size()) - 1};
  }
  void PopupDesignMenu(const std::vector<TCommandState>& states, int x, int y) override {
    DesignPopups.push_back({states, x, y});
  }
  void PopupTreeMenu(const std::vector<TCommandState>& states, int x, int y) override {
    TreePopups.push_back({states, x, y});
  }
  void CloseWindow() override { ++Closes; }
  void ShowAbout() override { ++Abouts; }

  const TTreeEntry* SelectedEntry() const {
    const std::vector<TTreeEntry>* level = &Tree;
    const TTreeEntry* entry = nullptr;
    for (size_t index : Selected) {
      if (index >= level->size()) return nullptr;
      entry = &(*level)[index];
      level = &entry->Children;
    }
    return entry;
  }
  // Texts of the tree, depth first, indented two spaces a level.
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    AddLines(Tree, "", lines);
    return lines;
  }

  struct TPopup {
    std::vector<TCommandState> States;
    int X, Y;
  };
  TDesign* Designer = nullptr;
  std::unique_ptr<TPropertyEditor> Inspector;
  std::vector<TTreeEntry> Tree;
  std::vector<size_t> Selected;  // the path of the selected node; empty: none
  int TreeBuilds = 0, Expansions = 0, Closes = 0, Abouts = 0;
  std::vector<TPopup> DesignPopups, TreePopups;

 private:
  class TWindow : public TPropertyEditorWindow {
   public:
    int ClientWidth() const override { return 240; }
    int ClientHeight() const override { return 400; }
    void Invalidate() override {}
    int DoubleClickTime() const override { return 400; }
    void SetEditVisible(bool) override {}
    void SetEditBounds(const platform::TRect&) override {}
    void SetEditReadOnly(bool) override {}
    std::string EditText() const override { return Text; }
    void SetEditText(const std::string& gbk) override { Text = gbk; }
    void FocusEdit(bool) override {}
    void SetButton(bool, TButtonGlyph, const platform::TRect&) override {}
    void SetScrollBar(bool, int, int, int) override {}
    void ShowList(const std::vector<std::string>&, int, const platform::TRect&) override {}
    void HideList() override {}
    int ListTextWidth(const std::vector<std::string>&) const override { return 0; }
    std::string Text;
  };
  class TChooser : public TPropertyChooser {
   public:
    bool ChooseFont(platform::TFontDescription&) override { return false; }
    bool ChooseColor(platform::TColor&) override { return false; }
  };

  static bool Find(const std::vector<TTreeEntry>& level, const platform::TComponent* component,
                   std::vector<size_t>& path) {
    for (size_t i = 0; i < level.size(); ++i) {
      path.push_back(i);
      if (level[i].Component == component || Find(level[i].Children, component, path)) return true;
      path.pop_back();
    }
    return false;
  }
  static void AddLines(const std::vector<TTreeEntry>& level, const std::string& indent,
                       std::vector<std::string>& lines) {
    for (const TTreeEntry& entry : level) {
      lines.push_back(indent + entry.Text);
      AddLines(entry.Children, indent + "  ", lines);
    }
  }

  TDialogs& dialogs_;
  TWindow window_;
  TChooser chooser_;
};

class TFakeCommandDialogs : public TCommandDialogs {
 public:
  bool Available(TModalDialog dialog) const override {
    return std::find(Missing.begin(), Missing.end(), dialog) == Missing.end();
  }
  bool Execute(TModalDialog dialog) override {
    Shown.push_back(dialog);
    if (OnExecute) OnExecute(dialog);
    if (Answers.empty()) return true;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  std::vector<TModalDialog> Missing;
  std::vector<TModalDialog> Shown;
  std::deque<bool> Answers;  // what Execute answers, in order (true once they run out)
  std::function<void(TModalDialog)> OnExecute;
};

class TFakeNotifier : public TNotifier {
 public:
  void Notify(const std::string& title, const std::string& message) override { Notices.push_back({title, message}); }
  struct TNoticeShown {
    std::string Title, Message;
  };
  std::vector<TNoticeShown> Notices;
};

// A single-line text object on `page`, at (left, top), 40 x 16, named as the name generator
// names it.
inline model::TText* AddText(model::TLeaf& page, const std::string& text, int left = 0, int top = 0) {
  platform::TComponent* root = &page;
  while (root->Owner()) root = root->Owner();
  const int number = model::IDCreater().NewNameNumber(*root, "TText");
  auto* object = new model::TText(&page);
  object->SetName("Text" + std::to_string(number));
  object->SetParent(&page);
  object->SetText(text);
  object->SetBounds(left, top, 40, 16);
  return object;
}

// A main window with its commands, created and first shown with the program directory's
// "Default.spj" when a test wrote one (else the root's own default project).
struct TCommandsRig {
  TCommandsRig() {
    PrepareModel();
    TMainOptions options;
    options.ProgramDir = Dir.Path();
    options.Clock = &Clock;
    Form = std::make_unique<TDesignForm>(MainView, Dialogs, Clipboard, options);
    Commands = std::make_unique<TCommands>(*Form, View, Dialogs, Modal, Clipboard, Notifier);
  }
  ~TCommandsRig() {
    Form->Destroy();
    Commands.reset();
    Form.reset();
  }
  // Creation and first show.
  void Start() {
    Form->Create();
    Form->FirstShow();
  }

  model::TConstructer& Root() { return *Form->ProjectRoot(); }
  model::TLEDScreen& Screen() { return *Form->CurrentScreenObject(); }
  model::TLeaf& Page() { return *Form->CurrentLeaf(); }
  TDesign& Design() { return *Commands->Design(); }
  TPropertyEditor& Inspector() { return *Commands->Inspector(); }

  TTempFolder Dir;
  platform::TFakeClock Clock{5000};
  TFakeView MainView;
  TFakeDialogs Dialogs;
  TFakeClipboard Clipboard;
  TFakeCommandsView View{Dialogs};
  TFakeCommandDialogs Modal;
  TFakeNotifier Notifier;
  std::unique_ptr<TDesignForm> Form;
  std::unique_ptr<TCommands> Commands;
};

}  // namespace editor::test
