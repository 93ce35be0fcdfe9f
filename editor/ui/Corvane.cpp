#include "Corvane.h"

#include <chrono>
#include <thread>

#include "editor/core/SystemPassword.h"
#include "editor/ui/About.h"
#include "editor/ui/AutoSendForms.h"
#include "editor/ui/DateTimeInput.h"
#include "editor/ui/ErrorGuard.h"
#include "editor/ui/Main.h"
#include "editor/ui/MessagePump.h"
#include "editor/ui/OnLineList.h"
#include "editor/ui/ParamSet.h"
#include "editor/ui/PreView.h"
#include "editor/ui/ProjectForm.h"
#include "editor/ui/QtDialogs.h"
#include "editor/ui/SystemPassword.h"
#include "editor/ui/TextInput.h"
#include "editor/ui/TableEditor.h"
#include "model/FormConstructEx.h"
#include "model/MessageBoxHook.h"
#include "model/objects/PageflatClient.h"
#include "platform/base/FilePath.h"
#include "platform/qt/ChineseQt.h"

namespace editor::ui {

namespace {

// The model's message boxes (a picture that does not load, say) as the editor's own.
void ShowModelMessage(TDialogs& dialogs, std::string_view text, std::string_view caption,
                      model::TMessageBoxIcon icon) {
  TMessageIcon shown = TMessageIcon::None;
  switch (icon) {
    case model::TMessageBoxIcon::None: shown = TMessageIcon::None; break;
    case model::TMessageBoxIcon::Information: shown = TMessageIcon::Information; break;
    case model::TMessageBoxIcon::Warning: shown = TMessageIcon::Warning; break;
    case model::TMessageBoxIcon::Error: shown = TMessageIcon::Error; break;
  }
  dialogs.MessageBox(text, caption, shown, TMessageButtons::Ok);
}

// The commands' dialogs: the forms made at start-up, each shown modally. Those whose unit does
// not exist yet are not available.
class TQtCommandDialogs : public TCommandDialogs {
 public:
  explicit TQtCommandDialogs(TCorvane& program) : program_(program) {}

  bool Available(TModalDialog dialog) const override { return Form(dialog) != nullptr; }

  void Execute(TModalDialog dialog) override {
    switch (dialog) {
      case TModalDialog::BrightAdjust: program_.ScheduleCommands().BrightAdjust(); return;
      case TModalDialog::PowerSchedule: program_.ScheduleCommands().AutoClose(); return;
      case TModalDialog::BrightSchedule: program_.ScheduleCommands().AutoBright(); return;
      case TModalDialog::AutoSend: program_.ScheduleCommands().AutoSend(); return;
      default: break;
    }
    auto* form = qobject_cast<QDialog*>(Form(dialog));
    if (!form) return;
    RunModal(*form, program_.ModalRun());
  }

 private:
  QWidget* Form(TModalDialog dialog) const {
    switch (dialog) {
      case TModalDialog::BrightAdjust: return program_.BrightAdjustForm();
      case TModalDialog::PowerSchedule: return program_.AutoCloseForm();
      case TModalDialog::BrightSchedule: return program_.AutoBrightForm();
      case TModalDialog::AutoSend: return program_.AutoSendForm();
      case TModalDialog::OnLineList: return program_.OnLineForm();
      case TModalDialog::RemoteServer: return program_.SetRemoteServerForm();
      case TModalDialog::CardSettings: return program_.Form("TParamSetForm");
      default: return nullptr;
    }
  }

  TCorvane& program_;
};

// Each hook `with` has takes the place of the one in `hooks`.
void OverrideHooks(TMainHooks& hooks, const TMainHooks& with) {
  const auto take = [](auto& hook, const auto& other) {
    if (other) hook = other;
  };
  take(hooks.ShowProject, with.ShowProject);
  take(hooks.RebuildTree, with.RebuildTree);
  take(hooks.ScreenStatusChanged, with.ScreenStatusChanged);
  take(hooks.Save, with.Save);
  take(hooks.PreviewAll, with.PreviewAll);
  take(hooks.OpenRecentFile, with.OpenRecentFile);
  take(hooks.EditObject, with.EditObject);
  take(hooks.EditProperty, with.EditProperty);
  take(hooks.FreeProject, with.FreeProject);
}

}  // namespace

// The table editor is made before its new-table dialog: it reaches the dialog through a stand-in
// that forwards to it once it exists.
class TCorvane::TNewgridStandIn final : public TNewgridDialog {
 public:
  TNewgridDialog* Form = nullptr;
  int Execute(TNewTableSettings& values) override { return Form ? Form->Execute(values) : mrNewgridCancel; }
};

TGuiApplication::TGuiApplication(int& argc, char** argv) : QApplication(argc, argv) {
  platform::UseChineseQt(*this);
  // The program ends when the main window closes, whatever else is open.
  setQuitOnLastWindowClosed(false);
}

bool TGuiApplication::notify(QObject* receiver, QEvent* event) {
  bool result = false;
  TErrorGuard::Run([&] { result = QApplication::notify(receiver, event); });
  return result;
}

std::vector<std::string> TCorvane::Arguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::GbkPathFromOs(argv[i]));
  return args;
}

