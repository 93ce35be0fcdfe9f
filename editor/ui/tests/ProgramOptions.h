#pragma once
// The whole program as the Qt tests start it: offscreen, with the test's dialogs and clipboard,
// no splash time, a program directory of the test's own, no signal handlers and the online
// listener on a free loopback port.
#include <arpa/inet.h>

#include <string>

#include "editor/ui/Corvane.h"

namespace editor::test {

inline ui::TStartupOptions ProgramOptions(const std::string& programDir, TDialogs& dialogs,
                                          TClipboardAccess& clipboard) {
  ui::TStartupOptions options;
  options.SplashMs = 0;
  options.Dialogs = &dialogs;
  options.Clipboard = &clipboard;
  options.Main.ProgramDir = programDir;
  options.HandleSignals = false;
  options.OnLinePort = 0;
  options.OnLineAddress = htonl(INADDR_LOOPBACK);
  return options;
}

}  // namespace editor::test
