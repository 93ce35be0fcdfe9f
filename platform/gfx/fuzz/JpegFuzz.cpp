// Feeds arbitrary bytes to the JPEG reader: it must throw "JPEG error #n" or return, never read
// outside the input.
#include <cstddef>
#include <cstdint>

#include "platform/gfx/JpegImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    platform::ReadJpeg(data, size);
  } catch (const platform::EInvalidGraphic&) {
  }
  return 0;
}
