#pragma once
// The whole program for the Qt tests (ProgramOptions.h), with scripted dialogs and clipboard and a
// program directory of the test's own.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/Main.h"
#include "editor/ui/tests/ProgramOptions.h"
#include "platform/base/SettingsFile.h"

namespace editor::test {

using ui::TCorvane;
using ui::TDesignFormView;
using ui::TStartupOptions;

struct TProgram {
  TTempFolder Dir;
  TFakeDialogs Dialogs;
  TFakeClipboard Clipboard;
  std::unique_ptr<TCorvane> Corvane;

  // `adjust` may set what the defaults leave out (the commands' dialogs, the notifier, a real
  // clipboard: Clipboard null).
  bool Start(std::vector<std::string> args = {}, TMainHooks hooks = {},
             const std::function<void(TStartupOptions&)>& adjust = {}) {
    Corvane.reset();
    TStartupOptions options = ProgramOptions(Dir.Path(), Dialogs, Clipboard);
    options.Main.Args = std::move(args);
    options.Hooks = std::move(hooks);
    if (adjust) adjust(options);
    Corvane = std::make_unique<TCorvane>(std::move(options));
    return Corvane->Start();
  }
  TDesignFormView& Window() { return *Corvane->MainWindow(); }
  TDesignForm& Form() { return Window().Form(); }
  void Stop() { Corvane.reset(); }
  // The running program's settings (what it has written so far), else the file as it is.
  platform::TSettingsFile Settings() {
    return Corvane ? Form().Settings() : platform::TSettingsFile(Dir.File("Param.ini"));
  }
};

}  // namespace editor::test