TCorvane::TCorvane(TStartupOptions options) : options_(std::move(options)) {
  application_ = std::make_unique<TApplication>();
  if (!options_.Dialogs) {
    qtDialogs_ = std::make_unique<TQtDialogs>(options_.Main.ProgramDir);
    qtDialogs_->RunModal = options_.RunModal;
    options_.Dialogs = qtDialogs_.get();
  } else if (auto* qt = dynamic_cast<TQtDialogs*>(options_.Dialogs); qt && !options_.RunModal) {
    // Qt dialogs handed in with their own modal run: every dialog of the program runs that way.
    options_.RunModal = qt->RunModal;
  }
  if (!options_.Clipboard) {
    qtClipboard_ = std::make_unique<TQtClipboard>();
    options_.Clipboard = qtClipboard_.get();
  }
  if (!options_.CardPrompts) {
    qtCardPrompts_ = std::make_unique<TQtCardPrompts>(*options_.Dialogs);
    options_.CardPrompts = qtCardPrompts_.get();
  }
  options_.Main.CardPrompts = options_.CardPrompts;
  if (!options_.CommandDialogs) {
    qtCommandDialogs_ = std::make_unique<TQtCommandDialogs>(*this);
    options_.CommandDialogs = qtCommandDialogs_.get();
  }
  TErrorGuard::SetDialogs(options_.Dialogs);
  scheduleForms_ = std::make_unique<TScheduleForms>();
  scheduleForms_->RunModal = options_.RunModal;
  newgrid_ = std::make_unique<TNewgridStandIn>();
  model::SetMessageBoxHook([dialogs = options_.Dialogs](std::string_view text, std::string_view caption,
                                                        model::TMessageBoxIcon icon) {
    ShowModelMessage(*dialogs, text, caption, icon);
  });
  pump_ = std::make_unique<TMessagePump>();
  // A converter that ends by itself (without LibreOffice, say) is reaped as it ends, not left a
  // zombie until a Word object next asks for it.
  converterExit_ = std::make_unique<TProcessExitWatch>(model::PageflatClient().ExitFd(),
                                                       [] { model::PageflatClient().Running(); });
  if (options_.HandleSignals) signals_ = std::make_unique<TTerminationSignals>([this](int) { Terminate(); });
}

TCorvane::~TCorvane() {
  // The listener posts to the online dialog's window: it ends before any form goes.
  application_->StopOnLineListener();
  main_.reset();
  *scheduleForms_ = {};
  if (TQtForms* forms = QtForms()) *forms = {};
  newgrid_->Form = nullptr;
  if (qtDialogs_) qtDialogs_->SetPreviewForm(nullptr);
  while (!forms_.empty()) forms_.pop_back();
  signals_.reset();
  converterExit_.reset();
  pump_.reset();
  model::SetMessageBoxHook({});
  TErrorGuard::SetDialogs(nullptr);
  application_.reset();
}

