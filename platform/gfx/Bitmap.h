#pragma once
// TBitmap: the one in-memory bitmap of the system, in the manner of the GUI framework's bitmap
// over a device-independent section.
//
// Layout (what ScanLine hands out):
//   - rows are top-down: ScanLine(0) is the top row;
//   - every row starts on a 4-byte boundary; Stride() is the row size in bytes, padded to a
//     multiple of 4 with bytes that are zero after SetSize and that nothing reads;
//   - pixels within a row, by format:
//       pf1bit   1 bit, palette index, leftmost pixel in the most significant bit of a byte
//       pf4bit   4 bits, palette index, leftmost pixel in the high nibble
//       pf8bit   1 byte, palette index
//       pf15bit  u16 little-endian, 0RRRRRGGGGGBBBBB
//       pf16bit  u16 little-endian, RRRRRGGGGGGBBBBB (5-6-5)
//       pf24bit  3 bytes blue, green, red
//       pf32bit  4 bytes blue, green, red, and a fourth byte that readers of pictures with
//                alpha fill with it (0 otherwise); nothing reads it, so pixels compare and
//                draw by their colour alone
// Colours passed in and out are TColor (0x00BBGGRR), never BGR triples.
//
// Sizes are limited (MaxDimension per side, MaxImageBytes for the pixel buffer) and all size
// arithmetic is overflow-checked, so a hostile width or height from a file cannot wrap a buffer
// size. Operations that fail throw EBitmapError and leave the bitmap as it was.
//
// The bitmap is a value: copying copies the pixels and the palette.
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gfx/Color.h"

namespace platform {

enum TPixelFormat : uint8_t { pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit };

int BitsPerPixel(TPixelFormat pf);
// pf1bit, pf4bit and pf8bit hold palette indices; the others hold colours.
bool IsIndexed(TPixelFormat pf);
// Number of palette entries a format can address: 2, 16, 256; 0 for the direct formats.
int MaxPaletteEntries(TPixelFormat pf);
// The palette a freshly made indexed bitmap gets: black and white; the 16 VGA colours; those 16
// followed by a 6x6x6 colour cube and 24 greys. Empty for direct formats.
std::vector<TColor> DefaultPalette(TPixelFormat pf);

class EBitmapError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TBitmap {
 public:
  static constexpr int MaxDimension = 65535;
  static constexpr size_t MaxImageBytes = size_t(1) << 28;  // 256 MiB of pixels

  // An empty (0 x 0) 24-bit bitmap.
  TBitmap() = default;
  // A bitmap of that size and format, all pixels zero (black, or palette index 0).
  TBitmap(int width, int height, TPixelFormat pf = pf24bit);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  TPixelFormat PixelFormat() const { return format_; }

  // Resizes, keeping the overlapping top-left part of the picture; new pixels are zero.
  // Throws EBitmapError for a negative size ("Invalid bitmap size"), for a size beyond the
  // limits ("Bitmap too large") or when memory runs out ("Out of system resources").
  void SetSize(int width, int height);
  // Makes the bitmap width x height with every pixel zero, keeping nothing of the old picture
  // (the palette stays). The pixel buffer is reused while it is large enough, so a picture
  // redrawn whole at each step of a resize does not allocate at each step; it keeps the
  // largest size it had. Throws as SetSize does, leaving the bitmap as it was.
  void Recreate(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  // Whether SetSize would accept the size for a format (no allocation is tried).
  static bool SizeAllowed(int width, int height, TPixelFormat pf);

  // Changes the format and converts every pixel to it. Into an indexed format: when the
  // bitmap is already indexed and its palette fits the new format, palette and indices are
  // kept; otherwise the new format's default palette is taken and every colour becomes its
  // nearest entry. Out of an indexed format, indices become their palette colours.
  void SetPixelFormat(TPixelFormat pf);

  // The palette of an indexed bitmap (empty for direct formats). Indices beyond the palette
  // read as black.
  std::span<const TColor> Palette() const { return palette_; }
  // Replaces the palette of an indexed bitmap without touching the indices. Throws
  // EBitmapError for a direct format or more entries than the format can address.
  void SetPalette(std::span<const TColor> entries);
  // Index of the palette entry nearest to a colour (squared RGB distance, first wins on a
  // tie); 0 when the palette is empty.
  int NearestPaletteIndex(TColor c) const;

  // Bytes per row, a multiple of 4.
  size_t Stride() const { return stride_; }
  // Row y, top-down. Throws EBitmapError("Scan line index out of range") unless
  // 0 <= y < Height().
  uint8_t* ScanLine(int y);
  const uint8_t* ScanLine(int y) const;
  // The whole pixel buffer: Height() rows of Stride() bytes.
  uint8_t* Bits() { return pixels_.data(); }
  const uint8_t* Bits() const { return pixels_.data(); }
  size_t ImageSize() const { return pixels_.size(); }

  // One pixel as a colour; clInvalid outside the bitmap.
  TColor GetPixel(int x, int y) const;
  // Sets one pixel; ignored outside the bitmap. Indexed formats store the nearest entry.
  void SetPixel(int x, int y, TColor c);

  // The stored form of a colour in this bitmap: the nearest palette index for indexed formats,
  // the packed pixel value otherwise. Drawing loops work out a colour's stored form once and
  // then write it with WriteRowPixel; two colours look the same on this bitmap exactly when
  // their stored forms are equal.
  uint32_t PackColor(TColor c) const;

 private:
  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pf24bit;
  size_t stride_ = 0;
  std::vector<uint8_t> pixels_;
  std::vector<TColor> palette_;
};

// Pixel x of a row in a format: ReadRowPixel as a colour (indices through the palette),
// ReadRowPacked as its stored form. WriteRowPixel stores a value made by TBitmap::PackColor.
// Unchecked for speed: callers keep 0 <= x < width.
TColor ReadRowPixel(const uint8_t* row, int x, TPixelFormat pf, std::span<const TColor> palette);
uint32_t ReadRowPacked(const uint8_t* row, int x, TPixelFormat pf);
void WriteRowPixel(uint8_t* row, int x, TPixelFormat pf, uint32_t packed);

// Read-only 24-bit rows (blue, green, red per pixel, top row first) of any bitmap, for writers
// that walk pixels fast. A pf24bit bitmap is read in place; any other format is converted once
// into a private copy when the view is made. The bitmap must outlive the view and must not be
// resized or reformatted while it is in use. Making a converted copy throws EBitmapError when
// the 24-bit copy would exceed the bitmap limits or memory.
class TBgr24Rows {
 public:
  explicit TBgr24Rows(const TBitmap& bitmap);
  TBgr24Rows(const TBgr24Rows&) = delete;
  TBgr24Rows& operator=(const TBgr24Rows&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // Row y; unchecked for speed, so callers keep 0 <= y < Height().
  const uint8_t* Row(int y) const { return base_ + size_t(y) * stride_; }

 private:
  int width_ = 0;
  int height_ = 0;
  size_t stride_ = 0;
  const uint8_t* base_ = nullptr;
  std::vector<uint8_t> copy_;
};

}  // namespace platform
