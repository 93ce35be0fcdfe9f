#include "imaging/Sgi.h"

#include <algorithm>

#include "imaging/RasterCompression.h"

namespace imaging {

platform::TGraphicClass TSGIGraphic::Class() { return platform::GraphicClassOf<TSGIGraphic>("TSGIGraphic"); }

void TSGIGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  constexpr uint64_t headerSize = 512;
  if (in.U16BE() != 474) RaiseInvalidImage();
  const bool packed = in.U8() == 1;
  const uint8_t sampleBytes = in.U8();
  in.Skip(2);  // dimension
  const uint16_t width = in.U16BE();
  const uint16_t height = in.U16BE();
  const uint16_t channels = in.U16BE();
  in.Seek(headerSize);

  // Samples are stored high byte first; the manager refuses depths and channel counts other
  // than 1 or 2 bytes and 1, 3 or 4 channels.
  TColorManager& m = ColorManager();
  m.SourceOptions = optSwapBytes;
  m.SetSourceBitsPerSample(sampleBytes == 1 ? 8 : sampleBytes == 2 ? 16 : 0);
  m.SetTargetBitsPerSample(8);
  const uint8_t samples = channels <= 4 ? uint8_t(channels) : 0;
  m.SetSourceSamplesPerPixel(samples);
  m.SetTargetSamplesPerPixel(samples);
  if (channels == 3 || channels == 4) {
    m.SetSourceColorScheme(channels == 3 ? schRGB : schRGBA);
    m.SetTargetColorScheme(channels == 3 ? schBGR : schBGRA);
  } else {
    m.SetSourceColorScheme(schIndexed);
    m.SetTargetColorScheme(schIndexed);
  }
  bitmap.SetPixelFormat(TargetPixelFormat());
  if (channels == 1) bitmap.SetPalette(m.MakeGrayPalette(false));

  // Run-length files: where each row of each channel starts and how long it is packed (row r
  // of channel c at r + c x height).
  const size_t entries = size_t(height) * channels;
  std::span<const uint8_t> starts, lengths;
  if (packed) {
    starts = in.Read(entries * 4);
    lengths = in.Read(entries * 4);
  }
  const size_t rowBytes = size_t(width) * sampleBytes;
  if (!packed) in.At(headerSize, entries * rowBytes);  // every raw row is there
  SizeBitmap(bitmap, width, height);
  auto be32 = [](std::span<const uint8_t> table, size_t i) {
    const uint8_t* p = table.data() + 4 * i;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
  };

  TSGIRLEDecoder decoder(sampleBytes);
  std::vector<std::vector<uint8_t>> buffers(channels, std::vector<uint8_t>(rowBytes));
  std::vector<std::span<const uint8_t>> sources(channels);
  for (uint16_t r = 0; r < height; ++r) {
    for (uint16_t c = 0; c < channels; ++c) {
      const size_t i = r + size_t(c) * height;
      if (packed) {
        std::vector<uint8_t>& buffer = buffers[c];
        std::fill(buffer.begin(), buffer.end(), 0);
        const std::span<const uint8_t> row = in.At(be32(starts, i), be32(lengths, i));
        const uint8_t* source = row.data();
        size_t packedSize = row.size();
        uint8_t* target = buffer.data();
        size_t unpackedSize = buffer.size();
        decoder.Decode(source, packedSize, target, unpackedSize);
        sources[c] = buffer;
      } else {
        sources[c] = in.At(headerSize + uint64_t(i) * rowBytes, rowBytes);
      }
    }
    m.ConvertRow(sources, BitmapRow(bitmap, height - 1 - r), width);
  }
}

}  // namespace imaging
