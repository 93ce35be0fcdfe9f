#include "imaging/Psp.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/RasterCompression.h"

namespace imaging {

platform::TGraphicClass TPSPGraphic::Class() { return platform::GraphicClassOf<TPSPGraphic>("TPSPGraphic"); }

namespace {

enum : uint16_t { blockPalette = 2, blockLayerBank = 3, blockLayer = 4 };
enum : uint16_t { compressionNone = 0, compressionRLE = 1, compressionLZ77 = 2 };

struct TBlock {
  uint16_t Id = 0;
  uint64_t End = 0;  // offset of the byte after the block
};

// Reads a block header at the stream's position; false (nothing read) at the end of the data or
// when the bytes there are no block header.
bool ReadBlock(TImageStream& in, bool version4, TBlock& block) {
  if (in.Remaining() == 0 || in.Data()[in.Position()] != '~') return false;
  in.Skip(4);
  block.Id = in.U16LE();
  if (!version4) in.Skip(4);  // initial data length
  const uint32_t total = in.U32LE();
  block.End = uint64_t(in.Position()) + total;
  return true;
}

}  // namespace

void TPSPGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  static constexpr char signature[] = "Paint Shop Pro Image File";
  if (std::memcmp(in.Read(32).data(), signature, sizeof signature - 1) != 0) RaiseInvalidImage();
  const uint16_t major = in.U16LE();
  in.Skip(2);  // minor version
  if (major != 3 && major != 4) RaiseNotSupported(SPspVersionsAre);
  const bool v4 = major == 4;

  // General image attributes.
  TBlock attributes;
  if (!ReadBlock(in, v4, attributes)) RaiseInvalidImage();
  if (v4) in.Skip(4);  // chunk length
  const int32_t width = int32_t(in.U32LE());
  const int32_t height = int32_t(in.U32LE());
  in.Skip(8 + 1);  // resolution and its metric
  const uint16_t compression = in.U16LE();
  const uint16_t depth = in.U16LE();
  in.Seek(attributes.End);
  if (compression > compressionLZ77) RaiseNotSupported(SPspCompressionsAre);

  TColorManager& m = ColorManager();
  if (depth == 24) {
    m.SetSourceBitsPerSample(8);
    m.SetSourceSamplesPerPixel(3);
    m.SetTargetSamplesPerPixel(3);
    m.SetSourceColorScheme(schRGB);
    m.SetTargetColorScheme(schBGR);
  } else {
    if (depth > 16) RaiseInvalidColorFormat();
    m.SetSourceBitsPerSample(uint8_t(depth));
    m.SetSourceColorScheme(schIndexed);
    m.SetTargetColorScheme(schIndexed);
  }
  m.SetTargetBitsPerSample(m.SourceBitsPerSample());
  bitmap.SetPixelFormat(TargetPixelFormat());
  size_t rowSize;
  switch (depth) {
    case 1:
      rowSize = (size_t(std::max(width, 0)) + 7) / 8;
      break;
    case 4:
      rowSize = (size_t(std::max(width, 0)) + 1) / 2;
      break;
    case 8:
    case 24:  // one plane per channel
      rowSize = size_t(std::max(width, 0));
      break;
    default:
      RaiseInvalidColorFormat();
  }
  CheckBitmapSize(bitmap, width, height);
  const bool colour = depth == 24;
  const size_t channelBytes = rowSize * size_t(height);

  // The channels of the layer read: composite or red, green, blue.
  std::array<std::vector<uint8_t>, 3> channels;
  auto readChannel = [&](std::vector<uint8_t>& buffer, uint32_t uncompressed,
                         std::span<const uint8_t> packed) {
    if (uncompressed < channelBytes) RaiseInvalidImage();
    buffer.assign(channelBytes, 0);
    const uint8_t* source = packed.data();
    size_t packedSize = packed.size();
    uint8_t* target = buffer.data();
    size_t unpackedSize = buffer.size();
    switch (compression) {
      case compressionNone:
        std::copy_n(packed.begin(), std::min(packed.size(), buffer.size()), buffer.begin());
        break;
      case compressionRLE:
        TPSPRLEDecoder().Decode(source, packedSize, target, unpackedSize);
        break;
      case compressionLZ77: {
        TLZ77Decoder decoder;
        decoder.DecodeInit();
        decoder.Decode(source, packedSize, target, unpackedSize);
        const int result = decoder.Result();
        // A stream cut short leaves the rest zero; damaged data is an error.
        if (result == Z_NEED_DICT || (result < 0 && result != Z_BUF_ERROR))
          RaiseGraphicError(SCompressionError, {SFormatPsp});
        decoder.DecodeEnd();
        break;
      }
    }
  };

  // The layer bank: the first layer that fits. Returns whether one was read.
  auto readLayerBank = [&](uint64_t bankEnd) {
    TBlock layer;
    while (in.Position() < bankEnd && ReadBlock(in, v4, layer)) {
      if (layer.Id == blockLayer) {
        if (v4) {
          in.Skip(4);  // chunk length
          in.Skip(in.U16LE());
        } else {
          in.Skip(256);  // name
        }
        const uint8_t type = in.Read(115)[0];
        if (type == 0 || (v4 && type == 1)) {
          in.Skip(2);  // bitmap count
          const uint16_t channelCount = in.U16LE();
          for (uint16_t i = 0; i < channelCount; ++i) {
            TBlock channel;
            if (!ReadBlock(in, v4, channel)) break;
            if (v4) in.Skip(4);  // chunk length
            const uint32_t compressed = in.U32LE();
            const uint32_t uncompressed = in.U32LE();
            in.Skip(2);  // bitmap type
            const uint16_t channelType = in.U16LE();
            const std::span<const uint8_t> packed = in.Read(compressed);
            // The first channel of each kind counts (a mask bitmap may follow the image).
            const size_t slot = channelType <= 1 ? 0 : channelType - 1;
            if (channelType <= 3 && channels[slot].empty() && channelBytes > 0)
              readChannel(channels[slot], uncompressed, packed);
            in.Seek(channel.End);
          }
          return true;
        }
      }
      in.Seek(layer.End);
    }
    return false;
  };

  bool layerRead = false;
  TBlock block;
  while (ReadBlock(in, v4, block)) {
    if (block.Id == blockPalette) {
      if (v4) in.Skip(4);  // chunk length
      const uint32_t count = in.U32LE();
      if (platform::IsIndexed(bitmap.PixelFormat())) {
        const size_t entries = std::min<size_t>(count, platform::MaxPaletteEntries(bitmap.PixelFormat()));
        bitmap.SetPalette(m.MakePalette({in.Read(entries * 4)}, palQuads8, entries, true));
      }
    } else if (block.Id == blockLayerBank && !layerRead) {
      layerRead = readLayerBank(block.End);
    }
    in.Seek(block.End);
  }
  if (!layerRead) RaiseInvalidImage();
  SizeBitmap(bitmap, width, height);
  if (channelBytes == 0) return;
  if (channels[0].empty() || (colour && (channels[1].empty() || channels[2].empty())))
    RaiseInvalidImage();

  for (int32_t y = 0; y < height; ++y) {
    const size_t at = size_t(y) * rowSize;
    auto row = [&](const std::vector<uint8_t>& c) {
      return std::span<const uint8_t>(c).subspan(at, rowSize);
    };
    if (colour)
      m.ConvertRow({row(channels[0]), row(channels[1]), row(channels[2])}, BitmapRow(bitmap, y),
                   size_t(width));
    else
      m.ConvertRow({row(channels[0])}, BitmapRow(bitmap, y), size_t(width));
  }
}

}  // namespace imaging
