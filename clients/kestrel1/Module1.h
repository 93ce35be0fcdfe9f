#pragma once
// The library bound by name, as the demo's module did it: loaded with dlopen at the first call a
// button makes, each call looked up with dlsym on its first use, and a notification window that
// stands in for the window procedure the original installed on its form.
//
// The library is never unloaded: its link threads live until the program ends.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "panelcast.h"

class QSocketNotifier;

namespace kestrel1 {

// The name the loader searches for (the Linux name of the original's library).
inline constexpr const char* LibraryName = "libpanelcast.so";

class TModule1 {
 public:
  // Handles one message of the notification window (on the GUI thread); the window answers 0
  // to every message.
  using THandler = std::function<void(uint32_t message, uintptr_t wParam, intptr_t lParam)>;

  // `library` is what dlopen is given: a bare name goes through the loader's search, a path is
  // taken as it is. Nothing is loaded yet.
  TModule1(std::string library, THandler handler);
  ~TModule1();
  TModule1(const TModule1&) = delete;
  TModule1& operator=(const TModule1&) = delete;

  // Loads the library and makes the notification window, unless done already. False with the
  // reason (UTF-8) when either fails; the next call tries again.
  bool Load(std::string& error);
  // The library is loaded and its notification window exists.
  bool Loaded() const { return window_ != 0; }
  TLEDWindow Window() const { return window_; }

  // The library's call `name`, loading the library first; null with the reason when the
  // library or the call is missing. F is the call's pointer type: decltype(&LED_Query).
  template <typename F>
  F Find(const char* name, std::string& error) {
    return reinterpret_cast<F>(Lookup(name, error));
  }

  // What closing the form does: LED_Close(device), then the window goes. A library that was
  // never loaded is not loaded for it.
  void Close(int32_t device);

 private:
  void* Lookup(const char* name, std::string& error);
  // A call of the loaded library, looked up once.
  void* Symbol(const char* name, std::string& error);
  void DestroyWindow();
  static intptr_t WindowProc(void* self, TLEDWindow window, uint32_t message, uintptr_t wParam,
                             intptr_t lParam);

  const std::string library_;
  const THandler handler_;
  void* handle_ = nullptr;
  TLEDWindow window_ = 0;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::map<std::string, void*, std::less<>> calls_;
};

}  // namespace kestrel1
