#include "Main.h"

#include <algorithm>

#include "editor/core/StatusTexts.h"
#include "model/ComponentManager.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/objects/AVIComponent.h"
#include "model/objects/AnalogClock.h"
#include "model/objects/PhotoComps.h"
#include "model/objects/Temperature.h"
#include "model/objects/Texts.h"
#include "model/objects/TimeComps.h"
#include "model/objects/rtf.h"
#include "platform/base/AppPaths.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr std::string_view Param = "Param";

TMainOptions Resolved(TMainOptions options) {
  if (options.ProgramDir.empty()) options.ProgramDir = platform::ProgramDir();
  if (!options.Clock) options.Clock = &platform::SteadyClock();
  return options;
}

}  // namespace

const std::string& MessageCaption() {
  static const std::string caption = platform::Utf8ToGbk("提示信息");
  return caption;
}

const std::string& OpenFailureText() {
  static const std::string text = platform::Utf8ToGbk("您所选择文件不是显示内容描述文件,请重新选择");
  return text;
}

int CentredEdge(int clientSize, int panelSize, int scrollPosition) {
  if (clientSize - panelSize > 0) return (clientSize - panelSize) / 2;
  return -scrollPosition;
}

void RegisterDisplayClasses(model::TComponentManager& registry) {
  model::RegisterSensorClasses(registry);
  const platform::TClassInfo* classes[] = {
      &model::TLEDScreen::StaticClassInfo(),  &model::TLeaf::StaticClassInfo(),
      &model::TText::StaticClassInfo(),       &model::TDateTimeComponent::StaticClassInfo(),
      &model::TMultiText::StaticClassInfo(),  &model::TPhoto::StaticClassInfo(),
      &model::TCountUp::StaticClassInfo(),    &model::TCountDown::StaticClassInfo(),
      &model::TAVIPlayer::StaticClassInfo(),  &model::TAnalogClock::StaticClassInfo(),
      &model::TMultiString::StaticClassInfo(), &model::TMultiCard::StaticClassInfo(),
      &model::TCards::StaticClassInfo(),      &model::TWordObject::StaticClassInfo(),
      &model::TTableObject::StaticClassInfo(), &model::TStringFile::StaticClassInfo(),
      &model::TCampaignTime::StaticClassInfo(),
  };
  for (const platform::TClassInfo* cls : classes)
    if (!registry.IsRegistered(*cls)) registry.RegisterClass(*cls);
}

void LoadDefaultProject(model::TConstructer& root, const std::string& gbkPath) {
  if (!root.LoadFromFile(gbkPath)) return;
  if (root.ScreenCount() == 0) {
    root.AddScreen("");
    return;
  }
  for (int i = 0; i < root.ScreenCount(); ++i)
    if (root.GetLeafCount(i) == 0) root.AddLeaf(i);
}

TDesignForm::TDesignForm(TMainView& view, TDialogs& dialogs, TClipboardAccess& clipboard, TMainOptions options)
    : view_(view),
      dialogs_(dialogs),
      clipboard_(clipboard),
      options_(Resolved(std::move(options))),
      settings_(options_.ProgramDir + "Param.ini", options_.SettingsStorage),
      window_([this](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        return HandleMessage(message, wParam, lParam);
      }),
      timer1_(std::make_unique<platform::TTimer>(*options_.Clock)),
      tempFiles_(*options_.Clock) {
  timer1_->SetEnabled(false);
  timer1_->SetInterval(Timer1Interval);
  timer1_->SetOnTimer([this] { Timer1Timer(); });
  container_.SetName("Container");
  panels_[0] = platform::Utf8ToGbk("当前控制卡");
  panels_[2] = platform::Utf8ToGbk("系统状态");
  panels_[4] = platform::Utf8ToGbk("电源状态");
  panels_[5] = PowerText(-1);
  panels_[6] = platform::Utf8ToGbk("小帖士");
}

TDesignForm::~TDesignForm() = default;

