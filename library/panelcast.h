/*
 * panelcast.h: the sending library libpanelcast.so.
 *
 * Programs drive LED control cards through these calls without the editor: open a link to a
 * card (serial or UDP), build a program of pages and items, send it, switch power, set the
 * brightness and clock, query the card, and receive every outcome as a notification.
 *
 * Calling order:
 *   1. LED_CreateWindow: a notification window with your handler (see "Notification windows").
 *   2. LED_Open once per port, with that window and a message number.
 *   3. Commands (LED_Query, LED_SetPower, ...), or MakeRoot, AddLeaf, the Add... item calls
 *      and LED_SendToScreen.
 *   4. LED_Close.
 *
 * No call raises an error to its caller: results tell what the library refused, and what
 * happens on the card arrives as notifications. Null records, buffers, texts and file names
 * are refused, never dereferenced.
 *
 * Text arguments (item texts, font names, file names) are GBK bytes, zero-terminated. A card
 * IP is dotted IPv4 text of at most 16 characters; at most 16 bytes of it are read.
 *
 * The records keep the fields and their order of the card library's 32-bit records; pointer
 * and window fields are pointer-sized, so the layouts below (checked by the size checks at
 * the end of this header) are the ones to use, never fixed 32-bit offsets.
 */
#ifndef PANELCAST_H
#define PANELCAST_H

#include <stddef.h>
#include <stdint.h>

#if defined(PANELCAST_BUILDING)
#define PANELCAST_API __attribute__((visibility("default")))
#else
#define PANELCAST_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Records ---------------------------------------------------------------------------- */

/* A notification window made by LED_CreateWindow; 0 is no window. */
typedef uintptr_t TLEDWindow;

/* Link kinds of a device record. */
enum { LED_LINK_SERIAL = 0, LED_LINK_UDP = 1 };

/*
 * The device record handed to LED_Open. The caller fills the first five fields (the rest
 * zero); the library keeps its own copy, fills the remaining fields there and hands that copy
 * back inside every notification.
 */
typedef struct TDeviceRecord {
  int32_t LinkKind;      /* LED_LINK_SERIAL or LED_LINK_UDP */
  int32_t SpeedIndex;    /* 0-5: 9600, 14400, 19200, 38400, 57600, 115200 bit/s; others 9600 */
  int32_t ComPort;       /* serial port number n of "COM" + n (see LED_Open) */
  int32_t Handshake;     /* 1: hardware flow control */
  int32_t LocalPort;     /* local UDP port to bind */
  int32_t Reserved5;
  void* ReceiveBuffer;   /* filled by the library: where incoming transfers land */
  int32_t Reserved7[8];
  int32_t BufferSize;    /* filled by the library: 8 MB */
  int32_t NotifyFlag;    /* from LED_Open: notifications are sent only when not 0 */
  TLEDWindow Window;     /* from LED_Open */
  uint32_t Message;      /* from LED_Open */
  int32_t DeviceIndex;   /* filled by the library: the index LED_Open returned */
} TDeviceRecord;

/* Codes of a notify record. */
enum {
  LED_NOTIFY_DATA_RECEIVED = 1,   /* a transfer from the card is complete */
  LED_NOTIFY_SEND_DONE = 2,       /* a transfer to the card is complete */
  LED_NOTIFY_ANSWER = 3,          /* the card answered a command */
  LED_NOTIFY_TIMEOUT = 4,         /* a command or transfer got no (further) answer */
  LED_NOTIFY_CARD_MESSAGE = 5,    /* the card reported an event by itself */
  LED_NOTIFY_SEND_PROGRESS = 7,
  LED_NOTIFY_RECEIVE_PROGRESS = 8
};

/* Status of an answer (code 3) to LED_SetPower or LED_SetBrightness refused because the
   card runs its automatic schedule. */
enum { LED_STATUS_AUTOMATIC = 99 };

/*
 * One outcome. The library keeps one such record; each notification clears it, fills it and
 * passes its address as the first message parameter (the second is 0). Copy it with
 * LED_GetNotifyMessage while you handle the message: Data points into the library's buffers
 * and is valid only until your handler returns.
 */
