#include "PixelBlock.h"

#include <algorithm>

#include "model/stream/LevelTable.h"
#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"

namespace model {

namespace {

// A pixel is lit in the two-level modes when its component is above this, so 96 is dark and
// 97 lit.
constexpr uint8_t kLitAbove = 96;

// Modes 1 and 2: the picture is packed column by column, so each column is a run of
// `wordsPerColumn` u32 words. Rows are walked top-down (the bitmap's memory order) and each
// lit pixel sets its bit in its column's word; the output is the same as walking each column
// with a shifting mask, without striding down the bitmap once per column.
void PackColumns(const platform::TBgr24Rows& rows, int rowCount, int bitsPerPixel,
                 int wordsPerColumn, uint8_t* out) {
  const int width = rows.Width();
  const int pixelsPerWord = 32 / bitsPerPixel;
  for (int y = 0; y < rowCount; ++y) {
    const uint8_t* row = rows.Row(y);
    const int word = y / pixelsPerWord;
    // The first pixel of a word takes bit 31 (and 30 in mode 2). Words are little-endian,
    // so bit b of a word is bit b % 8 of byte b / 8.
    const int highBit = 31 - (y % pixelsPerWord) * bitsPerPixel;
    uint8_t* column = out + size_t(word) * 4 + size_t(highBit / 8);
    const size_t columnStep = size_t(wordsPerColumn) * 4;
    if (bitsPerPixel == 1) {
      const uint8_t bit = uint8_t(1u << (highBit % 8));
      for (int x = 0; x < width; ++x, column += columnStep)
        if (row[3 * x + 2] > kLitAbove) *column |= bit;
    } else {
      // highBit is odd, so the pair never straddles a byte.
      const uint8_t greenBit = uint8_t(1u << (highBit % 8));
      const uint8_t redBit = uint8_t(greenBit >> 1);
      for (int x = 0; x < width; ++x, column += columnStep) {
        const uint8_t* p = row + 3 * x;
        if (p[1] > kLitAbove) *column |= greenBit;
        if (p[2] > kLitAbove) *column |= redBit;
      }
    }
  }
}

// Modes 3 and 4: a little-endian u16 per pixel, row by row, into memory grown beforehand.
void PackLevels(const platform::TBgr24Rows& rows, int rowCount, int colorMode, uint8_t* out) {
  const int width = rows.Width();
  const uint8_t* t = LevelTable.data();
  for (int y = 0; y < rowCount; ++y) {
    const uint8_t* p = rows.Row(y);
    for (int x = 0; x < width; ++x, p += 3, out += 2) {
      const unsigned b = t[p[0]], g = t[p[1]], r = t[p[2]];
      unsigned v;
      if (colorMode == 3)
        v = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
      else
        v = (r << 8) | g;
      out[0] = uint8_t(v);
      out[1] = uint8_t(v >> 8);
    }
  }
}

}  // namespace

uint16_t PixelBlockFormat(int colorMode) {
  switch (colorMode) {
    case 1: return 1;
    case 2: return 4;
    case 3:
    case 4: return 5;
    default: return 0;
  }
}

int StoredHeight(int height, int colorMode) {
  switch (colorMode) {
    case 1: return (height + 31) / 32 * 32;
    case 2: return (height + 15) / 16 * 16;
    default: return height;
  }
}

int MaxBlockRows(int colorMode) {
  switch (colorMode) {
    case 1: return 0xFFE0;
    case 2: return 0xFFF0;
    default: return 0xFFFF;
  }
}

size_t PixelBlockSize(int width, int height, int colorMode) {
  if (!ValidColorMode(colorMode) || width < 0 || height < 0) return 0;
  const int rows = std::min(height, MaxBlockRows(colorMode));
  size_t bytes;
  if (colorMode <= 2) {
    const int pixelsPerWord = colorMode == 1 ? 32 : 16;
    bytes = size_t(width) * size_t(StoredHeight(rows, colorMode) / pixelsPerWord) * 4;
  } else {
    bytes = (size_t(width) * size_t(rows) * 2 + 3) / 4 * 4;
  }
  return PixelBlockHeadSize + bytes;
}

void WritePictureBits(const platform::TBitmap& bitmap, TProgramStream& stream) {
  WritePictureBits(bitmap, StreamContext().ColorMode(), stream);
}

void WritePictureBits(const platform::TBitmap& bitmap, int colorMode, TProgramStream& stream) {
  if (!ValidColorMode(colorMode)) return;
  const platform::TBgr24Rows rows(bitmap);
  const int width = rows.Width();  // at most TBitmap::MaxDimension, which fits the u16
  const int rowCount = std::min(rows.Height(), MaxBlockRows(colorMode));
  const int stored = StoredHeight(rowCount, colorMode);

  const size_t start = stream.Position();
  stream.WriteU16(rkPixelBlock);
  stream.WriteU16(uint16_t(width));
  stream.WriteU16(uint16_t(stored));
  stream.WriteU16(PixelBlockFormat(colorMode));
  stream.WriteU32(0);

  if (colorMode <= 2) {
    const int bitsPerPixel = colorMode == 1 ? 1 : 2;
    const int wordsPerColumn = stored / (32 / bitsPerPixel);
    const size_t bytes = size_t(width) * size_t(wordsPerColumn) * 4;
    if (bytes) PackColumns(rows, rowCount, bitsPerPixel, wordsPerColumn, stream.Extend(bytes));
  } else {
    // Grown once to the final size so the pixel loop never reallocates.
    const size_t bytes = size_t(width) * size_t(rowCount) * 2;
    if (bytes) PackLevels(rows, rowCount, colorMode, stream.Extend(bytes));
  }

  stream.PadToFour();
  stream.PatchU32(start + 8, uint32_t(stream.Position() - start));
}

}  // namespace model
