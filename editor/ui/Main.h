#pragma once
// The main window `MainForm` (the form `DesignForm`): tool bars, the inspector and object-list
// panels, the scroll box with the edit panel, and the status bar, laid out as the design says
// and named as its components, so the skin can restyle them by name. All logic is in
// editor/core's TDesignForm; this view only shows it and passes events on.
#include <QAbstractScrollArea>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "editor/core/Main.h"

class QAction;
class QGroupBox;
class QMenu;
class QSplitter;
class QToolBar;
class QTreeWidget;

namespace editor {
class TDesign;
class TPropertyChooser;
}  // namespace editor

namespace editor::ui {

class TDesignView;
class TPropertyEditorView;
class TStatusBarView;

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

class TDesignFormView : public QMainWindow, public TMainView {
 public:
  static constexpr int DesignWidth = 1115, DesignHeight = 684;

  TDesignFormView(TDialogs& dialogs, TClipboardAccess& clipboard, TMainOptions options);
  ~TDesignFormView() override;

  TDesignForm& Form() { return *form_; }
  // Called once the window has closed (the close request said yes).
  void SetOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }
  // Closes the window as a close request answered No: the program was told to end.
  void CloseAnsweringNo();

  QMenu* FileMenu() const { return fileMenu_; }
  QToolBar* ToolBar(int number) const;
  TStatusBarView* StatusBar() const { return statusBar_; }
  TScrollBox* ScrollBox() const { return scrollBox_; }
  QTreeWidget* ObjectList() const { return objectList_; }
  QGroupBox* ObjectInspect() const { return objectInspect_; }

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

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBars();
  void ArrangeControlBar();

  QWidget* controlBar_ = nullptr;
  std::array<QToolBar*, 8> toolBars_{};
  QMenu* fileMenu_ = nullptr;
  QSplitter* leftSplitter_ = nullptr;
  QGroupBox* objectInspect_ = nullptr;
  QGroupBox* listPanel_ = nullptr;
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
  std::unique_ptr<TDesignForm> form_;  // last: it reads the widgets as it is destroyed
};

}  // namespace editor::ui
