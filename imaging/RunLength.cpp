#include "imaging/RunLength.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace imaging {

namespace {

// Short packets are the rule in photographs: a few bytes are moved in place rather than
// through a library call.
inline void CopyBytes(uint8_t* t, const uint8_t* s, size_t n) {
  if (n > 16) {
    std::memcpy(t, s, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) t[i] = s[i];
}
inline void FillBytes(uint8_t* t, uint8_t value, size_t n) {
  if (n > 16) {
    std::memset(t, value, n);
    return;
  }
  for (size_t i = 0; i < n; ++i) t[i] = value;
}

// The source and target of one decode, with the bounds every packet is cut to.
class TRunCursor {
 public:
  TRunCursor(const uint8_t* source, size_t sourceSize, uint8_t* dest, size_t destSize)
      : source_(source), sourceSize_(sourceSize), dest_(dest), destSize_(destSize) {}

  bool HasSource(size_t count = 1) const { return sourceSize_ - in_ >= count; }
  bool TargetFull() const { return out_ == destSize_; }
  bool Ended() const { return ended_; }
  void MarkEnded() { ended_ = true; }

  // The next source byte or big-endian word; callers check HasSource first.
  uint8_t Byte() { return source_[in_++]; }
  uint16_t WordBE() {
    const uint16_t v = uint16_t((source_[in_] << 8) | source_[in_ + 1]);
    in_ += 2;
    return v;
  }
  void Skip(size_t count) { in_ += count; }

  // One byte into the target when there is room.
  void Put(uint8_t value) {
    if (out_ < destSize_) dest_[out_++] = value;
  }

  // `count` literal units of `unit` bytes: as many whole units as the target has room for are
  // copied, and the source moves past all of them. A source that ends first gives what it holds.
  void Literal(size_t count, size_t unit = 1) {
    // The usual packet: single bytes, all there, all fitting.
    if (unit == 1 && count <= sourceSize_ - in_ && count <= destSize_ - out_) {
      CopyBytes(dest_ + out_, source_ + in_, count);
      in_ += count;
      out_ += count;
      return;
    }
    size_t bytes = count * unit;
    const size_t available = sourceSize_ - in_;
    if (bytes > available) {
      ended_ = true;
      bytes = available - available % unit;
    }
    const size_t room = destSize_ - out_;
    const size_t take = std::min(bytes, room - room % unit);
    std::memcpy(dest_ + out_, source_ + in_, take);
    out_ += take;
    in_ = ended_ ? sourceSize_ : in_ + bytes;
  }

  // The next `unit`-byte value repeated `count` times, cut to the target's room.
  void Run(size_t count, size_t unit = 1) {
    if (!HasSource(unit)) {
      ended_ = true;
      in_ = sourceSize_;
      return;
    }
    const uint8_t* value = source_ + in_;
    in_ += unit;
    const size_t n = std::min(count, unit == 1 ? destSize_ - out_ : (destSize_ - out_) / unit);
    if (n == 0) return;
    uint8_t* t = dest_ + out_;
    out_ += n * unit;
    if (unit == 1) {
      FillBytes(t, *value, n);
      return;
    }
    // Longer pixels: one copy, then the filled part doubles.
    std::memcpy(t, value, unit);
    for (size_t filled = unit, total = n * unit; filled < total;) {
      const size_t step = std::min(filled, total - filled);
      std::memcpy(t + filled, t, step);
      filled += step;
    }
  }

  TDecodeResult Result() const { return {in_, out_, ended_}; }

 private:
  const uint8_t* source_;
  size_t sourceSize_;
  size_t in_ = 0;
  uint8_t* dest_;
  size_t destSize_;
  size_t out_ = 0;
  bool ended_ = false;
};

// Moves a source pointer and its length past what a decode consumed.
void Advance(const uint8_t*& source, size_t& packedSize, const TDecodeResult& r) {
  source += r.Consumed;
  packedSize -= r.Consumed;
}

}  // namespace

// ---- Targa ---------------------------------------------------------------------------------

TTargaRLEDecoder::TTargaRLEDecoder(int colorDepth)
    : pixelBytes_(size_t(std::clamp((colorDepth + 1) / 8, 1, 4))) {}

TDecodeResult TTargaRLEDecoder::Decode(const uint8_t*& source, size_t& packedSize,
                                       uint8_t*& dest, size_t& unpackedSize) {
  const size_t b = pixelBytes_;
  const uint8_t* s = source;
  const size_t available = packedSize;
  const size_t room = unpackedSize / b;  // whole pixels
  size_t in = 0, out = 0;
  bool ended = false;
  while (out < room) {
    if (pending_ == 0) {
      if (in == available) {
        ended = true;
        break;
      }
      const uint8_t h = s[in];
      pendingRun_ = h & 128;
      if (pendingRun_) {
        // A run header counts only with its whole pixel.
        if (available - in - 1 < b) {
          ended = true;
          break;
        }
        std::memcpy(runPixel_, s + in + 1, b);
        in += b;
      }
      ++in;
      pending_ = size_t(h & 127) + 1;
    }
    size_t n = std::min(pending_, room - out);
    uint8_t* t = dest + out * b;
    if (pendingRun_) {
      if (b == 1) {
        FillBytes(t, runPixel_[0], n);
      } else if (n > 0) {
        // One copy, then the filled part doubles.
        std::memcpy(t, runPixel_, b);
        for (size_t filled = b, total = n * b; filled < total;) {
          const size_t step = std::min(filled, total - filled);
          std::memcpy(t + filled, t, step);
          filled += step;
        }
      }
    } else {
      const size_t present = (available - in) / b;
      if (n > present) {
        n = present;
        ended = true;
      }
      CopyBytes(t, s + in, n * b);
      in += n * b;
    }
    out += n;
    pending_ -= n;
    if (ended) break;
  }
  const TDecodeResult r{in, out * b, ended};
  Advance(source, packedSize, r);
  return r;
}

size_t TTargaRLEDecoder::EncodedSizeLimit(size_t count) const {
  // A literal packet costs 1 + d x b bytes for d pixels, a run 1 + b for two or more.
  return count * (pixelBytes_ + 1);
}

void TTargaRLEDecoder::Encode(std::span<const uint8_t> source, std::span<uint8_t> dest,
                              size_t count, size_t& fillLength) {
  const size_t b = pixelBytes_;
  if (source.size() / b < count) throw std::length_error("Targa encoder: source too short");
  if (dest.size() < EncodedSizeLimit(count))
    throw std::length_error("Targa encoder: target too short");
  const uint8_t* s = source.data();
  uint8_t* t = dest.data();
  auto same = [&](size_t i, size_t j) { return std::memcmp(s + i * b, s + j * b, b) == 0; };
  fillLength = 0;
  for (size_t i = 0; i < count;) {
    const size_t remaining = count - i;
    size_t d = 0;
    if (remaining == 1) {
      d = 1;
    } else {
      while (d < remaining - 1 && d < 128 && !same(i + d, i + d + 1)) ++d;
    }
    size_t run = 1;
    while (run < remaining && run < 128 && same(i + run, i)) ++run;
    if (d > 0) {
      t[fillLength++] = uint8_t(d - 1);
      std::memcpy(t + fillLength, s + i * b, d * b);
      fillLength += d * b;
      i += d;
    }
    if (run > 1) {
      t[fillLength++] = uint8_t((run - 1) | 128);
      std::memcpy(t + fillLength, s + i * b, b);
      fillLength += b;
      i += run;
    }
  }
}

// ---- PackBits ------------------------------------------------------------------------------

TDecodeResult TPackbitsRLEDecoder::Decode(const uint8_t*& source, size_t& packedSize,
                                          uint8_t*& dest, size_t& unpackedSize) {
  TRunCursor c(source, packedSize, dest, unpackedSize);
  while (c.HasSource() && !c.TargetFull()) {
    const int n = int8_t(c.Byte());
    if (n >= 0)
      c.Literal(size_t(n) + 1);
    else if (n != -128)
      c.Run(size_t(1 - n));
  }
  return c.Result();
}

// ---- PCX -----------------------------------------------------------------------------------

TDecodeResult TPCXRLEDecoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                     size_t& unpackedSize) {
  TRunCursor c(source, packedSize, dest, unpackedSize);
  while (!c.TargetFull()) {
    if (!c.HasSource()) {
      c.MarkEnded();
      break;
    }
    const uint8_t b = c.Byte();
    if ((b & 0xC0) == 0xC0)
      c.Run(b & 63);
    else
      c.Put(b);
  }
  return c.Result();
}

