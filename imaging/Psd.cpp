#include "imaging/Psd.h"

#include <algorithm>
#include <cstring>

#include "imaging/RasterCompression.h"

namespace imaging {

platform::TGraphicClass TPSDGraphic::Class() { return platform::GraphicClassOf<TPSDGraphic>("TPSDGraphic"); }

namespace {

enum : uint16_t {
  modeBitmap = 0,
  modeGrayscale = 1,
  modeIndexed = 2,
  modeRGB = 3,
  modeCMYK = 4,
  modeMultichannel = 7,
  modeDuotone = 8,
  modeLab = 9,
};

// The modes, depths and channel counts the rows can be read in: the one-channel modes take
// their first channel, the others need a plane for every sample they convert.
bool Readable(uint16_t mode, uint16_t depth, uint16_t channels) {
  const bool wide = depth == 8 || depth == 16;
  if (channels == 0) return false;
  switch (mode) {
    case modeBitmap:
      return depth == 1;
    case modeGrayscale:
    case modeDuotone:
      return wide;
    case modeIndexed:
      return depth == 8;
    case modeRGB:
    case modeMultichannel:
    case modeLab:
      return wide && channels >= 3;
    case modeCMYK:
      return wide && channels >= 4;
    default:
      return false;
  }
}

}  // namespace

void TPSDGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  if (std::memcmp(in.Read(4).data(), "8BPS", 4) != 0) RaiseInvalidImage();
  in.Skip(2 + 6);  // version, reserved
  const uint16_t channels = in.U16BE();
  const uint32_t height = in.U32BE();
  const uint32_t width = in.U32BE();
  const uint16_t depth = in.U16BE();
  const uint16_t mode = in.U16BE();
  if (!Readable(mode, depth, channels)) RaiseInvalidColorFormat();

  // The colour manager by the mode. Samples are stored high byte first.
  const bool oneChannel =
      mode == modeBitmap || mode == modeGrayscale || mode == modeIndexed || mode == modeDuotone;
  TColorManager& m = ColorManager();
  m.SourceOptions = optSwapBytes;
  m.SetSourceBitsPerSample(uint8_t(depth));
  m.SetTargetBitsPerSample(depth == 16 ? 8 : uint8_t(depth));
  auto colour = [&m](uint8_t sourceSamples, uint8_t targetSamples, TSampleScheme source,
                     TSampleScheme target) {
    m.SetSourceSamplesPerPixel(sourceSamples);
    m.SetTargetSamplesPerPixel(targetSamples);
    m.SetSourceColorScheme(source);
    m.SetTargetColorScheme(target);
  };
  size_t planes = 1;
  if (oneChannel) {
    m.SetSourceColorScheme(schIndexed);
    m.SetTargetColorScheme(schIndexed);
  } else if (mode == modeCMYK) {
    // Three target samples: the converters write blue, green and red only.
    planes = 4;
    colour(4, 3, schCMYK, schBGR);
  } else if (mode == modeLab) {
    planes = 3;
    colour(3, 3, schCIELab, schBGR);
    m.SourceOptions |= optLabScaled | optLabOffset;
  } else {
    // RGB and multichannel: a fourth channel is alpha; further channels are not read.
    planes = channels == 3 ? 3 : 4;
    colour(uint8_t(planes), uint8_t(planes), planes == 3 ? schRGB : schRGBA,
           planes == 3 ? schBGR : schBGRA);
  }
  bitmap.SetPixelFormat(TargetPixelFormat());
  CheckBitmapSize(bitmap, width, height);

  // Colour mode data: the palette of indexed files, planes of red, green and blue.
  const std::span<const uint8_t> modeData = in.Read(in.U32BE());
  if (mode == modeIndexed) {
    const size_t plane = modeData.size() / 3, entries = std::min<size_t>(plane, 256);
    bitmap.SetPalette(m.MakePalette({modeData.subspan(0, entries), modeData.subspan(plane, entries),
                                     modeData.subspan(2 * plane, entries)},
                                    palPlanes8, entries, false));
  } else if (oneChannel) {
    bitmap.SetPalette(m.MakeGrayPalette(mode == modeBitmap));
  }
  in.Skip(in.U32BE());  // image resources
  in.Skip(in.U32BE());  // layer and mask information

  const uint16_t compression = in.U16BE();
  if (compression > 1) RaiseNotSupported(SCompressionIs);
  const uint64_t rowBytes =
      oneChannel ? (uint64_t(width) * depth + 7) / 8 : uint64_t(width) * (depth / 8);

  // Where each row of each plane read lies in the file, and how many bytes it takes there.
  std::vector<std::span<const uint8_t>> rows(planes * height);
  if (compression == 1) {
    // A packed size per row of every channel, channel after channel; the packed rows follow
    // in the same order.
    const uint64_t entries = uint64_t(channels) * height;
    const uint8_t* table = in.Read(entries * 2).data();
    uint64_t total = 0;
    for (uint64_t i = 0; i < entries; ++i) total += uint32_t((table[2 * i] << 8) | table[2 * i + 1]);
    const std::span<const uint8_t> packed = in.Read(total);
    uint64_t offset = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
      const size_t size = size_t((table[2 * i] << 8) | table[2 * i + 1]);
      rows[i] = packed.subspan(size_t(offset), size);
      offset += size;
    }
  } else {
    const uint64_t planeBytes = rowBytes * height;
    const uint8_t* data = in.Read(planeBytes * planes).data();
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = {data + i * rowBytes, size_t(rowBytes)};
  }

  SizeBitmap(bitmap, width, height);
  // Each row of each plane is unpacked (or copied) into its own buffer of exactly the row's
  // bytes; what packed data does not fill stays zero.
  TPackbitsRLEDecoder decoder;
  std::vector<std::vector<uint8_t>> buffers(planes, std::vector<uint8_t>(size_t(rowBytes)));
  std::vector<std::span<const uint8_t>> sources(planes);
  for (uint32_t y = 0; y < height; ++y) {
    for (size_t c = 0; c < planes; ++c) {
      std::vector<uint8_t>& buffer = buffers[c];
      const std::span<const uint8_t> row = rows[c * height + y];
      if (compression == 1) {
        std::fill(buffer.begin(), buffer.end(), 0);
        const uint8_t* source = row.data();
        size_t packedSize = row.size();
        uint8_t* target = buffer.data();
        size_t unpackedSize = buffer.size();
        decoder.Decode(source, packedSize, target, unpackedSize);
      } else {
        std::copy(row.begin(), row.end(), buffer.begin());
      }
      // CMYK stores 255 - ink in every byte, 16-bit samples included.
      if (mode == modeCMYK)
        for (uint8_t& b : buffer) b = uint8_t(~b);
      sources[c] = buffer;
    }
    m.ConvertRow(sources, BitmapRow(bitmap, int(y)), width);
  }
}

}  // namespace imaging
