#pragma once
// The main window `MainForm` (the form `DesignForm`): tool bars, the inspector and object-list
// panels, the scroll box with the edit panel, and the status bar, laid out as the design says
// and named as its components, so the skin can restyle them by name. All logic is in
// editor/core's TDesignForm; this view only shows it and passes events on.
#include <QAbstractScrollArea>
#include <QIcon>
#include <QWidget>
#include <QTreeWidgetItem>
#include <array>
#include <functional>
#include <memory>

#include "editor/core/Commands.h"
#include "editor/core/Main.h"
#include "editor/ui/PropertyEditor.h"

class QAction;
class QMenu;
class QToolBar;
class QTreeWidget;

namespace skin {
class TskForm;
class TskMainMenu;
class TskPanel;
class TskPopupForm;
class TskPopupMenu;
}  // namespace skin

namespace editor {
class TDesign;
class TPropertyChooser;
}  // namespace editor

namespace editor::ui {

class TDesignView;
class TPropertyEditorView;
class TStatusBarView;

// A node of the object tree: it shows its component and knows it (null once freed).
class TObjectNode : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  platform::TComponentRef<platform::TComponent> Component;
  int Level() const;
};

// `ScrollBox1`: scrolls `EditPanel`, centred while it is smaller than the client area.
class TScrollBox : public QAbstractScrollArea {
 public:
  explicit TScrollBox(QWidget* parent = nullptr);
  QWidget* EditPanel() const { return editPanel_; }
  QWidget* Container() const { return container_; }
  void SetEditPanelSize(int width, int height);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  void UpdateScrollBars();
  void PlacePanel();
  QWidget* editPanel_;
  QWidget* container_;
};

// `Panel1`: the inspector panel over the object-list panel. The list panel keeps its own height
// (it collapses to its title and expands again by itself); the inspector takes the rest, and a
// drag on the gap between them sets the list's height.
class TLeftPanel : public QWidget {
 public:
  static constexpr int Gap = 3;
  TLeftPanel(QWidget* parent, skin::TskPanel* top, skin::TskPanel* bottom);
  void Arrange();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  skin::TskPanel* top_;
  skin::TskPanel* bottom_;
  int dragFrom_ = -1;
};

class TNoticePopup;

class TDesignFormView : public QWidget, public TMainView, private TCommandsView {
 public:
  static constexpr int DesignWidth = 1115, DesignHeight = 684;

  // `modal` opens the other units' dialogs for the commands and `notifier` shows the card
  // notices; null: no such dialog exists, and the window's own popup notifier.
  TDesignFormView(TDialogs& dialogs, TClipboardAccess& clipboard, TMainOptions options,
                  TCommandDialogs* modal = nullptr, TNotifier* notifier = nullptr);
  ~TDesignFormView() override;

  TDesignForm& Form() { return *form_; }
  TCommands& Commands() { return *commands_; }
  // The action of a command (one per command, in every place it shows).
  QAction* Action(TCommand command) const { return actions_[size_t(command)]; }
  // The popup notifier `NoticePopup`, when the window shows the notices itself.
  TNoticePopup* Notices() const { return notices_; }
  skin::TskForm* SkinFrame() const { return skinFrame_; }
  skin::TskMainMenu* MainMenu() const { return mainMenu_; }
  // Enables every action whose dialog or class exists.
  void RefreshActions();
  // The icon of an image index of `ImageList1` (none outside it).
  QIcon ImageListIcon(int index) const;
  // Called once the window has closed (the close request said yes).
  void SetOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
  // Closes the window as a close request answered No: the program was told to end.
  void CloseAnsweringNo();

  QMenu* FileMenu() const { return fileMenu_; }
  QMenu* EditMenu() const { return editMenu_; }
  QMenu* DesignPopup() const { return designPopup_; }
  QMenu* TreePopup() const { return treePopup_; }
  QToolBar* ToolBar(int number) const;
  TStatusBarView* StatusBar() const { return statusBar_; }
  TScrollBox* ScrollBox() const { return scrollBox_; }
  QTreeWidget* ObjectList() const { return objectList_; }
  skin::TskPanel* ObjectInspect() const { return objectInspect_; }
  skin::TskPanel* ObjectListPanel() const { return listPanel_; }

