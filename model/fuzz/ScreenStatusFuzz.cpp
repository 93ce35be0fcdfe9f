// Feeds a project root's window notify records built from the input, as link threads would send
// them, mixed with its own send messages, operations and screens deleted under it; the person
// at the screen answers from the input too. No link manager is set, so every link it opens
// fails. Whatever comes in, statuses stay in 0..35, retry counts in 0..6, and the preview stream
// is empty once the queue has been handled.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "link/tsSender.h"
#include "model/CardLink.h"
#include "model/CardPrompts.h"
#include "model/FormConstructEx.h"
#include "model/LoadMode.h"
#include "model/ScreenStatus.h"
#include "model/stream/StreamContext.h"
#include "platform/base/MessageWindow.h"

namespace {

class TInput {
 public:
  TInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return pos_ >= size_; }
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint16_t U16() { return uint16_t(U8() | U8() << 8); }
  uint32_t U32() { return uint32_t(U16() | uint32_t(U16()) << 16); }
  // Up to `n` bytes that are really there.
  std::pair<const uint8_t*, size_t> Take(size_t n) {
    n = std::min(n, size_ - std::min(pos_, size_));
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return {p, n};
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class TPrompts : public model::TCardPrompts {
 public:
  explicit TPrompts(TInput& in, model::TConstructer& root) : in_(in), root_(root) {}
  bool AskYesNo(std::string_view, std::string_view) override {
    const uint8_t b = in_.U8();
    if (b & 0x80) root_.DeleteScreen(b & 3);  // the screen may go while the question is up
    return b & 1;
  }
  std::optional<std::string> AskSaveFileName(std::string_view, std::string_view) override {
    return std::nullopt;
  }
  void ShowPreview(const model::TLEDScreen&, std::span<const uint8_t>) override {}

 private:
  TInput& in_;
  model::TConstructer& root_;
};

const uint16_t kKinds[] = {4, 6, 7, 9, 10, 11, 12, 0x3C, 0x3D, 0x3E, 0x3F, 0x50, 8923, 8925};

void Check(const model::TConstructer& root) {
  for (const model::TLEDScreen* screen : root.Screens()) {
    if (screen->Status() < 0 || screen->Status() > model::ssWaitingToDownload) std::abort();
    if (screen->Tag() < 0 || screen->Tag() > model::MaxParamRetries) std::abort();
  }
}

void Pump(model::TConstructer& root) {
  try {
    platform::ProcessMessages();
  } catch (const std::exception&) {
    // A program that cannot be built says why; the rest stays queued.
  }
  if (model::StreamContext().PreviewStream().Size() != 0) std::abort();
  Check(root);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  model::SetLoadMode(model::LoadModeNormal);
  model::SetLEDManager(nullptr);
  TInput in(data, size);
  model::TConstructer root(nullptr);
  TPrompts prompts(in, root);
  root.SetCardPrompts(&prompts);

  // Three screens: network, serial and RS-485, cascaded or not, by the first byte.
  const uint8_t setup = in.U8();
  root.AddScreen("");
  root.AddScreen("");
  for (int i = 0; i < 3; ++i) {
    model::TLEDScreen& s = *root.GetScreen(i);
    s.SetAddress(i);
    s.Communicate().SetCommunicationType(model::TCommType((setup >> (2 * i)) % 3));
    s.Communicate().SetIP("127.0.0.1");
    s.Communicate().SetComPort(i + 1);
    if (setup & 0x40) s.SetRelation(model::link_Multi);
  }

  while (!in.Empty()) {
    const uint8_t what = in.U8();
    if (what < 0xE0) {
      cardlink::TNotifyRecord r{};
      r.Code = what % 10;
      const uint16_t kind = in.U16();
      r.AnsweredKind = kind < 0x8000 ? kKinds[kind % std::size(kKinds)] : kind;
      r.Status = int32_t(in.U32() % 128 == 0 ? 99 : in.U8());
      if (r.Code == cardlink::ncCardMessage && (what & 0x10))
        r.Status = (what & 0x20) ? 0x10005 : 0x10006;
      r.Number = int32_t(in.U32());
      r.CardAddress = in.U8() % 4;
      r.Device.LinkKind = in.U8() % 3;
      r.Device.ComPort = in.U8() % 4;
      r.Device.LocalPort = (what & 0x40) ? 1025 : in.U16();
      std::memcpy(r.CardIp, "127.0.0.1", 9);
      const uint16_t wanted = in.U16();
      auto [bytes, n] = in.Take(wanted % 600);
      r.Data = n ? bytes : nullptr;
      r.Length = int32_t(n);
      try {
        platform::SendMessageTo(root.WindowHandle(), model::WM_DEVICE_NOTIFY,
                                reinterpret_cast<uintptr_t>(&r));
      } catch (const std::exception&) {
      }
    } else if (what < 0xF0) {
      // A send or download the timer could have posted, for a screen that may be gone.
      const uint8_t which = in.U8();
      const model::TLEDScreen* s = root.GetScreen(which % 4);
      platform::PostMessageTo(root.WindowHandle(), model::WM_SEND_SCREEN, which & 0x80 ? 1 : 0,
                              s ? intptr_t(s->Identity()) : intptr_t(which));
    } else if (what < 0xF8) {
      const uint8_t which = in.U8();
      if (model::TLEDScreen* s = root.GetScreen(which % 4)) {
        if (which & 0x10)
          root.SendScreens(*s);
        else
          root.ReadParams(*s);
      }
    } else if (root.ScreenCount() > 1) {
      root.DeleteScreen(in.U8() % 4);
    }
    Pump(root);
  }
  return 0;
}
