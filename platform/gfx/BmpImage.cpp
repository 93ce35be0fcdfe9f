#include "BmpImage.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <string>

#include "platform/base/ByteOrder.h"

namespace platform {

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

[[noreturn]] void Fail(const char* what) {
  throw EInvalidGraphic(std::string("Bitmap image is not valid: ") + what);
}

// One colour channel of a bit-field pixel: where its bits are and how to widen them to 8.
class TChannel {
 public:
  explicit TChannel(uint32_t mask) : mask_(mask) {
    if (mask == 0) return;
    shift_ = std::countr_zero(mask);
    bits_ = std::popcount(mask);
    if ((mask >> shift_) != (bits_ == 32 ? 0xFFFFFFFFu : (1u << bits_) - 1))
      Fail("bit fields are not contiguous");
  }
  uint8_t Value(uint32_t pixel) const {
    if (bits_ == 0) return 0;
    uint32_t v = (pixel & mask_) >> shift_;
    if (bits_ >= 8) return uint8_t(v >> (bits_ - 8));
    uint32_t max = (1u << bits_) - 1;
    return uint8_t((v * 255 + max / 2) / max);
  }

 private:
  uint32_t mask_;
  int shift_ = 0;
  int bits_ = 0;
};

struct THeader {
  int Width = 0;
  int Height = 0;  // rows, always positive
  bool TopDown = false;
  int Bits = 0;
  uint32_t Compression = kRgb;
  uint32_t Masks[3] = {0, 0, 0};  // red, green, blue
  size_t PaletteOffset = 0;       // from the start of the data
  size_t PaletteEntrySize = 4;
  uint64_t PaletteEntries = 0;  // as declared: how much room the palette takes
};

THeader ReadHeader(const uint8_t* data, size_t size, size_t at) {
  THeader h;
  if (at > size) Fail("truncated header");
  TByteReader r(data + at, size - at);
  const uint32_t headerSize = r.U32();
  if (!r.Ok()) Fail("truncated header");
  const bool core = headerSize == 12;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 64 &&
      headerSize != 108 && headerSize != 124)
    Fail("unsupported header");
  if (r.Remaining() < headerSize - 4) Fail("truncated header");
  int64_t width, height;
  uint32_t colorsUsed = 0;
  if (core) {
    width = r.U16();
    height = r.U16();
    r.U16();  // planes
    h.Bits = r.U16();
    h.PaletteEntrySize = 3;
  } else {
    width = r.I32();
    height = r.I32();
    r.U16();  // planes
    h.Bits = r.U16();
    h.Compression = r.U32();
    r.Skip(12);  // image size, resolution
    colorsUsed = r.U32();
    r.U32();  // colours important
    if (headerSize >= 52)
      for (uint32_t& m : h.Masks) m = r.U32();
    // In the 64-byte OS/2 header, codes 3 and 4 are Huffman and 24-bit run-length coding.
    if (headerSize == 64 && h.Compression >= 3) Fail("unsupported compression");
  }
  size_t position = at + headerSize;
  if ((h.Compression == kBitFields || h.Compression == kAlphaBitFields) && headerSize == 40) {
    // The masks follow a 40-byte header.
    const size_t count = h.Compression == kAlphaBitFields ? 4 : 3;
    if (size - position < count * 4) Fail("truncated header");
    for (int i = 0; i < 3; ++i) h.Masks[i] = LoadU32(data + position + 4 * i);
    position += count * 4;
  }
  if (width < 0 || height == INT32_MIN) Fail("negative size");
  h.TopDown = height < 0;
  h.Width = int(std::min<int64_t>(width, INT_MAX));
  h.Height = int(std::min<int64_t>(height < 0 ? -height : height, INT_MAX));

  switch (h.Compression) {
    case kRgb:
      if (h.Bits != 1 && h.Bits != 4 && h.Bits != 8 && h.Bits != 16 && h.Bits != 24 &&
          h.Bits != 32)
        Fail("unsupported bit depth");
      break;
    case kRle8:
    case kRle4:
      if (h.Bits != (h.Compression == kRle8 ? 8 : 4)) Fail("run-length coding of a wrong depth");
      if (h.TopDown) Fail("top-down run-length coding");
      break;
    case kBitFields:
    case kAlphaBitFields:
      if (h.Bits != 16 && h.Bits != 32) Fail("bit fields of a wrong depth");
      break;
    default:
      Fail("unsupported compression");
  }
  h.PaletteOffset = position;
  h.PaletteEntries = colorsUsed ? colorsUsed : h.Bits <= 8 ? (1u << h.Bits) : 0;
  return h;
}

