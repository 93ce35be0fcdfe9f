// How long the skin takes to draw its built-in pictures (the editor's start must not wait).
#include <benchmark/benchmark.h>

#include "skin/BuiltInArt.h"
#include "skin/SkinThemes.h"

using namespace skin;

// Every picture of one style's table, drawn anew.
static void BM_AllPicturesOfOneStyle(benchmark::State& state) {
  const auto style = TskUIStyle(state.range(0));
  for (auto _ : state) {
    for (int item = 1; item <= kThemeItemCount; ++item) {
      std::string_view name = BuiltInImageName(style, item);
      if (name.empty()) continue;
      platform::TBitmap b = DrawBuiltInPicture(name);
      benchmark::DoNotOptimize(b.Bits());
    }
  }
}
BENCHMARK(BM_AllPicturesOfOneStyle)->DenseRange(MacOS, BlueGlass)->Unit(benchmark::kMillisecond);

// Repainting a skinned main window: the frame, its title bar and a 7-item menu bar, rendered
// whole as a resize or a maximise makes it.
#include <QApplication>
#include <QImage>
#include <QWidget>
#include <cstdlib>

#include "skin/SkinForm.h"

static void BM_RepaintMacFrame(benchmark::State& state) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "skin_bench";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  QWidget window;
  window.resize(1115, 684);
  window.setWindowTitle("Corvane");
  TskForm* frame = TskForm::Attach(&window, MacOS);
  auto* menu = new TskMainMenu(&window);
  for (const char* caption : {"File", "Edit", "View", "Insert", "Card", "Tools", "Help"}) menu->AddMenu(caption);
  (void)frame;
  window.show();
  QImage target(window.size(), QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    window.render(&target);
    benchmark::DoNotOptimize(target.bits());
  }
}
BENCHMARK(BM_RepaintMacFrame)->Unit(benchmark::kMillisecond);
