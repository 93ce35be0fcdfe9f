/* A C client of the library: the header must be valid C, and the calls usable from C. Exits 0
   when every result is the expected one, else prints the first that is not. */
#include <stdio.h>
#include <string.h>

#include "panelcast.h"

static intptr_t Handler(void* userData, TLEDWindow window, uint32_t message, uintptr_t wParam,
                        intptr_t lParam) {
  (void)window;
  (void)wParam;
  (void)lParam;
  *(uint32_t*)userData = message;
  return 0;
}

#define CHECK(expr)                                 \
  do {                                              \
    if (!(expr)) {                                  \
      fprintf(stderr, "failed: %s\n", #expr);       \
      return 1;                                     \
    }                                               \
  } while (0)

int main(void) {
  uint32_t lastMessage = 0;
  TLEDWindow window = LED_CreateWindow(Handler, &lastMessage);
  CHECK(window != 0);
  CHECK(LED_GetMessageFd() >= 0);
  CHECK(LED_DispatchMessages() == 0);

  CHECK(LED_SetOption(LED_OPTION_TIMEOUT, 51) == 1);
  CHECK(LED_GetOption(LED_OPTION_TIMEOUT) == 51);
  CHECK(LED_SetOption(LED_OPTION_BURST, 9) == 0);

  TNotifyRecord notify;
  memset(&notify, 0xFF, sizeof notify);
  CHECK(LED_GetNotifyMessage(&notify) == 0);
  CHECK(notify.Code == 0 && notify.Data == NULL && notify.Device.Window == 0);

  /* Records the library refuses. */
  TDeviceRecord record;
  memset(&record, 0, sizeof record);
  record.LinkKind = 7;
  CHECK(LED_Open(&record, 1, window, 0x401) == -1);
  CHECK(LED_Open(NULL, 1, window, 0x401) == -1);
  CHECK(LED_DownLoadFontSet(0, 1, "127.0.0.1", 6666, NULL) == -1);
  LED_Query(5, 1, "127.0.0.1", 6666); /* no such device: dropped */

  TLEDRect rect = {0, 0, 64, 16};
  unsigned char pixels[4 * 2 * 3];
  memset(pixels, 0xFF, sizeof pixels);
  TLEDImage image = {pixels, 4 * 3, 4, 2};
  TLEDSystemTime start = {2000, 1, 6, 1, 0, 0, 0, 0};
  CHECK(AddLeaf(1000) == 0);
  CHECK(MakeRoot(17, 2) == 1);
  CHECK(AddLeaf(1000) == 1);
  CHECK(AddWindow(&image, 4, 2, &rect, 1, 1, 1) == 1);
  CHECK(AddString("AB\r\n", &rect, 1, 1, 0, 0, 0x0000FF) == 1);
  CHECK(AddCountUp(&rect, 1, "SimSun", 12, 0x0000FF, 2, &start) == 1);
  CHECK(AddDateTime(&rect, 1, "SimSun", 12, 0x0000FF, 11) == 0);

  CHECK(LED_DestroyWindow(window) == 1);
  CHECK(LED_DestroyWindow(window) == 0);
  return 0;
}
