// Packing speed of one 1024 x 256 picture in each colour mode. A mode-1 packing slower than
// 2 ms on the build machine is a regression.
#include <benchmark/benchmark.h>

#include "model/stream/PixelBlock.h"

namespace {

platform::TBitmap TestPicture() {
  platform::TBitmap b(1024, 256);
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      row[3 * x] = uint8_t(x * 7 + y);
      row[3 * x + 1] = uint8_t(x ^ (y * 3));
      row[3 * x + 2] = uint8_t((x + y * 5) * 13);
    }
  }
  return b;
}

void BM_PackPicture(benchmark::State& state) {
  const int mode = int(state.range(0));
  const platform::TBitmap picture = TestPicture();
  model::TProgramStream stream;
  for (auto _ : state) {
    stream.Clear();
    model::WritePictureBits(picture, mode, stream);
    benchmark::DoNotOptimize(stream.Memory());
  }
  // Bytes of picture packed per second, the same measure in every mode; the block's own
  // size is shown beside it.
  state.SetBytesProcessed(int64_t(state.iterations()) * picture.Width() * picture.Height() * 3);
  state.counters["block_bytes"] = double(stream.Size());
}

}  // namespace

BENCHMARK(BM_PackPicture)->DenseRange(1, 4)->Unit(benchmark::kMicrosecond);