// ---- SGI -----------------------------------------------------------------------------------

TSGIRLEDecoder::TSGIRLEDecoder(int sampleSize) : sampleSize_(sampleSize == 2 ? 2 : 1) {}

TDecodeResult TSGIRLEDecoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                     size_t& unpackedSize) {
  const size_t ss = sampleSize_;
  TRunCursor c(source, packedSize, dest, unpackedSize);
  while (!c.TargetFull()) {
    if (!c.HasSource(ss)) {
      c.MarkEnded();
      break;
    }
    const unsigned counter = ss == 1 ? c.Byte() : c.WordBE();
    const size_t n = counter & 127;
    if (n == 0) break;
    if (counter & 128)
      c.Literal(n, ss);
    else
      c.Run(n, ss);
    if (c.Ended()) break;
  }
  return c.Result();
}

// ---- Dr. Halo ------------------------------------------------------------------------------

TDecodeResult TCUTRLEDecoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                     size_t& unpackedSize) {
  TRunCursor c(source, packedSize, dest, unpackedSize);
  if (!c.HasSource(2)) {
    c.Skip(packedSize);
    c.MarkEnded();
  } else {
    c.Skip(2);
    // A full target still reads on to the line's end, so the next line starts after it.
    for (;;) {
      if (!c.HasSource()) {
        c.MarkEnded();
        break;
      }
      const uint8_t h = c.Byte();
      if (h == 0) break;
      if (h & 128)
        c.Run(h & 127);
      else
        c.Literal(h & 127);
      if (c.Ended()) break;
    }
  }
  const TDecodeResult r = c.Result();
  Advance(source, packedSize, r);
  return r;
}

// ---- Paint Shop Pro ------------------------------------------------------------------------

TDecodeResult TPSPRLEDecoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                     size_t& unpackedSize) {
  TRunCursor c(source, packedSize, dest, unpackedSize);
  while (c.HasSource() && !c.TargetFull()) {
    const uint8_t h = c.Byte();
    if (h < 128)
      c.Literal(h);
    else
      c.Run(h - 128u);
  }
  return c.Result();
}

// ---- RLA -----------------------------------------------------------------------------------

TDecodeResult TRLADecoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                  size_t& unpackedSize) {
  TRunCursor c(source, packedSize, dest, unpackedSize);
  while (c.HasSource() && !c.TargetFull()) {
    const int n = int8_t(c.Byte());
    if (n >= 0)
      c.Run(size_t(n) + 1);
    else
      c.Literal(size_t(-n));
  }
  return c.Result();
}

}  // namespace imaging
