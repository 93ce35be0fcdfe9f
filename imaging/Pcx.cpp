#include "imaging/Pcx.h"

#include <algorithm>

#include "imaging/RasterCompression.h"

namespace imaging {

platform::TGraphicClass TPCXGraphic::Class() { return platform::GraphicClassOf<TPCXGraphic>("TPCXGraphic"); }

void TPCXGraphic::ReadImage(TImageStream& in, platform::TBitmap& bitmap) {
  constexpr size_t headerSize = 128;
  constexpr size_t paletteSize = 769;  // the marker 12 and 256 entries at the end of 8-bit files
  const uint8_t* h = in.Read(headerSize).data();
  auto le16 = [h](size_t at) { return uint16_t(h[at] | (h[at + 1] << 8)); };
  if (h[0] != 10 && h[0] != 0xCD) RaiseInvalidImage();
  const uint8_t version = h[1];
  const bool packed = h[2] == 1;
  const uint8_t bits = h[3];
  const uint16_t minX = le16(4), minY = le16(6), maxX = le16(8), maxY = le16(10);
  const std::span<const uint8_t> headerPalette(h + 16, 48);
  const uint8_t planes = h[65];
  const uint16_t bytesPerLine = le16(66);
  const uint16_t paletteKind = le16(68);

  const bool sixteenColours = planes == 4 && bits == 1;
  if (!((planes == 1 && (bits == 1 || bits == 2 || bits == 4 || bits == 8)) || sixteenColours ||
        (planes == 3 && bits == 8)))
    RaiseGraphicError(SInvalidColorFormat, {SFormatPcx});
  if (maxX < minX || maxY < minY) RaiseInvalidImage();
  const uint32_t width = uint32_t(maxX - minX) + 1, height = uint32_t(maxY - minY) + 1;
  if (bytesPerLine < (uint64_t(width) * bits + 7) / 8) RaiseInvalidImage();

  TColorManager& m = ColorManager();
  m.SetSourceColorScheme(schRGB);
  m.SetTargetColorScheme(schBGR);
  m.SetSourceBitsPerSample(bits);
  m.SetTargetBitsPerSample(bits == 2 ? 4 : bits);
  m.SetSourceSamplesPerPixel(planes);
  m.SetTargetSamplesPerPixel(planes);
  bitmap.SetPixelFormat(sixteenColours ? platform::pf4bit : TargetPixelFormat());
  const platform::TPixelFormat format = bitmap.PixelFormat();

  size_t dataEnd = in.Size();
  if (format == platform::pf8bit) {
    if (dataEnd < headerSize + paletteSize) in.Fail();
    dataEnd -= paletteSize;
  }
  bool grayPalette = false;
  if (format != platform::pf24bit) {
    if (version == 3 && format != platform::pf1bit) {
      bitmap.SetPalette(platform::DefaultPalette(platform::pf4bit));
    } else if (format == platform::pf1bit) {
      bitmap.SetPalette(m.MakeGrayPalette(false));
    } else if (format == platform::pf4bit) {
      grayPalette = paletteKind == 2;
      bitmap.SetPalette(grayPalette ? m.MakeGrayPalette(false)
                                    : m.MakePalette({headerPalette}, palTriples8, 16, false));
    } else if (in.At(dataEnd, 1)[0] == 12) {
      bitmap.SetPalette(m.MakePalette({in.At(dataEnd + 1, 768)}, palTriples8, 256, false));
    } else if (paletteKind == 2) {
      grayPalette = true;
      bitmap.SetPalette(m.MakeGrayPalette(false));
    }
  }

  // The lines: every plane of a line one after the other.
  const size_t lineSize = size_t(planes) * bytesPerLine;
  const uint64_t total = uint64_t(height) * lineSize;
  const std::span<const uint8_t> data = in.At(headerSize, dataEnd - headerSize);
  std::vector<uint8_t> unpacked;
  const uint8_t* lines;
  if (packed) {
    CheckBitmapSize(bitmap, width, height);
    if (total > platform::TBitmap::MaxImageBytes) RaiseInvalidImage();
    unpacked.assign(size_t(total), 0);
    const uint8_t* source = data.data();
    size_t packedSize = data.size();
    uint8_t* target = unpacked.data();
    size_t unpackedSize = unpacked.size();
    TPCXRLEDecoder().Decode(source, packedSize, target, unpackedSize);
    lines = unpacked.data();
  } else {
    if (total > data.size()) in.Fail();
    lines = data.data();
  }

  SizeBitmap(bitmap, width, height);
  const bool widen = bits == 2 && !grayPalette;
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* line = lines + size_t(y) * lineSize;
    const std::span<uint8_t> row = BitmapRow(bitmap, int(y));
    if (sixteenColours) {
      // Bit x of planes 3, 2, 1, 0 make pixel x; two pixels a byte, the first in the high nibble.
      for (uint32_t x = 0; x < width; ++x) {
        const unsigned shift = 7 - x % 8;
        unsigned pixel = 0;
        for (unsigned p = 0; p < 4; ++p)
          pixel |= ((line[p * bytesPerLine + x / 8] >> shift) & 1u) << p;
        uint8_t& t = row[x / 2];
        t = x % 2 ? uint8_t((t & 0xF0) | pixel) : uint8_t((t & 0x0F) | (pixel << 4));
      }
    } else if (planes == 3) {
      m.ConvertRow({std::span<const uint8_t>(line, bytesPerLine),
                    std::span<const uint8_t>(line + bytesPerLine, bytesPerLine),
                    std::span<const uint8_t>(line + 2 * size_t(bytesPerLine), bytesPerLine)},
                   row, width);
    } else if (widen) {
      WidenIndexes2To4({line, bytesPerLine}, row, width);
    } else {
      m.ConvertRow({std::span<const uint8_t>(line, bytesPerLine)}, row, width);
    }
  }
}

}  // namespace imaging
