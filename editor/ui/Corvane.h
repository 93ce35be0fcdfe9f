#pragma once
// The Qt program: the application object that guards every event, and the start-up order
// (application objects, the main window and the forms, the splash, the loop) with the
// teardown after it.
#include <QApplication>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/core/Application.h"
#include "editor/core/Commands.h"
#include "editor/core/Main.h"
#include "editor/ui/ModalRun.h"
#include "editor/ui/PropertyEditor.h"
#include "editor/ui/ScheduleForms.h"

namespace editor::ui {

class TAboutForm;
class TAutoSendForm;
class TDesignFormView;
class TOnLineForm;
class TPrevForm;
class TSetRemoteServerForm;
class TMessagePump;
class TNewgridForm;
class TQtCardPrompts;
class TTableForm;
class TQtClipboard;
class TQtDialogs;
struct TQtForms;
class TProcessExitWatch;
class TTerminationSignals;

// QApplication whose every event delivery runs inside the error guard, with Qt's own texts in
// Chinese (platform/qt/ChineseQt.h).
class TGuiApplication : public QApplication {
 public:
  TGuiApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

struct TStartupOptions {
  // How long the splash stands; tests set 0.
  int SplashMs = DefaultSplashMs;
  // How the splash's time passes (empty: the GUI thread sleeps); tests look at the splash there.
  std::function<void(int ms)> SplashWait;
  // Null: modal Qt dialogs, the system clipboard and modal card questions.
  TDialogs* Dialogs = nullptr;
  TClipboardAccess* Clipboard = nullptr;
  model::TCardPrompts* CardPrompts = nullptr;
  // Null: the program's own dialogs for the commands, and the main window's notice window.
  TCommandDialogs* CommandDialogs = nullptr;
  TNotifier* Notifier = nullptr;
  // How the program's own dialogs run modally when a command opens them (empty: their modal
  // loop); tests show the dialog and play the user's part instead.
  TModalRun RunModal;
  // Program directory, command line (GBK) and clock of the main window.
  TMainOptions Main;
  // The project side's hooks, in place before the main window is first shown.
  TMainHooks Hooks;
  // Whether SIGINT and SIGTERM close the program (tests that run several programs in one
  // process leave them alone).
  bool HandleSignals = true;
  // The online card listener's port (unset: CORVANE_ONLINE_PORT, else 8888) and address
  // (network byte order; 0: every address).
  std::optional<uint16_t> OnLinePort;
  uint32_t OnLineAddress = 0;
  // The automatic sender's list file (empty: "AutoSend.Lst" in the program directory), clock
  // and send.
  TAutoSendOptions AutoSend;
};

class TCorvane {
 public:
  explicit TCorvane(TStartupOptions options);
  // Stops the online card listener, then frees the main window, the other forms and the
  // application's objects.
  ~TCorvane();
  TCorvane(const TCorvane&) = delete;
  TCorvane& operator=(const TCorvane&) = delete;

  // Start-up up to the message loop: the main window (whose creation may end the program:
  // false), the forms before the splash, the splash, the remaining forms, the splash closed and
  // the main window shown.
  bool Start();
  // The message loop, until the main window closes; the program's exit status.
  int Exec();
  // What SIGINT and SIGTERM do: the main window closes as with the answer No, and every loop
  // ends.
  void Terminate();

  TApplication& Application() { return *application_; }
  TDialogs& Dialogs() { return *options_.Dialogs; }
  TDesignFormView* MainWindow() const { return main_.get(); }
  TAboutForm* AboutForm() const;
  TOnLineForm* OnLineForm() const;
  TSetRemoteServerForm* SetRemoteServerForm() const;
  TAutoSendForm* AutoSendForm() const;
  TAutoCloseForm* AutoCloseForm() const;
  TAutoBrightForm* AutoBrightForm() const;
  TBrightAdjustForm* BrightAdjustForm() const;
  TPrevForm* PrevForm() const;
  // The Card menu's schedule and automatic-send commands and the status forwarding to the
  // schedule dialogs, for the main window.
  TScheduleCommands& ScheduleCommands();
  // The dialogs the main window's commands open, as the program has them.
  TCommandDialogs& CommandDialogs() { return *options_.CommandDialogs; }
  const TModalRun& ModalRun() const { return options_.RunModal; }
  // The table editor and its new-table dialog.
  TTableForm* TableForm() const;
  TNewgridForm* NewgridForm() const;
  // A form made at start-up, by class name ("TAboutForm"); null when its unit does not exist.
  QWidget* Form(std::string_view className) const;

  // The command line after the program name, as GBK text.
  static std::vector<std::string> Arguments(int argc, char** argv);

 private:
  void MakeForm(std::string_view className);
  std::unique_ptr<QWidget> MakeAboutForm();
  std::unique_ptr<QWidget> MakeOnLineForm();
  std::unique_ptr<QWidget> MakeSetRemoteServerForm();
  std::unique_ptr<QWidget> MakeAutoSendForm();
  std::unique_ptr<QWidget> MakeAutoCloseForm();
  std::unique_ptr<QWidget> MakeAutoBrightForm();
  std::unique_ptr<QWidget> MakeBrightAdjustForm();
  TScheduleFormContext ScheduleContext();
  std::unique_ptr<QWidget> MakeAutoSendTimeForm();
  std::unique_ptr<QWidget> MakeParamSetForm();
  void MakeComponentEditor();
  std::unique_ptr<QWidget> MakeTableForm();
  std::unique_ptr<QWidget> MakeNewgridForm();
  class TNewgridStandIn;
  std::unique_ptr<QWidget> MakePrevForm();
  std::unique_ptr<QWidget> MakeDateTimeInputForm();
  std::unique_ptr<QWidget> MakeMultiCardForm();
  std::unique_ptr<QWidget> MakeCampaignForm();
  std::unique_ptr<QWidget> MakeMultiStringInputForm();
  std::unique_ptr<QWidget> MakeMultiInputForm();
  std::unique_ptr<QWidget> MakeProjectForm();
  std::unique_ptr<QWidget> MakePassForm();
  std::unique_ptr<QWidget> MakeInputPassWordForm();
  // The forms of the Qt program's dialogs; null when the dialogs are someone else's (tests).
  TQtForms* QtForms();
  template <class TForm>
  std::unique_ptr<QWidget> Answering(TForm* TQtForms::*slot, std::unique_ptr<TForm> form);

  TStartupOptions options_;
  std::unique_ptr<TApplication> application_;
  std::unique_ptr<TQtDialogs> qtDialogs_;
  std::unique_ptr<TQtClipboard> qtClipboard_;
  std::unique_ptr<TQtCardPrompts> qtCardPrompts_;
  std::unique_ptr<TCommandDialogs> qtCommandDialogs_;
  std::unique_ptr<TMessagePump> pump_;
  std::unique_ptr<TTerminationSignals> signals_;
  std::unique_ptr<TProcessExitWatch> converterExit_;
  std::unique_ptr<TScheduleForms> scheduleForms_;
  // The font and colour dialogs of the rich-text dialog's "字 体".
  TQtPropertyChooser chooser_;
  std::unique_ptr<TNewgridStandIn> newgrid_;
  std::unique_ptr<TDesignFormView> main_;
  std::vector<std::pair<std::string_view, std::unique_ptr<QWidget>>> forms_;
  bool running_ = false;
  bool terminating_ = false;
};

}  // namespace editor::ui
