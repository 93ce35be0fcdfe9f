#pragma once
// Pictures as the simulator draws them, and the pixel block (kind 54) they mostly come from.
//
// A pixel block: u16 54, u16 width, u16 stored height, u16 pixel format, u32 length, pixels.
//   format 1: a bit per pixel, column by column, 32 rows per u32 word, the first row of a
//             word in bit 31; a set bit shows red.
//   format 4: two bits per pixel, column by column, 16 rows per word; the higher bit of a pair
//             shows green, the lower red, both yellow.
//   format 5: a u16 per pixel, row by row: in colour mode 3 5-6-5 levels of red, green and
//             blue; in mode 4 the red level in the high byte and the green level in the low
//             byte (no blue).
// The stored height of formats 1 and 2 is rounded up to whole words; the rows below the
// picture are black and never show outside the window that holds them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "ProgramReader.h"

namespace displaysim {

// A shown pixel: 0x00RRGGBB.
using TPixel = uint32_t;
constexpr TPixel pxBlack = 0x000000;
constexpr TPixel pxRed = 0xFF0000;
constexpr TPixel pxGreen = 0x00FF00;
constexpr TPixel pxYellow = 0xFFFF00;

enum TBlockFormat : uint16_t { bfOneBit = 1, bfTwoBit = 4, bfWord = 5 };

// Something the screen draws: rows decoded when they are drawn.
class TPicture {
 public:
  virtual ~TPicture() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Pixels [x0, x1) of row y into out. Callers keep 0 <= x0 <= x1 <= Width() and
  // 0 <= y < Height().
  virtual void ReadRow(int y, int x0, int x1, TPixel* out) const = 0;
};

struct TPixelBlock {
  uint16_t Format = 0;
  int Width = 0;
  int Height = 0;  // as stored
  TBytes Pixels;   // the bytes the format needs, when its length holds them
  // Whether the block has a known format and every pixel it declares.
  bool Shows() const { return Width > 0 && Height > 0 && Pixels.Size() > 0; }
};

// The pixel bytes a block of that format and size needs; 0 for an unknown format.
size_t PixelBytes(uint16_t format, int width, int storedHeight);

// The block at the start of `bytes`: none when its head does not fit or its length is below
// the head or past `bytes`; *length then says nothing. A block of an unknown format, or whose
// length does not hold its pixels, is read but shows nothing, so the blocks after it keep
// their places.
std::optional<TPixelBlock> ReadPixelBlock(TBytes bytes, size_t* length);
// Up to `count` blocks back to back from the start of `bytes`, ending at the first that
// cannot be read.
std::vector<TPixelBlock> ReadPixelBlocks(TBytes bytes, size_t count);
// The blocks of a glyph table (u16 55, u16 count, u32 length) at the start of `bytes`; none
// when the table's head or length is wrong.
std::vector<TPixelBlock> ReadGlyphTable(TBytes bytes);

// How a format-5 word shows in colour modes 3 and 4.
TPixel FullColourWord(uint16_t word);
TPixel RedGreenWord(uint16_t word);

// How a card of `mode` (1-4) shows a colour given as 0x00BBGGRR: modes 1 and 2 light red
// where red > 96 (and green where green > 96), modes 3 and 4 show the colour's levels.
TPixel ShownColor(uint32_t colorRef, int mode);

// A pixel block drawn by its format; format-5 words are red and green levels when
// `redGreenWords` (mode 4), else 5-6-5 levels.
class TBlockPicture final : public TPicture {
 public:
  TBlockPicture(const TPixelBlock& block, bool redGreenWords);
  int Width() const override { return block_.Shows() ? block_.Width : 0; }
  int Height() const override { return block_.Shows() ? block_.Height : 0; }
  void ReadRow(int y, int x0, int x1, TPixel* out) const override;

 private:
  TPixelBlock block_;
  bool redGreen_;
  size_t wordsPerColumn_ = 0;
};

// A picture held as shown pixels.
class TPixelPicture final : public TPicture {
 public:
  TPixelPicture() = default;
  TPixelPicture(int width, int height);
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void ReadRow(int y, int x0, int x1, TPixel* out) const override;
  TPixel* Row(int y) { return pixels_.data() + size_t(y) * size_t(width_); }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<TPixel> pixels_;
};

}  // namespace displaysim
