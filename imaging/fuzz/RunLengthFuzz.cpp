// Feeds arbitrary packed bytes to the run-length decoders. The first byte picks one of the seven
// and its argument, the next two the target size. Every decoder must stay inside its source and
// target and report sizes that fit them; the Targa encoder's output must decode to its input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/RunLength.h"

using namespace imaging;

namespace {

std::unique_ptr<TDecoder> Pick(uint8_t choice) {
  static const int targaDepths[] = {8, 15, 16, 24, 32};
  const int argument = choice >> 3;
  switch (choice % 7) {
    case 0:
      return std::make_unique<TTargaRLEDecoder>(targaDepths[argument % 5]);
    case 1:
      return std::make_unique<TPackbitsRLEDecoder>();
    case 2:
      return std::make_unique<TPCXRLEDecoder>();
    case 3:
      return std::make_unique<TSGIRLEDecoder>(1 + (argument & 1));
    case 4:
      return std::make_unique<TCUTRLEDecoder>();
    case 5:
      return std::make_unique<TPSPRLEDecoder>();
    default:
      return std::make_unique<TRLADecoder>();
  }
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const uint8_t choice = data[0];
  const size_t targetSize = size_t(data[1]) | (size_t(data[2]) << 8);
  // Exact-size copies, so the address sanitizer sees a step outside either.
  const size_t packedSize = size - 3;
  std::unique_ptr<uint8_t[]> source(new uint8_t[packedSize]);
  std::memcpy(source.get(), data + 3, packedSize);
  std::unique_ptr<uint8_t[]> target(new uint8_t[targetSize]);

  std::unique_ptr<TDecoder> decoder = Pick(choice);
  const uint8_t* s = source.get();
  size_t sLength = packedSize;
  uint8_t* t = target.get();
  size_t tLength = targetSize;
  const TDecodeResult r = decoder->Decode(s, sLength, t, tLength);
  Check(r.Consumed <= packedSize && r.Produced <= targetSize);
  Check(s + sLength == source.get() + packedSize);

  if (choice % 7 == 0) {
    auto* targa = static_cast<TTargaRLEDecoder*>(decoder.get());
    const size_t b = targa->PixelBytes();
    const size_t count = packedSize / b;
    std::vector<uint8_t> packed(targa->EncodedSizeLimit(count));
    size_t fill = 0;
    targa->Encode({source.get(), count * b}, packed, count, fill);
    Check(fill <= packed.size());
    std::unique_ptr<uint8_t[]> again(new uint8_t[count * b]);
    const uint8_t* ps = packed.data();
    size_t pLength = fill;
    uint8_t* as = again.get();
    size_t aLength = count * b;
    targa->DecodeInit();  // forget a packet the first decode left open
    const TDecodeResult back = targa->Decode(ps, pLength, as, aLength);
    Check(back.Produced == count * b && back.Consumed == fill);
    Check(count == 0 || std::memcmp(again.get(), source.get(), count * b) == 0);
  }
  return 0;
}