std::string TDesignForm::CaptionFor(std::string_view gbkFile) {
  std::string caption = platform::Utf8ToGbk("LED显示屏控制软件");
  if (!gbkFile.empty()) {
    caption += " - ";
    caption += gbkFile;
  }
  return caption;
}

void TDesignForm::SetCurrentFile(std::string gbkPath) {
  currentFile_ = std::move(gbkPath);
  view_.SetCaption(Caption());
}

bool TDesignForm::Create() {
  model::SetLoadMode(model::LoadModeNormal);
  TWindowPlacement placement;
  placement.Maximized = settings_.ReadInteger(Param, "Maximized", 1) != 0;
  if (!placement.Maximized) {
    placement.Left = int(settings_.ReadInteger(Param, "Left", 0));
    placement.Top = int(settings_.ReadInteger(Param, "Top", 0));
    placement.Width = int(settings_.ReadInteger(Param, "Width", 640));
    placement.Height = int(settings_.ReadInteger(Param, "Height", 480));
  }
  view_.SetPlacement(placement);

  if (settings_.ReadInteger(Param, "Enter", 0) == 1 && !dialogs_.InputPassword()) return false;

  currentFile_ = LoadRecentFiles();
  view_.SetCaption(Caption());
  marqueeOffset_ = view_.StatusBarClientWidth() - TipsAreaLeft;
  timer1_->SetEnabled(true);
  created_ = true;
  return true;
}

std::string TDesignForm::LoadRecentFiles() {
  auto items = RecentMenuItems(ReadRecentFiles(settings_));
  view_.SetRecentFiles(items);
  return items.empty() ? std::string() : items.front().Path;
}

void TDesignForm::AddRecentFile() { editor::AddRecentFile(settings_, currentFile_); }

void TDesignForm::OpenRecentFile(const std::string& gbkPath) {
  if (hooks_.OpenRecentFile) hooks_.OpenRecentFile(gbkPath);
}

void TDesignForm::FirstShow() {
  if (shown_ || !created_) return;
  shown_ = true;
  tempFolder_ = platform::GbkPathFromOs(platform::TempDir());

  view_.SetObjectListHeight(int(settings_.ReadInteger(Param, "ObjectList Height", 160)));
  view_.SetMenuThreePosition(int(settings_.ReadInteger(Param, "Menu Three Left", 0)),
                             int(settings_.ReadInteger(Param, "Menu Three Top", 34)));
  tips_.SetIndex(int(settings_.ReadInteger(Param, "Tip", 0)));
  LoadTips();

  const auto& args = options_.Args;
  const bool named = args.size() == 2 && platform::GbkSameText(args[0], "p");
  if (named) currentFile_ = args[1];

  LoadProject(named);
  view_.SetCaption(Caption());
  ShowCurrentPage();
  if (hooks_.ShowProject) hooks_.ShowProject();
  ConnectProjectRoot();
  if (hooks_.RebuildTree) hooks_.RebuildTree();
  ShowCurrentScreenPanels();
  if (model::TLEDScreen* screen = CurrentScreenObject()) SetEditAreaSize(screen->ScreenWidth(), screen->ScreenHeight());
  platform::PostMessageTo(window_.Handle(), WM_START_PREVIEW);
}

// A new root loads the current file, else "Default.spj". A file named on the command line
// that does not open is reported once the window shows, as any failed open is.
void TDesignForm::LoadProject(bool named) {
  model::TConstructer& root = NewProjectRoot();
  openFailed_ = false;
  if (!currentFile_.empty() && platform::RegularFileExists(platform::OsPathFromGbk(currentFile_))) {
    // A file that does not load is no longer the current file, so a save asks for a name
    // instead of overwriting it with what the root holds.
    if (!root.LoadFromFile(currentFile_)) {
      currentFile_.clear();
      openFailed_ = named;
    }
  } else {
    editor::LoadDefaultProject(root, platform::GbkPathFromOs(options_.ProgramDir + "Default.spj"));
    currentFile_.clear();
    openFailed_ = named;
  }
  currentScreen_ = 0;
  currentPage_ = 0;
}

