#pragma once
// The library as a client sees it: loaded with dlopen and its calls looked up by name. Each
// Load() maps a private copy of the built library, so every test starts from a library that
// was just loaded (no program, no notification yet, default options), whatever ran before it
// in the same process.
#include <memory>
#include <string>

#include "panelcast.h"

namespace panelcast::test {

#define PANELCAST_CALLS(X)                                                                     \
  X(LED_Open) X(LED_Close) X(LED_Query) X(LED_AdjustTime) X(LED_SetPower) X(LED_GetPower)      \
  X(LED_SetBrightness) X(LED_GetBrightness) X(LED_SendToScreen) X(LED_DownLoadFontSet)         \
  X(LED_SetOption) X(LED_GetOption) X(LED_GetNotifyMessage) X(MakeRoot) X(AddLeaf)             \
  X(AddWindow) X(AddText) X(AddString) X(AddMovie) X(AddDateTime) X(AddCountUp)                \
  X(AddCountDown) X(LED_CreateWindow) X(LED_DestroyWindow) X(LED_GetMessageFd)                 \
  X(LED_DispatchMessages)

class TPanelcastLib {
 public:
  // A fresh copy of the built library; fails the test (and returns null) when it cannot be
  // loaded or lacks a call.
  static std::unique_ptr<TPanelcastLib> Load();
  ~TPanelcastLib();

#define PANELCAST_MEMBER(name) decltype(&::name) name = nullptr;
  PANELCAST_CALLS(PANELCAST_MEMBER)
#undef PANELCAST_MEMBER

 private:
  TPanelcastLib() = default;
  void* handle_ = nullptr;
  std::string copy_;
};

// The built library's path.
std::string LibraryPath();

// A private copy of the built library under a new name in the temporary folder, for a loader
// to map afresh; empty (and the test failed) when it cannot be made. The caller removes it.
std::string CopyLibrary();

}  // namespace panelcast::test
