#pragma once
// Copies of pixels from one bitmap onto another: straight, stretched, with a transparent key
// colour and onto a parallelogram. Coordinates are pixels of the two bitmaps; every copy keeps
// inside `clip` and inside the destination, and reads only pixels that exist in the source
// (destination pixels whose source lies outside the source bitmap are left alone). Colours
// are combined as 0x00BBGGRR values, so the copies work between any two pixel formats.
#include <cstdint>

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Geometry.h"

namespace platform {

// Raster operations, with the codes of the original's device interface.
enum TCopyMode : uint32_t {
  cmSrcCopy = 0x00CC0020,     // destination = source
  cmSrcPaint = 0x00EE0086,    // destination = destination OR source
  cmNotSrcCopy = 0x00330008,  // destination = NOT source
};

// How a stretch picks colours: the nearest source pixel, or the average of the source area
// that a destination pixel covers (the original's halftone mode, used for shrinking).
enum TStretchMode : uint8_t { smColorOnColor, smHalftone };

// Copies the w x h pixels at (sx, sy) of `src` to (dx, dy) of `dst`.
void CopyBits(TBitmap& dst, const TRect& clip, int dx, int dy, int w, int h, const TBitmap& src,
              int sx, int sy, TCopyMode mode = cmSrcCopy);

// Scales the source rectangle onto the destination rectangle.
void StretchBits(TBitmap& dst, const TRect& clip, const TRect& dstRect, const TBitmap& src,
                 const TRect& srcRect, TCopyMode mode = cmSrcCopy,
                 TStretchMode stretch = smColorOnColor);

// Scales like StretchBits (nearest pixel) but leaves the destination alone wherever the source
// pixel has the colour `key` (compared as the source stores it).
void TransparentBits(TBitmap& dst, const TRect& clip, const TRect& dstRect, const TBitmap& src,
                     const TRect& srcRect, TColor key);

// Maps the source rectangle onto the parallelogram whose upper-left, upper-right and lower-left
// corners are points[0], points[1] and points[2] (the fourth follows). Each destination pixel
// whose centre falls inside takes the source pixel its centre maps to, so turns by multiples of
// 90 degrees move whole pixels exactly. A parallelogram of no area draws nothing.
void ParallelogramBits(TBitmap& dst, const TRect& clip, const TPoint points[3], const TBitmap& src,
                       const TRect& srcRect);

}  // namespace platform
