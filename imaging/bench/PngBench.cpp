// Decoding a large PNG from memory: our reader against libpng on the same bytes.
//
// At start-up libpng writes, with its default settings (compression, adaptive filters), a
// 3000 x 2000 RGB picture of seeded noise. It is then decoded by TPNGGraphic::LoadFromStream
// and by libpng (png_set_read_fn over the same bytes, png_set_bgr, png_read_image into rows of
// one buffer), the same work: inflate, CRCs, filters and blue-green-red rows.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <vector>

#include "imaging/Png.h"

namespace {

constexpr uint32_t kWidth = 3000, kHeight = 2000;

void Append(png_structp png, png_bytep data, png_size_t size) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + size);
}
void Flush(png_structp) {}

[[noreturn]] void Fail(png_structp, png_const_charp message) { throw std::runtime_error(message); }

std::vector<uint8_t> Noise() {
  std::mt19937 random(42);
  std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
  for (uint8_t& v : rgb) v = uint8_t(random());
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, Append, Flush);
  png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < kHeight; ++y) png_write_row(png, &rgb[size_t(y) * kWidth * 3]);
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out;
}

const std::vector<uint8_t>& Picture() {
  static const std::vector<uint8_t> picture = Noise();
  return picture;
}

struct TMemory {
  const std::vector<uint8_t>* Data;
  size_t Position = 0;
};

void ReadMemory(png_structp png, png_bytep data, png_size_t size) {
  auto* m = static_cast<TMemory*>(png_get_io_ptr(png));
  if (size > m->Data->size() - m->Position) png_error(png, "read past the end");
  std::memcpy(data, m->Data->data() + m->Position, size);
  m->Position += size;
}

void DecodeWithLibpng(const std::vector<uint8_t>& data, std::vector<uint8_t>& image) {
  TMemory memory{&data};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_read_fn(png, &memory, ReadMemory);
  png_read_info(png, info);
  png_set_bgr(png);
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  const uint32_t height = png_get_image_height(png, info);
  image.resize(rowBytes * height);
  std::vector<png_bytep> rows(height);
  for (uint32_t y = 0; y < height; ++y) rows[y] = image.data() + size_t(y) * rowBytes;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  benchmark::DoNotOptimize(image.data());
}

void PngOurs(benchmark::State& state) {
  const std::vector<uint8_t>& data = Picture();
  for (auto _ : state) {
    imaging::TPNGGraphic g;
    g.LoadFromStream(data.data(), data.size());
    benchmark::DoNotOptimize(g.Bitmap().Bits());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void PngLibpng(benchmark::State& state) {
  const std::vector<uint8_t>& data = Picture();
  for (auto _ : state) {
    // A fresh image buffer each time, as the reader makes a fresh bitmap.
    std::vector<uint8_t> image;
    DecodeWithLibpng(data, image);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

BENCHMARK(PngOurs)->Unit(benchmark::kMillisecond);
BENCHMARK(PngLibpng)->Unit(benchmark::kMillisecond);

}  // namespace
