#include "CardFrame.h"

#include "CardCrc.h"

namespace cardsim {

namespace {

bool NeedsEscape(uint8_t b) { return b == FrameStart || b == FrameEnd || b == FrameEscape; }

void PutEscaped(std::vector<uint8_t>& out, uint8_t b) {
  if (NeedsEscape(b)) {
    out.push_back(FrameEscape);
    out.push_back(uint8_t(b + 1));
  } else {
    out.push_back(b);
  }
}

}  // namespace

std::vector<uint8_t> EncodeCardFrame(std::span<const uint8_t> body, bool corruptCrc) {
  std::vector<uint8_t> out;
  out.reserve(2 * (body.size() + 2) + 2);
  out.push_back(FrameStart);
  for (uint8_t b : body) PutEscaped(out, b);
  uint16_t crc = CardCrc(body);
  if (corruptCrc) crc ^= 0xFFFF;
  PutEscaped(out, uint8_t(crc >> 8));
  PutEscaped(out, uint8_t(crc));
  out.push_back(FrameEnd);
  return out;
}

std::optional<std::vector<uint8_t>> DecodeCardFrame(std::span<const uint8_t> frame) {
  if (frame.size() < 2 || frame.front() != FrameStart || frame.back() != FrameEnd) return {};
  std::vector<uint8_t> plain;
  plain.reserve(frame.size());
  for (size_t i = 1; i + 1 < frame.size(); ++i) {
    uint8_t b = frame[i];
    if (b == FrameStart || b == FrameEnd) return {};
    if (b == FrameEscape) {
      if (i + 2 >= frame.size()) return {};  // the escape would swallow the end byte
      uint8_t original = uint8_t(frame[++i] - 1);
      if (!NeedsEscape(original)) return {};
      plain.push_back(original);
    } else {
      plain.push_back(b);
    }
  }
  if (plain.size() < 3) return {};
  size_t bodySize = plain.size() - 2;
  uint16_t crc = CardCrc(std::span<const uint8_t>(plain.data(), bodySize));
  if (plain[bodySize] != uint8_t(crc >> 8) || plain[bodySize + 1] != uint8_t(crc)) return {};
  plain.resize(bodySize);
  return plain;
}

void TFrameSplitter::Feed(std::span<const uint8_t> bytes, std::vector<std::vector<uint8_t>>& frames) {
  for (uint8_t b : bytes) {
    if (b == FrameStart) {
      pending_.assign(1, b);
      open_ = true;
      continue;
    }
    if (!open_) continue;
    pending_.push_back(b);
    if (b == FrameEnd) {
      frames.push_back(std::move(pending_));
      Reset();
    } else if (pending_.size() >= MaxFrameBytes) {
      Reset();
    }
  }
}

void TFrameSplitter::Reset() {
  pending_.clear();
  open_ = false;
}

}  // namespace cardsim