model::TConstructer& TDesignForm::NewProjectRoot() {
  root_.reset();
  root_ = std::make_unique<model::TConstructer>(nullptr);
  root_->SetCardPrompts(options_.CardPrompts);
  return *root_;
}

void TDesignForm::ConnectProjectRoot() {
  if (!root_) return;
  root_->OnStatusChanged = [this](platform::TObject* sender) { ProjectStatusChanged(sender); };
  root_->OnParamChanged = [this](platform::TObject*) { ProjectParamChanged(); };
}

model::TLEDScreen* TDesignForm::CurrentScreenObject() const {
  return root_ ? root_->GetScreen(currentScreen_) : nullptr;
}

model::TLeaf* TDesignForm::CurrentLeaf() const {
  return root_ ? root_->GetLeaf(currentScreen_, currentPage_) : nullptr;
}

void TDesignForm::ShowCurrentPage() {
  model::TLeaf* page = CurrentLeaf();
  // A project may hold a screen without pages, or no screen: then nothing is shown.
  if (!page) return;
  page->SetParent(&container_);
  page->SetAlign(platform::alClient);
  page->SetActive(true);
}

void TDesignForm::ShowCurrentScreenPanels() {
  model::TLEDScreen* screen = CurrentScreenObject();
  if (screen) ShowScreenPanels(screen->Text(), screen->Status());
  else ShowScreenPanels("", model::TLEDScreen::StatusNotKnown);
}

// Panels 3 and 5 always show the current screen, whichever screen changed.
void TDesignForm::ProjectStatusChanged(platform::TObject* sender) {
  if (model::TLEDScreen* current = CurrentScreenObject()) {
    panels_[5] = PowerText(current->Power());
    panels_[3] = ScreenStatusText(current->Status());
    screenStatus_ = current->Status();
    view_.StatusPanelsChanged();
  }
  auto* screen = dynamic_cast<model::TLEDScreen*>(sender);
  if (screen && hooks_.ScreenStatusChanged) hooks_.ScreenStatusChanged(*screen);
}

void TDesignForm::ProjectParamChanged() {
  if (model::TLEDScreen* screen = CurrentScreenObject()) SetEditAreaSize(screen->ScreenWidth(), screen->ScreenHeight());
}

void TDesignForm::LoadTips() {
  if (!tips_.LoadFromFile(options_.ProgramDir + "Tips.txt")) {
    tips_.SetCurrent(TTips::WelcomeTip());
    return;
  }
  if (tips_.Lines().empty()) tips_.SetCurrent(TTips::BuiltInTip());
  else tips_.Advance();
  WriteTipIndex();
}

void TDesignForm::WriteTipIndex() { settings_.WriteInteger(Param, "Tip", tips_.Index()); }

bool TDesignForm::StartedWithPreview() const {
  return !options_.Args.empty() && platform::GbkSameText(options_.Args[0], "p");
}

intptr_t TDesignForm::HandleMessage(uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case WM_EDIT_OBJECT:
      if (hooks_.EditObject && hooks_.EditObject(TControlId(wParam))) break;
      [[fallthrough]];
    case WM_EDIT_PROPERTY:
      if (hooks_.EditProperty) hooks_.EditProperty(TControlId(wParam));
      break;
    case WM_START_PREVIEW:
      if (openFailed_) {
        openFailed_ = false;
        dialogs_.MessageBox(OpenFailureText(), MessageCaption(), TMessageIcon::None, TMessageButtons::Ok);
      }
      if (StartedWithPreview() && hooks_.PreviewAll) hooks_.PreviewAll();
      break;
    default:
      break;
  }
  return 0;
}

