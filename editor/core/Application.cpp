#include "Application.h"

#include "editor/core/Main.h"
#include "imaging/GifImage.h"
#include "imaging/RasterFormats.h"
#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/ComponentManager.h"
#include "model/IDCreater.h"
#include "model/objects/PageflatClient.h"
#include "model/stream/StreamContext.h"

namespace editor {

TApplication::TApplication() {
  model::IDCreater();
  RegisterDisplayClasses(model::ComponentManager());
  model::StreamContext();
  ledManager_ = std::make_unique<cardlink::TLEDManager>(cardlink::CorvaneManagerPolicy());
  // The project roots' card operations reach it through their accessor.
  model::SetLEDManager(ledManager_.get());
  // Before any picture opens. The picture registries are process-wide tables without threads or
  // files; they stay registered for the life of the process.
  imaging::RegisterRasterFormats();
  imaging::RegisterGIFFormat();
  // The Word objects' document converter runs from here to the end; without it (or without
  // LibreOffice) they stay black and send nothing.
  model::PageflatClient().Start();
}

TApplication::~TApplication() {
  model::PageflatClient().Stop();
  StopOnLineListener();
  autoSend_.reset();
  // No card operation may reach the manager once it is gone.
  if (model::LEDManager() == ledManager_.get()) model::SetLEDManager(nullptr);
  ledManager_.reset();
}

TComponentEditor& TApplication::MakeComponentEditor(TComponentEditorContext context) {
  componentEditor_.reset();
  componentEditor_ = std::make_unique<TComponentEditor>(std::move(context));
  return *componentEditor_;
}

TAutoSend& TApplication::MakeAutoSend(TDialogs& dialogs, TAutoSendOptions options) {
  autoSend_ = std::make_unique<TAutoSend>(dialogs, std::move(options));
  return *autoSend_;
}

void TApplication::StartOnLineListener(TTransferOptions options) {
  StopOnLineListener();
  onLineListener_ = std::make_unique<TTransfer>(onLineTable_, std::move(options));
  onLineListener_->Start();
}

void TApplication::StopOnLineListener() {
  if (onLineListener_) onLineListener_->Stop();
}

}  // namespace editor
