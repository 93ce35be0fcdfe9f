#include "PixelBlock.h"

#include <algorithm>
#include <array>

#include "LevelTable.h"

namespace displaysim {

namespace {

constexpr TPixel Rgb(unsigned r, unsigned g, unsigned b) { return TPixel((r << 16) | (g << 8) | b); }

// Every format-5 word of a mode, shown; made once, on first use.
struct TWordTables {
  std::array<TPixel, 65536> FullColour;
  std::array<TPixel, 65536> RedGreen;
  TWordTables() {
    std::array<uint8_t, 256> component;
    for (int level = 0; level < 256; ++level) component[size_t(level)] = ComponentOfLevel(uint8_t(level));
    for (unsigned w = 0; w < 65536; ++w) {
      // 5-6-5: the level's top bits; the smallest component whose level keeps those bits.
      const unsigned r = component[(w >> 11) << 3];
      const unsigned g = component[((w >> 5) & 0x3F) << 2];
      const unsigned b = component[(w & 0x1F) << 3];
      FullColour[w] = Rgb(r, g, b);
      RedGreen[w] = Rgb(component[w >> 8], component[w & 0xFF], 0);
    }
  }
};

const TWordTables& WordTables() {
  static const TWordTables tables;
  return tables;
}

size_t WordsPerColumn(uint16_t format, int storedHeight) {
  if (format == bfOneBit) return (size_t(storedHeight) + 31) / 32;
  if (format == bfTwoBit) return (size_t(storedHeight) + 15) / 16;
  return 0;
}

}  // namespace

size_t PixelBytes(uint16_t format, int width, int storedHeight) {
  if (width <= 0 || storedHeight <= 0) return 0;
  if (format == bfWord) return size_t(width) * size_t(storedHeight) * 2;
  return size_t(width) * WordsPerColumn(format, storedHeight) * 4;
}

std::optional<TPixelBlock> ReadPixelBlock(TBytes bytes, size_t* length) {
  if (!bytes.Has(0, PixelBlockHeadSize) || bytes.U16(0) != kdPixelBlock) return std::nullopt;
  const size_t own = bytes.U32(8);
  if (own < PixelBlockHeadSize || !bytes.Has(0, own)) return std::nullopt;
  *length = own;
  TPixelBlock block;
  block.Format = bytes.U16(6);
  block.Width = bytes.U16(2);
  block.Height = bytes.U16(4);
  const size_t need = PixelBytes(block.Format, block.Width, block.Height);
  if (need > 0 && need <= own - PixelBlockHeadSize) block.Pixels = bytes.Sub(PixelBlockHeadSize, need);
  return block;
}

std::vector<TPixelBlock> ReadPixelBlocks(TBytes bytes, size_t count) {
  std::vector<TPixelBlock> blocks;
  size_t at = 0;
  while (blocks.size() < count) {
    size_t length = 0;
    const auto block = ReadPixelBlock(bytes.From(at), &length);
    if (!block) break;
    blocks.push_back(*block);
    at += length;
  }
  return blocks;
}

std::vector<TPixelBlock> ReadGlyphTable(TBytes bytes) {
  if (!bytes.Has(0, GlyphTableHeadSize) || bytes.U16(0) != kdGlyphTable) return {};
  const size_t length = bytes.U32(4);
  if (length < GlyphTableHeadSize || !bytes.Has(0, length)) return {};
  return ReadPixelBlocks(bytes.Sub(GlyphTableHeadSize, length - GlyphTableHeadSize), bytes.U16(2));
}

TPixel FullColourWord(uint16_t word) { return WordTables().FullColour[word]; }
TPixel RedGreenWord(uint16_t word) { return WordTables().RedGreen[word]; }

TPixel ShownColor(uint32_t colorRef, int mode) {
  const unsigned r = colorRef & 0xFF, g = (colorRef >> 8) & 0xFF, b = (colorRef >> 16) & 0xFF;
  switch (mode) {
    case 3:
      return FullColourWord(uint16_t(((Levels[r] >> 3) << 11) | ((Levels[g] >> 2) << 5) |
                                     (Levels[b] >> 3)));
    case 4: return RedGreenWord(uint16_t((Levels[r] << 8) | Levels[g]));
    case 2: return (r > 96 ? pxRed : 0) | (g > 96 ? pxGreen : 0);
    default: return r > 96 ? pxRed : pxBlack;
  }
}

TBlockPicture::TBlockPicture(const TPixelBlock& block, bool redGreenWords)
    : block_(block), redGreen_(redGreenWords),
      wordsPerColumn_(WordsPerColumn(block.Format, block.Height)) {
  if (redGreen_) WordTables();  // made here rather than in the middle of a step
}

void TBlockPicture::ReadRow(int y, int x0, int x1, TPixel* out) const {
  const uint8_t* pixels = block_.Pixels.Data();
  if (block_.Format == bfWord) {
    const auto& table = redGreen_ ? WordTables().RedGreen : WordTables().FullColour;
    const uint8_t* p = pixels + (size_t(y) * size_t(block_.Width) + size_t(x0)) * 2;
    for (int x = x0; x < x1; ++x, p += 2) *out++ = table[platform::LoadU16(p)];
    return;
  }
  const size_t wordRow = block_.Format == bfOneBit ? size_t(y) / 32 : size_t(y) / 16;
  const uint8_t* p = pixels + (size_t(x0) * wordsPerColumn_ + wordRow) * 4;
  const size_t step = wordsPerColumn_ * 4;
  if (block_.Format == bfOneBit) {
    const unsigned bit = 31 - unsigned(y % 32);
    for (int x = x0; x < x1; ++x, p += step) *out++ = (platform::LoadU32(p) >> bit) & 1 ? pxRed : pxBlack;
  } else {
    const unsigned red = 30 - 2 * unsigned(y % 16);
    for (int x = x0; x < x1; ++x, p += step) {
      const uint32_t pair = (platform::LoadU32(p) >> red) & 3;
      *out++ = (pair & 2 ? pxGreen : 0) | (pair & 1 ? pxRed : 0);
    }
  }
}

TPixelPicture::TPixelPicture(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      pixels_(size_t(width_) * size_t(height_), pxBlack) {}

void TPixelPicture::ReadRow(int y, int x0, int x1, TPixel* out) const {
  const TPixel* row = pixels_.data() + size_t(y) * size_t(width_);
  std::copy(row + x0, row + x1, out);
}

}  // namespace displaysim
