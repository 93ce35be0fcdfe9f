/* A stand-in library with the window calls and LED_Open but none of the command calls, so the
   demo meets a library whose call is missing. LED_Open opens device 3 and sends nothing. */
#include <sys/eventfd.h>

#include "panelcast.h"

#define EXPORT __attribute__((visibility("default")))

EXPORT TLEDWindow LED_CreateWindow(TLEDWindowProc proc, void* userData) {
  (void)userData;
  return proc ? 1 : 0;
}

EXPORT int32_t LED_DestroyWindow(TLEDWindow window) { return window == 1; }

/* Never readable: no notification ever waits. */
EXPORT int32_t LED_GetMessageFd(void) {
  static int fd = -1;
  if (fd < 0) fd = eventfd(0, EFD_CLOEXEC);
  return fd;
}

EXPORT int32_t LED_DispatchMessages(void) { return 0; }

EXPORT int32_t LED_Open(const TDeviceRecord* record, int32_t notifyFlag, TLEDWindow window,
                        uint32_t message) {
  (void)record;
  (void)notifyFlag;
  (void)window;
  (void)message;
  return 3;
}

EXPORT void LED_Close(int32_t device) { (void)device; }
