#pragma once
// Text of a string window, drawn as the card would with its own 16- or 24-dot font: here the
// drawing layer's "宋体" at 12 pt or 18 pt, drawn the way the design surface paints the string
// objects, so the preview matches what the editor showed, with the lines as far apart as the
// card's font is high.
#include <cstdint>
#include <string_view>
#include <vector>

#include "PixelBlock.h"

namespace displaysim {

// The lines of GBK text: split at CR LF; text after the last CR LF is a line too.
std::vector<std::string_view> SplitLines(std::string_view text);

// Draws the lines into a width x height picture, black elsewhere: each line at x 0, the first
// at y 0 and each next one a line of the card's font lower. fontSet 1 is the 24-dot font
// (18 pt, lines 24 rows apart), anything else the 16-dot font (12 pt, 16 rows). Text pixels take the colour
// (0x00BBGGRR) as a card of colour mode `mode` shows it. An empty picture when the drawing
// layer cannot make one that large.
TPixelPicture RenderStringLines(std::string_view text, uint32_t fontSet, uint32_t colorRef,
                                int mode, int width, int height);

}  // namespace displaysim