// The forms whose units exist. The others of the start-up lists are passed over until their
// unit adds itself here.
void TCorvane::MakeForm(std::string_view className) {
  struct TFormEntry {
    std::string_view ClassName;
    std::unique_ptr<QWidget> (TCorvane::*Make)();
  };
  static const TFormEntry factories[] = {
      {"TAboutForm", &TCorvane::MakeAboutForm},
      {"TOnLineForm", &TCorvane::MakeOnLineForm},
      {"TSetRemoteServerForm", &TCorvane::MakeSetRemoteServerForm},
      {"TAutoCloseForm", &TCorvane::MakeAutoCloseForm},
      {"TAutoBrightForm", &TCorvane::MakeAutoBrightForm},
      {"TAutoSendForm", &TCorvane::MakeAutoSendForm},
      {"TAutoSendTimeForm", &TCorvane::MakeAutoSendTimeForm},
      {"TParamSetForm", &TCorvane::MakeParamSetForm},
      {"TBrightAdjustForm", &TCorvane::MakeBrightAdjustForm},
      {"TDateTimeInputForm", &TCorvane::MakeDateTimeInputForm},
      {"TMultiCardForm", &TCorvane::MakeMultiCardForm},
      {"TCampaignForm", &TCorvane::MakeCampaignForm},
      {"TMultiStringInputForm", &TCorvane::MakeMultiStringInputForm},
      {"TMultiInputForm", &TCorvane::MakeMultiInputForm},
      {"TProjectForm", &TCorvane::MakeProjectForm},
      {"TPassForm", &TCorvane::MakePassForm},
      {"TInputPassWordForm", &TCorvane::MakeInputPassWordForm},
      {"TTableForm", &TCorvane::MakeTableForm},
      {"TNewgridForm", &TCorvane::MakeNewgridForm},
      {"TPrevForm", &TCorvane::MakePrevForm},
  };
  for (const auto& entry : factories) {
    if (entry.ClassName == className) {
      forms_.emplace_back(className, (this->*entry.Make)());
      return;
    }
  }
}

std::unique_ptr<QWidget> TCorvane::MakeAboutForm() { return std::make_unique<TAboutForm>(); }

// The dialogs of the password, the project, the sub-cards and the inputs answer the slots of
// the Qt program's dialogs.
TQtForms* TCorvane::QtForms() {
  auto* qt = dynamic_cast<TQtDialogs*>(options_.Dialogs);
  return qt ? &qt->Forms : nullptr;
}

// A dialog made at start-up that answers a slot of the Qt program's dialogs.
template <class TForm>
std::unique_ptr<QWidget> TCorvane::Answering(TForm* TQtForms::*slot, std::unique_ptr<TForm> form) {
  if (TQtForms* forms = QtForms()) forms->*slot = form.get();
  return form;
}

std::unique_ptr<QWidget> TCorvane::MakeDateTimeInputForm() {
  return Answering(&TQtForms::DateTimeInput, std::make_unique<TDateTimeInputFormView>());
}

std::unique_ptr<QWidget> TCorvane::MakeMultiCardForm() {
  return Answering(&TQtForms::MultiCard, std::make_unique<TMultiCardFormView>(Dialogs()));
}

std::unique_ptr<QWidget> TCorvane::MakeCampaignForm() {
  return Answering(&TQtForms::Campaign, std::make_unique<TCampaignFormView>(Dialogs()));
}

std::unique_ptr<QWidget> TCorvane::MakeMultiStringInputForm() {
  return Answering(&TQtForms::MultiStringInput, std::make_unique<TMultiStringInputFormView>(Dialogs()));
}

std::unique_ptr<QWidget> TCorvane::MakeMultiInputForm() {
  return Answering(&TQtForms::MultiInput, std::make_unique<TMultiInputFormView>(Dialogs(), chooser_));
}

std::unique_ptr<QWidget> TCorvane::MakeProjectForm() {
  return Answering(&TQtForms::Project, std::make_unique<TProjectFormView>(Dialogs(), main_->Form().ProgramDir()));
}

std::unique_ptr<QWidget> TCorvane::MakePassForm() {
  TDesignForm& main = main_->Form();
  return Answering(&TQtForms::Pass, std::make_unique<TPassFormView>(Dialogs(), PasswordFilePath(main.ProgramDir()),
                                                                    main.Settings()));
}

std::unique_ptr<QWidget> TCorvane::MakeInputPassWordForm() {
  return Answering(&TQtForms::InputPassWord, std::make_unique<TInputPassWordFormView>(
                                                 Dialogs(), PasswordFilePath(main_->Form().ProgramDir())));
}

QWidget* TCorvane::Form(std::string_view className) const {
  if (className == "TDesignForm") return main_.get();
  for (const auto& [name, form] : forms_)
    if (name == className) return form.get();
  return nullptr;
}


TAboutForm* TCorvane::AboutForm() const { return static_cast<TAboutForm*>(Form("TAboutForm")); }

TOnLineForm* TCorvane::OnLineForm() const { return static_cast<TOnLineForm*>(Form("TOnLineForm")); }

TSetRemoteServerForm* TCorvane::SetRemoteServerForm() const {
  return static_cast<TSetRemoteServerForm*>(Form("TSetRemoteServerForm"));
}

