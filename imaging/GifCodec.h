#pragma once
// GIF raster data: the LZW decoder that fills a frame's pixels while a file is read, and the two
// encoders used when one is written (classic LZW over an open-addressing hash table, and a
// run-length encoder whose codes any GIF decoder expands).
//
// Raster data on file: one byte, the initial code size N; then sub-blocks (length 1-255, data)
// ended by a zero-length block. Codes are packed least-significant bit first, start N + 1 bits
// wide and grow to 12 bits; the clear code is 2^N, the end code 2^N + 1.
//
// The codec knows nothing of frames: it works on a buffer of width x height colour indices, row
// after row, and is told whether the rows are stored interlaced.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/ByteOrder.h"
#include "platform/gfx/Picture.h"

namespace imaging {

// Every error of the GIF units. Loading faults that can be passed over are warnings instead
// (see TGIFImage::OnWarning).
class GIFException : public platform::EInvalidGraphic {
 public:
  using platform::EInvalidGraphic::EInvalidGraphic;
};

// Receives the decoder's warnings ("Premature end of data", "Decoder bit buffer under-run",
// "Invalid LZW code").
using TGIFWarningSink = std::function<void(const char* text)>;

// Decodes one frame's raster data from `in`, positioned at the initial code size byte, into
// `pixels` (width x height bytes, already filled with the value that pixels the data never
// reaches keep). Leaves `in` after the data's zero-length block, or at the end of the bytes.
// Throws GIFException "Invalid LZW code size" for an initial code size of 0 or above 11, and
// "Circular decoder table entry" for a prefix chain longer than the table.
// Nothing happens when `in` is already at its end.
void DecodeGIFRaster(platform::TByteReader& in, uint8_t* pixels, int width, int height,
                     bool interlaced, const TGIFWarningSink& warn);

// Appends sub-blocks to a byte vector: bytes collect in a 256-byte block whose first byte is
// the length; a full block (255 data bytes) is written out at once, a partial one by Flush or
// on destruction. The zero-length terminator is the caller's to write.
class TGIFWriter {
 public:
  explicit TGIFWriter(std::vector<uint8_t>& out) : out_(out) {}
  TGIFWriter(const TGIFWriter&) = delete;
  TGIFWriter& operator=(const TGIFWriter&) = delete;
  ~TGIFWriter() { Flush(); }

  void Write(const void* data, size_t count);
  void WriteByte(uint8_t b) {
    buffer_[pos_++] = b;
    if (pos_ == 256) FlushFull();
  }
  // Writes the partial block, if it holds anything.
  void Flush();

 private:
  void FlushFull();
  std::vector<uint8_t>& out_;
  uint8_t buffer_[256] = {};
  int pos_ = 1;  // next free position; byte 0 is the length
};

// The LZW encoder's string table: 8009 slots of key shl 12 OR code, all bits set when free.
// The key of a string is its prefix code shl 8 OR its last pixel.
class THashTable {
 public:
  static constexpr int Size = 8009;

  THashTable() { Clear(); }
  void Clear() { slots_.fill(0xFFFFFFFFu); }
  // Stores the key with a code (its low 12 bits); the key must not be in the table.
  void Insert(uint32_t key, int code);
  // The key's code, or -1.
  int Lookup(uint32_t key) const;

  // The first slot probed for a key, and the one probed after `slot` for a key whose first
  // slot was `first`: probing steps back by a distance fixed by the first slot, so it visits
  // every slot of the prime-sized table before coming back.
  static int Hash(uint32_t key) { return int(((key >> 4) ^ key) % Size); }
  static int NextProbe(int slot, int first) {
    const int d = first == 0 ? 1 : Size - first;
    slot -= d;
    return slot < 0 ? slot + Size : slot;
  }

 private:
  std::array<uint32_t, Size> slots_;
};

// One frame as the encoders see it.
struct TGIFEncodeFrame {
  const uint8_t* Pixels = nullptr;  // Width x Height colour indices, row after row
  int Width = 0;
  int Height = 0;
  bool Interlaced = false;  // rows are written in the four interlace passes
  int InitialBits = 2;      // N, raised to at least 2
  int ColorCount = 0;       // pixel values at or above it raise "Color not in color table"
};

// Base of both encoders: the frame walk, the bit packer and the sub-block writer.
class TGIFEncoder {
 public:
  virtual ~TGIFEncoder() = default;

  // Appends the frame's raster data (code size byte, sub-blocks, terminator) to `out`.
  // Throws GIFException "Color not in color table"; `out` then holds a partial frame.
  void Encode(std::vector<uint8_t>& out, const TGIFEncodeFrame& frame);

 protected:
  // Packs a code of BitsPerCode bits; after the end code, flushes the last bits.
  virtual void Output(int code);
  // Sets the just-cleared flag and outputs the clear code.
  virtual void Clear();
  virtual void CompressPixels() = 0;

  // The next pixel of the walk, checked against the colour count; -1 after the last.
  int NextPixel() {
    if (countDown_ == 0 && !NextRun()) return -1;
    --countDown_;
    const int c = *cursor_++;
    if (c >= colorCount_) ThrowColorNotInTable();
    return c;
  }

  int InitBits = 0;    // N
  int BitsPerCode = 0;
  int MaxCode = 0;     // largest code of the current width
  int ClearCode = 0;
  int EndCode = 0;
  int BaseCode = 0;    // first free code
  bool JustCleared = false;

 private:
  bool NextRun();
  [[noreturn]] static void ThrowColorNotInTable();

  TGIFWriter* writer_ = nullptr;
  uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
  // The pixel walk: a run of countDown_ pixels from cursor_; interlaced frames run one row at
  // a time, pass after pass.
  const uint8_t* pixels_ = nullptr;
  const uint8_t* cursor_ = nullptr;
  size_t countDown_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool interlaced_ = false;
  int pass_ = 0;
  int row_ = 0;
  int colorCount_ = 0;
};

// Classic LZW: strings are found in the hash table; the table starts again (a clear code) when
// the next free code reaches 4095, so 4094 is the highest code ever assigned.
class TLZWEncoder : public TGIFEncoder {
 protected:
  void Output(int code) override;
  void Clear() override;
  void CompressPixels() override;

 private:
  int nextFree_ = 0;
  std::unique_ptr<THashTable> table_;
};

// Run-length output: runs of one pixel become codes for runs of growing length that a
// standard decoder builds up in its own table, so no string search is needed.
class TRLEEncoder : public TGIFEncoder {
 public:
  // The integer square root and the number of codes a run of `length` pixels needs when at
  // most `maxCodes` run codes fit before a clear (exposed for tests).
  static unsigned Isqrt(unsigned x);
  static unsigned TriangleCost(unsigned length, unsigned maxCodes);

 protected:
  void Clear() override;
  void CompressPixels() override;

 private:
  void PlainOutput(int code);
  void Flush(int length);
  void FlushFromClear(int length);
  void FlushClearOrRepeat(int length);
  void FlushWithTable(int length);
  void ResetOutClear();

  int outBumpInit_ = 0;
  int outClearInit_ = 0;
  int maxOutCodes_ = 0;
  int outBump_ = 0;
  int outClear_ = 0;
  int outCount_ = 0;
  int runPixel_ = -1;
  int runLength_ = 0;
  int tableMax_ = 0;
  int tablePixel_ = -1;
};

}  // namespace imaging
