// Start-up of the editor, offscreen and without the splash's wait: from the main window's
// creation to the end of its first show, which loads the project edited last: 4 screens of 8
// pages, each page a 512 x 256 picture with four clocks and seven texts over it
// (fixtures/startup.spj and startup.png, made by their script).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/core/tests/Fakes.h"
#include "editor/ui/Corvane.h"
#include "editor/ui/Main.h"
#include "editor/ui/bench/BenchApplication.h"
#include "model/FormConstructEx.h"
#include "model/objects/PhotoComps.h"

namespace {

void EditorStartup(benchmark::State& state) {
  editor::ui::EnsureBenchApplication();
  editor::test::TTempFolder dir;
  std::string project, picture;
  if (!platform::ReadWholeFile(STARTUP_FIXTURES "/startup.spj", project) ||
      !platform::ReadWholeFile(STARTUP_FIXTURES "/startup.png", picture)) {
    state.SkipWithError("the fixtures are missing");
    return;
  }
  // The pictures are named by path: the project's folder goes in for its placeholder.
  const std::string folder = dir.Path().substr(0, dir.Path().size() - 1);
  for (size_t at; (at = project.find("@FOLDER@")) != std::string::npos;) project.replace(at, 8, folder);
  dir.Write("startup.spj", project);
  dir.Write("startup.png", picture);
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
    const model::TLeaf* last = root ? root->GetLeaf(3, 7) : nullptr;
    const auto* photo = last ? dynamic_cast<const model::TPhoto*>(last->Components(0)) : nullptr;
    if (!photo || root->ScreenCount() != 4 || last->ComponentCount() != 12 || photo->Picture().Width() != 512 ||
        !dialogs.Boxes.empty()) {
      state.SkipWithError("the project did not load whole");
      break;
    }
    corvane.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(EditorStartup)->Unit(benchmark::kMillisecond);

}  // namespace
