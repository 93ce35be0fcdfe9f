#include "Commands.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "editor/core/PropertyDescription.h"
#include "editor/core/PreView.h"
#include "editor/core/PropertyEditor.h"
#include "editor/core/StatusTexts.h"
#include "model/ComponentManager.h"
#include "model/DFMStream.h"
#include "model/FormConstructEx.h"
#include "model/IDCreater.h"
#include "model/LoadMode.h"
#include "model/ObjectText.h"
#include "model/ScreenStatus.h"
#include "platform/base/FilePath.h"
#include "platform/base/GbkText.h"
#include "platform/base/StopRequest.h"
#include "platform/component/PropertyPath.h"
#include "platform/gfx/Picture.h"

namespace editor {

namespace {

using platform::TComponent;
using platform::TControl;
using platform::TObject;
using platform::Utf8ToGbk;

// Screens, pages and sub-cards belong to the project, not on a page.
bool IsDisplayObject(const TComponent& component) {
  return !dynamic_cast<const model::TLEDScreen*>(&component) && !dynamic_cast<const model::TLeaf*>(&component) &&
         !dynamic_cast<const model::TMultiCard*>(&component) && !dynamic_cast<const model::TCards*>(&component);
}

}  // namespace

const TFileRequest& DisplayFileRequest() {
  static const TFileRequest request{"", Utf8ToGbk("显示内容描述文件|*.fmt"), "*.fmt"};
  return request;
}

TFileRequest InsertFileRequest(TInsertFile file) {
  switch (file) {
    case TInsertFile::Text:
      return {"", Utf8ToGbk("文本文件|*.Txt|超文本文件|*.RTF"), "*.Txt;*.RTF"};
    case TInsertFile::Picture:
      return {"", platform::TPicture::GraphicFilter(), ""};
    case TInsertFile::Movie:
      return {"", Utf8ToGbk("动画文件|*.Avi"), "*.Avi"};
    case TInsertFile::None:
      break;
  }
  return {};
}

// ---- Construction -----------------------------------------------------------------------------

TCommands::TCommands(TDesignForm& main, TCommandsView& view, TDialogs& dialogs, TCommandDialogs& modal,
                     TClipboardAccess& clipboard, TNotifier& notifier)
    : main_(main), view_(view), dialogs_(dialogs), modal_(modal), clipboard_(clipboard), notifier_(notifier) {
  TMainHooks& hooks = main_.Hooks();
  hooks.ShowProject = [this] { ShowProject(); };
  hooks.RebuildTree = [this] { RebuildTree(); };
  hooks.ScreenStatusChanged = [this](model::TLEDScreen& screen) { ScreenStatusChanged(screen); };
  hooks.Save = [this] { return Save(); };
  hooks.PreviewAll = [this] { Execute(TCommand::PreviewAll); };
  hooks.OpenRecentFile = [this](const std::string& path) { OpenRecent(path); };
  hooks.EditObject = [this](TControlId id) { return EditWith(id, true); };
  hooks.EditProperty = [this](TControlId id) { EditWith(id, false); };
  hooks.FreeProject = [this] { FreeProject(); };
}

TCommands::~TCommands() {
  // The hooks must not outlive what they call.
  main_.Hooks() = {};
  FreeProject();
}

void TCommands::ShowProject() {
  design_ = std::make_unique<TDesign>(nullptr);
  view_.AttachDesigner(*design_);
  design_->SetContainer(Page());
  design_->OnSelectChanged = [this](TComponent* sender) { SelectChanged(sender); };
  design_->OnDblClick = [this](TObject* sender) { DesignDblClick(sender); };
  design_->OnKeyDown = [this](TObject*, uint16_t& key, TShiftState) { DesignKeyDown(key); };
  design_->OnMouseDown = [this](TObject*, TMouseButton button, TShiftState, int x, int y) {
    DesignMouseDown(button, x, y);
  };
  design_->OnChanged = [this](TComponent* sender) { DesignChanged(sender); };
  design_->SetActivate(true);
  inspector_ = &view_.AttachInspector();
  model::TConstructer* root = Root();
  SetInspectorRoot(root ? root->Components(0) : nullptr);
  inspector_->OnChanged = [this](TObject* sender) { InspectorChanged(sender); };
  expandTree_ = true;
}

void TCommands::FreeProject() {
  if (design_) design_->SetActivate(false);
  design_.reset();
  if (inspector_) {
    inspector_->OnChanged = nullptr;
    inspector_->SetRoot(nullptr);
  }
  inspector_ = nullptr;
  postedControls_.clear();
}

// ---- The state ----------------------------------------------------------------------------------

model::TConstructer* TCommands::Root() const { return main_.ProjectRoot(); }
model::TLEDScreen* TCommands::Screen() const { return main_.CurrentScreenObject(); }
model::TLeaf* TCommands::Page() const { return main_.CurrentLeaf(); }

model::TLeaf* TCommands::ShownPage() const {
  for (TControl* child : main_.Container().ChildControls())
    if (auto* page = dynamic_cast<model::TLeaf*>(child)) return page;
  return nullptr;
}

void TCommands::SetInspectorRoot(TObject* root) {
  if (inspector_) inspector_->SetRoot(root);
}

void TCommands::Modified() {
  main_.SetModified(true);
  // Many setters only store, and the page's tick repaints only what moves on by itself.
  if (model::TLeaf* page = ShownPage()) page->Invalidate();
}

void TCommands::ShowPage() {
  model::TLeaf* page = Page();
  if (model::TLeaf* shown = ShownPage(); shown && shown != page) {
    shown->SetVisible(false);
    shown->SetParent(dynamic_cast<platform::TWinControl*>(shown->Owner()));
  }
  if (page) {
    page->SetVisible(true);
    main_.ShowCurrentPage();
  }
  if (design_) {
    design_->SetContainer(page);
    design_->Select(page);
  }
}

void TCommands::ShowPanels() { main_.ShowCurrentScreenPanels(); }

void TCommands::FitEditArea() {
  if (model::TLEDScreen* screen = Screen()) main_.SetEditAreaSize(screen->ScreenWidth(), screen->ScreenHeight());
}

void TCommands::DesignerOff() {
  if (design_) design_->SetActivate(false);
}

void TCommands::DesignerOn() {
  if (design_) design_->SetActivate(true);
}

TControl* TCommands::SingleSelected() const {
  if (!design_) return nullptr;
  TComponent* current = design_->CurrentControl();
  TComponentCollection* selection = design_->Selection();
  if (selection && current == selection) return selection->Count() == 1 ? selection->Items(0) : nullptr;
  auto* control = dynamic_cast<TControl*>(current);
  return control && control != design_->Container() ? control : nullptr;
}

int TCommands::SelectedCount() const {
  const TComponentCollection* selection = design_ ? design_->Selection() : nullptr;
  return selection ? selection->Count() : 0;
}

bool TCommands::HasSelection() const {
  if (!design_) return false;
  const TComponent* current = design_->CurrentControl();
  return current && current != design_->Container();
}

// ---- Dispatch -----------------------------------------------------------------------------------

bool TCommands::Available(TCommand command) const {
  const TCommandInfo& info = CommandInfo(command);
  if (!info.ClassName.empty()) {
    const platform::TClassInfo* cls = model::ComponentManager().FindClass(info.ClassName);
    return cls && cls->CanCreate();
  }
  switch (command) {
    case TCommand::Brightness: return modal_.Available(TModalDialog::BrightAdjust);
    case TCommand::PowerSchedule: return modal_.Available(TModalDialog::PowerSchedule);
    case TCommand::BrightSchedule: return modal_.Available(TModalDialog::BrightSchedule);
    case TCommand::AutoSend: return modal_.Available(TModalDialog::AutoSend);
    case TCommand::OnLineList: return modal_.Available(TModalDialog::OnLineList);
    case TCommand::RemoteServer: return modal_.Available(TModalDialog::RemoteServer);
    // The password, project and campaign dialogs are the dialogs interface's own.
    case TCommand::CardSettings: return modal_.Available(TModalDialog::CardSettings);
    default: return true;
  }
}

void TCommands::Execute(TCommand command) {
  if (!Available(command)) return;
  const TCommandInfo& info = CommandInfo(command);
  if (!info.ClassName.empty()) {
    Insert(info);
    return;
  }
  using enum TCommand;
  switch (command) {
    case New: this->New(); break;
    case Open: this->Open(); break;
    case Save: this->Save(); break;
    case SaveAs: this->SaveAs(); break;
    case Exit: view_.CloseWindow(); break;
    case AddCard: this->AddCard(); break;
    case AddPage: this->AddPage(); break;
    case DeleteCard: this->DeleteCard(); break;
    case DeletePage: this->DeletePage(); break;
    case DeleteSelected: this->DeleteSelected(); break;
    case Copy: this->Copy(); break;
    case Paste: this->Paste(); break;
    case Cut: this->Cut(); break;
    case SelectAll: this->SelectAll(); break;
    case InvertSelection: this->InvertSelection(); break;
    case DeleteAll: this->DeleteAll(); break;
    case BringToFront: this->BringToFront(); break;
    case SendToBack: this->SendToBack(); break;
    case AlignVertical: Align(TAlignKind::Vertical); break;
    case AlignHorizontal: Align(TAlignKind::Horizontal); break;
    case AlignBoth: Align(TAlignKind::Both); break;
    case DeleteTreeObject: this->DeleteTreeObject(); break;
    case SendCurrent: this->SendCurrent(); break;
    case SendAll: this->SendAll(); break;
    case DownloadCurrent: this->DownloadCurrent(); break;
    case DownloadAll: this->DownloadAll(); break;
    case PowerOnCurrent: SetPowerCurrent(1); break;
    case PowerOnAll: SetPowerAll(1); break;
    case PowerOffCurrent: SetPowerCurrent(0); break;
    case PowerOffAll: SetPowerAll(0); break;
    case AdjustTime: this->AdjustTime(); break;
    case RefreshStatus: this->RefreshStatus(); break;
    case Brightness: modal_.Execute(TModalDialog::BrightAdjust); break;
    case ReadDisplay: this->ReadDisplay(); break;
    case BrightSchedule: modal_.Execute(TModalDialog::BrightSchedule); break;
    case PowerSchedule: modal_.Execute(TModalDialog::PowerSchedule); break;
    case AutoSend: modal_.Execute(TModalDialog::AutoSend); break;
    case PreviewPage: this->PreviewPage(); break;
    case PreviewAll: this->PreviewAll(); break;
    case OnLineList: modal_.Execute(TModalDialog::OnLineList); break;
    case RemoteServer: modal_.Execute(TModalDialog::RemoteServer); break;
    case ProjectSettings:
      if (dialogs_.InputPassword()) dialogs_.ProjectSettings();
      break;
    case SetPassword: dialogs_.SetPassword(); break;
    case CardSettings:
      if (dialogs_.InputPassword()) modal_.Execute(TModalDialog::CardSettings);
      break;
    case About: view_.ShowAbout(); break;
    case SendComputerTime: this->SendComputerTime(); break;
    case CampaignTime: this->CampaignTime(); break;
    default: break;  // the Insert menu's items without an action
  }
}

std::vector<TCommandState> TCommands::EditMenuStates() const {
  const model::TConstructer* root = Root();
  const bool selected = HasSelection();
  return {{TCommand::DeleteCard, root && root->ScreenCount() != 1},
          {TCommand::DeletePage, root && root->GetLeafCount(main_.CurrentScreen()) != 1},
          {TCommand::DeleteSelected, selected},
          {TCommand::Copy, selected},
          {TCommand::Cut, selected},
          {TCommand::Paste, clipboard_.HasDisplayFormat()}};
}

std::vector<TCommandState> TCommands::DesignPopupStates() const {
  const int count = SelectedCount();
  const bool one = count == 1;
  return {{TCommand::Copy, count >= 1},          {TCommand::Cut, count >= 1},
          {TCommand::DeleteSelected, count >= 1}, {TCommand::BringToFront, one},
          {TCommand::SendToBack, one},           {TCommand::AlignVertical, one},
          {TCommand::AlignHorizontal, one},      {TCommand::AlignBoth, one},
          {TCommand::Paste, clipboard_.HasDisplayFormat()}};
}

std::vector<TCommandState> TCommands::TreePopupStates() const {
  const model::TConstructer* root = Root();
  const TTreeNodeInfo node = view_.SelectedTreeNode();
  return {{TCommand::DeleteCard, root && root->ScreenCount() >= 2},
          {TCommand::DeletePage, root && root->GetLeafCount(main_.CurrentScreen()) >= 2},
          {TCommand::DeleteTreeObject, node.Level == ObjectLevel}};
}

// ---- Files --------------------------------------------------------------------------------------

bool TCommands::ConfirmSave() {
  if (!main_.Modified()) return true;
  const TMessageAnswer answer =
      dialogs_.MessageBox(Utf8ToGbk("您已修改过正在编辑的内容，是否保存修改?"), MessageCaption(),
                          TMessageIcon::Question, TMessageButtons::YesNo);
  // A "Yes" whose save wrote nothing stops the command: going on would lose the work.
  return answer != TMessageAnswer::Yes || Save();
}

bool TCommands::WriteProject(const std::string& gbkPath) {
  model::TConstructer* root = Root();
  if (root && root->SaveToFile(gbkPath)) return true;
  dialogs_.MessageBox(Utf8ToGbk("文件保存失败，内容没有写入：") + gbkPath, MessageCaption(), TMessageIcon::Error,
                      TMessageButtons::Ok);
  return false;
}

bool TCommands::Save() {
  const bool written = main_.CurrentFile().empty() ? SaveAs() : WriteProject(main_.CurrentFile());
  if (written) main_.SetModified(false);
  return written;
}

bool TCommands::SaveAs() {
  const std::optional<std::string> chosen =
      dialogs_.SaveFileName(TFileRequest(DisplayFileRequest()).StartingBeside(main_.CurrentFile()));
  if (!chosen) return false;
  const std::string file = platform::SetFileExt(*chosen, ".fmt");
  main_.SetCurrentFile(file);
  if (!WriteProject(file)) return false;
  main_.SetModified(false);
  return true;
}

void TCommands::Open() {
  if (!ConfirmSave()) return;
  const std::optional<std::string> chosen =
      dialogs_.OpenFileName(TFileRequest(DisplayFileRequest()).StartingBeside(main_.CurrentFile()));
  if (!chosen) return;
  LoadProject(*chosen, OpenFailureText(), true);
}

void TCommands::OpenRecent(const std::string& gbkPath) {
  if (!ConfirmSave()) return;
  LoadProject(gbkPath, Utf8ToGbk("您所选择文件已损坏,请重新选择"), false);
}

void TCommands::LoadProject(const std::string& gbkPath, const std::string& failureText, bool addRecent) {
  model::TConstructer* root = Root();
  if (!root) return;
  SetInspectorRoot(nullptr);
  if (design_) design_->SetContainer(&main_.Container());
  DesignerOff();
  const bool loaded = root->LoadFromFile(gbkPath);
  // A load given up because the program is ending is no damaged file.
  if (!loaded && !platform::StopOverdue())
    dialogs_.MessageBox(failureText, MessageCaption(), TMessageIcon::None, TMessageButtons::Ok);
  main_.SetCurrentScreen(0);
  main_.SetCurrentPage(0);
  // A file that did not load is not the current file: a save would overwrite it with what the
  // root holds now.
  main_.SetCurrentFile(loaded ? gbkPath : std::string());
  ShowPage();
  ShowPanels();
  SetInspectorRoot(Screen());
  RebuildTree();
  view_.ExpandTree();
  view_.SelectTreeNode(Screen());
  DesignerOn();
  if (loaded && addRecent) main_.AddRecentFile();
  main_.SetModified(false);
  FitEditArea();
}

void TCommands::New() {
  if (!ConfirmSave()) return;
  SetInspectorRoot(nullptr);
  DesignerOff();
  if (design_) design_->SetContainer(&main_.Container());
  model::TConstructer& root = main_.NewProjectRoot();
  LoadDefaultProject(root, platform::GbkPathFromOs(main_.ProgramDir() + "Default.spj"));
  main_.SetCurrentFile(std::string());
  main_.SetCurrentScreen(0);
  main_.SetCurrentPage(0);
  ShowPage();
  ShowPanels();
  main_.ConnectProjectRoot();
  FitEditArea();
  DesignerOn();
  SetInspectorRoot(Screen());
  RebuildTree();
  view_.ExpandTree();
  main_.SetModified(false);
}

// ---- Edit ---------------------------------------------------------------------------------------

void TCommands::AddCard() {
  model::TConstructer* root = Root();
  if (!root) return;
  root->AddScreen("");
  main_.SetCurrentScreen(root->ScreenCount() - 1);
  main_.SetCurrentPage(0);
  ShowPage();
  ShowPanels();
  // The new card may be of another size than the one shown before.
  FitEditArea();
  RebuildTree();
  view_.SelectTreeNode(Screen());
  Modified();
}

void TCommands::AddPage() {
  model::TConstructer* root = Root();
  const int screen = main_.CurrentScreen();
  if (!root || !root->AddLeaf(screen)) return;
  main_.SetCurrentPage(root->GetLeafCount(screen) - 1);
  RebuildTree();
  view_.SelectTreeNode(Page());
  ShowPage();
  SetInspectorRoot(Page());
  Modified();
}

void TCommands::DeleteCard() {
  model::TConstructer* root = Root();
  if (!root || root->ScreenCount() <= 1) return;
  SetInspectorRoot(nullptr);
  if (design_) design_->SetContainer(&main_.Container());
  DesignerOff();
  root->DeleteScreen(main_.CurrentScreen());
  if (main_.CurrentScreen() >= root->ScreenCount()) {
    main_.SetCurrentScreen(root->ScreenCount() - 1);
    main_.SetCurrentPage(0);
  }
  // The card now at the index may have fewer pages.
  main_.SetCurrentPage(std::clamp(main_.CurrentPage(), 0, std::max(0, root->GetLeafCount(main_.CurrentScreen()) - 1)));
  ShowPage();
  ShowPanels();
  FitEditArea();
  SetInspectorRoot(Screen());
  DesignerOn();
  RebuildTree();
  Modified();
}

void TCommands::DeletePage() {
  model::TConstructer* root = Root();
  const int screen = main_.CurrentScreen();
  if (!root || root->GetLeafCount(screen) <= 1) return;
  DesignerOff();
  root->DeleteLeaf(screen, main_.CurrentPage());
  main_.SetCurrentPage(std::clamp(main_.CurrentPage(), 0, root->GetLeafCount(screen) - 1));
  ShowPage();
  SetInspectorRoot(Page());
  DesignerOn();
  RebuildTree();
  Modified();
}

void TCommands::DeleteSelected() {
  if (!design_) return;
  design_->DeleteSelection();
  design_->Select(Page());
  SetInspectorRoot(Page());
  RebuildTree();
  Modified();
}

void TCommands::Copy() {
  const TComponentCollection* selection = design_ ? design_->Selection() : nullptr;
  if (!selection || selection->Count() == 0) return;
  model::TDFMStream buffer;
  for (int i = 0; i < selection->Count(); ++i)
    if (!model::WriteObjectText(" ", *selection->Items(i), buffer, model::ComponentManager())) return;
  clipboard_.SetDisplayFormat(std::string(reinterpret_cast<const char*>(buffer.Memory()), size_t(buffer.Size())));
  RebuildTree();
}

void TCommands::Paste() {
  model::TConstructer* root = Root();
  model::TLeaf* page = Page();
  if (!root || !page || !clipboard_.HasDisplayFormat()) return;
  const std::string bytes = clipboard_.DisplayFormat();
  model::TDFMStream stream;
  if (stream.Write(bytes.data(), int32_t(std::min<size_t>(bytes.size(), INT32_MAX))) != int32_t(bytes.size())) return;
  const std::vector<TComponent*> before = page->OwnedComponents();
  bool read = false;
  {
    model::TLoadModeScope reading;
    read = model::ReadObjectText(*root, *page, stream, model::ComponentManager(), false);
  }
  const std::unordered_set<TComponent*> old(before.begin(), before.end());
  std::vector<TComponent*> added;
  bool displayObjects = true;
  for (TComponent* c : page->OwnedComponents()) {
    if (old.count(c)) continue;
    added.push_back(c);
    if (!IsDisplayObject(*c)) displayObjects = false;
  }
  if (!read || !displayObjects) {
    // Whatever the text made goes again, so the page is as it was.
    for (auto it = added.rbegin(); it != added.rend(); ++it) delete *it;
    return;
  }
  Modified();
  RebuildTree();
}

void TCommands::Cut() {
  if (!HasSelection()) return;
  Copy();
  DeleteSelected();
}

void TCommands::SelectAll() {
  if (design_) design_->SelectAll();
}

void TCommands::InvertSelection() {
  if (design_) design_->InvertSelection();
}

void TCommands::DeleteAll() {
  if (!design_) return;
  design_->DeleteAll();
  SetInspectorRoot(Page());
  RebuildTree();
  Modified();
}

void TCommands::BringToFront() {
  TControl* control = SingleSelected();
  if (!control) return;
  control->SetComponentIndex(INT_MAX);
  control->BringToFront();
  Modified();
}

void TCommands::SendToBack() {
  TControl* control = SingleSelected();
  if (!control) return;
  control->SendToBack();
  control->SetComponentIndex(0);
  Modified();
}

void TCommands::Align(TAlignKind kind) {
  if (!design_) return;
  TControl* control = SingleSelected();
  const platform::TWinControl* container = design_->Container();
  if (!control || !container) return;
  if (kind != TAlignKind::Horizontal) control->SetTop((container->Height() - control->Height()) / 2);
  if (kind != TAlignKind::Vertical) control->SetLeft((container->Width() - control->Width()) / 2);
  design_->Select(control);
  SetInspectorRoot(Page());
  Modified();
}

void TCommands::DeleteTreeObject() {
  const TTreeNodeInfo node = view_.SelectedTreeNode();
  if (node.Level == ObjectLevel && node.Component) {
    TComponent* doomed = node.Component;
    // The designer and the inspector let go of it first.
    if (design_) design_->Select(Page());
    if (inspector_ && (inspector_->Root() == doomed || dynamic_cast<TComponentCollection*>(inspector_->Root())))
      SetInspectorRoot(Page());
    delete doomed;
  }
  RebuildTree();
  if (TComponent* now = view_.SelectedTreeNode().Component) {
    if (design_) design_->Select(dynamic_cast<TControl*>(now));
    SetInspectorRoot(now);
  }
  Modified();
}

bool TCommands::Insert(const TCommandInfo& info) {
  model::TConstructer* root = Root();
  model::TLeaf* page = Page();
  const platform::TClassInfo* cls = model::ComponentManager().FindClass(info.ClassName);
  if (!root || !page || !cls || !cls->CanCreate()) return false;
  std::optional<std::string> file;
  if (info.File != TInsertFile::None) {
    file = dialogs_.OpenFileName(InsertFileRequest(info.File));
    if (!file) return false;
  }
  const std::string number = std::to_string(model::IDCreater().NewNameNumber(*root, cls->ClassName()));
  std::unique_ptr<TComponent> made(cls->CreateInstance(page));
  auto* control = dynamic_cast<TControl*>(made.get());
  if (!control) return false;
  control->SetParent(page);
  made->SetName(cls->ClassName().substr(1) + number);
  platform::PathSetStr(made.get(), "Text", Utf8ToGbk(info.TextPrefix) + number);
  if (file) platform::PathSetStr(made.get(), "FileName", *file);
  made.release();
  control->SetVisible(true);
  if (design_) design_->Select(control);
  Modified();
  RebuildTree();
  view_.SelectTreeNode(control);
  SetInspectorRoot(control);
  return true;
}

// ---- Cards --------------------------------------------------------------------------------------

void TCommands::SendCurrent() {
  if (model::TLEDScreen* screen = Screen()) Root()->SendScreens(*screen);
}

void TCommands::SendAll() {
  if (model::TConstructer* root = Root()) root->SendScreens("");
}

void TCommands::DownloadCurrent() {
  if (model::TLEDScreen* screen = Screen()) Root()->DownloadScreens(*screen);
}

void TCommands::DownloadAll() {
  if (model::TConstructer* root = Root()) root->DownloadScreens("");
}

void TCommands::SetPowerCurrent(int on) {
  if (model::TLEDScreen* screen = Screen()) Root()->SetPower(*screen, on);
}

void TCommands::SetPowerAll(int on) {
  if (model::TConstructer* root = Root()) root->SetPower("", on);
}

void TCommands::AdjustTime() {
  if (model::TConstructer* root = Root()) root->AdjustTime("");
}

void TCommands::RefreshStatus() {
  model::TConstructer* root = Root();
  if (!root) return;
  root->ReadPower("");
  root->ReadBright("");
  root->ReadParams("");
  root->ReadPowerSchedule("");
}

void TCommands::ReadDisplay() {
  model::TLEDScreen* screen = Screen();
  if (!screen) return;
  Root()->ReadParams(*screen);
  Root()->SendCommand(*screen, model::ReadDisplayCommand);
}

void TCommands::SendComputerTime() {
  if (model::TConstructer* root = Root()) root->SendTimeRecord("");
}

void TCommands::CampaignTime() {
  // The time goes to the cards only when the dialog was accepted.
  if (dialogs_.SetCampaignTime())
    if (model::TConstructer* root = Root()) root->SendTimeRecord("");
}

// ---- Preview ------------------------------------------------------------------------------------

void TCommands::PreviewPage() { editor::PreviewPage(main_, dialogs_); }

void TCommands::PreviewAll() { editor::PreviewAll(main_, dialogs_); }

// ---- The object tree ----------------------------------------------------------------------------

void TCommands::RebuildTree() {
  model::TConstructer* root = Root();
  if (!root) return;
  const std::optional<std::vector<TTreeEntry>> entries = ObjectTreeEntries(*root);
  if (!entries) return;
  view_.ShowTree(*entries);
  if (expandTree_) {
    expandTree_ = false;
    view_.ExpandTree();
  }
}

void TCommands::TreeChange(TComponent* component, int) {
  model::TConstructer* root = Root();
  if (!root || !component) return;
  const std::optional<TTreePosition> at = TreePosition(*root, *component);
  if (!at || (at->Screen == main_.CurrentScreen() && at->Page == main_.CurrentPage())) return;
  if (at->Page >= root->GetLeafCount(at->Screen)) return;
  main_.SetCurrentScreen(at->Screen);
  main_.SetCurrentPage(at->Page);
  ShowPage();
  ShowPanels();
  FitEditArea();
}

void TCommands::TreeClick(TComponent* component) {
  if (!component) return;
  if (design_) design_->Select(dynamic_cast<TControl*>(component));
  SetInspectorRoot(component);
  FitEditArea();
}

void TCommands::TreeRightClick(int x, int y) { view_.PopupTreeMenu(TreePopupStates(), x, y); }

// ---- Status -------------------------------------------------------------------------------------

void TCommands::ScreenStatusChanged(const model::TLEDScreen& screen) {
  if (std::optional<TNotice> notice = StatusNotice(screen)) notifier_.Notify(notice->Title, notice->Message);
}

// ---- The designer's and the inspector's events ---------------------------------------------------

void TCommands::SelectChanged(TComponent* sender) {
  SetInspectorRoot(sender);
  if (sender && !dynamic_cast<TComponentCollection*>(sender)) view_.SelectTreeNode(sender);
}

void TCommands::DesignDblClick(TObject* sender) {
  auto* control = dynamic_cast<TControl*>(sender);
  if (!control) return;
  const TControlId id = nextControlId_++;
  postedControls_[id] = std::make_unique<platform::TComponentRef<TControl>>(control);
  platform::PostMessageTo(main_.Handle(), WM_EDIT_OBJECT, uintptr_t(id));
}

bool TCommands::EditWith(TControlId id, bool doubleClickTable) {
  auto posted = postedControls_.find(id);
  if (posted == postedControls_.end()) return false;
  TControl* control = posted->second->Get();
  const TPropertyDescription& table = doubleClickTable ? DoubleClickTable() : PropertyEditorTable();
  const bool changed = table.EditFirst(control);
  // The double-click table's "no" leaves the message to the property-editor table.
  if (changed || !doubleClickTable || !control) postedControls_.erase(id);
  if (changed) {
    MarksFollow(control);
    SetInspectorRoot(design_ ? design_->CurrentControl() : nullptr);
    Modified();
  }
  return changed;
}

void TCommands::DesignKeyDown(uint16_t& key) {
  if (key != 46 || !design_) return;  // Delete
  design_->DeleteSelection();
  SetInspectorRoot(design_->CurrentControl());
  RebuildTree();
  Modified();
}

void TCommands::DesignMouseDown(TMouseButton button, int x, int y) {
  if (!design_) return;
  if (button == mbRight) {
    view_.PopupDesignMenu(DesignPopupStates(), x, y);
  } else if (button == mbLeft && inspector_ && design_->CurrentControl() != inspector_->Root()) {
    SetInspectorRoot(design_->CurrentControl());
    Modified();
  }
}

void TCommands::DesignChanged(TComponent* sender) {
  SetInspectorRoot(sender);
  Modified();
}

void TCommands::MarksFollow(TObject* sender) {
  model::TLeaf* page = Page();
  if (!design_) return;
  if (auto* control = dynamic_cast<TControl*>(sender); control && page && control->Parent() == page)
    design_->Select(control);
  else if (dynamic_cast<TComponentCollection*>(sender))
    design_->RefreshSelection();
}

void TCommands::InspectorChanged(TObject* sender) {
  MarksFollow(sender);
  // The rows again: a changed link kind shows other settings.
  if (inspector_) inspector_->SetRoot(inspector_->Root());
  FitEditArea();
  RebuildTree();
  Modified();
}

}  // namespace editor
