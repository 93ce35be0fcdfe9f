#include "PreView.h"

#include <dlfcn.h>

#include <algorithm>
#include <new>

#include "editor/core/Main.h"
#include "model/FormConstructEx.h"
#include "model/ProgramRecords.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "platform/base/AppPaths.h"
#include "platform/base/ByteOrder.h"
#include "platform/base/GbkText.h"

namespace editor {

namespace {

constexpr size_t ColorModeOffset = 4;
constexpr size_t StepTimeOffset = 6;
constexpr size_t FlagsOffset = 8;

// Empties the preview stream when the caller leaves, however it leaves.
struct TPreviewStreamClear {
  ~TPreviewStreamClear() { model::StreamContext().PreviewStream().Clear(); }
};

}  // namespace

uint32_t PreviewInterval(int stepTime) {
  return uint32_t(std::clamp<int64_t>(stepTime, MinStepTime, MaxStepTime));
}

int PreviewColorMode(const TPreviewRequest& request) {
  return platform::LoadU16(&request.ParamBlock[ColorModeOffset]);
}

int PreviewStepTime(const TPreviewRequest& request) {
  return platform::LoadU16(&request.ParamBlock[StepTimeOffset]);
}

TPreviewRequest PreviewRequest(const model::TLEDScreen& screen, std::span<const uint8_t> program) {
  TPreviewRequest request;
  request.Width = uint16_t(screen.ScreenWidth());
  request.Height = uint16_t(screen.ScreenHeight());
  request.Program.assign(program.begin(), program.end());
  std::copy(screen.ParamBlock().begin(), screen.ParamBlock().end(), request.ParamBlock.begin());
  return request;
}

void WritePagePreview(const model::TLEDScreen& screen, model::TLeaf& page, model::TProgramStream& stream) {
  const int mode = screen.ColorMode();
  model::StreamContext().SetColorMode(mode);
  model::WriteProgramHead(stream, model::rkSendHeader, mode, 1, 0);
  model::SetRecordSelf(page, stream);
}

void PreviewPage(TDesignForm& form, TDialogs& dialogs, model::TLEDScreen& screen, model::TLeaf& page) {
  static const std::string building = platform::Utf8ToGbk("正在形成预览数据...");
  form.SetStatusText(building);
  model::TProgramStream& stream = model::StreamContext().PreviewStream();
  TPreviewStreamClear clear;
  stream.Clear();
  WritePagePreview(screen, page, stream);
  TPreviewRequest request = PreviewRequest(screen, stream.Bytes());
  // The page may go while the preview is up (messages run inside it): it is looked up again.
  platform::TComponentRef<model::TLeaf> shown(&page);
  page.SetActive(false);
  struct TReactivate {
    platform::TComponentRef<model::TLeaf>& Page;
    ~TReactivate() {
      if (Page) Page->SetActive(true);
    }
  } reactivate{shown};
  dialogs.ShowPreview(request);
}

void PreviewAll(TDialogs& dialogs, model::TLEDScreen& screen) {
  model::TProgramStream& stream = model::StreamContext().PreviewStream();
  TPreviewStreamClear clear;
  stream.Clear();
  model::WriteProgramRecords(screen, model::rkSendHeader, stream, screen.ColorMode());
  TPreviewRequest request = PreviewRequest(screen, stream.Bytes());
  // The card's own flags (polarity, cascade type...) stay with the screen: only the preview's
  // copy is cleared.
  platform::StoreU32(&request.ParamBlock[FlagsOffset], 0);
  dialogs.ShowPreview(request);
}

void PreviewPage(TDesignForm& form, TDialogs& dialogs) {
  model::TLEDScreen* screen = form.CurrentScreenObject();
  model::TLeaf* page = form.CurrentLeaf();
  if (screen && page) PreviewPage(form, dialogs, *screen, *page);
}

void PreviewAll(TDesignForm& form, TDialogs& dialogs) {
  if (model::TLEDScreen* screen = form.CurrentScreenObject()) PreviewAll(dialogs, *screen);
}

void ShowReadBackPreview(TDialogs& dialogs, const model::TLEDScreen& source, std::span<const uint8_t> program) {
  dialogs.ShowPreview(PreviewRequest(source, program));
}

// ---- TPreviewQueue ----------------------------------------------------------------------------

void TPreviewQueue::Show(TPreviewRequest request) {
  if (open_) {
    waiting_.push_back(std::move(request));
    return;
  }
  struct TClose {
    TPreviewQueue& Queue;
    bool Done = false;
    ~TClose() {
      Queue.open_ = false;
      // A preview that failed takes those waiting for it along: nobody is left to show them.
      if (!Done) Queue.waiting_.clear();
    }
  } close{*this};
  open_ = true;
  run_(request);
  while (!waiting_.empty()) {
    const TPreviewRequest next = std::move(waiting_.front());
    waiting_.pop_front();
    run_(next);
  }
  close.Done = true;
}

// ---- TDisplayLibrary --------------------------------------------------------------------------

bool TDisplayLibrary::Load(const std::string& name) {
  Unload();
  handle_ = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) return false;
  Create = reinterpret_cast<TDisplayCreateProc>(dlsym(handle_, "Display_Create"));
  Step = reinterpret_cast<TDisplayStepProc>(dlsym(handle_, "Display_Step"));
  Destroy = reinterpret_cast<TDisplayDestroyProc>(dlsym(handle_, "Display_Destroy"));
  if (Create && Step && Destroy) return true;
  Unload();
  return false;
}

