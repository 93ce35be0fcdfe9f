// Start-up of the editor, offscreen and without the splash's wait: from the main window's
// creation to the end of its first show, which loads the project edited last: 4 screens of 8
// pages, 12 display objects on each page (fixtures/startup.spj, made by its script).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/Main.h"
#include "editor/ui/bench/BenchApplication.h"
#include "model/FormConstructEx.h"

namespace {

void EditorStartup(benchmark::State& state) {
  editor::ui::EnsureBenchApplication();
  editor::test::TTempFolder dir;
  std::string project;
  if (!platform::ReadWholeFile(STARTUP_FIXTURES "/startup.spj", project)) {
    state.SkipWithError("startup.spj is missing");
    return;
  }
  dir.Write("startup.spj", project);
  dir.Write("Tips.txt", "tip one\r\ntip two\r\n");
  dir.Write("Param.ini", "[Auto Save]\r\nFiles=" + dir.File("startup.spj") + "\r\n");
  editor::test::TFakeDialogs dialogs;
  editor::test::TFakeClipboard clipboard;
  for (auto _ : state) {
    editor::ui::TStartupOptions options;
    options.SplashMs = 0;
    options.Dialogs = &dialogs;
    options.Clipboard = &clipboard;
    options.Main.ProgramDir = dir.Path();
    options.HandleSignals = false;
    options.OnLinePort = 0;
    options.OnLineAddress = htonl(INADDR_LOOPBACK);
    auto corvane = std::make_unique<editor::ui::TCorvane>(std::move(options));
    benchmark::DoNotOptimize(corvane->Start());
    state.PauseTiming();
    const model::TConstructer* root = corvane->MainWindow()->Form().ProjectRoot();
    if (!root || root->ScreenCount() != 4 || root->GetLeafCount(3) != 8) {
      state.SkipWithError("the project did not load");
      break;
    }
    corvane.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(EditorStartup)->Unit(benchmark::kMillisecond);

}  // namespace
