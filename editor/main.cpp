// corvane: the editor and sender.
#include "editor/ui/Corvane.h"

int main(int argc, char** argv) {
  editor::ui::TGuiApplication application(argc, argv);  // takes Qt's own options out of argv
  editor::ui::TStartupOptions options;
  options.Main.Args = editor::ui::TCorvane::Arguments(argc, argv);
  editor::ui::TCorvane corvane(std::move(options));
  if (!corvane.Start()) return 0;
  return corvane.Exec();
}