TPixelFormat FormatOf(const THeader& h) {
  switch (h.Bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
      if (h.Compression == kRgb) return pf15bit;
      if (h.Masks[0] == 0x7C00 && h.Masks[1] == 0x03E0 && h.Masks[2] == 0x001F) return pf15bit;
      if (h.Masks[0] == 0xF800 && h.Masks[1] == 0x07E0 && h.Masks[2] == 0x001F) return pf16bit;
      return pf24bit;
    case 32:
      if (h.Compression == kRgb ||
          (h.Masks[0] == 0xFF0000 && h.Masks[1] == 0xFF00 && h.Masks[2] == 0xFF))
        return pf32bit;
      return pf24bit;
    default: return pf24bit;
  }
}

// Bytes of uncompressed pixel data a picture needs: every row padded, except that the last
// row's padding may be missing.
size_t UncompressedSize(const THeader& h) {
  if (h.Width == 0 || h.Height == 0) return 0;
  const size_t stride = (size_t(h.Width) * size_t(h.Bits) + 31) / 32 * 4;
  return stride * size_t(h.Height - 1) + (size_t(h.Width) * size_t(h.Bits) + 7) / 8;
}

void ReadUncompressed(const THeader& h, const uint8_t* pixels, TBitmap& b) {
  const size_t stride = (size_t(h.Width) * size_t(h.Bits) + 31) / 32 * 4;
  const size_t rowBytes = (size_t(h.Width) * size_t(h.Bits) + 7) / 8;
  const TPixelFormat pf = b.PixelFormat();
  const bool generic = pf == pf24bit && h.Bits != 24;
  const TChannel red(h.Masks[0]), green(h.Masks[1]), blue(h.Masks[2]);
  for (int i = 0; i < h.Height; ++i) {
    const uint8_t* src = pixels + size_t(i) * stride;
    uint8_t* dst = b.ScanLine(h.TopDown ? i : h.Height - 1 - i);
    if (!generic) {
      std::memcpy(dst, src, rowBytes);
      if (pf == pf32bit)
        for (int x = 0; x < h.Width; ++x) dst[4 * size_t(x) + 3] = 0;
      continue;
    }
    for (int x = 0; x < h.Width; ++x) {
      uint32_t v = h.Bits == 16 ? LoadU16(src + 2 * size_t(x)) : LoadU32(src + 4 * size_t(x));
      dst[3 * size_t(x)] = blue.Value(v);
      dst[3 * size_t(x) + 1] = green.Value(v);
      dst[3 * size_t(x) + 2] = red.Value(v);
    }
  }
}

