#pragma once
// The one application object of a Qt benchmark program, offscreen unless the environment says
// otherwise, made on first use.
#include <memory>

#include "editor/ui/Corvane.h"

namespace editor::ui {

inline void EnsureBenchApplication() {
  static std::unique_ptr<TGuiApplication> application;
  if (application) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "corvane_bench";
  static char* argv[] = {name, nullptr};
  application = std::make_unique<TGuiApplication>(argc, argv);
}

}  // namespace editor::ui
