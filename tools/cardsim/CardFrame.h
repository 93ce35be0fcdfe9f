#pragma once
// Frames as the card sees them on the line: 0x55, the escaped body, the escaped CRC (high byte
// first), 0xAA. 0x55, 0xAA and 0xBB inside are sent as 0xBB followed by the byte plus one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cardsim {

constexpr uint8_t FrameStart = 0x55;
constexpr uint8_t FrameEnd = 0xAA;
constexpr uint8_t FrameEscape = 0xBB;
// The longest frame on the wire (a 512-byte block with every byte escaped).
constexpr size_t MaxFrameBytes = 1046;

// Builds one frame around `body`. With `corruptCrc` the checksum is deliberately wrong (a fault
// the tests inject), everything else stays well formed.
std::vector<uint8_t> EncodeCardFrame(std::span<const uint8_t> body, bool corruptCrc = false);

// The body of a frame (without its CRC), or nothing when the frame is not well formed: wrong
// start or end byte, a stray start/end byte inside, an escape that is not one of the three the
// protocol defines, fewer than three bytes inside, or a CRC that does not match. The card is
// strict so that a sloppy encoder on the host side shows up in tests.
std::optional<std::vector<uint8_t>> DecodeCardFrame(std::span<const uint8_t> frame);

// Cuts a byte stream into raw frames: a 0x55 opens a frame (dropping any half-built one), a 0xAA
// closes it, bytes outside a frame are ignored, and a frame that grows past MaxFrameBytes
// without its end byte is thrown away.
class TFrameSplitter {
 public:
  void Feed(std::span<const uint8_t> bytes, std::vector<std::vector<uint8_t>>& frames);
  void Reset();

 private:
  std::vector<uint8_t> pending_;
  bool open_ = false;
};

}  // namespace cardsim
