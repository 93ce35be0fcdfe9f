#pragma once
// Fonts realized at a pixel size, on FreeType and fontconfig, with the metrics and glyphs the
// original's device interface gave:
//   - 96 dpi; a negative height is the character height (the em) in pixels, a positive one the
//     cell height, 0 the default of 16 pixels;
//   - cell height = ascent + descent, each rounded from the face's OS/2 Windows metrics, so
//     the Song face at 12 pt (height -16) has a 16-pixel cell;
//   - monochrome glyphs (two colour levels), from the face's own bitmaps where it has them at
//     that size;
//   - bold and italic made from the regular glyphs when the face has no such style: bold
//     widens each stroke by one pixel to the right (but never fills a one-pixel gap before the
//     next stroke) and the advance by one pixel, italic slants it by a quarter pixel per pixel
//     of height;
//   - a character the chosen face lacks comes from the next face in fontconfig's order, which
//     the project's fonts.conf ends with the Chinese faces.
// Fonts are found through the project's fonts.conf, built into the program and loaded into a
// private fontconfig configuration; the environment variable CORVANE_FONTS_CONF names a
// configuration file to load instead (the tests' own, which keeps to the fonts scripts/setup
// installs). Everything here is safe to use from several threads.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/gfx/FontDescription.h"

namespace platform {

// The environment variable that names a font configuration file to use instead of the
// built-in one.
inline constexpr const char kFontsConfVariable[] = "CORVANE_FONTS_CONF";

class EFontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TFontMetrics {
  int PixelSize = 0;  // the em in pixels
  int Ascent = 0;     // baseline below the cell top
  int Descent = 0;
  int Height = 0;  // Ascent + Descent: the cell, the height of a text line
  // Rules for underline and strike-out: the top row of each, relative to the baseline (down
  // is positive), and their thickness.
  int UnderlineOffset = 0;
  int UnderlineThickness = 1;
  int StrikeOutOffset = 0;
  int StrikeOutThickness = 1;
};

// One character's picture: Width x Height pixels, 1 where ink is, row by row from the top; its
// top-left pixel lies Left pixels right of the pen and Top pixels above the baseline.
struct TGlyphImage {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  int Advance = 0;  // how far the pen moves on, in pixels
  std::vector<uint8_t> Ink;
};

class TRealizedFont {
 public:
  virtual ~TRealizedFont() = default;
  virtual const TFontMetrics& Metrics() const = 0;
  // The glyph of a code point; a character no face has shows the main face's missing glyph.
  // Control characters (below U+0020) have no ink and no advance.
  virtual std::shared_ptr<const TGlyphImage> Glyph(char32_t code) = 0;
  // Glyph(code)->Advance, found without drawing the glyph where that costs (large sizes), so
  // measuring a text costs the same at any font size.
  virtual int Advance(char32_t code) = 0;
};

// The font for a description (face name in GBK). Fonts are cached; the same description gives
// the same object while it is in use. Throws EFontError when the font configuration cannot be
// loaded or no font is installed at all.
std::shared_ptr<TRealizedFont> RealizeFont(const TFontDescription& font);

// The file and face index that a description's main face comes from, for diagnostics and
// tests.
struct TFaceLocation {
  std::string File;
  int Index = 0;
  std::string Family;  // UTF-8
};
TFaceLocation MainFace(const TFontDescription& font);

// A font family of the drawing layer's own configuration, as a font list shows it.
struct TFontFamilyInfo {
  std::string Name;          // GBK
  bool Outline = true;       // scalable (a TrueType face to the font lists); false: bitmap only
  bool FixedPitch = false;
  bool Symbol = false;       // its character map is a symbol map
  std::vector<int> BitmapSizes;  // pixel sizes of a bitmap face, ascending
};
// Every family of the configuration (by its first name), then the face names the project's
// fonts.conf defines ("宋体", "新宋体", "SimSun", "NSimSun", "黑体", "SimHei") as scalable faces;
// each name once, in that order.
std::vector<TFontFamilyInfo> ListFontFamilies();

}  // namespace platform
