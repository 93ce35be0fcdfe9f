#pragma once
// The pixel block (kind 54): one picture packed for the card in the current colour mode.
//
//   u16 54, u16 width, u16 stored height, u16 pixel format, u32 length (patched), pixels,
//   then zero padding to a multiple of 4 of the stream size.
//
//   mode 1 (format 1): a bit per pixel, column by column, 32 rows per u32 word, the first row
//          of each group in bit 31; lit when red > 96. Stored height rounds up to 32.
//   mode 2 (format 4): two bits per pixel, column by column, 16 rows per word; the higher bit
//          of a pair is green > 96, the lower red > 96. Stored height rounds up to 16.
//   mode 3 (format 5): a u16 per pixel, row by row: 5-6-5 RGB of the levels (LevelTable).
//   mode 4 (format 5): a u16 per pixel, row by row: red level in the high byte, green level
//          in the low byte.
// Modes 1 and 2 write a partly filled last word per column, its unused bits 0.
#include <cstddef>
#include <cstdint>

#include "model/stream/ProgramStream.h"
#include "platform/gfx/Bitmap.h"

namespace model {

// The pixel-format field of a block in a colour mode; 0 for a mode outside 1..4.
uint16_t PixelBlockFormat(int colorMode);

// The height field of a block: in modes 1 and 2 the height rounded up to the packing unit,
// in modes 3 and 4 the height itself.
int StoredHeight(int height, int colorMode);

// The most picture rows a block can carry in a mode. The height field is 16 bits, so in modes
// 1 and 2 a taller picture would round up past 65535 and wrap; such pictures are cut at the
// bottom to the last whole packing unit (65504 and 65520 rows) so the block stays readable.
int MaxBlockRows(int colorMode);

// The length of the block of a width x height picture in a mode, padding included, when the
// block starts on a 4-byte boundary (as every record does); 0 for a mode outside 1..4.
size_t PixelBlockSize(int width, int height, int colorMode);

// Appends the pixel block of a picture in the current colour mode (StreamContext()).
void WritePictureBits(const platform::TBitmap& bitmap, TProgramStream& stream);
// The same in a given mode. A mode outside 1..4 appends nothing. Any pixel format is
// accepted; pictures are read as 24-bit rows.
void WritePictureBits(const platform::TBitmap& bitmap, int colorMode, TProgramStream& stream);

}  // namespace model
