// Decoding large TIFF files from memory: our reader against libtiff on the same bytes.
//
// At start-up libtiff writes three pictures: a 3000 x 2000 RGB picture (a seeded gradient with
// noise, grey in its top half so that PackBits finds runs) uncompressed and with PackBits, both
// in libtiff's default strips, and a 3000 x 2000 bilevel page as group 3 one-dimensional fax.
// Each is then decoded by TTIFFGraphic::LoadFromStream and by libtiff (TIFFClientOpen on the
// same bytes, TIFFReadEncodedStrip for every strip into a buffer of the whole picture).
#include <benchmark/benchmark.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/Tiff.h"

namespace {

constexpr uint32_t kWidth = 3000, kHeight = 2000;

// Writes rows through libtiff into a temporary file and returns the file's bytes.
std::vector<uint8_t> WriteWithLibtiff(int samples, int bits, uint16_t compression,
                                      const std::vector<uint8_t>& pixels) {
  char path[] = "/tmp/tiffbenchXXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) throw std::runtime_error("no temporary file");
  close(fd);
  TIFF* tif = TIFFOpen(path, "w");
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kHeight);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, samples == 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
  const size_t rowBytes = (size_t(kWidth) * samples * bits + 7) / 8;
  for (uint32_t y = 0; y < kHeight; ++y)
    if (TIFFWriteScanline(tif, const_cast<uint8_t*>(&pixels[y * rowBytes]), y, 0) < 0)
      throw std::runtime_error("libtiff could not write");
  TIFFClose(tif);
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  unlink(path);
  return bytes;
}

struct TPictures {
  std::vector<uint8_t> Uncompressed, PackBits, Fax;

  TPictures() {
    std::mt19937 random(42);
    std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
    for (uint32_t y = 0; y < kHeight; ++y)
      for (uint32_t x = 0; x < kWidth; ++x) {
        uint8_t* p = &rgb[(size_t(y) * kWidth + x) * 3];
        const bool noisy = random() % 8 == 0;
        if (y < kHeight / 2) {
          const uint8_t g = uint8_t(x / 24 + y / 16 + (noisy ? random() % 3 : 0));
          p[0] = p[1] = p[2] = g;
        } else {
          p[0] = uint8_t(x / 12 + (noisy ? random() % 5 : 0));
          p[1] = uint8_t(y / 8);
          p[2] = uint8_t((x + y) / 20);
        }
      }
    Uncompressed = WriteWithLibtiff(3, 8, COMPRESSION_NONE, rgb);
    PackBits = WriteWithLibtiff(3, 8, COMPRESSION_PACKBITS, rgb);

    // A page: mostly white rows, some black bars and scattered black marks like text.
    const size_t rowBytes = (kWidth + 7) / 8;
    std::vector<uint8_t> page(rowBytes * kHeight, 0);
    for (uint32_t y = 0; y < kHeight; ++y) {
      uint8_t* row = &page[y * rowBytes];
      if (y % 40 < 24 && y > 100 && y < 1900)
        for (uint32_t x = 150; x < 2850; ++x)
          if (random() % 7 < 2 || (x / 9) % 5 == 0) row[x / 8] |= uint8_t(0x80 >> (x % 8));
      if (y % 500 < 6)
        for (uint32_t x = 0; x < kWidth; ++x) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    }
    Fax = WriteWithLibtiff(1, 1, COMPRESSION_CCITTFAX3, page);
  }
};

const TPictures& Pictures() {
  static const TPictures pictures;
  return pictures;
}

// libtiff reading from memory.
struct TMemoryFile {
  const std::vector<uint8_t>* Data;
  toff_t Position = 0;
};

tsize_t ReadProc(thandle_t h, tdata_t buffer, tsize_t size) {
  auto* f = static_cast<TMemoryFile*>(h);
  const size_t left = f->Data->size() - std::min<size_t>(f->Position, f->Data->size());
  const size_t n = std::min<size_t>(size_t(size), left);
  std::memcpy(buffer, f->Data->data() + f->Position, n);
  f->Position += n;
  return tsize_t(n);
}
tsize_t WriteProc(thandle_t, tdata_t, tsize_t) { return 0; }
toff_t SeekProc(thandle_t h, toff_t offset, int whence) {
  auto* f = static_cast<TMemoryFile*>(h);
  if (whence == SEEK_SET) f->Position = offset;
  if (whence == SEEK_CUR) f->Position += offset;
  if (whence == SEEK_END) f->Position = f->Data->size() + offset;
  return f->Position;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t h) { return static_cast<TMemoryFile*>(h)->Data->size(); }
int MapProc(thandle_t h, tdata_t* base, toff_t* size) {
  auto* f = static_cast<TMemoryFile*>(h);
  *base = const_cast<uint8_t*>(f->Data->data());
  *size = f->Data->size();
  return 1;
}
void UnmapProc(thandle_t, tdata_t, toff_t) {}

void DecodeWithLibtiff(const std::vector<uint8_t>& data) {
  TMemoryFile file{&data};
  TIFF* tif = TIFFClientOpen("memory", "rm", &file, ReadProc, WriteProc, SeekProc, CloseProc,
                             SizeProc, MapProc, UnmapProc);
  if (!tif) throw std::runtime_error("libtiff could not open");
  const tstrip_t strips = TIFFNumberOfStrips(tif);
  const tmsize_t stripSize = TIFFStripSize(tif);
  std::vector<uint8_t> image(size_t(stripSize) * strips);
  for (tstrip_t s = 0; s < strips; ++s)
    if (TIFFReadEncodedStrip(tif, s, image.data() + size_t(s) * stripSize, stripSize) < 0)
      throw std::runtime_error("libtiff could not read");
  benchmark::DoNotOptimize(image.data());
  TIFFClose(tif);
}

void DecodeWithReader(const std::vector<uint8_t>& data) {
  imaging::TTIFFGraphic g;
  g.LoadFromStream(data.data(), data.size());
  benchmark::DoNotOptimize(g.Bitmap().Bits());
}

void Ours(benchmark::State& state, const std::vector<uint8_t> TPictures::*picture) {
  const std::vector<uint8_t>& data = Pictures().*picture;
  for (auto _ : state) DecodeWithReader(data);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

void Libtiff(benchmark::State& state, const std::vector<uint8_t> TPictures::*picture) {
  TIFFSetWarningHandler(nullptr);
  const std::vector<uint8_t>& data = Pictures().*picture;
  for (auto _ : state) DecodeWithLibtiff(data);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}

BENCHMARK_CAPTURE(Ours, Uncompressed, &TPictures::Uncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, Uncompressed, &TPictures::Uncompressed)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, PackBits, &TPictures::PackBits)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, PackBits, &TPictures::PackBits)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Ours, FaxG3, &TPictures::Fax)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libtiff, FaxG3, &TPictures::Fax)->Unit(benchmark::kMillisecond);

}  // namespace
