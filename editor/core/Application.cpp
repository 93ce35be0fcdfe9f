#include "Application.h"

#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/ComponentManager.h"
#include "model/IDCreater.h"
#include "model/objects/PageflatClient.h"
#include "model/objects/Temperature.h"
#include "model/stream/StreamContext.h"

namespace editor {

TApplication::TApplication() {
  model::IDCreater();
  model::ComponentManager();
  // The sensor classes first; the main window's seventeen join the registry after them once
  // their units exist: TLEDScreen, TLeaf, TText, TDateTimeComponent, TMultiText, TPhoto,
  // TCountUp, TCountDown, TAVIPlayer, TAnalogClock, TMultiString, TMultiCard, TCards,
  // TWordObject, TTableObject, TStringFile, TCampaignTime; and the image formats'
  // RegisterRasterFormats() before any picture opens.
  model::RegisterSensorClasses(model::ComponentManager());
  model::StreamContext();
  ledManager_ = std::make_unique<cardlink::TLEDManager>(cardlink::CorvaneManagerPolicy());
  // The project roots' card operations reach it through their accessor.
  model::SetLEDManager(ledManager_.get());
  // The Word objects' document converter runs from here to the end; without it (or without
  // LibreOffice) they stay black and send nothing.
  model::PageflatClient().Start();
}

TApplication::~TApplication() {
  model::PageflatClient().Stop();
  StopOnLineListener();
  autoSend_.reset();
  model::SetLEDManager(nullptr);
  ledManager_.reset();
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
