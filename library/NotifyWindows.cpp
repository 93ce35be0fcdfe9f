#include "NotifyWindows.h"

#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace panelcast {

namespace {

struct TNotifyWindow {
  std::unique_ptr<platform::TMessageWindow> Window;
  std::thread::id Owner;
};

struct TWindowTable {
  std::mutex Mutex;
  std::map<uintptr_t, TNotifyWindow> Windows;
};

// Never destroyed: windows a client leaves behind outlive the static objects of this library
// and of the message layer, whose order of destruction at exit is not ours to choose.
TWindowTable& Table() {
  static TWindowTable& table = *new TWindowTable;
  return table;
}

}  // namespace

uintptr_t CreateNotifyWindow(TWindowProc proc, void* userData) {
  if (!proc) return 0;
  // The handler learns its own handle only once the window exists.
  auto self = std::make_shared<uintptr_t>(0);
  auto window = std::make_unique<platform::TMessageWindow>(
      [proc, userData, self](uint32_t message, uintptr_t wParam, intptr_t lParam) {
        return proc(userData, *self, message, wParam, lParam);
      });
  if constexpr (sizeof(uintptr_t) < sizeof(platform::TWindowHandle)) {
    if (window->Handle() > std::numeric_limits<uintptr_t>::max()) return 0;
  }
  const uintptr_t handle = uintptr_t(window->Handle());
  *self = handle;
  auto& table = Table();
  std::lock_guard lock(table.Mutex);
  table.Windows.emplace(handle, TNotifyWindow{std::move(window), std::this_thread::get_id()});
  return handle;
}

bool DestroyNotifyWindow(uintptr_t window) {
  std::unique_ptr<platform::TMessageWindow> doomed;
  {
    auto& table = Table();
    std::lock_guard lock(table.Mutex);
    auto it = table.Windows.find(window);
    if (it == table.Windows.end() || it->second.Owner != std::this_thread::get_id()) return false;
    doomed = std::move(it->second.Window);
    table.Windows.erase(it);
  }
  // Destroyed outside the table's lock: a handler running on this thread may be making or
  // destroying windows itself.
  doomed.reset();
  return true;
}

}  // namespace panelcast