typedef struct TNotifyRecord {
  int32_t Code;         /* LED_NOTIFY_... */
  int32_t Kind;         /* code 3: the command kind answered (4 query, 6 clock, 9/10 power,
                           11/12 brightness) */
  int32_t Status;       /* code 3: the answer's status (1 accepted, 0 refused, 99 see
                           above); code 5: the card's value; codes 7, 8: bytes so far */
  int32_t Number;       /* code 3: the number of the answer (the power state or brightness
                           the power and brightness commands report) */
  int32_t Address;      /* the card address; codes 7 and 8: the host's own address 0 */
  int32_t Length;       /* code 1: bytes received; code 3: answer payload bytes; codes 7, 8:
                           total size; else 0 */
  const void* Data;     /* code 1: the received data; code 3: the answer payload; code 4: the
                           command that timed out (null for transfers); else null */
  TDeviceRecord Device; /* the library's copy of the device record */
  char CardIP[16];      /* the card's IP text, zero-terminated when shorter (not codes 7, 8) */
  int32_t CardPort;     /* the card's UDP port (not codes 7, 8) */
} TNotifyRecord;

/* A rectangle in page pixels: Right = Left + width, Bottom = Top + height. */
typedef struct TLEDRect {
  int32_t Left;
  int32_t Top;
  int32_t Right;
  int32_t Bottom;
} TLEDRect;

/*
 * A picture in memory, the source AddWindow copies from: Height rows of Width pixels, top row
 * first, 3 bytes per pixel in the order blue, green, red; row y starts at Bits + y * Stride,
 * Stride >= 3 * Width.
 */
typedef struct TLEDImage {
  const void* Bits;
  int32_t Stride;
  int32_t Width;
  int32_t Height;
} TLEDImage;

/* The Windows SYSTEMTIME record; the weekday is ignored. */
typedef struct TLEDSystemTime {
  uint16_t wYear;
  uint16_t wMonth;
  uint16_t wDayOfWeek;
  uint16_t wDay;
  uint16_t wHour;
  uint16_t wMinute;
  uint16_t wSecond;
  uint16_t wMilliseconds;
} TLEDSystemTime;

/* ---- Notification windows --------------------------------------------------------------- */
/*
 * A window belongs to the thread that created it. Notifications for it wait in that thread's
 * queue until the thread dispatches them: wait until LED_GetMessageFd() is readable (poll,
 * select, or your event loop's socket notifier), then call LED_DispatchMessages(). A link
 * thread that notifies waits until your handler has returned, so handle notifications
 * promptly; a handler may itself issue commands, open or close links.
 */
typedef intptr_t (*TLEDWindowProc)(void* userData, TLEDWindow window, uint32_t message,
                                   uintptr_t wParam, intptr_t lParam);

/* A new window on the calling thread; 0 when proc is null. */
PANELCAST_API TLEDWindow LED_CreateWindow(TLEDWindowProc proc, void* userData);
/* 1 when destroyed; 0 for an unknown window or when called on another thread than its
   creator's. Notifications still waiting for it are dropped. */
PANELCAST_API int32_t LED_DestroyWindow(TLEDWindow window);
/* A descriptor that is readable while messages wait for the calling thread's windows. It
   stays open for the thread's lifetime; do not read or close it. */
PANELCAST_API int32_t LED_GetMessageFd(void);
/* Handles every message waiting for the calling thread's windows; returns how many. */
PANELCAST_API int32_t LED_DispatchMessages(void);

/* ---- Links and commands ----------------------------------------------------------------- */
/*
 * Device is the index LED_Open returned; commands to an unknown index are dropped. CardIP and
 * CardPort (6666 by convention) address the card on UDP links and are not used on serial
 * links. Each command's outcome arrives as a notification: an answer (code 3) or a time-out
 * (code 4).
 *
 * Serial port n is the device "/dev/ttyS<n-1>" unless the environment variable
 * CORVANE_COM<n> names another device (a USB adapter, a pseudo-terminal). UDP links bind
 * every local address unless the environment variable CORVANE_UDP_ADDRESS names one (tests
 * give each run a loopback address of its own).
 *
 * Make these calls on the thread that owns your notification windows; calls from other
 * threads are taken one at a time with it. LED_Close and a restarting LED_Open wait for the
 * link to end and meanwhile dispatch the calling thread's notifications.
 */

/* Opens a link and returns its device index; -1 for a null record, a link kind other than
   serial and UDP, 256 open devices, or a port or socket that cannot be opened. A UDP link binds
   LocalPort on every local address, or on CORVANE_UDP_ADDRESS (0: any free port, which the
   library's copy of the record then holds). Opening the same serial port or local UDP port again gives the same index: with
   another notify flag, window or message (or serial speed) the link is restarted with them,
   and -1 when it then does not open (the device is gone). */
