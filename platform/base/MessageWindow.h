#pragma once
// Message windows and queues: our stand-in for window messages.
//
// A message window has a handler and an owner thread (the thread that created it). Every thread
// has one message queue, made on first use; the messages for all windows of a thread wait there
// until the thread pumps its queue (ProcessMessages, PumpUntil, or the Qt adapter of the GUI
// programs, which watches MessageQueueFd()).
//
// - PostMessageTo queues a message and returns at once.
// - SendMessageTo from another thread queues it and blocks until the owner thread has handled
//   it; on the owner thread it calls the handler directly. Sent messages are handled before
//   posted ones.
// - A thread that waits for something, such as another thread to end, pumps while it waits
//   (PumpUntil), so a thread that is sending to it is never left blocked.
// - Delivery to a window that is gone fails cleanly: nothing is handled and the sender gets
//   nullopt. That includes a message still waiting when the window is destroyed or when its
//   owner thread ends.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "platform/base/WaitableEvent.h"

namespace platform {

// Identifies a window across threads; 0 is no window. Handles are never reused, so a stale
// handle cannot reach a newer window.
using TWindowHandle = uint64_t;

using TMessageHandler = std::function<intptr_t(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

struct TWindowCore;

class TMessageWindow {
 public:
  explicit TMessageWindow(TMessageHandler handler);
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;
  // Destroy on the owner thread. Messages still waiting for the window are dropped and their
  // senders released; a handler that is running (even the one destroying it) runs to its end.
  ~TMessageWindow();

  TWindowHandle Handle() const { return handle_; }

 private:
  std::shared_ptr<TWindowCore> core_;
  TWindowHandle handle_ = 0;
};

// The handler's result, or nullopt when the window is gone (or goes before handling it).
std::optional<intptr_t> SendMessageTo(TWindowHandle window, uint32_t message, uintptr_t wParam = 0,
                                      intptr_t lParam = 0);
// False when the window is gone.
bool PostMessageTo(TWindowHandle window, uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);
bool IsWindowAlive(TWindowHandle window);

// The calling thread's queue.
// Handles every sent message, and the posted messages that were waiting when it was called,
// then fires the thread's due timers (Timer.h); returns how many messages and timers it handled.
size_t ProcessMessages();
// Waits until a message is waiting or timeoutMs passed (-1: no limit); true when one is.
bool WaitMessage(int timeoutMs);
// Pumps until `done` is set or timeoutMs passed (-1: no limit); returns whether it is set.
bool PumpUntil(const TWaitableEvent& done, int timeoutMs = -1);
// Readable while messages wait in the calling thread's queue.
int MessageQueueFd();
// How many messages wait in the calling thread's queue.
size_t PendingMessages();

// True while the calling thread is inside the handler of a message that `sender` sent (and
// `sender` is therefore blocked until that handler returns). A thread that must wait for
// `sender` to end cannot do so from there.
bool IsHandlingSendFrom(std::thread::id sender);

}  // namespace platform
