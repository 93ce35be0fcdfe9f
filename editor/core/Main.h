#pragma once
// The main window's state and logic (the form `DesignForm`): creation, first show, the close
// request and destruction, "Param.ini", the recent-file list, the 40 ms timer with the
// temporary-file queue and the tips marquee, the status-bar texts and the window messages.
//
// The window itself is a view behind TMainView (the Qt program's main window, or a fake in
// tests). The project side (project root, designer, inspector, commands) plugs in through
// TMainHooks; until those units exist the hooks stay empty and the window runs without a
// project.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/core/Clipboard.h"
#include "editor/core/Dialogs.h"
#include "editor/core/RecentFiles.h"
#include "editor/core/TempFiles.h"
#include "editor/core/Tips.h"
#include "platform/base/Clock.h"
#include "platform/base/MessageWindow.h"
#include "platform/base/SettingsFile.h"
#include "platform/base/Timer.h"
#include "platform/component/Control.h"

namespace model {
class TCardPrompts;
class TComponentManager;
class TConstructer;
class TLEDScreen;
class TLeaf;
}  // namespace model

namespace editor {

// The main window's messages.
inline constexpr uint32_t WM_EDIT_OBJECT = 0x401;    // wParam: the control's identity
inline constexpr uint32_t WM_EDIT_PROPERTY = 0x402;  // wParam: the control's identity
inline constexpr uint32_t WM_START_PREVIEW = 0x403;  // posted at the end of first show

// Names a control across a message's trip through the queue; the project side maps it back to
// the control, or to nothing when the control was freed meanwhile.
using TControlId = uint64_t;

// The status bar: 8 panels of these widths; the tips marquee fills the room from panel 7's left
// edge to 12 pixels short of the bar's right edge.
inline constexpr int StatusPanelCount = 8;
inline constexpr std::array<int, StatusPanelCount> StatusPanelWidths = {70, 140, 75, 140, 65, 90, 75, 50};
inline constexpr int TipsPanel = 7;
inline constexpr int TipsAreaLeft = 70 + 140 + 75 + 140 + 65 + 90 + 75;
inline constexpr int TipsAreaRightMargin = 12;
// Colours as 0x00BBGGRR.
inline constexpr uint32_t PureBlue = 0xFF0000, PureGreen = 0x00FF00, PureRed = 0x0000FF;
inline constexpr uint32_t TipsColor = 0xFF8000;  // red 0, green 128, blue 255

// Where the edit panel goes on one axis of the scroll box: centred while it is smaller than the
// client area, else where the scroll position puts it.
int CentredEdge(int clientSize, int panelSize, int scrollPosition);

struct TWindowPlacement {
  bool Maximized = true;
  int Left = 0, Top = 0, Width = 640, Height = 480;
};

// What the logic needs of its window.
class TMainView {
 public:
  virtual ~TMainView() = default;
  virtual void SetCaption(const std::string& gbk) = 0;
  virtual void SetPlacement(const TWindowPlacement& placement) = 0;
  // The window's state and bounds now (the bounds also while maximized).
  virtual TWindowPlacement Placement() const = 0;
  virtual void SetObjectListHeight(int height) = 0;
  virtual int ObjectListHeight() const = 0;
  virtual void SetMenuThreePosition(int left, int top) = 0;
  virtual int MenuThreeLeft() const = 0;
  virtual int MenuThreeTop() const = 0;
  // Replaces the recent-file items at the end of the File menu (a separator before them when
  // there are any).
  virtual void SetRecentFiles(const std::vector<TRecentItem>& items) = 0;
  virtual void SetEditPanelSize(int width, int height) = 0;
  virtual int StatusBarClientWidth() const = 0;
  // Width in pixels of a GBK text in the status bar's font.
  virtual int TipTextWidth(const std::string& gbk) const = 0;
  // Panels 1, 3 or 5 changed: repaint them now.
  virtual void StatusPanelsChanged() = 0;
  // The marquee moved: repaint the tips area.
  virtual void TipsAreaChanged() = 0;
  // The marquee moved on by `dx` pixels and shows nothing else: what it showed may be moved
  // over, and only the column that comes in drawn.
  virtual void TipsAreaScrolled(int dx) {
    (void)dx;
    TipsAreaChanged();
  }
};

// The parts of the main window that other units bring: the designer and inspector, the object
// tree and the commands. Every hook may stay empty.
struct TMainHooks {
  // First show, steps 8 and 9, once the current page is in `Container`: the designer and the
  // inspector are made and set.
  std::function<void()> ShowProject;
  // Rebuilds the object tree from the project (first show expands it fully).
  std::function<void()> RebuildTree;
  // The project root reported a screen's status change; the panels already show the current
  // screen's. The notices about the screen that changed go here.
  std::function<void(model::TLEDScreen& screen)> ScreenStatusChanged;
  // The Save command: true when the project was written.
  std::function<bool()> Save;
  std::function<void()> PreviewAll;
  std::function<void(const std::string& gbkPath)> OpenRecentFile;
  // The double-click table; false when no editor applies.
  std::function<bool(TControlId)> EditObject;
  // The property-editor table.
  std::function<void(TControlId)> EditProperty;
  // Destruction, before the project root goes: the designer (deactivated first) and the
  // inspector go.
  std::function<void()> FreeProject;
};

// The display classes that object text may name, registered in their order: the sensor classes,
// then the main window's seventeen (those whose units are built). A class already registered is
// not registered again, so a second application in one process finds the registry as the first
// left it.
void RegisterDisplayClasses(model::TComponentManager& registry);

// What first show and the New command load when there is no file: the program directory's
// "Default.spj" (a GBK path) into `root`. A screen without pages gets one page; a file that
// loads without any screen gets one screen. A file that does not load leaves what loading
// leaves (one screen with one page).
void LoadDefaultProject(model::TConstructer& root, const std::string& gbkPath);

struct TMainOptions {
  // The program directory in the OS's bytes, ending in "/"; "Param.ini", "Tips.txt" and
  // "Default.spj" live there. Empty: platform::ProgramDir().
  std::string ProgramDir;
  // The command line after the program name, as GBK text.
  std::vector<std::string> Args;
  // The clock of the 40 ms timer and of the temporary-file queue.
  platform::TClock* Clock = &platform::SteadyClock();
  // What the project root asks when a card sends data back; not owned. Null answers No.
  model::TCardPrompts* CardPrompts = nullptr;
  // How "Param.ini" is read and written; empty: the file itself.
  platform::TSettingsStorage SettingsStorage;
};

class TDesignForm {
 public:
  static constexpr uint32_t Timer1Interval = 40;

