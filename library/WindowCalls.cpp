// The window stand-in exports: notification windows on the client's thread, the descriptor
// its event loop waits on, and the call that dispatches what arrived.
#include <limits>

#include "library/NotifyWindows.h"
#include "library/panelcast.h"
#include "platform/base/MessageWindow.h"

extern "C" {

PANELCAST_API TLEDWindow LED_CreateWindow(TLEDWindowProc proc, void* userData) {
  try {
    return panelcast::CreateNotifyWindow(proc, userData);
  } catch (...) {
    return 0;
  }
}

PANELCAST_API int32_t LED_DestroyWindow(TLEDWindow window) {
  try {
    return panelcast::DestroyNotifyWindow(window) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

PANELCAST_API int32_t LED_GetMessageFd(void) {
  try {
    return platform::MessageQueueFd();
  } catch (...) {
    return -1;
  }
}

PANELCAST_API int32_t LED_DispatchMessages(void) {
  try {
    const size_t handled = platform::ProcessMessages();
    return int32_t(std::min<size_t>(handled, std::numeric_limits<int32_t>::max()));
  } catch (...) {
    return 0;
  }
}

}  // extern "C"
