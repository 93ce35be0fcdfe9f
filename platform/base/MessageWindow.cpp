#include "MessageWindow.h"

#include "Timer.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform {

namespace {

struct TQueueCore;

struct TSentItem {
  std::shared_ptr<TWindowCore> Window;
  uint32_t Message = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
  std::thread::id Sender;
  enum { sPending, sDone, sFailed } State = sPending;
  intptr_t Result = 0;
  std::condition_variable Done;  // waited on with the queue's mutex
};

struct TPostedItem {
  std::shared_ptr<TWindowCore> Window;
  uint32_t Message = 0;
  uintptr_t WParam = 0;
  intptr_t LParam = 0;
};

struct TQueueCore {
  std::mutex Mutex;
  std::deque<std::shared_ptr<TSentItem>> Sent;
  std::deque<TPostedItem> Posted;
  TWaitableEvent Waiting;  // set while anything is queued
  bool Closed = false;     // the owner thread has ended
  std::thread::id Owner;

  // With Mutex held.
  void Release(TSentItem& item, bool handled, intptr_t result) {
    item.State = handled ? TSentItem::sDone : TSentItem::sFailed;
    item.Result = result;
    item.Done.notify_all();
  }
  void UpdateWaiting() {
    if (Sent.empty() && Posted.empty()) Waiting.Reset();
    else Waiting.Set();
  }
};

// The calling thread's queue; when the thread ends, whatever still waits there fails.
struct TThreadQueue {
  std::shared_ptr<TQueueCore> Core = std::make_shared<TQueueCore>();
  TThreadQueue() { Core->Owner = std::this_thread::get_id(); }
  ~TThreadQueue() {
    std::lock_guard lock(Core->Mutex);
    Core->Closed = true;
    for (auto& item : Core->Sent) Core->Release(*item, false, 0);
    Core->Sent.clear();
    Core->Posted.clear();
    Core->UpdateWaiting();
  }
};

const std::shared_ptr<TQueueCore>& CurrentQueuePtr() {
  thread_local TThreadQueue queue;
  return queue.Core;
}

TQueueCore& CurrentQueue() { return *CurrentQueuePtr(); }

thread_local std::vector<std::thread::id> tHandlingFrom;

}  // namespace

struct TWindowCore {
  TMessageHandler Handler;
  std::shared_ptr<TQueueCore> Queue;
  std::atomic<bool> Alive{true};
};

namespace {

struct TRegistry {
  std::mutex Mutex;
  std::unordered_map<TWindowHandle, std::shared_ptr<TWindowCore>> Windows;
  TWindowHandle Last = 0;
};

TRegistry& Registry() {
  static TRegistry registry;
  return registry;
}

std::shared_ptr<TWindowCore> Lookup(TWindowHandle handle) {
  auto& r = Registry();
  std::lock_guard lock(r.Mutex);
  auto it = r.Windows.find(handle);
  if (it == r.Windows.end() || !it->second->Alive.load()) return nullptr;
  return it->second;
}

// Runs a sent message's handler on the owner thread and releases its sender, also when the
// handler throws.
void DeliverSent(TQueueCore& q, const std::shared_ptr<TSentItem>& item) {
  bool handled = false;
  intptr_t result = 0;
  struct TRelease {
    TQueueCore& Q;
    TSentItem& Item;
    bool& Handled;
    intptr_t& Result;
    ~TRelease() {
      std::lock_guard lock(Q.Mutex);
      Q.Release(Item, Handled, Result);
    }
  } release{q, *item, handled, result};
  if (!item->Window->Alive.load()) return;
  tHandlingFrom.push_back(item->Sender);
  struct TPop {
    ~TPop() { tHandlingFrom.pop_back(); }
  } pop;
  handled = true;
  result = item->Window->Handler(item->Message, item->WParam, item->LParam);
}

}  // namespace

TMessageWindow::TMessageWindow(TMessageHandler handler) : core_(std::make_shared<TWindowCore>()) {
  core_->Handler = std::move(handler);
  core_->Queue = CurrentQueuePtr();
  auto& r = Registry();
  std::lock_guard lock(r.Mutex);
  handle_ = ++r.Last;
  r.Windows.emplace(handle_, core_);
}

