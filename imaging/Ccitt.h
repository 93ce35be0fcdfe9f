#pragma once
// CCITT fax decoders: one-dimensional modified Huffman runs (ITU-T T.4), white and black in
// turn, into bilevel rows (1 = black, highest bit first, each row starting on a byte).
//
// Each row starts white. A run longer than the pixels left in the row is cut to the row; a row
// that is complete starts the next one. TCCITTFax3Decoder reads group 3 data, whose rows are
// separated by end-of-line codes: an end of line inside a row moves on to the next row (the
// rest stays white), one at a row's start is only the separator. TCCITTMHDecoder reads
// modified Huffman data without end-of-line codes, each row's codes starting on a byte.
// Two-dimensional codes are not decoded. An invalid bit sequence ends its code with a run of
// 0; decoding ends when the source bits are used up, leaving the rest of the target white.
#include <cstddef>
#include <cstdint>

#include "imaging/Decoder.h"

namespace imaging {

class TCCITTDecoder : public TDecoder {
 public:
  // `options` is the file's T4Options, kept for the reader; `swapBits` says the source stores
  // the lowest bit of each byte first (its bytes are reversed in a copy, never in place);
  // `width` is the row width in pixels.
  TCCITTDecoder(uint32_t options, bool swapBits, uint32_t width, bool byteAlignedRows,
                bool endOfLineStartsRow);

  // Decodes into whole rows of (width + 7) div 8 bytes; the target is zeroed first. The
  // result's SourceEnded says the bits ran out before every row of the target was complete.
  TDecodeResult Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                       size_t& unpackedSize) override;

  uint32_t Options() const { return options_; }

 private:
  uint32_t options_;
  bool swapBits_;
  uint32_t width_;
  bool byteAlignedRows_;
  bool endOfLineStartsRow_;
};

// Group 3 one-dimensional data (TIFF compression 3).
class TCCITTFax3Decoder : public TCCITTDecoder {
 public:
  TCCITTFax3Decoder(uint32_t options, bool swapBits, uint32_t width)
      : TCCITTDecoder(options, swapBits, width, false, true) {}
};

// Modified Huffman data with byte-aligned rows (TIFF compression 2).
class TCCITTMHDecoder : public TCCITTDecoder {
 public:
  TCCITTMHDecoder(uint32_t options, bool swapBits, uint32_t width)
      : TCCITTDecoder(options, swapBits, width, true, false) {}
};

}  // namespace imaging
