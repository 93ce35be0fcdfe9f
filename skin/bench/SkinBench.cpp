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