  // First show, steps 8 and 9: the designer's view inside `Container`, at its top-left, and
  // the inspector filling `ObjectInspect`. Each replaces the one placed before; the window owns
  // the views, the caller the designer and the dialogs.
  TDesignView* PlaceDesigner(TDesign& design);
  TPropertyEditorView* PlaceInspector(TDialogs& dialogs, TPropertyChooser& chooser);
  TDesignView* DesignView() const { return designView_; }
  TPropertyEditorView* Inspector() const { return inspector_; }
  // Shows the About box (set by the program once the box exists).
  void SetOnAbout(std::function<void()> onAbout) { onAbout_ = std::move(onAbout); }

  // TMainView
  void SetCaption(const std::string& gbk) override;
  void SetPlacement(const TWindowPlacement& placement) override;
  TWindowPlacement Placement() const override;
  void SetObjectListHeight(int height) override;
  int ObjectListHeight() const override;
  void SetMenuThreePosition(int left, int top) override;
  int MenuThreeLeft() const override;
  int MenuThreeTop() const override;
  void SetRecentFiles(const std::vector<TRecentItem>& items) override;
  void SetEditPanelSize(int width, int height) override;
  int StatusBarClientWidth() const override;
  int TipTextWidth(const std::string& gbk) const override;
  void StatusPanelsChanged() override;
  void TipsAreaChanged() override;
  void TipsAreaScrolled(int dx) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // TCommandsView
  void AttachDesigner(TDesign& design) override;
  TPropertyEditor& AttachInspector() override;
  void ShowTree(const std::vector<TTreeEntry>& entries) override;
  void ExpandTree() override;
  void SelectTreeNode(const platform::TComponent* component) override;
  TTreeNodeInfo SelectedTreeNode() const override;
  void PopupDesignMenu(const std::vector<TCommandState>& states, int x, int y) override;
  void PopupTreeMenu(const std::vector<TCommandState>& states, int x, int y) override;
  void CloseWindow() override;
  void ShowAbout() override;

  void BuildActions();
  void BuildMenus();
  void BuildToolBars();
  void ArrangeControlBar();
  void BuildObjectList();
  void ApplyStates(const std::vector<TCommandState>& states);

  QWidget* controlBar_ = nullptr;
  std::array<QToolBar*, 8> toolBars_{};
  QMenu* fileMenu_ = nullptr;
  QMenu* editMenu_ = nullptr;
  QMenu* designPopup_ = nullptr;
  QMenu* treePopup_ = nullptr;
  std::array<QAction*, size_t(TCommand::CampaignTime) + 1> actions_{};
  std::vector<QIcon> imageList_;
  skin::TskForm* skinFrame_ = nullptr;
  skin::TskMainMenu* mainMenu_ = nullptr;
  TLeftPanel* leftPanel_ = nullptr;
  skin::TskPanel* objectInspect_ = nullptr;
  skin::TskPanel* listPanel_ = nullptr;
  QTreeWidget* objectList_ = nullptr;
  TScrollBox* scrollBox_ = nullptr;
  TStatusBarView* statusBar_ = nullptr;
  TDesignView* designView_ = nullptr;
  TPropertyEditorView* inspector_ = nullptr;
  std::vector<QAction*> recentActions_;
  std::function<void()> onClosed_;
  std::function<void()> onAbout_;
  bool answerNo_ = false;
  bool closed_ = false;
  bool shown_ = false;
  TDialogs& dialogs_;
  TQtPropertyChooser chooser_;
  std::unique_ptr<TCommandDialogs> noDialogs_;
  TNoticePopup* notices_ = nullptr;
  std::unique_ptr<TDesignForm> form_;  // it reads the widgets as it is destroyed
  // Goes before the form whose hooks it set.
  std::unique_ptr<TCommands> commands_;
};

}  // namespace editor::ui
