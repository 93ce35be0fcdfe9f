// One step of the largest screen the card-settings dialog allows (2048 x 512) in colour mode 3,
// with 20 picture windows over the whole screen, an analog clock and a movie: a step must stay
// well under the shortest step time, 20 ms.
#include <benchmark/benchmark.h>

#include <vector>

#include "DisplaySimulator.h"
#include "model/stream/PageRecord.h"
#include "model/stream/PixelBlock.h"
#include "model/stream/ProgramHeader.h"
#include "model/stream/WindowRecords.h"

namespace {

constexpr int kWidth = 2048, kHeight = 512, kMode = 3;

platform::TBitmap Pattern(int width, int height, int seed) {
  platform::TBitmap b(width, height);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < width * 3; ++x) row[x] = uint8_t(x * 7 + y * 13 + seed * 29);
  }
  return b;
}

// A record of `count` pictures after a head of `headSize` bytes (clock: a glyph-table head
// first), as the card receives a clock or movie.
void WritePictures(model::TProgramStream& s, uint16_t kind, const model::TRecordRect& rect,
                   int count, bool clockTable) {
  const size_t start = s.Position();
  s.WriteU16(kind);
  s.WriteU16(0);
  s.WriteU32(0);
  model::WriteRecordRect(rect, s);
  if (clockTable) {
    s.WriteU32(uint32_t(count));
  } else {
    s.WriteU16(0);
    s.WriteU16(uint16_t(count));
  }
  s.WriteZeros(8);
  const size_t table = s.Position();
  if (clockTable) {
    s.WriteU16(55);
    s.WriteU16(uint16_t(count));
    s.WriteU32(0);
  }
  const int side = rect.Bottom - rect.Top;
  for (int i = 0; i < count; ++i) model::WritePictureBits(Pattern(rect.Right - rect.Left, side, i), kMode, s);
  if (clockTable) s.PatchU32(table + 4, uint32_t(s.Position() - table));
  s.PatchU32(start + 4, uint32_t(s.Position() - start));
}

std::vector<uint8_t> Program() {
  std::vector<model::TRecordWriter> objects;
  // 20 windows of 512 x 102 tiling the screen (4 across, 5 down), every other one transparent
  // and rolling in, the rest shown at once.
  for (int i = 0; i < 20; ++i) {
    const int left = (i % 4) * 512, top = (i / 4) * 102;
    objects.push_back([=](model::TProgramStream& s) {
      model::WritePictureWindow(model::RecordRect(left, top, 512, 102), Pattern(512, 102, i),
                                uint16_t(i % 2 ? 2 : 1), 1, i % 2 == 1, s);
    });
  }
  objects.push_back([](model::TProgramStream& s) { WritePictures(s, 96, {100, 100, 356, 356}, 169, true); });
  objects.push_back([](model::TProgramStream& s) { WritePictures(s, 56, {1024, 0, 1664, 480}, 25, false); });
  std::vector<model::TRecordWriter> pages = {
      [&](model::TProgramStream& s) { model::WritePageRecord(3600000, objects, s); }};
  model::TProgramStream stream;
  model::WriteProgramHeader(17, kMode, pages, stream);
  return stream.Bytes();
}

void BM_StepLargestScreen(benchmark::State& state) {
  static const platform::TFakeWallClock clock(45000.5);
  displaysim::TSimulatorSetup setup;
  setup.ColorMode = kMode;
  setup.Width = kWidth;
  setup.Height = kHeight;
  setup.Program = Program();
  setup.ParamBlock.assign(112, 0);
  setup.ParamBlock[6] = 20;
  setup.Clock = &clock;
  displaysim::TDisplaySimulator sim(std::move(setup));
  std::vector<uint32_t> pixels(size_t(kWidth) * kHeight);
  const TDisplaySurface surface{pixels.data(), kWidth, kHeight, kWidth * 4};
  for (auto _ : state) sim.Step(surface);
  state.counters["ms_per_step"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepLargestScreen)->Unit(benchmark::kMillisecond);

}  // namespace
