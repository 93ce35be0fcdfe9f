// The link, command, option and notification exports, on the library's link manager.
#include <cstring>
#include <string_view>

#include "library/Library.h"
#include "library/TransferOptions.h"
#include "library/panelcast.h"
#include "link/TransferBuffer.h"

namespace panelcast {

namespace {

// A card IP as the caller gave it: at most 16 bytes are read, a missing terminator or a null
// text is no crash.
std::string_view IpText(const char* ip) {
  if (!ip) return {};
  return std::string_view(ip, strnlen(ip, sizeof(TNotifyRecord::CardIP)));
}

// Runs `call` on the manager under its lock; `none` outside the library's life and for
// anything that escapes.
template <typename R, typename F>
R WithManager(R none, F call) {
  TLibraryState* state = Library();
  if (!state) return none;
  try {
    std::lock_guard lock(state->ManagerLock);
    if (!state->Manager) return none;
    return call(*state->Manager);
  } catch (...) {
    return none;
  }
}

template <typename F>
void WithManager(F call) {
  WithManager(0, [&](cardlink::TLEDManager& manager) {
    call(manager);
    return 0;
  });
}

}  // namespace

}  // namespace panelcast

using cardlink::TLEDManager;
using panelcast::IpText;
using panelcast::WithManager;

extern "C" {

PANELCAST_API int32_t LED_Open(const TDeviceRecord* record, int32_t notifyFlag, TLEDWindow window,
                               uint32_t message) {
  if (!record) return -1;
  return WithManager(int32_t(-1), [&](TLEDManager& manager) {
    return int32_t(manager.OpenDevice(panelcast::ImportDeviceRecord(*record), notifyFlag,
                                      platform::TWindowHandle(window), message));
  });
}

PANELCAST_API void LED_Close(int32_t device) {
  WithManager([&](TLEDManager& manager) { manager.CloseDevice(device); });
}

PANELCAST_API void LED_Query(int32_t device, uint8_t cardAddress, const char* cardIP,
                             int32_t cardPort) {
  WithManager([&](TLEDManager& m) { m.Query(device, cardAddress, cardPort, IpText(cardIP)); });
}

PANELCAST_API void LED_AdjustTime(int32_t device, uint8_t cardAddress, const char* cardIP,
                                  int32_t cardPort) {
  WithManager([&](TLEDManager& m) { m.AdjustTime(device, cardAddress, cardPort, IpText(cardIP)); });
}

PANELCAST_API void LED_SetPower(int32_t device, uint8_t cardAddress, const char* cardIP,
                                int32_t cardPort, int32_t value) {
  WithManager([&](TLEDManager& m) {
    m.SetPower(device, cardAddress, uint32_t(value), cardPort, IpText(cardIP));
  });
}

PANELCAST_API void LED_GetPower(int32_t device, uint8_t cardAddress, const char* cardIP,
                                int32_t cardPort) {
  WithManager([&](TLEDManager& m) { m.GetPower(device, cardAddress, cardPort, IpText(cardIP)); });
}

PANELCAST_API void LED_SetBrightness(int32_t device, uint8_t cardAddress, const char* cardIP,
                                     int32_t cardPort, int32_t value) {
  WithManager([&](TLEDManager& m) {
    m.SetBrightness(device, cardAddress, uint32_t(value), cardPort, IpText(cardIP));
  });
}

PANELCAST_API void LED_GetBrightness(int32_t device, uint8_t cardAddress, const char* cardIP,
                                     int32_t cardPort) {
  WithManager(
      [&](TLEDManager& m) { m.GetBrightness(device, cardAddress, cardPort, IpText(cardIP)); });
}

PANELCAST_API void LED_SendToScreen(int32_t device, uint8_t cardAddress, const char* cardIP,
                                    int32_t cardPort) {
  panelcast::TLibraryState* state = panelcast::Library();
  if (!state) return;
  std::vector<uint8_t> program;
  try {
    std::lock_guard lock(state->BuilderLock);
    program = state->Builder.Snapshot();
  } catch (...) {
    return;
  }
  if (program.empty()) return;
  WithManager([&](TLEDManager& m) {
    m.SendData(device, program, cardPort, IpText(cardIP), cardAddress);
  });
}

PANELCAST_API int32_t LED_DownLoadFontSet(int32_t device, uint8_t cardAddress,
                                          const char* cardIP, int32_t cardPort,
                                          const char* fileName) {
  if (!fileName) return -1;
  return WithManager(int32_t(-1), [&](TLEDManager& m) {
    const auto buffer = cardlink::LoadFontSetBuffer(fileName);
    if (!buffer) return int32_t(-1);
    // An unknown device is not reported, as with every other call.
    m.SendData(device, *buffer, cardPort, IpText(cardIP), cardAddress);
    return int32_t(1);
  });
}

PANELCAST_API int32_t LED_SetOption(int32_t option, int32_t value) {
  return panelcast::SetOption(option, value) ? 1 : 0;
}

PANELCAST_API int32_t LED_GetOption(int32_t option) { return panelcast::GetOption(option); }

PANELCAST_API int32_t LED_GetNotifyMessage(TNotifyRecord* buffer) {
  panelcast::TLibraryState* state = panelcast::Library();
  if (!state || !state->Notify) return 0;
  return state->Notify->Copy(buffer) ? 1 : 0;
}

}  // extern "C"