PANELCAST_API int32_t LED_Open(const TDeviceRecord* record, int32_t notifyFlag, TLEDWindow window,
                               uint32_t message);
PANELCAST_API void LED_Close(int32_t device);
PANELCAST_API void LED_Query(int32_t device, uint8_t cardAddress, const char* cardIP,
                             int32_t cardPort);
/* Sets the card's clock to the computer's local time. */
PANELCAST_API void LED_AdjustTime(int32_t device, uint8_t cardAddress, const char* cardIP,
                                  int32_t cardPort);
/* value 1 on, 0 off. */
PANELCAST_API void LED_SetPower(int32_t device, uint8_t cardAddress, const char* cardIP,
                                int32_t cardPort, int32_t value);
PANELCAST_API void LED_GetPower(int32_t device, uint8_t cardAddress, const char* cardIP,
                                int32_t cardPort);
PANELCAST_API void LED_SetBrightness(int32_t device, uint8_t cardAddress, const char* cardIP,
                                     int32_t cardPort, int32_t value);
PANELCAST_API void LED_GetBrightness(int32_t device, uint8_t cardAddress, const char* cardIP,
                                     int32_t cardPort);
/* Sends the program built with MakeRoot ... (a copy of it: building the next one may start at
   once). Without a program nothing is sent. */
PANELCAST_API void LED_SendToScreen(int32_t device, uint8_t cardAddress, const char* cardIP,
                                    int32_t cardPort);
/* Sends a font-set file (it starts with the bytes 0xEE, 0x00); 1 when queued, -1 when the
   file cannot be read, is empty or is no font set. */
PANELCAST_API int32_t LED_DownLoadFontSet(int32_t device, uint8_t cardAddress,
                                          const char* cardIP, int32_t cardPort,
                                          const char* fileName);

/* ---- Options and notifications ---------------------------------------------------------- */
/*
 * Options govern every link of the process from their next use:
 *   1 answer time-out in ms, 51-59999 (default 2500)
 *   2 resends after the first attempt, 2-15 (default 3)
 *   3 blocks sent per good answer, 1-8 (default 4)
 */
enum { LED_OPTION_TIMEOUT = 1, LED_OPTION_RETRIES = 2, LED_OPTION_BURST = 3 };
/* 1 when set; 0 for a value outside the option's range or an unknown option. */
PANELCAST_API int32_t LED_SetOption(int32_t option, int32_t value);
/* The option's value; -1 for an unknown option. */
PANELCAST_API int32_t LED_GetOption(int32_t option);
/* Copies the notify record into *buffer (when not null) and returns 1 once any notification
   has been delivered since the library was loaded, else 0 (the copy is then all zero). */
PANELCAST_API int32_t LED_GetNotifyMessage(TNotifyRecord* buffer);

/* ---- Program building ------------------------------------------------------------------- */
/*
 * One program is under construction per process: MakeRoot starts it (discarding the one
 * before), AddLeaf adds a page, the item calls add items to the current page, and
 * LED_SendToScreen sends it (as often as wanted). Each call returns 1 when it added its
 * record and 0 when it refused, leaving the program exactly as it was. Page and item counts
 * and lengths are kept current after every call.
 *
 * Items need a root and a page. Effect and Speed are the card's numbers of the display effect
 * and speed (1 for the first). Rectangles are stored as 16-bit values. Fonts are given by
 * face name (GBK), size in points and colour (0x00BBGGRR).
 */

/* kind 17 send, 18 download; colour mode 1 single colour, 2 red and green, 3 full colour,
   4 red and green levels. */
PANELCAST_API int32_t MakeRoot(int32_t kind, int32_t colourMode);
/* A page shown for displayTime (milliseconds); it becomes the current page. */
PANELCAST_API int32_t AddLeaf(uint32_t displayTime);
/* A picture: the width x height pixels at the top-left of image (pixels beyond the image are
   black); width and height 1-65535. */
PANELCAST_API int32_t AddWindow(const TLEDImage* image, int32_t width, int32_t height,
                                const TLEDRect* rect, int32_t effect, int32_t speed,
                                int32_t transparent);
/* A picture of the text (one line) drawn in the font on black, exactly the text's size. */
PANELCAST_API int32_t AddText(const char* text, const TLEDRect* rect, int32_t effect,
                              int32_t speed, int32_t transparent, const char* fontName,
                              int32_t fontSize, uint32_t colour);
