// Feeds arbitrary bytes to the Targa reader (seed it with the test fixtures). It must load or
// refuse with a picture error, never read outside the bytes or allocate beyond the bitmap
// limits. What it loads must draw, and must save to a file that loads again with the same
// colours (15- and 16-bit pixels at 5 bits a channel, as the writer keeps them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/Targa.h"
#include "platform/gfx/Canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace imaging;
  TTargaGraphic g;
  try {
    g.LoadFromStream(data, size);
  } catch (const platform::EInvalidGraphic&) {
    return 0;
  }
  platform::TBitmap page(8, 8);
  platform::TCanvas canvas(page);
  g.Draw(canvas, {0, 0, 8, 8});

  const std::vector<uint8_t> saved = g.SaveToStream();
  if (g.Empty()) {
    if (!saved.empty()) std::abort();
    return 0;
  }
  TTargaGraphic back;
  back.LoadFromStream(saved.data(), saved.size());  // throws (and so fails) when unreadable
  const platform::TBitmap& a = g.Bitmap();
  const platform::TBitmap& b = back.Bitmap();
  if (a.Width() != b.Width() || a.Height() != b.Height() || back.ImageID != g.ImageID.substr(0, 255))
    std::abort();
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) std::abort();
  return 0;
}