// Run-length pixels, bottom row first. Pixels past a row's end are dropped; the codes may
// not run past the data, and must reach the end mark or the last row.
void ReadRunLength(const THeader& h, const uint8_t* codes, size_t available, TBitmap& b) {
  const bool four = h.Compression == kRle4;
  const TPixelFormat pf = b.PixelFormat();
  size_t pos = 0;
  int x = 0, row = 0;  // row counts from the bottom
  // x stops at the row's end, where further pixels are dropped.
  auto put = [&](unsigned index) {
    if (x >= h.Width) return;
    WriteRowPixel(b.ScanLine(h.Height - 1 - row), x, pf, index);
    ++x;
  };
  while (row < h.Height) {
    if (available - pos < 2) Fail("truncated run-length data");
    const uint8_t count = codes[pos], value = codes[pos + 1];
    pos += 2;
    if (count > 0) {  // a run
      for (int i = 0; i < count; ++i) put(four ? (i % 2 ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++row;
    } else if (value == 1) {  // end of bitmap
      return;
    } else if (value == 2) {  // jump
      if (available - pos < 2) Fail("truncated run-length data");
      x = std::min(x + codes[pos], h.Width);
      row += codes[pos + 1];
      pos += 2;
    } else {  // literal pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
      const size_t padded = (bytes + 1) & ~size_t(1);
      if (available - pos < padded) Fail("truncated run-length data");
      for (int i = 0; i < value; ++i) {
        const uint8_t byte = codes[pos + (four ? size_t(i) / 2 : size_t(i))];
        put(four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
      }
      pos += padded;
    }
  }
}

TBitmap ReadBitmap(const uint8_t* data, size_t size, size_t headerAt, size_t pixelsAt) {
  const THeader h = ReadHeader(data, size, headerAt);
  const TPixelFormat pf = FormatOf(h);
  if (!TBitmap::SizeAllowed(h.Width, h.Height, pf)) Fail("too large");

  std::vector<TColor> palette;
  if (h.Bits <= 8) {
    const uint64_t count = std::min<uint64_t>(h.PaletteEntries, 1u << h.Bits);
    if (h.PaletteOffset > size || (size - h.PaletteOffset) / h.PaletteEntrySize < count)
      Fail("truncated palette");
    for (uint64_t i = 0; i < count; ++i) {
      const uint8_t* p = data + h.PaletteOffset + i * h.PaletteEntrySize;
      palette.push_back(RGB(p[2], p[1], p[0]));
    }
  }
  if (pixelsAt == 0) {  // right after the palette
    const uint64_t room = h.PaletteEntries * h.PaletteEntrySize;
    if (room > size - std::min(size, h.PaletteOffset)) Fail("truncated palette");
    pixelsAt = h.PaletteOffset + size_t(room);
  }
  const bool runLength = h.Compression == kRle8 || h.Compression == kRle4;
  // Checked before the bitmap is made, so a short file cannot ask for a huge one.
  if (pixelsAt > size || (!runLength && UncompressedSize(h) > size - pixelsAt))
    Fail("truncated pixel data");

  TBitmap b;
  try {
    b = TBitmap(h.Width, h.Height, pf);
    if (IsIndexed(pf)) b.SetPalette(palette);
  } catch (const EBitmapError& e) {
    throw EInvalidGraphic(e.what());
  }
  if (b.Empty()) return b;
  if (runLength)
    ReadRunLength(h, data + pixelsAt, size - pixelsAt, b);
  else
    ReadUncompressed(h, data + pixelsAt, b);
  return b;
}

}  // namespace

TBitmap ReadBmp(const uint8_t* data, size_t size) {
  if (size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M') Fail("not a bitmap file");
  const uint32_t offBits = LoadU32(data + 10);
  // Some writers leave the data offset 0: the pixels then follow the palette.
  return ReadBitmap(data, size, kFileHeaderSize, offBits);
}

TBitmap ReadDib(const uint8_t* data, size_t size) { return ReadBitmap(data, size, 0, 0); }

std::vector<uint8_t> WriteBmp(const TBitmap& bitmap) {
  const TPixelFormat pf = bitmap.PixelFormat();
  const bool indexed = IsIndexed(pf);
  const int bits = indexed ? BitsPerPixel(pf) : 24;
  std::vector<TColor> palette(bitmap.Palette().begin(), bitmap.Palette().end());
  if (indexed && palette.empty()) palette.assign(size_t(MaxPaletteEntries(pf)), clBlack);
  const int w = bitmap.Width(), h = bitmap.Height();
  const size_t stride = (size_t(w) * size_t(bits) + 31) / 32 * 4;
  const size_t rowBytes = (size_t(w) * size_t(bits) + 7) / 8;
  const size_t offBits = kFileHeaderSize + 40 + palette.size() * 4;
  const size_t imageSize = stride * size_t(h);

  std::vector<uint8_t> out(offBits + imageSize, 0);
  uint8_t* p = out.data();
  p[0] = 'B';
  p[1] = 'M';
  StoreU32(p + 2, uint32_t(out.size()));
  StoreU32(p + 10, uint32_t(offBits));
  p += kFileHeaderSize;
  StoreU32(p + 0, 40);
  StoreU32(p + 4, uint32_t(w));
  StoreU32(p + 8, uint32_t(h));
  StoreU16(p + 12, 1);
  StoreU16(p + 14, uint16_t(bits));
  StoreU32(p + 16, kRgb);
  StoreU32(p + 20, uint32_t(imageSize));
  // A full palette is declared as 0 colours used, as most writers do.
  if (palette.size() < size_t(indexed ? MaxPaletteEntries(pf) : 0))
    StoreU32(p + 32, uint32_t(palette.size()));
  p += 40;
  for (TColor c : palette) {
    p[0] = GetBValue(c);
    p[1] = GetGValue(c);
    p[2] = GetRValue(c);
    p += 4;
  }
  uint8_t* pixels = out.data() + offBits;
  if (indexed) {
    // Bits past the last pixel of a row are written as zero.
    const size_t usedBits = size_t(w) * size_t(bits);
    const uint8_t lastMask = uint8_t(usedBits % 8 ? 0xFF00 >> (usedBits % 8) : 0xFF);
    for (int y = 0; y < h; ++y) {
      uint8_t* dst = pixels + size_t(h - 1 - y) * stride;
      std::memcpy(dst, bitmap.ScanLine(y), rowBytes);
      if (rowBytes) dst[rowBytes - 1] &= lastMask;
    }
  } else if (w > 0 && h > 0) {
    TBgr24Rows rows(bitmap);
    for (int y = 0; y < h; ++y)
      std::memcpy(pixels + size_t(h - 1 - y) * stride, rows.Row(y), rowBytes);
  }
  return out;
}

TGraphicClass TBitmapGraphic::Class() { return GraphicClassOf<TBitmapGraphic>("TBitmap"); }

void TBitmapGraphic::LoadFromStream(const uint8_t* data, size_t size) {
  bitmap_ = ReadBmp(data, size);
}

std::vector<uint8_t> TBitmapGraphic::SaveToStream() const { return WriteBmp(bitmap_); }

void TBitmapGraphic::Draw(TCanvas& canvas, const TRect& rect) const {
  if (Transparent)
    canvas.TransparentDraw(rect, bitmap_, {0, 0, bitmap_.Width(), bitmap_.Height()},
                           TransparentColor);
  else
    canvas.StretchDraw(rect, bitmap_);
}

}  // namespace platform