TMessageWindow::~TMessageWindow() {
  core_->Alive.store(false);
  {
    auto& r = Registry();
    std::lock_guard lock(r.Mutex);
    r.Windows.erase(handle_);
  }
  TQueueCore& q = *core_->Queue;
  std::lock_guard lock(q.Mutex);
  for (auto it = q.Sent.begin(); it != q.Sent.end();) {
    if ((*it)->Window == core_) {
      q.Release(**it, false, 0);
      it = q.Sent.erase(it);
    } else {
      ++it;
    }
  }
  std::erase_if(q.Posted, [&](const TPostedItem& p) { return p.Window == core_; });
  q.UpdateWaiting();
}

std::optional<intptr_t> SendMessageTo(TWindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto core = Lookup(window);
  if (!core) return std::nullopt;
  TQueueCore& q = *core->Queue;
  if (q.Owner == std::this_thread::get_id()) return core->Handler(message, wParam, lParam);

  auto item = std::make_shared<TSentItem>();
  item->Window = core;
  item->Message = message;
  item->WParam = wParam;
  item->LParam = lParam;
  item->Sender = std::this_thread::get_id();
  std::unique_lock lock(q.Mutex);
  if (q.Closed) return std::nullopt;
  q.Sent.push_back(item);
  q.UpdateWaiting();
  item->Done.wait(lock, [&] { return item->State != TSentItem::sPending; });
  if (item->State != TSentItem::sDone) return std::nullopt;
  return item->Result;
}

bool PostMessageTo(TWindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto core = Lookup(window);
  if (!core) return false;
  TQueueCore& q = *core->Queue;
  std::lock_guard lock(q.Mutex);
  if (q.Closed) return false;
  q.Posted.push_back(TPostedItem{core, message, wParam, lParam});
  q.UpdateWaiting();
  return true;
}

bool IsWindowAlive(TWindowHandle window) { return Lookup(window) != nullptr; }

size_t ProcessMessages() {
  TQueueCore& q = CurrentQueue();
  size_t postedBudget;
  {
    std::lock_guard lock(q.Mutex);
    postedBudget = q.Posted.size();
  }
  size_t handled = 0;
  for (;;) {
    std::shared_ptr<TSentItem> sent;
    std::optional<TPostedItem> posted;
    {
      std::lock_guard lock(q.Mutex);
      if (!q.Sent.empty()) {
        sent = std::move(q.Sent.front());
        q.Sent.pop_front();
      } else if (postedBudget > 0 && !q.Posted.empty()) {
        posted = std::move(q.Posted.front());
        q.Posted.pop_front();
        --postedBudget;
      } else {
        q.UpdateWaiting();
        break;
      }
      q.UpdateWaiting();
    }
    if (sent) {
      DeliverSent(q, sent);
    } else if (posted->Window->Alive.load()) {
      posted->Window->Handler(posted->Message, posted->WParam, posted->LParam);
    }
    ++handled;
  }
  // Timers come after the messages, as the original's timer messages did.
  return handled + FireDueTimers();
}

namespace {

int RemainingMs(std::chrono::steady_clock::time_point deadline, int timeoutMs) {
  if (timeoutMs < 0) return -1;
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return int(std::max<int64_t>(0, left.count()));
}

}  // namespace

bool WaitMessage(int timeoutMs) {
  TQueueCore& q = CurrentQueue();
  return q.Waiting.Wait(timeoutMs);
}

bool PumpUntil(const TWaitableEvent& done, int timeoutMs) {
  TQueueCore& q = CurrentQueue();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    ProcessMessages();
    if (done.IsSet()) return true;
    int wait = RemainingMs(deadline, timeoutMs);
    if (wait == 0) return false;
    pollfd fds[2] = {{q.Waiting.Fd(), POLLIN, 0}, {done.Fd(), POLLIN, 0}};
    ::poll(fds, 2, wait);
  }
}

int MessageQueueFd() { return CurrentQueue().Waiting.Fd(); }

size_t PendingMessages() {
  TQueueCore& q = CurrentQueue();
  std::lock_guard lock(q.Mutex);
  return q.Sent.size() + q.Posted.size();
}

bool IsHandlingSendFrom(std::thread::id sender) {
  return std::find(tHandlingFrom.begin(), tHandlingFrom.end(), sender) != tHandlingFrom.end();
}

}  // namespace platform
