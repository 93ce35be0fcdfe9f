#pragma once
// Every page of a document as a picture, for sending a Word object: WordToBitmap runs the
// converter in pages mode (pageflat --pages DOC WIDTH HEIGHT OUTDIR) into a private folder,
// waits for it within a time limit (the GUI thread waits; no messages are pumped, so nothing
// else runs meanwhile), and hands the pages to a strip callback in order, each made 16-bit.
//
// No temporary documents, shortcuts or clipboard are involved: the private folder goes as
// soon as the pages are read.
#include <string_view>

#include "platform/gfx/Bitmap.h"

namespace model {

// The strip callback: receives the context, the page picture (16-bit, width x height), the
// page index counted from 1, the strip buffer, the reverse flag, the page height and the page
// width. Returns whether it wants more pages.
using TStripCallback = bool (*)(void* context, const platform::TBitmap& page, int index,
                                platform::TBitmap& strip, bool reverse, int pageHeight,
                                int pageWidth);

// How long WordToBitmap lets the converter run: three programs of at most 60 s each.
inline constexpr int WordToBitmapTimeLimitMs = 180000;

// Renders the document (a model path, GBK) into pages of width x height pixels and hands each
// to `callback` with `context`, `strip` and `reverse`. Returns k > 0, the page index at which
// the loop stopped: after all n pages n + 1; when the callback refused page i, i (that page
// does not count). Otherwise:
//   -1  no converter, or it lacks LibreOffice or pdftoppm (its exit code 2);
//   -2  the document could not be opened or converted (3), or the time limit passed;
//   -4  a page could not be rendered (4) or read.
// A width or height below 1 gives -2 without running anything.
int WordToBitmap(std::string_view document, int width, int height, TStripCallback callback,
                 void* context, platform::TBitmap& strip, bool reverse,
                 int timeLimitMs = WordToBitmapTimeLimitMs);

// The Word object's strip callback: copies the page into the strip at y = (index - 1) x
// pageHeight, inverted when `reverse`, and returns whether the strip is taller than that y
// (false ends the loop without counting the page).
bool CopyPageToStrip(void* context, const platform::TBitmap& page, int index,
                     platform::TBitmap& strip, bool reverse, int pageHeight, int pageWidth);

// The rows of the strip buffer for pages of width x height: 8388608 / width, at most 65535
// (the drawing layer's and the picture record's limit), rounded down to a multiple of the page
// height. 0 when the width or height is below 1 or not one page fits.
int StripHeight(int width, int height);

}  // namespace model
