// Feeds arbitrary bytes to the bitmap readers: they must throw or return, never read outside
// the input or allocate beyond the bitmap limits; what they return must write out again.
#include <cstddef>
#include <cstdint>

#include "platform/gfx/BmpImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace platform;
  for (bool packed : {false, true}) {
    try {
      TBitmap b = packed ? ReadDib(data, size) : ReadBmp(data, size);
      if (size_t(b.Width()) * size_t(b.Height()) <= 1u << 20) WriteBmp(b);
    } catch (const EInvalidGraphic&) {
    }
  }
  return 0;
}
