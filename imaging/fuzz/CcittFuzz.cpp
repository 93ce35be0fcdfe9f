// Feeds arbitrary bits to the CCITT fax decoders. The first byte picks the decoder and the bit
// order, the next four the row width and the row count (kept small); the rest is the data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "imaging/Ccitt.h"

using namespace imaging;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const bool mh = data[0] & 1, swapBits = data[0] & 2;
  const uint32_t width = uint32_t(data[1] | (data[2] << 8)) % 4000;
  const size_t rows = size_t(data[3] | (data[4] << 8)) % 300;
  const size_t rowBytes = (width + 7) / 8;
  // Sometimes a target that ends inside a row.
  const size_t targetSize = rows * rowBytes + (data[0] & 4 ? rowBytes / 2 : 0);
  const size_t packedSize = size - 5;
  std::unique_ptr<uint8_t[]> source(new uint8_t[packedSize]);
  std::memcpy(source.get(), data + 5, packedSize);
  std::unique_ptr<uint8_t[]> target(new uint8_t[targetSize]);

  std::unique_ptr<TDecoder> decoder;
  if (mh)
    decoder = std::make_unique<TCCITTMHDecoder>(0, swapBits, width);
  else
    decoder = std::make_unique<TCCITTFax3Decoder>(0, swapBits, width);
  const uint8_t* s = source.get();
  size_t sLength = packedSize;
  uint8_t* t = target.get();
  size_t tLength = targetSize;
  const TDecodeResult r = decoder->Decode(s, sLength, t, tLength);
  if (r.Consumed > packedSize || r.Produced > targetSize) std::abort();
  // The caller's bytes are never changed, whatever the bit order.
  if (std::memcmp(source.get(), data + 5, packedSize) != 0) std::abort();
  return 0;
}
