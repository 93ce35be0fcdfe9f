#include "imaging/Targa.h"

#include <algorithm>
#include <cstring>

#include "imaging/RunLength.h"

namespace imaging {

using platform::TBitmap;
using platform::TColor;

platform::TGraphicClass TTargaGraphic::Class() {
  return platform::GraphicClassOf<TTargaGraphic>("TTargaGraphic");
}

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint8_t kTopDown = 0x20;  // descriptor bit: the first stored row is the top row

uint16_t U16LE(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
void PutU16LE(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

// The colour of one colour map entry of 15, 16, 24 or 32 bits.
TColor MapEntry(const uint8_t* p, unsigned entrySize) {
  if (entrySize == 24 || entrySize == 32) return platform::RGB(p[2], p[1], p[0]);
  const unsigned w = U16LE(p);
  return platform::RGB(uint8_t((w & 0x7C00) >> 7), uint8_t((w & 0x3E0) >> 2),
                       uint8_t((w & 31) * 8));
}

}  // namespace

void TTargaGraphic::ReadImage(TImageStream& in, TBitmap& bitmap) {
  const uint8_t* h = in.Read(kHeaderSize).data();
  const unsigned idLength = h[0], mapType = h[1], imageType = h[2];
  const unsigned firstEntry = U16LE(h + 3), mapLength = U16LE(h + 5), entrySize = h[7];
  const unsigned width = U16LE(h + 12), height = U16LE(h + 14), pixelSize = h[16];
  const bool topDown = h[17] & kTopDown;
  const std::span<const uint8_t> id = in.Read(idLength);

  // Only sizes the type can hold: a row read at another size would not fit the bitmap's rows.
  bool colorMapped = false, grey = false, packed = false;
  switch (imageType) {
    case 9:
      packed = true;
      [[fallthrough]];
    case 1:
      colorMapped = true;
      if (pixelSize != 8) RaiseNotSupported(SPixelSizeIs);
      break;
    case 11:
      packed = true;
      [[fallthrough]];
    case 3:
      grey = true;
      if (pixelSize != 8) RaiseNotSupported(SPixelSizeIs);
      break;
    case 10:
      packed = true;
      [[fallthrough]];
    case 2:
      if (pixelSize != 15 && pixelSize != 16 && pixelSize != 24 && pixelSize != 32)
        RaiseNotSupported(SPixelSizeIs);
      break;
    default:
      RaiseNotSupported(SImageTypeIs);
  }
  bitmap.SetPixelFormat(pixelSize == 8    ? platform::pf8bit
                        : pixelSize <= 16 ? platform::pf15bit
                        : pixelSize == 24 ? platform::pf24bit
                                          : platform::pf32bit);

  // The palette. Entry k of a colour map belongs at index first + k; entries past 255 have no
  // place in an 8-bit palette. A map the picture does not use is stepped over.
  std::vector<TColor> palette;
  const uint64_t mapBytes = uint64_t(mapLength) * ((entrySize + 7) / 8);
  if (grey) {
    palette.resize(256);
    for (unsigned i = 0; i < 256; ++i) palette[i] = platform::RGB(uint8_t(i), uint8_t(i), uint8_t(i));
  }
  if (mapType == 1) {
    if (colorMapped) {
      if (entrySize != 15 && entrySize != 16 && entrySize != 24 && entrySize != 32)
        RaiseNotSupported(SColorMapEntrySizeIs);
      const uint8_t* map = in.Read(mapBytes).data();
      const size_t stride = (entrySize + 7) / 8;
      palette.assign(std::min<size_t>(256, size_t(firstEntry) + mapLength), TColor(0));
      for (size_t k = 0; k < mapLength && firstEntry + k < 256; ++k)
        palette[firstEntry + k] = MapEntry(map + k * stride, entrySize);
    } else {
      in.Skip(mapBytes);
    }
  }
  // A colour-mapped file without a map keeps the 8-bit bitmap's own palette.
  if (grey || (colorMapped && mapType == 1)) bitmap.SetPalette(palette);

  // A pixel is (size + 7) div 8 bytes: two for 15 bits.
  const size_t pixelBytes = (pixelSize + 7) / 8;
  const size_t rowBytes = pixelBytes * width;
  const uint64_t pixels = uint64_t(width) * height;
  // Refuse a file far too short for its size before the bitmap is made: unpacked rows need all
  // their bytes, packed ones at least a packet of 128 pixels for every 128.
  const uint64_t least =
      packed ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  if (in.Remaining() < least) RaiseInvalidImage();
  SizeBitmap(bitmap, width, height);

  TTargaRLEDecoder decoder{int(pixelSize)};
  const uint8_t* source = in.Data() + in.Position();
  size_t left = in.Remaining();
  for (unsigned i = 0; i < height; ++i) {
    uint8_t* row = bitmap.ScanLine(int(topDown ? i : height - 1 - i));
    if (packed) {
      uint8_t* target = row;
      size_t room = rowBytes;
      // The decoder keeps a packet that crosses into the next row.
      if (decoder.Decode(source, left, target, room).Produced != rowBytes) RaiseInvalidImage();
    } else {
      if (left < rowBytes) RaiseInvalidImage();
      std::memcpy(row, source, rowBytes);
      source += rowBytes;
      left -= rowBytes;
    }
    // 16-bit pixels carry an attribute bit where pf15bit keeps a zero.
    if (pixelBytes == 2)
      for (size_t x = 0; x < width; ++x) row[2 * x + 1] &= 0x7F;
  }
  ImageID.assign(id.begin(), id.end());
}

std::vector<uint8_t> TTargaGraphic::SaveToStream() const {
  const TBitmap& picture = Bitmap();
  if (picture.Empty()) return {};
  // Formats without a Targa pixel of their own are written from a converted copy: 1 and 4 bits
  // as 8-bit indexes, 5-6-5 pixels as 5-5-5 (16-bit Targa pixels are 5-5-5).
  TBitmap copy;
  const TBitmap* b = &picture;
  size_t pixelBytes = 3;
  switch (picture.PixelFormat()) {
    case platform::pf1bit:
    case platform::pf4bit:
      copy = picture;
      copy.SetPixelFormat(platform::pf8bit);
      b = &copy;
      pixelBytes = 1;
      break;
    case platform::pf8bit:
      pixelBytes = 1;
      break;
    case platform::pf16bit:
      copy = picture;
      copy.SetPixelFormat(platform::pf15bit);
      b = &copy;
      pixelBytes = 2;
      break;
    case platform::pf15bit:
      pixelBytes = 2;
      break;
    case platform::pf24bit:
      pixelBytes = 3;
      break;
    case platform::pf32bit:
      pixelBytes = 4;
      break;
  }
  const bool indexed = pixelBytes == 1;
  // The identification field's length is one byte.
  const size_t idLength = std::min<size_t>(ImageID.size(), 255);
  const size_t width = size_t(b->Width()), height = size_t(b->Height());
  TTargaRLEDecoder encoder{int(pixelBytes * 8)};

  std::vector<uint8_t> out;
  out.reserve(kHeaderSize + idLength + (indexed ? 768 : 0) + width * height * pixelBytes / 2);
  out.push_back(uint8_t(idLength));
  out.push_back(indexed ? 1 : 0);    // colour map type
  out.push_back(indexed ? 9 : 10);   // run-length colour-mapped or true colour
  PutU16LE(out, 0);                  // first colour map entry
  PutU16LE(out, 256);                // colour map length, written for true colour too
  out.push_back(24);                 // colour map entry size
  PutU16LE(out, 0);                  // X origin
  PutU16LE(out, 0);                  // Y origin
  PutU16LE(out, unsigned(width));
  PutU16LE(out, unsigned(height));
  out.push_back(uint8_t(pixelBytes * 8));
  out.push_back(kTopDown);
  out.insert(out.end(), ImageID.begin(), ImageID.begin() + std::ptrdiff_t(idLength));
  if (indexed) {
    // Blue, green, red; a palette shorter than 256 entries is padded with black.
    const std::span<const TColor> palette = b->Palette();
    for (size_t i = 0; i < 256; ++i) {
      const TColor c = i < palette.size() ? palette[i] : TColor(0);
      out.push_back(platform::GetBValue(c));
      out.push_back(platform::GetGValue(c));
      out.push_back(platform::GetRValue(c));
    }
  }
  // Each row is packed alone, from the top row down.
  std::vector<uint8_t> packed(encoder.EncodedSizeLimit(width));
  for (size_t y = 0; y < height; ++y) {
    size_t fill = 0;
    encoder.Encode({b->ScanLine(int(y)), width * pixelBytes}, packed, width, fill);
    out.insert(out.end(), packed.begin(), packed.begin() + std::ptrdiff_t(fill));
  }
  return out;
}

}  // namespace imaging
