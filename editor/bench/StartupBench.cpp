// Start-up of the editor, offscreen and without the splash's wait: from the main window's
// creation to the end of its first show. The project that first show loads comes in once the
// project tree exists; until then this measures the window, settings and tips alone.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/bench/BenchApplication.h"

namespace {


void EditorStartup(benchmark::State& state) {
  editor::ui::EnsureBenchApplication();
  editor::test::TTempFolder dir;
  dir.Write("Tips.txt", "tip one\r\ntip two\r\n");
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
    corvane.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(EditorStartup)->Unit(benchmark::kMillisecond);

}  // namespace