/* Text the card draws with its own font: fontSet 0 16-dot, 1 24-dot. Lines end with CR LF. */
PANELCAST_API int32_t AddString(const char* text, const TLEDRect* rect, int32_t effect,
                                int32_t speed, int32_t transparent, int32_t fontSet,
                                uint32_t colour);
/* A clock or date the card keeps running; format 1-10: 1 date with 年月日, 2 hour:minute,
   3 hour:minute:second, 4 year, 5 month, 6 day, 7 hour, 8 minute, 9 second, 10 weekday. */
PANELCAST_API int32_t AddDateTime(const TLEDRect* rect, int32_t transparent, const char* fontName,
                                  int32_t fontSize, uint32_t colour, int32_t format);
/* Time since start / until target, counted by the card; countFormat 0 days, 1 hours,
   2 h:m:s, 3 h:m, 4 m:s, 5 seconds. */
PANELCAST_API int32_t AddCountUp(const TLEDRect* rect, int32_t transparent, const char* fontName,
                                 int32_t fontSize, uint32_t colour, int32_t countFormat,
                                 const TLEDSystemTime* start);
PANELCAST_API int32_t AddCountDown(const TLEDRect* rect, int32_t transparent,
                                   const char* fontName, int32_t fontSize, uint32_t colour,
                                   int32_t countFormat, const TLEDSystemTime* target);
/* Every frame of an AVI movie; only in colour modes 3 and 4. With stretch (its low byte not
   0) frames are scaled to the rectangle, else copied from the top-left. */
PANELCAST_API int32_t AddMovie(const char* fileName, const TLEDRect* rect, int32_t stretch);

#ifdef __cplusplus
}
#endif

/* ---- Layout checks ---------------------------------------------------------------------- */

#ifdef __cplusplus
#define PANELCAST_STATIC_ASSERT(c, m) static_assert(c, m)
#else
#define PANELCAST_STATIC_ASSERT(c, m) _Static_assert(c, m)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
/* 32-bit: the card library's own offsets. */
PANELCAST_STATIC_ASSERT(sizeof(TDeviceRecord) == 80, "device record: 20 words");
PANELCAST_STATIC_ASSERT(offsetof(TDeviceRecord, BufferSize) == 60, "device record: buffer size");
PANELCAST_STATIC_ASSERT(offsetof(TDeviceRecord, DeviceIndex) == 76, "device record: index");
PANELCAST_STATIC_ASSERT(sizeof(TNotifyRecord) == 128, "notify record: 128 bytes");
PANELCAST_STATIC_ASSERT(offsetof(TNotifyRecord, Device) == 28, "notify record: device");
PANELCAST_STATIC_ASSERT(offsetof(TNotifyRecord, CardPort) == 124, "notify record: card port");
#else
/* 64-bit: the same fields in the same order, pointers and windows 8 bytes and aligned. */
PANELCAST_STATIC_ASSERT(sizeof(TDeviceRecord) == 88, "device record: 18 words, 2 pointers");
PANELCAST_STATIC_ASSERT(offsetof(TDeviceRecord, ReceiveBuffer) == 24, "device record: buffer");
PANELCAST_STATIC_ASSERT(offsetof(TDeviceRecord, BufferSize) == 64, "device record: buffer size");
PANELCAST_STATIC_ASSERT(offsetof(TDeviceRecord, Window) == 72, "device record: window");
PANELCAST_STATIC_ASSERT(offsetof(TDeviceRecord, DeviceIndex) == 84, "device record: index");
PANELCAST_STATIC_ASSERT(sizeof(TNotifyRecord) == 144, "notify record: 144 bytes");
PANELCAST_STATIC_ASSERT(offsetof(TNotifyRecord, Data) == 24, "notify record: data");
PANELCAST_STATIC_ASSERT(offsetof(TNotifyRecord, Device) == 32, "notify record: device");
PANELCAST_STATIC_ASSERT(offsetof(TNotifyRecord, CardIP) == 120, "notify record: card IP");
PANELCAST_STATIC_ASSERT(offsetof(TNotifyRecord, CardPort) == 136, "notify record: card port");
#endif
PANELCAST_STATIC_ASSERT(sizeof(TLEDRect) == 16, "rectangle: four 32-bit integers");
PANELCAST_STATIC_ASSERT(sizeof(TLEDSystemTime) == 16, "SYSTEMTIME: eight 16-bit fields");

#undef PANELCAST_STATIC_ASSERT

#endif /* PANELCAST_H */
