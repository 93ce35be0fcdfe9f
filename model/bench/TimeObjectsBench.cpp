// The page repaints its objects every 50 ms, so a clock must paint well within that: goal on
// the build machine, a 512 x 512 clock painted in under 10 ms. A send writes all 169 pictures
// of a clock: goal, a 256 x 256 clock in colour mode 3 in under 0.5 s.
#include <benchmark/benchmark.h>

#include "model/objects/AnalogClock.h"
#include "model/objects/TimeComps.h"
#include "model/stream/StreamContext.h"
#include "platform/base/DateTime.h"
#include "platform/gfx/Canvas.h"

namespace {

platform::TDateTime Start() { return *platform::EncodeDateTime({2024, 6, 15, 10, 50, 30, 0}); }

// A clock on its page, opaque or transparent; `stepMs` moves the clock on between paints (a
// minute turns both hands anew; the page's 50 ms keeps them).
void PaintClock(benchmark::State& state, bool transparent, int64_t stepMs) {
  platform::TFakeWallClock clock(Start());
  platform::TScopedWallClock scoped(clock);
  model::TAnalogClock object(nullptr);
  object.SetBounds(0, 0, 512, 512);
  object.SetTransparent(transparent);
  platform::TBitmap page(512, 512);
  platform::TCanvas canvas(page);
  for (auto _ : state) {
    model::PaintControl(object, canvas);
    clock.AdvanceMs(stepMs);
    benchmark::DoNotOptimize(page.Bits());
  }
}

void BM_PaintClock512Opaque(benchmark::State& state) { PaintClock(state, false, 50); }
void BM_PaintClock512Transparent(benchmark::State& state) { PaintClock(state, true, 50); }
void BM_PaintClock512EveryMinute(benchmark::State& state) { PaintClock(state, true, 60000); }
BENCHMARK(BM_PaintClock512Opaque)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintClock512Transparent)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintClock512EveryMinute)->Unit(benchmark::kMillisecond);

void BM_ClockRecord256Mode3(benchmark::State& state) {
  model::StreamContext().SetColorMode(3);
  model::TAnalogClock object(nullptr);
  object.SetBounds(0, 0, 256, 256);
  for (auto _ : state) {
    model::TProgramStream stream;
    object.SetRecordSelf(&stream);
    state.counters["bytes"] = double(stream.Size());
  }
  model::StreamContext().Reset();
}
BENCHMARK(BM_ClockRecord256Mode3)->Unit(benchmark::kMillisecond);

// The text objects repaint on the same timer.
void BM_PaintDateTime(benchmark::State& state) {
  platform::TFakeWallClock clock(Start());
  platform::TScopedWallClock scoped(clock);
  model::TDateTimeComponent object(nullptr);
  object.SetDateFormat(model::df_YMD);
  platform::TBitmap page(256, 64);
  platform::TCanvas canvas(page);
  for (auto _ : state) {
    model::PaintControl(object, canvas);
    clock.AdvanceMs(50);
  }
}
BENCHMARK(BM_PaintDateTime)->Unit(benchmark::kMicrosecond);

}  // namespace

