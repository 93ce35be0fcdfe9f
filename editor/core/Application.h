#pragma once
// The editor's application object: the program-wide objects its units share, and the order in
// which the program makes its forms.
//
// It is made before any form and freed after every form is gone (main window first), all
// before main() returns: no link thread may outlive the GUI thread's message queue, so nothing
// here is a static.
#include <array>
#include <memory>
#include <string_view>

#include "editor/core/AutoSend.h"
#include "editor/core/ComponentEditor.h"
#include "editor/core/OnLineList.h"

namespace cardlink {
class TLEDManager;
}

namespace editor {

// The forms of start-up, by class, in the order they are made: the main window and fourteen
// more, then the About box as a splash, then ten more. The Qt program makes those whose unit
// exists and passes over the rest.
inline constexpr std::array<std::string_view, 15> FormsBeforeSplash = {
    "TDesignForm",      "TAboutForm",           "TAutoCloseForm", "TAutoBrightForm", "TOnLineForm",
    "TSetRemoteServerForm", "TDateTimeInputForm", "TAutoSendForm",  "TAutoSendGuideForm",
    "TAutoSendTimeForm", "TMultiCardForm",       "TUserParamForm", "TTableForm",      "TNewgridForm",
    "TCampaignForm"};
inline constexpr std::array<std::string_view, 10> FormsAfterSplash = {
    "TStatusForm",  "TParamSetForm", "TMultiStringInputForm", "TMultiInputForm", "TProjectForm",
    "TBrightSetForm", "TBrightAdjustForm", "TPrevForm",        "TPassForm",       "TInputPassWordForm"};

// How long the About box stands as a splash before the last forms are made.
inline constexpr int DefaultSplashMs = 3000;

class TApplication {
 public:
  // Makes, in this order: the name generator and the class registry (then the display classes
  // are registered: the sensor classes first, then the main window's seventeen), the preview
  // stream, and the one link manager, which the card operations then reach (model's
  // LEDManager()); then registers the picture formats, before any picture opens, and starts
  // the document converter of the Word objects (PageflatClient.h).
  TApplication();
  // Stops the converter and the online listener, takes the manager back from the card
  // operations and frees it. The registry, name generator and preview stream are the model's
  // own process-wide objects and hold no thread.
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  cardlink::TLEDManager& LEDManager() { return *ledManager_; }

  // The online card table, shared by the listener thread and the online dialog.
  TOnLineTable& OnLineTable() { return onLineTable_; }
  // Starts the online card listener (made with the online dialog, whose message window it
  // posts its refreshes to). A socket or bind failure leaves it stopped, quietly.
  void StartOnLineListener(TTransferOptions options);
  // Stops and joins it; the program does so before its forms and the GUI thread's queue go.
  void StopOnLineListener();
  TTransfer* OnLineListener() { return onLineListener_.get(); }

  // The automatic sender with its project root, made with its dialog at start-up and kept to
  // the end, so sending goes on whether the dialog is open or not. It goes before the link
  // manager its sends use.
  TAutoSend& MakeAutoSend(TDialogs& dialogs, TAutoSendOptions options = {});
  TAutoSend* AutoSend() { return autoSend_.get(); }

  // The property editors by class, registered in the program's two tables (the inspector's
  // and the double-click table) until the application goes or makes them again.
  TComponentEditor& MakeComponentEditor(TComponentEditorContext context);
  TComponentEditor* ComponentEditor() { return componentEditor_.get(); }

 private:
  std::unique_ptr<cardlink::TLEDManager> ledManager_;
  TOnLineTable onLineTable_;
  std::unique_ptr<TTransfer> onLineListener_;
  std::unique_ptr<TAutoSend> autoSend_;
  std::unique_ptr<TComponentEditor> componentEditor_;
};

}  // namespace editor