  TDesignForm(TMainView& view, TDialogs& dialogs, TClipboardAccess& clipboard, TMainOptions options = {});
  TDesignForm(const TDesignForm&) = delete;
  TDesignForm& operator=(const TDesignForm&) = delete;
  ~TDesignForm();

  TMainHooks& Hooks() { return hooks_; }

  // Creation: placement, the start-up password, recent files, caption, marquee, Timer1. False
  // when the program must end at once (the password was refused); nothing is shown or written
  // then.
  bool Create();
  // First show (runs once): the temporary folder, panel and tool bar positions, tips, the
  // command line, the project, the start message.
  void FirstShow();
  // The close request: true when the window may close. With `answerNo` the question is not
  // asked and answered No (the program was told to end): nothing is saved.
  bool CloseQuery(bool answerNo = false);
  // Destruction: writes the window's keys, saves the settings (the one write of "Param.ini" in a
  // run without settings dialogs) and frees the project side. Runs once, and only after a
  // completed Create.
  void Destroy();

  // The 40 ms timer: one temporary file, one marquee step.
  void Timer1Timer();
  platform::TTimer& Timer1() { return *timer1_; }

  // Operations for other units.
  bool AddTempFile(std::string_view gbkPath) { return tempFiles_.Add(gbkPath); }
  TTempFileQueue& TempFiles() { return tempFiles_; }
  // The folder for temporary files (GBK, ending in "/").
  const std::string& TempFolder() const { return tempFolder_; }
  void SetEditAreaSize(int width, int height);
  int EditPanelWidth() const { return editWidth_; }
  int EditPanelHeight() const { return editHeight_; }
  // Fills the File menu's recent items; returns the most recent path ("" when none).
  std::string LoadRecentFiles();
  // Puts the current file first in the stored list (nothing when there is none).
  void AddRecentFile();
  void OpenRecentFile(const std::string& gbkPath);

