// Feeds the deflate decoder through small targets. The first byte picks the flush mode and
// whether the rest is taken as it is (mostly damaged streams) or first packed with zlib, with
// the byte at the position the next two bytes give changed when they ask for it; the target
// size comes from those two bytes too. Decoding goes on while it makes progress; an undamaged
// packed stream must come back as it went in.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/Lz77.h"
#include "platform/gfx/Picture.h"

using namespace imaging;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const int modes[] = {Z_NO_FLUSH, Z_SYNC_FLUSH, Z_FINISH, Z_PARTIAL_FLUSH};
  const uint8_t flags = data[0];
  const size_t word = size_t(data[1]) | (size_t(data[2]) << 8);
  const size_t targetSize = 1 + word % 4096;
  const std::vector<uint8_t> plain(data + 3, data + size);
  std::vector<uint8_t> packed = plain;
  bool damaged = true;
  if (flags & 4) {
    uLongf packedSize = compressBound(uLong(plain.size()));
    packed.resize(packedSize);
    if (compress(packed.data(), &packedSize, plain.data(), uLong(plain.size())) != Z_OK) return 0;
    packed.resize(packedSize);
    damaged = flags & 8;
    if (damaged) packed[word % packed.size()] ^= uint8_t(1 + (flags >> 4));
  }
  // Exact-size copies, so the address sanitizer sees a step outside either.
  std::unique_ptr<uint8_t[]> source(new uint8_t[packed.size()]);
  std::memcpy(source.get(), packed.data(), packed.size());
  std::unique_ptr<uint8_t[]> target(new uint8_t[targetSize]);

  TLZ77Decoder decoder(modes[flags % 4]);
  decoder.DecodeInit();
  const uint8_t* s = source.get();
  size_t sLength = packed.size();
  std::vector<uint8_t> out;
  for (int round = 0; round < 100000; ++round) {
    uint8_t* t = target.get();
    size_t tLength = targetSize;
    const TDecodeResult r = decoder.Decode(s, sLength, t, tLength);
    if (r.Produced > targetSize || r.Consumed > packed.size()) std::abort();
    if (t != target.get() + r.Produced || tLength != targetSize - r.Produced) std::abort();
    if (s + sLength != source.get() + packed.size()) std::abort();
    out.insert(out.end(), target.get(), target.get() + r.Produced);
    // Z_FINISH into a small target reports Z_BUF_ERROR while it still makes progress.
    const int result = decoder.Result();
    if ((result != Z_OK && result != Z_BUF_ERROR) || (r.Consumed == 0 && r.Produced == 0)) break;
  }
  if (!damaged && (decoder.Result() != Z_STREAM_END || out != plain)) std::abort();
  try {
    decoder.DecodeEnd();
  } catch (const platform::EInvalidGraphic&) {
  }
  return 0;
}
