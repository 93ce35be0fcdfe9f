#pragma once
// The screen a step paints: the caller's surface, cut to the screen's size. Every drawing call
// stays inside the screen and inside the clip rectangle it is given.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "PixelBlock.h"
#include "platform/gfx/Geometry.h"

namespace displaysim {

using platform::TRect;

// How a picture meets what is on the screen.
enum TBlend : uint8_t {
  blOr,        // screen = screen OR picture (a black picture pixel changes nothing)
  blKeyBlack,  // picture pixels other than black replace the screen's
};

class TScreen {
 public:
  // `pixels` holds `height` rows of `stridePixels` pixels; the screen is width x height.
  TScreen(TPixel* pixels, int width, int height, size_t stridePixels);

  int Width() const { return width_; }
  int Height() const { return height_; }
  TRect Bounds() const { return {0, 0, width_, height_}; }
  TPixel Pixel(int x, int y) const { return rows_[size_t(y) * stride_ + size_t(x)]; }

  void Fill(const TRect& rect, TPixel color);
  // Draws `picture` with its top-left pixel at (x, y), inside `clip`.
  void Draw(const TPicture& picture, int x, int y, const TRect& clip, TBlend blend);

 private:
  TPixel* rows_;
  int width_;
  int height_;
  size_t stride_;
  std::vector<TPixel> row_;  // one decoded picture row
};

}  // namespace displaysim
