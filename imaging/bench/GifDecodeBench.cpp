// A 3000 x 2000 frame of random indices (256 colours, fixed seed), encoded once by giflib, then
// decoded by our loader and by giflib's DGifSlurp in the same run; our two encoders on the same
// frame. Our decode slower than giflib's is a regression.
#include <benchmark/benchmark.h>

#include "../tests/GifOracle.h"
#include "../tests/GifTestUtil.h"
#include "imaging/GIFFormat.h"

namespace {

constexpr int Width = 3000;
constexpr int Height = 2000;

const giftest::Bytes& Pixels() {
  static const giftest::Bytes pixels = giftest::RandomIndices(size_t(Width) * Height, 256, 2024);
  return pixels;
}

const giftest::Bytes& File() {
  static const giftest::Bytes file = giftest::EncodeWithGiflib(Pixels(), Width, Height, 8);
  return file;
}

void SetCounters(benchmark::State& state) {
  state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height);
  state.counters["file_bytes"] = double(File().size());
}

void BM_DecodeOurs(benchmark::State& state) {
  const giftest::Bytes& file = File();
  for (auto _ : state) {
    imaging::TGIFImage image;
    image.LoadFromStream(file.data(), file.size());
    benchmark::DoNotOptimize(image.Images()[0]->Data().data());
  }
  SetCounters(state);
}

void BM_DecodeGiflib(benchmark::State& state) {
  const giftest::Bytes& file = File();
  for (auto _ : state) {
    giftest::TMemoryInput input{&file, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&input, giftest::ReadMemory, &error);
    DGifSlurp(gif);
    benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
    DGifCloseFile(gif, &error);
  }
  SetCounters(state);
}

void BM_Encode(benchmark::State& state) {
  imaging::TGIFEncodeFrame frame;
  frame.Pixels = Pixels().data();
  frame.Width = Width;
  frame.Height = Height;
  frame.InitialBits = 8;
  frame.ColorCount = 256;
  std::vector<uint8_t> out;
  for (auto _ : state) {
    out.clear();
    if (state.range(0) == 1) {
      imaging::TRLEEncoder encoder;
      encoder.Encode(out, frame);
    } else {
      imaging::TLZWEncoder encoder;
      encoder.Encode(out, frame);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * Width * Height);
  state.counters["raster_bytes"] = double(out.size());
  state.SetLabel(state.range(0) == 1 ? "run-length" : "LZW");
}

}  // namespace

BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeGiflib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
