#pragma once
// A rich-text document laid out and drawn with the drawing layer's text (TRunLayout): lines
// break as WrapText breaks them, the runs of a line share a baseline, a line is its largest
// ascent plus its largest descent high, tabs stop every 48 pixels, paragraphs are aligned left,
// centred or right per line (justified ones draw left), and automatic colour draws in
// kAutomaticColor ($0000FF).
//
// Use, for a picture of the document at a width:
//   TRunLayout layout = LayoutRichText(document, width);
//   for (const TRunLayout::TLine& line : layout.Lines()) ...  // measure: each line counts
//                                                             // once, with its full height
//   layout.Draw(canvas, first, last, x, y);                   // lines [first, last), the top
//                                                             // of line `first` at (x, y)
// Drawing puts only the glyphs down: fill the ground (black) first.
#include "platform/gfx/RunLayout.h"
#include "platform/media/RichText.h"

namespace platform {

// Throws EFontError when no font can be realized.
TRunLayout LayoutRichText(const TRichDocument& document, int width);

}  // namespace platform