  // The project: the root (null before first show and after destruction), `Container` (the
  // windowed control the current page is shown in) and the current screen and page (null when
  // the indexes name none).
  model::TConstructer* ProjectRoot() const { return root_.get(); }
  platform::TWinControl& Container() { return container_; }
  model::TLEDScreen* CurrentScreenObject() const;
  model::TLeaf* CurrentLeaf() const;
  // Frees the project root (with every screen, page and object) and puts an empty one in its
  // place, whose card questions go to the program's prompts. Its events are set apart
  // (ConnectProjectRoot), once the window shows its page.
  model::TConstructer& NewProjectRoot();
  // The root's OnStatusChanged and OnParamChanged go to the main window.
  void ConnectProjectRoot();
  // The current page goes into `Container`, filling it, and is made active.
  void ShowCurrentPage();
  // Panels 1 and 3 show the current screen's name and status.
  void ShowCurrentScreenPanels();

  // The state other units read.
  platform::TWindowHandle Handle() const { return window_.Handle(); }
  const std::string& CurrentFile() const { return currentFile_; }
  // Sets the current file and the caption with it.
  void SetCurrentFile(std::string gbkPath);
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }
  int CurrentScreen() const { return currentScreen_; }
  void SetCurrentScreen(int index) { currentScreen_ = index; }
  int CurrentPage() const { return currentPage_; }
  void SetCurrentPage(int index) { currentPage_ = index; }
  const std::vector<std::string>& Args() const { return options_.Args; }
  const std::string& ProgramDir() const { return options_.ProgramDir; }
  platform::TSettingsFile& Settings() { return settings_; }

  // "LED显示屏控制软件", with " - " and the file when there is one (GBK).
  static std::string CaptionFor(std::string_view gbkFile);
  std::string Caption() const { return CaptionFor(currentFile_); }

  // Status bar. Panels 1, 3 and 5 show the current screen's name, status and power; panel 3's
  // text may also be set alone (the preview's "正在形成预览数据...").
  void ShowScreenPanels(const std::string& screenText, int status);
  void ShowPower(int power);
  void SetStatusText(std::string gbk);
  const std::string& StatusPanelText(int index) const;
  // Drawn by the window (owner-drawn) with the colour below, centred; the others are plain.
  static bool StatusPanelOwnerDrawn(int index) { return index == 1 || index == 3 || index == 5 || index == TipsPanel; }
  uint32_t StatusPanelColor(int index) const;
  int ScreenStatus() const { return screenStatus_; }

  // The marquee.
  TTips& Tips() { return tips_; }
  int MarqueeOffset() const { return marqueeOffset_; }
  // The pieces of text to draw in a tips area `width` pixels wide.
  std::vector<TTipRun> TipRuns(int width) const;

 private:
  intptr_t HandleMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
  void LoadProject(bool named);
  void ProjectStatusChanged(platform::TObject* sender);
  void ProjectParamChanged();
  void LoadTips();
  void WriteTipIndex();
  bool StartedWithPreview() const;

  TMainView& view_;
  TDialogs& dialogs_;
  TClipboardAccess& clipboard_;
  TMainOptions options_;
  TMainHooks hooks_;
  platform::TSettingsFile settings_;
  platform::TMessageWindow window_;
  std::unique_ptr<platform::TTimer> timer1_;
  TTempFileQueue tempFiles_;
  TTips tips_;
  int marqueeOffset_ = 0;

  std::string currentFile_;
  bool modified_ = false;
  int currentScreen_ = 0;
  int currentPage_ = 0;
  std::string tempFolder_;
  int editWidth_ = 0;
  int editHeight_ = 0;

  std::array<std::string, StatusPanelCount> panels_;
  int screenStatus_ = 1;

  bool created_ = false;
  bool shown_ = false;
  bool openFailed_ = false;  // the file named on the command line did not open
  bool destroyed_ = false;

  // The root goes before `Container`, which would otherwise free the page it shows.
  platform::TWinControl container_{nullptr};
  std::unique_ptr<model::TConstructer> root_;
};

}  // namespace editor
