// Drives the link engine with arbitrary traffic: raw bytes, well-framed arbitrary bodies (so
// the CRC passes and the message handling is reached), clock steps and queued sends. It must
// never write outside its receive buffer, whatever the card sends.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/LinkEngine.h"

using namespace cardlink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  TTransferOptions options;
  options.TimeoutMs = 100;
  options.Retries = 2;
  options.Burst = 1 + data[0] % 8;
  // An exact-size buffer, a few blocks long, so the sanitizer sees any write past it.
  std::vector<uint8_t> buffer(1500);
  const bool corvane = data[0] & 0x80;
  const bool udp = data[0] & 0x40;
  TLinkPolicy policy = corvane ? CorvanePolicy() : PanelcastPolicy(options);
  TLinkEngine engine(policy, TLinkTraits{uint16_t(udp ? 2 : 0), udp, !udp}, buffer);
  // Two cards, so transfers from one meet starts and ends from the other.
  const TLinkPeer cards[2] = {MakePeer(2, 6666, "127.0.0.1"), MakePeer(2, 6667, "127.0.0.2")};
  TLinkOutbox out;
  int64_t now = 0;

  size_t pos = 1;
  while (pos + 3 <= size) {
    const uint8_t op = data[pos];
    const size_t len = std::min<size_t>(size_t(data[pos + 1]) | (size_t(data[pos + 2]) << 8), size - pos - 3);
    std::vector<uint8_t> chunk(data + pos + 3, data + pos + 3 + len);
    pos += 3 + len;
    const TLinkPeer& card = cards[(op / 5) & 1];
    switch (op % 5) {
      case 0:
        engine.Receive(chunk, card, now, out);
        break;
      case 1:
        if (chunk.size() <= kMaxFrame - 2) engine.Receive(EncodeFrameBytes(chunk), card, now, out);
        break;
      case 2:
        now += chunk.empty() ? 1 : chunk[0] * 50;
        engine.RunSendTimers(now, out);
        engine.CheckReceiveTimeout(now, out);
        break;
      case 3:
        engine.QueueData(chunk, 6666, "127.0.0.1", 1);
        break;
      case 4:
        if (corvane && !chunk.empty() && chunk[0] & 1) engine.QueueCommandNoReply(chunk, 6666, "127.0.0.1", 1);
        else engine.QueueCommand(chunk, 6666, "127.0.0.1", 1);
        break;
    }
    for (auto& action : out) {
      if (auto* e = std::get_if<TLinkEvent>(&action)) {
        if (e->Kind == leDataReceived && size_t(e->Total) > buffer.size()) __builtin_trap();
      }
    }
    out.clear();
    if (auto next = engine.NextDeadline(); next && *next > now + 60000) __builtin_trap();
  }
  return 0;
}
