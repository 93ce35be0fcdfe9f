// corvane: the editor and sender.
#include <cstdlib>

#include "editor/ui/Corvane.h"

int main(int argc, char** argv) {
  // The status bar's tips move a pixel 25 times a second. Sent through X's shared memory, each of
  // these small repaints costs a round trip to the X server and the wake-ups of two threads;
  // through the socket it is one write. A value the user set is kept.
  setenv("QT_XCB_NO_MITSHM", "1", 0);
  editor::ui::TGuiApplication application(argc, argv);  // takes Qt's own options out of argv
  editor::ui::TStartupOptions options;
  options.Main.Args = editor::ui::TCorvane::Arguments(argc, argv);
  editor::ui::TCorvane corvane(std::move(options));
  if (!corvane.Start()) return 0;
  return corvane.Exec();
}
