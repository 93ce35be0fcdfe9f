// The link, command, option and notification exports.
#include "library/Library.h"
#include "library/TransferOptions.h"
#include "library/panelcast.h"

extern "C" {

PANELCAST_API int32_t LED_SetOption(int32_t option, int32_t value) {
  return panelcast::SetOption(option, value) ? 1 : 0;
}

PANELCAST_API int32_t LED_GetOption(int32_t option) { return panelcast::GetOption(option); }

// Until the link manager is part of the library, the link calls behave as before it exists.
PANELCAST_API int32_t LED_Open(const TDeviceRecord*, int32_t, TLEDWindow, uint32_t) { return -1; }
PANELCAST_API void LED_Close(int32_t) {}
PANELCAST_API void LED_Query(int32_t, uint8_t, const char*, int32_t) {}
PANELCAST_API void LED_AdjustTime(int32_t, uint8_t, const char*, int32_t) {}
PANELCAST_API void LED_SetPower(int32_t, uint8_t, const char*, int32_t, int32_t) {}
PANELCAST_API void LED_GetPower(int32_t, uint8_t, const char*, int32_t) {}
PANELCAST_API void LED_SetBrightness(int32_t, uint8_t, const char*, int32_t, int32_t) {}
PANELCAST_API void LED_GetBrightness(int32_t, uint8_t, const char*, int32_t) {}
PANELCAST_API void LED_SendToScreen(int32_t, uint8_t, const char*, int32_t) {}
PANELCAST_API int32_t LED_DownLoadFontSet(int32_t, uint8_t, const char*, int32_t, const char*) {
  return -1;
}
PANELCAST_API int32_t LED_GetNotifyMessage(TNotifyRecord* buffer) {
  if (buffer) *buffer = TNotifyRecord{};
  return 0;
}

}  // extern "C"
