// Feeds arbitrary bytes to the TIFF reader (seed it with the test fixtures). It must load or
// refuse with a picture or colour error, never read outside the bytes or allocate beyond the
// bitmap limits; what it loads must draw.
#include <cstddef>
#include <cstdint>

#include "imaging/Tiff.h"
#include "platform/gfx/Canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace imaging;
  TTIFFGraphic g;
  try {
    g.LoadFromStream(data, size);
  } catch (const platform::EInvalidGraphic&) {
    return 0;
  } catch (const EColorConversionError&) {
    return 0;
  }
  platform::TBitmap page(8, 8);
  platform::TCanvas canvas(page);
  g.Draw(canvas, {0, 0, 8, 8});
  return 0;
}
