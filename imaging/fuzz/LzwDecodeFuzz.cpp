// Feeds arbitrary code streams to the LZW decoder: frame width, height and interlacing come from
// the first three bytes, the raster data (code size byte, sub-blocks) from the rest. The decoder
// must stay inside the input and the frame buffer, and end at or before the input's end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "imaging/GifCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int width = data[0] + 1;
  const int height = data[1] + 1;
  const bool interlaced = data[2] & 1;
  std::vector<uint8_t> pixels(size_t(width) * size_t(height), 0xAA);
  platform::TByteReader in(data + 3, size - 3);
  try {
    imaging::DecodeGIFRaster(in, pixels.data(), width, height, interlaced, [](const char*) {});
  } catch (const imaging::GIFException&) {
  }
  if (in.Position() > size - 3) std::abort();
  return 0;
}