void TDisplayLibrary::Unload() {
  Create = nullptr;
  Step = nullptr;
  Destroy = nullptr;
  if (handle_) dlclose(handle_);
  handle_ = nullptr;
}

// ---- TPreviewPlayer ---------------------------------------------------------------------------

TPreviewPlayer::TPreviewPlayer(TDialogs& dialogs, TPreviewOptions options)
    : dialogs_(dialogs), options_(std::move(options)), timer_(*options_.Clock) {
  if (options_.ProgramDir.empty()) options_.ProgramDir = platform::ProgramDir();
  timer_.SetEnabled(false);
  timer_.SetOnTimer([this] { Step(); });
}

TPreviewPlayer::~TPreviewPlayer() { Stop(); }

std::string TPreviewPlayer::FontPath() const { return options_.ProgramDir + DisplayFontFile; }

void TPreviewPlayer::Start(const TPreviewRequest& request) {
  Stop();
  request_ = request;
  pixels_.assign(size_t(request_.Width) * request_.Height, 0);
  surface_ = {pixels_.data(), request_.Width, request_.Height, int32_t(request_.Width) * 4};

  if (!library_.Load(options_.Library)) {
    static const std::string text = platform::Utf8ToGbk("软件不全，无法执行预览功能，请与软件供应商联系!");
    static const std::string caption = platform::Utf8ToGbk("错误信息");
    dialogs_.MessageBox(text, caption, TMessageIcon::Error, TMessageButtons::Ok);
    return;
  }
  const std::string font = FontPath();
  // The simulator keeps reading what it is given until Display_Destroy: the player's own copies,
  // which nothing else changes while it plays.
  library_.Create(font.c_str(), PreviewColorMode(request_), request_.Width, request_.Height, &surface_,
                  request_.Program.data(), request_.ParamBlock.data(), uint32_t(request_.Program.size()));
  timer_.SetInterval(PreviewInterval(PreviewStepTime(request_)));
  timer_.SetEnabled(true);
}

void TPreviewPlayer::Step() {
  if (!Running()) return;
  library_.Step(&surface_);
  if (OnPainted) OnPainted();
}

void TPreviewPlayer::Stop() {
  if (!Running()) return;
  timer_.SetEnabled(false);
  library_.Destroy();
  library_.Unload();
}

}  // namespace editor
