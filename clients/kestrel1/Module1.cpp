#include "Module1.h"

#include <dlfcn.h>

#include <QSocketNotifier>

namespace kestrel1 {

namespace {

std::string LoaderReason() {
  const char* reason = dlerror();
  return reason ? reason : "unknown reason";
}

}  // namespace

TModule1::TModule1(std::string library, THandler handler)
    : library_(std::move(library)), handler_(std::move(handler)) {}

TModule1::~TModule1() { DestroyWindow(); }

bool TModule1::Load(std::string& error) {
  if (Loaded()) return true;
  if (!handle_) {
    handle_ = dlopen(library_.c_str(), RTLD_NOW);
    if (!handle_) {
      error = "无法加载 " + library_ + "：" + LoaderReason();
      return false;
    }
  }
  auto create = reinterpret_cast<decltype(&LED_CreateWindow)>(Symbol("LED_CreateWindow", error));
  if (!create) return false;
  auto messageFd = reinterpret_cast<decltype(&LED_GetMessageFd)>(Symbol("LED_GetMessageFd", error));
  if (!messageFd) return false;
  auto dispatch =
      reinterpret_cast<decltype(&LED_DispatchMessages)>(Symbol("LED_DispatchMessages", error));
  if (!dispatch) return false;

  const TLEDWindow window = create(&TModule1::WindowProc, this);
  if (window == 0) {
    error = "无法创建通知窗口（LED_CreateWindow）";
    return false;
  }
  window_ = window;
  // The library's queue descriptor is readable while notifications wait for this thread.
  const int fd = messageFd();
  if (fd >= 0) {
    notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [dispatch] { dispatch(); });
  }
  return true;
}

void* TModule1::Lookup(const char* name, std::string& error) {
  if (!Load(error)) return nullptr;
  return Symbol(name, error);
}

void* TModule1::Symbol(const char* name, std::string& error) {
  if (auto it = calls_.find(name); it != calls_.end()) return it->second;
  dlerror();
  void* call = dlsym(handle_, name);
  if (!call) {
    error = "无法在 " + library_ + " 中找到 " + name + "：" + LoaderReason();
    return nullptr;
  }
  calls_.emplace(name, call);
  return call;
}

void TModule1::Close(int32_t device) {
  if (!Loaded()) return;
  std::string error;
  // Closing waits for the link to end and meanwhile still delivers its notifications.
  if (auto close = reinterpret_cast<decltype(&LED_Close)>(Symbol("LED_Close", error)))
    close(device);
  DestroyWindow();
}

void TModule1::DestroyWindow() {
  if (!window_) return;
  notifier_.reset();
  std::string error;
  if (auto destroy =
          reinterpret_cast<decltype(&LED_DestroyWindow)>(Symbol("LED_DestroyWindow", error)))
    destroy(window_);
  window_ = 0;
}

intptr_t TModule1::WindowProc(void* self, TLEDWindow, uint32_t message, uintptr_t wParam,
                              intptr_t lParam) {
  auto& module = *static_cast<TModule1*>(self);
  if (module.handler_) module.handler_(message, wParam, lParam);
  return 0;
}

}  // namespace kestrel1
