#pragma once
// The glyph table (kind 55): the pictures of the characters a card needs to show a value that
// changes on the card (a clock, a counter, a sensor reading), drawn on the PC in the object's
// font.
//
//   u16 55, u16 number of glyphs, u32 length of this head and all glyph blocks (patched),
//   one pixel block (kind 54) per glyph, in the order of the glyph list
//
// The table always sits directly after the head of an enclosing record, whose length
// includes it.
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "model/stream/ProgramStream.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/FontDescription.h"

namespace model {

constexpr size_t GlyphTableHeadSize = 8;

// Paints one glyph: makes `glyph` a 24-bit picture as wide and as high as the text is in the
// object's font, fills it black and draws the text at (0, 0) in the font's colour. Every
// glyph of a table has the font's text height; widths differ. The text is GBK.
using TGlyphPainter = std::function<void(std::string_view text, platform::TBitmap& glyph)>;

// The painter of the records: the text in `font` (its face, size, style and colour), drawn by
// the drawing layer exactly as the design surface draws it.
TGlyphPainter FontGlyphPainter(const platform::TFontDescription& font);

// The glyph lists the records send, as GBK.
// "0".."9", "-": sensor readings.
std::span<const std::string_view> SensorGlyphs();
// "0".."9", ":": counters.
std::span<const std::string_view> CounterGlyphs();

// Appends a glyph table of `glyphs`, each painted by `paint` into one picture that is reused
// from glyph to glyph and packed by WritePictureBits in the current colour mode.
void WriteGlyphTable(std::span<const std::string_view> glyphs, const TGlyphPainter& paint,
                     TProgramStream& stream);

}  // namespace model