// The online dialog, and with it the listener, which reads "Param.ini" once as it starts.
std::unique_ptr<QWidget> TCorvane::MakeOnLineForm() {
  TDesignForm* main = &main_->Form();
  TOnLineImportHooks hooks;
  hooks.Root = [main] { return main->ProjectRoot(); };
  hooks.SetModified = [main] { main->SetModified(true); };
  hooks.RebuildTree = [main] {
    if (main->Hooks().RebuildTree) main->Hooks().RebuildTree();
  };
  auto form = std::make_unique<TOnLineForm>(application_->OnLineTable(), std::move(hooks), *options_.Dialogs);

  TTransferOptions listener;
  listener.LocalPort = options_.OnLinePort.value_or(OnLinePortFromEnvironment());
  listener.LocalIp = options_.OnLineAddress;
  listener.Settings = main->Settings();
  listener.NotifyWindow = form->Handle();
  listener.NotifyMessage = TOnLineForm::RefreshMessage;
  application_->StartOnLineListener(std::move(listener));
  return form;
}

// The dialog opens its links through the application's link manager, the one the project
// roots use, so a port a screen holds is taken over rather than refused.
std::unique_ptr<QWidget> TCorvane::MakeParamSetForm() {
  auto form = std::make_unique<TParamSetForm>(Dialogs(), application_->LEDManager(), main_->Form().Settings());
  if (options_.RunModal) form->RunModal = options_.RunModal;
  return form;
}

std::unique_ptr<QWidget> TCorvane::MakeSetRemoteServerForm() {
  return std::make_unique<TSetRemoteServerForm>(main_->Form().Settings());
}

TAutoSendForm* TCorvane::AutoSendForm() const { return static_cast<TAutoSendForm*>(Form("TAutoSendForm")); }
TAutoCloseForm* TCorvane::AutoCloseForm() const { return static_cast<TAutoCloseForm*>(Form("TAutoCloseForm")); }
TAutoBrightForm* TCorvane::AutoBrightForm() const { return static_cast<TAutoBrightForm*>(Form("TAutoBrightForm")); }
TBrightAdjustForm* TCorvane::BrightAdjustForm() const {
  return static_cast<TBrightAdjustForm*>(Form("TBrightAdjustForm"));
}

TPrevForm* TCorvane::PrevForm() const { return static_cast<TPrevForm*>(Form("TPrevForm")); }

// The preview window, which the program's dialogs show; it finds the card font file in the
// program directory.
std::unique_ptr<QWidget> TCorvane::MakePrevForm() {
  TPreviewOptions options;
  options.ProgramDir = main_->Form().ProgramDir();
  auto form = std::make_unique<TPrevForm>(Dialogs(), std::move(options));
  if (qtDialogs_) qtDialogs_->SetPreviewForm(form.get());
  return form;
}

TScheduleCommands& TCorvane::ScheduleCommands() { return *scheduleForms_; }

TTableForm* TCorvane::TableForm() const { return static_cast<TTableForm*>(Form("TTableForm")); }
TNewgridForm* TCorvane::NewgridForm() const { return static_cast<TNewgridForm*>(Form("TNewgridForm")); }

std::unique_ptr<QWidget> TCorvane::MakeTableForm() {
  auto form = std::make_unique<TTableForm>(Dialogs(), *newgrid_, main_->Form().Settings());
  form->RunModal = options_.RunModal;
  return form;
}

std::unique_ptr<QWidget> TCorvane::MakeNewgridForm() {
  auto form = std::make_unique<TNewgridForm>();
  form->RunModal = options_.RunModal;
  newgrid_->Form = form.get();
  return form;
}

// The schedule dialogs act on the main window's current screen through its project root.
TScheduleFormContext TCorvane::ScheduleContext() {
  TDesignForm* main = &main_->Form();
  TScheduleFormContext context;
  context.Dialogs = options_.Dialogs;
  context.Operations = &RootScheduleOperations();
  context.CurrentScreen = [main] { return main->CurrentScreenObject(); };
  context.RunModal = options_.RunModal;
  return context;
}

std::unique_ptr<QWidget> TCorvane::MakeAutoCloseForm() {
  auto form = std::make_unique<TAutoCloseForm>(ScheduleContext());
  scheduleForms_->AutoCloseForm = form.get();
  return form;
}

std::unique_ptr<QWidget> TCorvane::MakeAutoBrightForm() {
  auto form = std::make_unique<TAutoBrightForm>(ScheduleContext());
  scheduleForms_->AutoBrightForm = form.get();
  return form;
}

