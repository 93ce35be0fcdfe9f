// A movie object advances one frame on every repaint of its page, every 50 ms, so one paint
// must stay well inside that. Goal on the build machine: a stretched 640 x 480 MJPEG movie
// painted into a 512 x 256 object in under 20 ms per frame (decode, conversion and halftone
// scaling together).
#include <benchmark/benchmark.h>

#include <string>

#include "model/objects/AVIComponent.h"
#include "platform/base/FilePath.h"
#include "platform/gfx/Canvas.h"

namespace {

void BM_PaintStretchedMovie(benchmark::State& state) {
  model::TAVIPlayer movie(nullptr);
  movie.SetBounds(0, 0, 512, 256);
  movie.SetFileName(platform::GbkPathFromOs(MODEL_BENCH_FIXTURES "/mjpeg640x480.avi"));
  if (!movie.MovieOpen()) {
    state.SkipWithError("the benchmark movie does not open");
    return;
  }
  platform::TBitmap page(512, 256);
  platform::TCanvas canvas(page);
  for (auto _ : state) {
    model::PaintControl(movie, canvas);
    benchmark::DoNotOptimize(page.Bits());
  }
  state.SetItemsProcessed(state.iterations());  // frames
}
BENCHMARK(BM_PaintStretchedMovie)->Unit(benchmark::kMillisecond);

}  // namespace