bool TDesignForm::CloseQuery(bool answerNo) {
  if (modified_) {
    TMessageAnswer answer = TMessageAnswer::No;
    if (!answerNo)
      answer = dialogs_.MessageBox(platform::Utf8ToGbk("您已修改过正在编辑的内容，是否保存修改?"), MessageCaption(),
                                   TMessageIcon::Question, TMessageButtons::YesNoCancel);
    if (answer != TMessageAnswer::Yes && answer != TMessageAnswer::No) return false;
    if (answer == TMessageAnswer::Yes) {
      // A save that wrote nothing (its dialog cancelled, the write failed) keeps the window
      // open with the edits.
      if (!hooks_.Save || !hooks_.Save()) {
        modified_ = true;
        return false;
      }
    }
  }
  timer1_->SetEnabled(false);
  AddRecentFile();
  if (clipboard_.HasDisplayFormat()) clipboard_.Clear();
  return true;
}

void TDesignForm::Destroy() {
  if (!created_ || destroyed_) return;
  destroyed_ = true;
  const TWindowPlacement placement = view_.Placement();
  settings_.WriteString(Param, "Maximized", placement.Maximized ? "1" : "0");
  settings_.WriteInteger(Param, "Left", placement.Left);
  settings_.WriteInteger(Param, "Top", placement.Top);
  settings_.WriteInteger(Param, "Width", placement.Width);
  settings_.WriteInteger(Param, "Height", placement.Height);
  settings_.WriteInteger(Param, "ObjectList Height", view_.ObjectListHeight());
  settings_.WriteInteger(Param, "Menu Three Left", view_.MenuThreeLeft());
  settings_.WriteInteger(Param, "Menu Three Top", view_.MenuThreeTop());
  // Every key of this run (window, tips, recent files) reaches the file in this one save.
  settings_.Save();
  timer1_->SetEnabled(false);
  tips_ = TTips();
  if (hooks_.FreeProject) hooks_.FreeProject();
  root_.reset();
}

void TDesignForm::Timer1Timer() {
  tempFiles_.Tick();
  const int area = std::max(0, view_.StatusBarClientWidth() - TipsAreaLeft);
  const std::vector<TTipRun> shown = TipRuns(area);
  --marqueeOffset_;
  bool stepped = true;  // the strip of tips moved one pixel left, nothing else changed
  if (marqueeOffset_ + view_.TipTextWidth(tips_.Current()) < 1) {
    marqueeOffset_ = 0;
    stepped = false;
    const int before = tips_.Index();
    // The index is stored only when it moved: a list of empty lines would otherwise rewrite the
    // settings file at every tick.
    if (tips_.Advance() && tips_.Index() != before) WriteTipIndex();
  }
  // Drawn again only when what it shows moved: tips of empty lines show nothing at all.
  if (TipRuns(area) == shown) return;
  if (stepped)
    view_.TipsAreaScrolled(-1);
  else
    view_.TipsAreaChanged();
}

std::vector<TTipRun> TDesignForm::TipRuns(int width) const {
  return tips_.Runs(marqueeOffset_, width, [this](const std::string& text) { return view_.TipTextWidth(text); });
}

void TDesignForm::SetEditAreaSize(int width, int height) {
  editWidth_ = width + 6;
  editHeight_ = height + 6;
  // `Container` fills the edit panel inside its 3-pixel border, so the page shows at the
  // screen's size.
  container_.SetBounds(0, 0, width, height);
  view_.SetEditPanelSize(editWidth_, editHeight_);
}

void TDesignForm::ShowScreenPanels(const std::string& screenText, int status) {
  panels_[1] = screenText;
  panels_[3] = ScreenStatusText(status);
  screenStatus_ = status;
  view_.StatusPanelsChanged();
}

void TDesignForm::ShowPower(int power) {
  panels_[5] = PowerText(power);
  view_.StatusPanelsChanged();
}

void TDesignForm::SetStatusText(std::string gbk) {
  panels_[3] = std::move(gbk);
  view_.StatusPanelsChanged();
}

const std::string& TDesignForm::StatusPanelText(int index) const {
  static const std::string none;
  if (index < 0 || index >= StatusPanelCount || index == TipsPanel) return none;
  return panels_[size_t(index)];
}

uint32_t TDesignForm::StatusPanelColor(int index) const {
  if (index == 3) return screenStatus_ == 1 ? PureGreen : PureRed;
  if (index == TipsPanel) return TipsColor;
  return PureBlue;
}

}  // namespace editor
