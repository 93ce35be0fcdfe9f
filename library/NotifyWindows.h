#pragma once
// The notification windows clients make through the library: message windows of our own
// (platform/base/MessageWindow.h) that call a client's C handler with its user data. A window
// belongs to the thread that made it; its notifications are handled when that thread
// dispatches its queue, so they run on the client's own thread.
#include <cstddef>
#include <cstdint>

#include "platform/base/MessageWindow.h"

namespace panelcast {

using TWindowProc = intptr_t (*)(void* userData, uintptr_t window, uint32_t message,
                                 uintptr_t wParam, intptr_t lParam);

// A new window on the calling thread; 0 when `proc` is null or no handle could be made.
uintptr_t CreateNotifyWindow(TWindowProc proc, void* userData);
// Destroys a window made here; false for an unknown window and on another thread than the
// one that made it (a window is destroyed on its own thread).
bool DestroyNotifyWindow(uintptr_t window);

}  // namespace panelcast
