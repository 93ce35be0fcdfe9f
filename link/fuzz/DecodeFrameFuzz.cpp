// Feeds arbitrary bytes to the frame decoder: it must never read or write outside its buffers.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/Packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFF) return 0;
  // An exact-size copy so the sanitizer sees any read past the end.
  std::vector<uint8_t> frame(data, data + size);
  uint8_t out[cardlink::kMaxFrame];
  size_t n = cardlink::DecodeFrame(frame.data(), uint16_t(frame.size()), out);
  if (n > 0) {
    // What decodes must encode back to a frame that decodes to the same body.
    std::vector<uint8_t> again(cardlink::EncodedFrameCapacity(n));
    size_t m = cardlink::EncodeFrame1(out, uint16_t(n), again.data());
    uint8_t out2[cardlink::kMaxFrame];
    if (cardlink::DecodeFrame(again.data(), uint16_t(m), out2) != n) __builtin_trap();
  }
  return 0;
}
