#pragma once
// Drawing GIF frames: a frame's cached bitmap (rendered in TGIFSubImage::Bitmap) painted onto a
// canvas, scaled into a rectangle that stands for the logical screen or repeated across it, and
// through the frame's transparency mask where asked.
#include "imaging/GifFile.h"
#include "platform/gfx/Canvas.h"

namespace imaging {

// Whether the display shows at most 256 colours through a palette: dithering with
// poAutoDither happens only then. Process-wide, false by default (displays here are true
// colour); tests set it.
bool& GIFPaletteDisplay();

// Paints one frame. Without `tile` the frame's place on the logical screen is scaled into
// `rect`; with it the frame is painted unscaled at its place in every screen-sized tile that
// starts inside `rect`, clipped to `rect`. With `transparent`, pixels under the frame's mask
// keep what the canvas held. An image whose logical screen is 0 wide or high draws nothing.
void DrawFrame(TGIFSubImage& frame, platform::TCanvas& canvas, const platform::TRect& rect,
               bool transparent, bool tile);

// Scales `source` onto `dest` of the canvas (nearest pixel), within the canvas's clip and
// `limit` (logical coordinates), leaving the canvas alone where `mask` (same size as the
// source, 1 bit per pixel) is set.
void DrawMasked(platform::TCanvas& canvas, const platform::TRect& dest,
                const platform::TBitmap& source, const platform::TBitmap* mask,
                const platform::TRect& limit);

}  // namespace imaging
