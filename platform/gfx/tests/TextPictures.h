#pragma once
// Pictures of text for the layout tests: text drawn the plain way (TextOut), to compare with
// what a layout draws, pixel for pixel.
#include <gtest/gtest.h>

#include "platform/base/GbkText.h"
#include "platform/gfx/Canvas.h"

namespace platform::testing {

// Draws UTF-8 text with TextOut, its cell's top-left at (x, y), on a clear ground.
inline void TextAt(TBitmap& b, const TFontDescription& f, int x, int y, const char* utf8) {
  TCanvas c(b);
  c.Brush.Style = bsClear;
  c.Font = f;
  c.TextOut(x, y, Utf8ToGbk(utf8));
}

inline int WidthOf(const TFontDescription& f, const char* utf8) {
  return TextExtent(f, Utf8ToGbk(utf8)).cx;
}

// Same size and the same colour at every pixel; the first few differences are named.
inline void ExpectSameBitmap(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  int differing = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      if (a.GetPixel(x, y) == b.GetPixel(x, y)) continue;
      if (++differing <= 4)
        ADD_FAILURE() << "(" << x << ", " << y << "): " << std::hex << a.GetPixel(x, y)
                      << " against " << b.GetPixel(x, y);
    }
  EXPECT_EQ(differing, 0);
}

}  // namespace platform::testing
