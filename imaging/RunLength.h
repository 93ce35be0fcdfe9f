#pragma once
// The run-length decoders of the raster formats, and the Targa run-length encoder. Every one
// stops at the end of its source and of its target, whatever the packet counts say.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/Decoder.h"

namespace imaging {

// Targa: a header h >= 128 is a run of (h AND 127) + 1 copies of the one pixel that follows;
// h < 128 is h + 1 literal pixels. Stops when the target is full (whole pixels only). Advances
// the source. Packets may cross rows: a packet that crosses the end of the target is kept
// (the rest of a run, or the count of literal pixels still to come) and the next Decode goes
// on with it, so a picture decodes row by row through one decoder. DecodeInit forgets it.
class TTargaRLEDecoder : public TDecoder {
 public:
  // Colour depth in bits: 8, 15, 16, 24 or 32 (a pixel of 1, 2, 2, 3 or 4 bytes).
  explicit TTargaRLEDecoder(int colorDepth);

  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
  void DecodeInit() override { pending_ = 0; }
  // Packs `count` pixels: runs of up to 128 equal pixels, literal stretches of up to 128
  // pixels that each differ from the next. `source` must hold count pixels and `dest`
  // EncodedSizeLimit(count) bytes (std::length_error otherwise).
  void Encode(std::span<const uint8_t> source, std::span<uint8_t> dest, size_t count,
              size_t& fillLength) override;
  // The most bytes Encode can write for `count` pixels.
  size_t EncodedSizeLimit(size_t count) const;
  size_t PixelBytes() const { return pixelBytes_; }

 private:
  size_t pixelBytes_;
  // The packet the last Decode stopped inside: pixels still to give, and for a run its pixel.
  size_t pending_ = 0;
  bool pendingRun_ = false;
  uint8_t runPixel_[4] = {};
};

// PackBits (TIFF, Photoshop): a signed header n of 0..127 copies n + 1 literal bytes; -1..-127
// repeats the next byte -n + 1 times; -128 is skipped. Stops when the source is used up or the
// target is full.
class TPackbitsRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
};

// PCX: a byte with both top bits set is a run of (byte AND 63) copies of the next byte; any
// other byte is itself. Stops when the target is full.
class TPCXRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
};

// SGI: a counter c (one byte, or a big-endian word for 2-byte samples), n = c AND 127; n = 0
// ends; c AND 128 copies n literal samples, otherwise the next sample is repeated n times.
// Samples keep the file's byte order.
class TSGIRLEDecoder : public TDecoder {
 public:
  // Sample size in bytes: 1 or 2.
  explicit TSGIRLEDecoder(int sampleSize);

  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;

 private:
  size_t sampleSize_;
};

// Dr. Halo: the line's 2-byte length is skipped; then a header h: 0 ends; h AND 128 repeats
// the next byte (h AND 127) times; otherwise (h AND 127) literal bytes. Advances the source.
class TCUTRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
};

// Paint Shop Pro: a header h below 128 copies h literal bytes; otherwise the next byte is
// repeated h - 128 times. Stops when the source is used up or the target is full.
class TPSPRLEDecoder : public TDecoder {
 public:
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
};

// Wavefront RLA: a signed header n >= 0 repeats the next byte n + 1 times; n < 0 copies -n
// literal bytes. Stops when the source is used up or the target is full.
class TRLADecoder : public TDecoder {
 public:
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;
};

}  // namespace imaging
