// Feeds arbitrary bytes to the PNG reader (seed it with the test fixtures). Chunk CRCs are
// mended first, so that changed bytes reach past the check. It must load or refuse with a
// picture or colour error, never read outside the bytes or allocate beyond the bitmap limits;
// what it loads must draw.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imaging/Png.h"
#include "imaging/tests/PngChunks.h"
#include "platform/gfx/Canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace imaging;
  // An exact-size copy, so the address sanitizer sees a step outside it.
  std::unique_ptr<uint8_t[]> file(new uint8_t[size]);
  std::memcpy(file.get(), data, size);
  imagingtest::MendPngCrcs(file.get(), size);
  TPNGGraphic g;
  try {
    g.LoadFromStream(file.get(), size);
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
