#pragma once
// TDecoder: the one interface of the decompressors the image readers use on their pixel data
// (run-length codes, CCITT fax, deflate), and of the one compressor the system writes with
// (Targa run-length).
//
// A decoder works on memory the reader has filled: a source of packed bytes and a target, each
// a pointer with a length. It never reads or writes outside them: it stops at the end of either,
// cuts runs to the room left, and reports in its result a source that ran out before the packed
// data said it was complete.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

struct TDecodeResult {
  size_t Consumed = 0;       // source bytes used
  size_t Produced = 0;       // target bytes written
  bool SourceEnded = false;  // the source ended inside a packet or before the data's own end
};

class TDecoder {
 public:
  virtual ~TDecoder() = default;

  // Unpacks the source into the target. The Targa, Dr. Halo and deflate decoders advance
  // `source` past the bytes they used (deflate also `dest` past what it wrote), shrinking the
  // lengths to match; the others leave pointers and lengths as they are.
  virtual TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                               size_t& unpackedSize) = 0;
  virtual void DecodeInit() {}
  virtual void DecodeEnd() {}
  // Packs `count` pixels of `source` into `dest` and sets `fillLength` to the bytes written.
  // Only the Targa codec packs; the others write nothing.
  virtual void Encode(std::span<const uint8_t> source, std::span<uint8_t> dest, size_t count,
                      size_t& fillLength) {
    fillLength = 0;
  }
  virtual void EncodeInit() {}
  virtual void EncodeEnd() {}
};

}  // namespace imaging
