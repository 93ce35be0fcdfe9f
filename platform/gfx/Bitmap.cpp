#include "Bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "platform/base/ByteOrder.h"

namespace platform {

namespace {

constexpr TColor kVga16[16] = {
    0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
    0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// Widening 5 and 6 bit channels by repeating their top bits, so full scale stays full scale.
inline uint8_t Expand5(unsigned v) { return uint8_t((v << 3) | (v >> 2)); }
inline uint8_t Expand6(unsigned v) { return uint8_t((v << 2) | (v >> 4)); }

// Row size and buffer size for a layout, or false when a limit or size_t would be exceeded.
bool Layout(int width, int height, TPixelFormat pf, size_t& stride, size_t& bytes) {
  if (width < 0 || height < 0 || width > TBitmap::MaxDimension ||
      height > TBitmap::MaxDimension)
    return false;
  size_t bits = 0;
  if (__builtin_mul_overflow(size_t(width), size_t(BitsPerPixel(pf)), &bits)) return false;
  if (__builtin_add_overflow(bits, size_t(31), &bits)) return false;
  stride = bits / 32 * 4;
  if (__builtin_mul_overflow(stride, size_t(height), &bytes)) return false;
  return bytes <= TBitmap::MaxImageBytes;
}

inline TColor PaletteColor(std::span<const TColor> palette, unsigned index) {
  return index < palette.size() ? palette[index] & 0xFFFFFF : clBlack;
}

TColor ReadPixel(const uint8_t* row, int x, TPixelFormat pf, std::span<const TColor> palette) {
  switch (pf) {
    case pf1bit:
      return PaletteColor(palette, (row[x >> 3] >> (7 - (x & 7))) & 1);
    case pf4bit:
      return PaletteColor(palette, (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
    case pf8bit:
      return PaletteColor(palette, row[x]);
    case pf15bit: {
      unsigned v = unsigned(row[2 * x]) | (unsigned(row[2 * x + 1]) << 8);
      return RGB(Expand5((v >> 10) & 31), Expand5((v >> 5) & 31), Expand5(v & 31));
    }
    case pf16bit: {
      unsigned v = unsigned(row[2 * x]) | (unsigned(row[2 * x + 1]) << 8);
      return RGB(Expand5((v >> 11) & 31), Expand6((v >> 5) & 63), Expand5(v & 31));
    }
    case pf24bit: {
      const uint8_t* p = row + 3 * size_t(x);
      return RGB(p[2], p[1], p[0]);
    }
    case pf32bit: {
      const uint8_t* p = row + 4 * size_t(x);
      return RGB(p[2], p[1], p[0]);
    }
  }
  return clBlack;
}

// Finds nearest palette entries, remembering colours already seen: pictures repeat colours far
// more often than they introduce new ones.
class TNearestCache {
 public:
  explicit TNearestCache(std::span<const TColor> palette) : palette_(palette) {}
  unsigned Find(TColor c) {
    c &= 0xFFFFFF;
    auto it = seen_.find(c);
    if (it != seen_.end()) return it->second;
    unsigned best = Nearest(palette_, c);
    seen_.emplace(c, best);
    return best;
  }
  static unsigned Nearest(std::span<const TColor> palette, TColor c) {
    unsigned best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
      long dr = long(GetRValue(c)) - GetRValue(palette[i]);
      long dg = long(GetGValue(c)) - GetGValue(palette[i]);
      long db = long(GetBValue(c)) - GetBValue(palette[i]);
      long d = dr * dr + dg * dg + db * db;
      if (bestDistance < 0 || d < bestDistance) {
        bestDistance = d;
        best = unsigned(i);
        if (d == 0) break;
      }
    }
    return best;
  }

 private:
  std::span<const TColor> palette_;
  std::unordered_map<TColor, unsigned> seen_;
};

void WriteIndex(uint8_t* row, int x, TPixelFormat pf, unsigned index) {
  switch (pf) {
    case pf1bit: {
      uint8_t bit = uint8_t(0x80 >> (x & 7));
      if (index & 1)
        row[x >> 3] |= bit;
      else
        row[x >> 3] &= uint8_t(~bit);
      break;
    }
    case pf4bit: {
      uint8_t& b = row[x >> 1];
      if (x & 1)
        b = uint8_t((b & 0xF0) | (index & 0x0F));
      else
        b = uint8_t((b & 0x0F) | ((index & 0x0F) << 4));
      break;
    }
    case pf8bit:
      row[x] = uint8_t(index);
      break;
    default:
      break;
  }
}

void WriteColor(uint8_t* row, int x, TPixelFormat pf, TColor c) {
  unsigned r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  switch (pf) {
    case pf15bit: {
      unsigned v = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case pf16bit: {
      unsigned v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case pf24bit: {
      uint8_t* p = row + 3 * size_t(x);
      p[0] = uint8_t(b);
      p[1] = uint8_t(g);
      p[2] = uint8_t(r);
      break;
    }
    case pf32bit: {
      uint8_t* p = row + 4 * size_t(x);
      p[0] = uint8_t(b);
      p[1] = uint8_t(g);
      p[2] = uint8_t(r);
      p[3] = 0;
      break;
    }
    default:
      break;
  }
}

}  // namespace

int BitsPerPixel(TPixelFormat pf) {
  switch (pf) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit: return 16;
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
  }
  return 24;
}

bool IsIndexed(TPixelFormat pf) { return pf == pf1bit || pf == pf4bit || pf == pf8bit; }

int MaxPaletteEntries(TPixelFormat pf) { return IsIndexed(pf) ? 1 << BitsPerPixel(pf) : 0; }

std::vector<TColor> DefaultPalette(TPixelFormat pf) {
  switch (pf) {
    case pf1bit:
      return {clBlack, clWhite};
    case pf4bit:
      return std::vector<TColor>(std::begin(kVga16), std::end(kVga16));
    case pf8bit: {
      std::vector<TColor> p(std::begin(kVga16), std::end(kVga16));
      for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
          for (int b = 0; b < 6; ++b) p.push_back(RGB(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
      for (int i = 0; i < 24; ++i) {
        uint8_t v = uint8_t(8 + 10 * i);
        p.push_back(RGB(v, v, v));
      }
      return p;
    }
    default:
      return {};
  }
}

TBitmap::TBitmap(int width, int height, TPixelFormat pf) {
  format_ = pf;
  palette_ = DefaultPalette(pf);
  SetSize(width, height);
}

bool TBitmap::SizeAllowed(int width, int height, TPixelFormat pf) {
  size_t stride = 0, bytes = 0;
  return Layout(width, height, pf, stride, bytes);
}

void TBitmap::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  if (width < 0 || height < 0) throw EBitmapError("Invalid bitmap size");
  size_t stride = 0, bytes = 0;
  if (!Layout(width, height, format_, stride, bytes)) throw EBitmapError("Bitmap too large");
  std::vector<uint8_t> pixels;
  try {
    pixels.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    throw EBitmapError("Out of system resources");
  }
  // Keep the top-left overlap. In the packed formats the last kept byte may hold bits past
  // the old width (row padding that ScanLine users could have written): clear them so the
  // new pixels really start at zero.
  int keepRows = std::min(height, height_);
  size_t keepBits = size_t(std::min(width, width_)) * BitsPerPixel(format_);
  size_t keepBytes = (keepBits + 7) / 8;
  uint8_t lastMask = uint8_t(keepBits % 8 ? 0xFF00 >> (keepBits % 8) : 0xFF);
  for (int y = 0; y < keepRows; ++y) {
    uint8_t* dst = pixels.data() + size_t(y) * stride;
    std::memcpy(dst, pixels_.data() + size_t(y) * stride_, keepBytes);
    if (keepBytes) dst[keepBytes - 1] &= lastMask;
  }
  pixels_ = std::move(pixels);
  width_ = width;
  height_ = height;
  stride_ = stride;
}

void TBitmap::Recreate(int width, int height) {
  if (width < 0 || height < 0) throw EBitmapError("Invalid bitmap size");
  size_t stride = 0, bytes = 0;
  if (!Layout(width, height, format_, stride, bytes)) throw EBitmapError("Bitmap too large");
  try {
    pixels_.assign(bytes, 0);  // within the capacity: no allocation
  } catch (const std::bad_alloc&) {
    throw EBitmapError("Out of system resources");  // assign has left the pixels as they were
  }
  width_ = width;
  height_ = height;
  stride_ = stride;
}

void TBitmap::SetPixelFormat(TPixelFormat pf) {
  if (pf == format_) return;
  size_t stride = 0, bytes = 0;
  if (!Layout(width_, height_, pf, stride, bytes)) throw EBitmapError("Bitmap too large");
  std::vector<uint8_t> pixels;
  try {
    pixels.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    throw EBitmapError("Out of system resources");
  }

  bool keepIndices = IsIndexed(format_) && IsIndexed(pf) &&
                     palette_.size() <= size_t(MaxPaletteEntries(pf));
  std::vector<TColor> palette;
  if (keepIndices)
    palette = palette_;
  else
    palette = DefaultPalette(pf);

  TNearestCache nearest(palette);
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = pixels_.data() + size_t(y) * stride_;
    uint8_t* dst = pixels.data() + size_t(y) * stride;
    for (int x = 0; x < width_; ++x) {
      if (keepIndices) {
        unsigned index;
        if (format_ == pf1bit)
          index = (src[x >> 3] >> (7 - (x & 7))) & 1;
        else if (format_ == pf4bit)
          index = (x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4;
        else
          index = src[x];
        WriteIndex(dst, x, pf, index);
        continue;
      }
      TColor c = ReadPixel(src, x, format_, palette_);
      if (IsIndexed(pf))
        WriteIndex(dst, x, pf, nearest.Find(c));
      else
        WriteColor(dst, x, pf, c);
    }
  }
  pixels_ = std::move(pixels);
  palette_ = std::move(palette);
  format_ = pf;
  stride_ = stride;
}

void TBitmap::SetPalette(std::span<const TColor> entries) {
  if (!IsIndexed(format_)) throw EBitmapError("Bitmap has no palette");
  if (entries.size() > size_t(MaxPaletteEntries(format_)))
    throw EBitmapError("Too many palette entries");
  palette_.assign(entries.begin(), entries.end());
}

int TBitmap::NearestPaletteIndex(TColor c) const {
  return int(TNearestCache::Nearest(palette_, c & 0xFFFFFF));
}

uint8_t* TBitmap::ScanLine(int y) {
  if (y < 0 || y >= height_) throw EBitmapError("Scan line index out of range");
  return pixels_.data() + size_t(y) * stride_;
}

const uint8_t* TBitmap::ScanLine(int y) const {
  if (y < 0 || y >= height_) throw EBitmapError("Scan line index out of range");
  return pixels_.data() + size_t(y) * stride_;
}

TColor TBitmap::GetPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return clInvalid;
  return ReadPixel(pixels_.data() + size_t(y) * stride_, x, format_, palette_);
}

uint32_t TBitmap::PackColor(TColor c) const {
  if (IsIndexed(format_)) return TNearestCache::Nearest(palette_, c & 0xFFFFFF);
  uint8_t bytes[4] = {};
  WriteColor(bytes, 0, format_, c);
  return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
         (uint32_t(bytes[3]) << 24);
}

TColor ReadRowPixel(const uint8_t* row, int x, TPixelFormat pf, std::span<const TColor> palette) {
  return ReadPixel(row, x, pf, palette);
}

uint32_t ReadRowPacked(const uint8_t* row, int x, TPixelFormat pf) {
  switch (pf) {
    case pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case pf4bit: return (x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    case pf8bit: return row[x];
    case pf15bit:
    case pf16bit: return LoadU16(row + 2 * size_t(x));
    case pf24bit: {
      const uint8_t* p = row + 3 * size_t(x);
      return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    }
    case pf32bit: return LoadU32(row + 4 * size_t(x)) & 0xFFFFFF;  // the fourth byte is not colour
  }
  return 0;
}

void WriteRowPixel(uint8_t* row, int x, TPixelFormat pf, uint32_t packed) {
  switch (pf) {
    case pf1bit:
    case pf4bit:
    case pf8bit: WriteIndex(row, x, pf, packed); break;
    case pf15bit:
    case pf16bit: StoreU16(row + 2 * size_t(x), uint16_t(packed)); break;
    case pf24bit: {
      uint8_t* p = row + 3 * size_t(x);
      p[0] = uint8_t(packed);
      p[1] = uint8_t(packed >> 8);
      p[2] = uint8_t(packed >> 16);
      break;
    }
    case pf32bit: StoreU32(row + 4 * size_t(x), packed); break;
  }
}

void TBitmap::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  uint8_t* row = pixels_.data() + size_t(y) * stride_;
  if (IsIndexed(format_))
    WriteIndex(row, x, format_, TNearestCache::Nearest(palette_, c & 0xFFFFFF));
  else
    WriteColor(row, x, format_, c);
}

TBgr24Rows::TBgr24Rows(const TBitmap& bitmap)
    : width_(bitmap.Width()), height_(bitmap.Height()) {
  if (bitmap.PixelFormat() == pf24bit) {
    stride_ = bitmap.Stride();
    base_ = bitmap.Bits();
    return;
  }
  // A 1-bit picture within the limits can be far too big as 24 bits: the copy obeys the
  // same limits as a real pf24bit bitmap.
  size_t bytes = 0;
  if (!Layout(width_, height_, pf24bit, stride_, bytes)) throw EBitmapError("Bitmap too large");
  try {
    copy_.assign(bytes, 0);
  } catch (const std::bad_alloc&) {
    throw EBitmapError("Out of system resources");
  }
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = bitmap.Bits() + size_t(y) * bitmap.Stride();
    uint8_t* dst = copy_.data() + size_t(y) * stride_;
    for (int x = 0; x < width_; ++x)
      WriteColor(dst, x, pf24bit, ReadPixel(src, x, bitmap.PixelFormat(), bitmap.Palette()));
  }
  base_ = copy_.data();
}

}  // namespace platform
