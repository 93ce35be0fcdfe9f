#pragma once
// How the program runs a dialog modally. The Qt program runs its modal loop (exec); a test puts
// its own run in place, which shows the dialog and plays the user's part, so no test ever
// enters a modal loop.
#include <QDialog>
#include <functional>

namespace editor::ui {

using TModalRun = std::function<void(QDialog& dialog)>;

inline void RunModal(QDialog& dialog, const TModalRun& run) {
  if (run) run(dialog);
  else dialog.exec();
}

}  // namespace editor::ui
