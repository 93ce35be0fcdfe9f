#pragma once
// The main window's commands (TCommands): every menu item, tool button and pop-up item of
// CommandTable.h carried out on the main window's state (TDesignForm), the project root, the
// designer and the inspector; the object tree kept in step with the project; the designer's and
// the inspector's events; and the notices about cards that cannot be reached.
//
// What it needs of the world sits behind small interfaces, so tests drive it without a window:
// TCommandsView (the designer's and inspector's places, the object tree, the pop-up menus),
// TDialogs (message boxes, file dialogs, the preview window, the system password, the project
// and campaign dialogs), TCommandDialogs (the modal dialogs of the other units),
// TClipboardAccess and TNotifier. Card operations are only queued on the project root;
// no command waits for a card.
//
// Everything here belongs to the GUI thread.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/core/Clipboard.h"
#include "editor/core/CommandTable.h"
#include "editor/core/Design.h"
#include "editor/core/Dialogs.h"
#include "editor/core/Main.h"
#include "editor/core/ObjectTree.h"
#include "platform/component/Component.h"

namespace model {
class TConstructer;
class TLEDScreen;
class TLeaf;
}  // namespace model

namespace editor {

class TPropertyEditor;

// The file dialogs' filters and initial names (GBK).
const TFileRequest& DisplayFileRequest();  // "显示内容描述文件|*.fmt", "*.fmt"
TFileRequest InsertFileRequest(TInsertFile file);

// The modal dialogs the commands open; each belongs to another unit and may not exist yet.
enum class TModalDialog : uint8_t {
  BrightAdjust,    // the brightness dialog, with the current screen's Bright
  PowerSchedule,   // reads the current screen's power schedule, then the dialog
  BrightSchedule,  // likewise for the brightness schedule
  AutoSend,
  OnLineList,
  RemoteServer,
  CardSettings,
};

class TCommandDialogs {
 public:
  virtual ~TCommandDialogs() = default;
  // Whether the dialog exists in this program; a command that needs a missing one is disabled.
  virtual bool Available(TModalDialog dialog) const = 0;
  // Shows the dialog modally.
  virtual void Execute(TModalDialog dialog) = 0;
};

// The popup notices about cards (title and message, GBK); a new notice replaces the one shown.
class TNotifier {
 public:
  virtual ~TNotifier() = default;
  virtual void Notify(const std::string& title, const std::string& message) = 0;
};

// A command's enabled state in a menu that is about to show.
struct TCommandState {
  TCommand Command;
  bool Enabled;
  bool operator==(const TCommandState&) const = default;
};

// The object tree's selected node: its component (null once freed) and its level; level -1
// when no node is selected.
struct TTreeNodeInfo {
  platform::TComponent* Component = nullptr;
  int Level = -1;
};

// What the commands need of the main window's view.
class TCommandsView {
 public:
  virtual ~TCommandsView() = default;
  // First show: the designer's view inside `Container`, the inspector inside `ObjectInspect`.
  virtual void AttachDesigner(TDesign& design) = 0;
  virtual TPropertyEditor& AttachInspector() = 0;
  // The object tree shows `entries`: the nodes there are kept and renamed in place, missing ones
  // made, surplus ones deleted. Selection changes this causes are not reported back.
  virtual void ShowTree(const std::vector<TTreeEntry>& entries) = 0;
  virtual void ExpandTree() = 0;
  // Selects the node of `component` (none shows it: the selection stays), unreported.
  virtual void SelectTreeNode(const platform::TComponent* component) = 0;
  virtual TTreeNodeInfo SelectedTreeNode() const = 0;
  // The design surface's and the object tree's pop-up menus, with these items enabled or not,
  // at a screen point.
  virtual void PopupDesignMenu(const std::vector<TCommandState>& states, int x, int y) = 0;
  virtual void PopupTreeMenu(const std::vector<TCommandState>& states, int x, int y) = 0;
  // The File menu's exit and the About box.
  virtual void CloseWindow() = 0;
  virtual void ShowAbout() = 0;
};

class TCommands {
 public:
  // Sets the main window's hooks to its own handlers (first show, the tree, the status
  // notices, Save, preview, recent files, the object editors, destruction).
  TCommands(TDesignForm& main, TCommandsView& view, TDialogs& dialogs, TCommandDialogs& modal,
            TClipboardAccess& clipboard, TNotifier& notifier);
  ~TCommands();
  TCommands(const TCommands&) = delete;
  TCommands& operator=(const TCommands&) = delete;