std::unique_ptr<QWidget> TCorvane::MakeBrightAdjustForm() {
  auto form = std::make_unique<TBrightAdjustForm>(ScheduleContext());
  scheduleForms_->BrightAdjustForm = form.get();
  return form;
}

// The automatic sender (the application keeps it) with its dialog.
std::unique_ptr<QWidget> TCorvane::MakeAutoSendForm() {
  TAutoSendOptions options = options_.AutoSend;
  if (options.ListPath.empty()) options.ListPath = main_->Form().ProgramDir() + "AutoSend.Lst";
  auto form = std::make_unique<TAutoSendForm>(application_->MakeAutoSend(*options_.Dialogs, std::move(options)));
  scheduleForms_->AutoSendForm = form.get();
  return form;
}

// Made after the automatic-send dialog, which shows it.
std::unique_ptr<QWidget> TCorvane::MakeAutoSendTimeForm() {
  auto form = std::make_unique<TAutoSendTimeForm>();
  if (TAutoSendForm* sender = AutoSendForm()) sender->SetTimeForm(form.get());
  return form;
}

// The property editors by class: the dialogs and the table editor sized for the current screen.
void TCorvane::MakeComponentEditor() {
  TDesignForm* main = &main_->Form();
  TComponentEditorContext context;
  context.Dialogs = options_.Dialogs;
  context.EditTable = [this](const std::string& file, int width, int height) {
    TTableForm* form = TableForm();
    return form ? form->Edit(file, width, height) : file;
  };
  context.CurrentScreen = [main] { return main->CurrentScreenObject(); };
  TDialogs* dialogs = options_.Dialogs;
  context.EditRichText = [dialogs](const std::string& file) { return dialogs->EditRichText(file); };
  context.EditTextLines = [dialogs](const std::vector<std::string>& lines, const platform::TFontDescription& font) {
    return dialogs->EditTextLines(lines, font);
  };
  context.InputDateTime = [dialogs](platform::TDateTime initial) { return dialogs->InputDateTime(initial); };
  context.EditSubCards = [dialogs](model::TCards& cards) { dialogs->EditSubCards(cards); };
  application_->MakeComponentEditor(std::move(context));
}

bool TCorvane::Start() {
  for (std::string_view name : FormsBeforeSplash) {
    if (name != "TDesignForm") {
      MakeForm(name);
      continue;
    }
    main_ = std::make_unique<TDesignFormView>(*options_.Dialogs, *options_.Clipboard, options_.Main,
                                              options_.CommandDialogs, options_.Notifier);
    // The window's commands set the hooks; a test's own take their place.
    TMainHooks& hooks = main_->Form().Hooks();
    OverrideHooks(hooks, options_.Hooks);
    // A screen whose schedule was read refills its dialog, when that dialog is shown.
    hooks.ScreenStatusChanged = [this, notices = hooks.ScreenStatusChanged](model::TLEDScreen& screen) {
      if (notices) notices(screen);
      scheduleForms_->ScreenStatusChanged(screen);
    };
    // An exit with no loop running would end the next loop at once.
    main_->SetOnClosed([this] {
      if (running_) QCoreApplication::exit(0);
    });
    bool created = false;
    TErrorGuard::Run([&] { created = main_->Form().Create(); });
    if (!created) return false;
  }
  MakeComponentEditor();
  main_->SetOnAbout([this] {
    if (TAboutForm* about = AboutForm()) {
      about->show();
      about->raise();
    }
  });

  TAboutForm* splash = AboutForm();
  if (splash) splash->ShowAsSplash();
  if (options_.SplashMs > 0) {
    if (options_.SplashWait) options_.SplashWait(options_.SplashMs);
    else std::this_thread::sleep_for(std::chrono::milliseconds(options_.SplashMs));
  }
  for (std::string_view name : FormsAfterSplash) MakeForm(name);
  if (splash) splash->close();

  main_->show();
  return true;
}

int TCorvane::Exec() {
  if (terminating_) {  // told to end before the loop ran
    if (main_) TErrorGuard::Run([this] { main_->Form().CloseQuery(true); });
    return 0;
  }
  running_ = true;
  const int status = QCoreApplication::exec();
  running_ = false;
  return status;
}

void TCorvane::Terminate() {
  terminating_ = true;
  if (!running_) return;
  if (main_ && main_->isVisible()) main_->CloseAnsweringNo();
  // Also ends the loop of a modal dialog that was open at the time.
  QCoreApplication::exit(0);
}

}  // namespace editor::ui