  // Runs a command; one that cannot run now does nothing.
  void Execute(TCommand command);
  // False for commands whose dialog or class does not exist in this program.
  bool Available(TCommand command) const;

  // Enabling, computed as the menu opens.
  std::vector<TCommandState> EditMenuStates() const;
  std::vector<TCommandState> DesignPopupStates() const;
  std::vector<TCommandState> TreePopupStates() const;

  // ---- Files ----
  void New();
  void Open();
  // A recent-file item, with the path it carries.
  void OpenRecent(const std::string& gbkPath);
  // True when the project was written (the modified flag is then cleared).
  bool Save();
  bool SaveAs();

  // ---- Edit ----
  void AddCard();
  void AddPage();
  void DeleteCard();
  void DeletePage();
  void DeleteSelected();
  void Copy();
  void Paste();
  void Cut();
  void SelectAll();
  void InvertSelection();
  void DeleteAll();
  void BringToFront();
  void SendToBack();
  enum class TAlignKind : uint8_t { Vertical, Horizontal, Both };
  void Align(TAlignKind kind);
  void DeleteTreeObject();
  // A display object of `className` on the current page; false when none was made.
  bool Insert(const TCommandInfo& info);

  // ---- Cards (queued on the project root) ----
  void SendCurrent();
  void SendAll();
  void DownloadCurrent();
  void DownloadAll();
  void SetPowerCurrent(int on);
  void SetPowerAll(int on);
  void AdjustTime();
  void RefreshStatus();
  void ReadDisplay();
  void SendComputerTime();
  void CampaignTime();

  // ---- Preview (PreView.h, on the current screen and page) ----
  void PreviewPage();
  void PreviewAll();

  // ---- The object tree ----
  void RebuildTree();
  // A node became selected / was clicked; the view passes its component and level.
  void TreeChange(platform::TComponent* component, int level);
  void TreeClick(platform::TComponent* component);
  // The right button on the tree, at a screen point.
  void TreeRightClick(int x, int y);

  // ---- Status ----
  // A screen's status changed (the panels already show the current screen): the notices.
  void ScreenStatusChanged(const model::TLEDScreen& screen);

  // First show, steps 8 and 9: the designer over the current page and the inspector.
  void ShowProject();
  // Destruction: the designer deactivated and freed, the inspector emptied.
  void FreeProject();

  TDesign* Design() const { return design_.get(); }
  TPropertyEditor* Inspector() const { return inspector_; }

 private:
  model::TConstructer* Root() const;
  model::TLEDScreen* Screen() const;
  model::TLeaf* Page() const;
  // The page `Container` shows now (null when none).
  model::TLeaf* ShownPage() const;
  void SetInspectorRoot(platform::TObject* root);
  // After every edit: the modified flag, and the page drawn anew.
  void Modified();
  // The current page into `Container`, the one shown before back to its screen.
  void ShowPage();
  void ShowPanels();
  void FitEditArea();
  // Yes/No question when modified; false when "Yes" did not save.
  bool ConfirmSave();
  bool WriteProject(const std::string& gbkPath);
  // Open and Open recent from the load on.
  void LoadProject(const std::string& gbkPath, const std::string& failureText, bool addRecent);
  void DesignerOff();
  void DesignerOn();
  // The single control the designer has selected (not the page, not a multi-selection).
  platform::TControl* SingleSelected() const;
  int SelectedCount() const;
  bool HasSelection() const;

  // The designer's and the inspector's events.
  void SelectChanged(platform::TComponent* sender);
  void DesignDblClick(platform::TObject* sender);
  void DesignKeyDown(uint16_t& key);
  void DesignMouseDown(TMouseButton button, int x, int y);
  void DesignChanged(platform::TComponent* sender);
  void InspectorChanged(platform::TObject* sender);
  // An edit outside the designer changed `sender` (an object of the page or the selection):
  // the marks follow its bounds.
  void MarksFollow(platform::TObject* sender);
  // The double-click and property-editor tables for a control a message names.
  bool EditWith(TControlId id, bool doubleClickTable);

  TDesignForm& main_;
  TCommandsView& view_;
  TDialogs& dialogs_;
  TCommandDialogs& modal_;
  TClipboardAccess& clipboard_;
  TNotifier& notifier_;
  std::unique_ptr<TDesign> design_;
  TPropertyEditor* inspector_ = nullptr;
  // First show expands the tree once it is built.
  bool expandTree_ = false;
  // The controls double-clicks name in the main window's messages.
  TControlId nextControlId_ = 1;
  std::map<TControlId, std::unique_ptr<platform::TComponentRef<platform::TControl>>> postedControls_;
};

}  // namespace editor
