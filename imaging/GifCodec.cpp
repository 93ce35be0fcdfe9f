#include "imaging/GifCodec.h"

#include <algorithm>
#include <cstring>

namespace imaging {

using platform::TByteReader;

namespace {

constexpr int TableSize = 4096;

// The four interlace passes: first row and step.
constexpr int PassStart[4] = {0, 4, 2, 1};
constexpr int PassStep[4] = {8, 8, 4, 2};

// The LZW decoder of one frame. Every code's string is its prefix's string plus its suffix;
// `length_` keeps each string's length, so a string is written by walking exactly that many
// prefix links and no chain can loop. Codes come from a 64-bit accumulator refilled from the
// current sub-block and, when that runs dry, from the next one, so a code may span any number
// of short sub-blocks.
class TLzwDecoder {
 public:
  enum TStop { stNone, stEndCode, stInvalid, stTerminator, stEndOfData };

  TLzwDecoder(TByteReader& in, const TGIFWarningSink& warn, int initialBits)
      : in_(in), warn_(warn), initialBits_(initialBits), clearCode_(1 << initialBits) {
    for (int i = 0; i < clearCode_; ++i) {
      suffix_[i] = uint8_t(i);
      length_[i] = 1;
    }
    Reset();
  }

  TStop Stop() const { return stop_; }
  bool Spilling() const { return spillPos_ < spillLen_; }

  // Fills [out, end) with pixels: first what is left of a string that ran past the last run,
  // then decoded codes. Returns false when decoding stops before the end.
  bool Run(uint8_t* out, uint8_t* const end) {
    if (Spilling()) {
      const int n = std::min(spillLen_ - spillPos_, int(end - out));
      std::memcpy(out, spill_ + spillPos_, size_t(n));
      out += n;
      spillPos_ += n;
    }
    // The hot state lives in locals for the loop.
    uint64_t acc = acc_;
    int nbits = nbits_;
    int codeSize = codeSize_;
    int nextFree = nextFree_;
    int previous = previous_;
    int first = first_;
    const int clearCode = clearCode_;
    const int endCode = clearCode + 1;
    bool ok = true;
    while (out < end) {
      if (nbits < codeSize) {
        while (blockPos_ < blockLen_ && nbits <= 56) {
          acc |= uint64_t(block_[blockPos_++]) << nbits;
          nbits += 8;
        }
        if (nbits < codeSize && !NextBlock(acc, nbits, codeSize)) {
          ok = false;
          break;
        }
      }
      const int code = int(acc & ((1u << codeSize) - 1));
      acc >>= codeSize;
      nbits -= codeSize;

      if (code < clearCode && previous >= 0) {
        // A single pixel: the most common code in noisy pictures.
        *out++ = suffix_[code];
        AddEntry(previous, code, nextFree, codeSize);
        previous = first = code;
        continue;
      }
      if (code == clearCode) {
        codeSize = initialBits_ + 1;
        nextFree = clearCode + 2;
        previous = -1;
        continue;
      }
      if (code == endCode) {
        stop_ = stEndCode;
        ok = false;
        break;
      }
      if (previous < 0) {
        // The first code after a clear must be a pixel.
        if (code > clearCode) {
          stop_ = stInvalid;
          ok = false;
          break;
        }
        *out++ = suffix_[code];
        previous = first = code;
        continue;
      }
      // A code beyond the next free one is not in the table: corrupt data.
      if (code > nextFree) {
        stop_ = stInvalid;
        ok = false;
        break;
      }
      const int room = int(end - out);
      int len;
      if (code == nextFree) {
        // The previous code's string and its own first pixel.
        len = length_[previous] + 1;
        uint8_t* last = (len <= room ? out : spill_) + len - 1;
        *last = uint8_t(first);
        first = WriteString(previous, len - 1, last - 1);
      } else {
        len = length_[code];
        first = WriteString(code, len, (len <= room ? out : spill_) + len - 1);
      }
      AddEntry(previous, first, nextFree, codeSize);
      previous = code;
      if (len <= room) {
        out += len;
      } else {
        std::memcpy(out, spill_, size_t(room));
        out += room;
        spillPos_ = room;
        spillLen_ = len;
      }
    }
    acc_ = acc;
    nbits_ = nbits;
    codeSize_ = codeSize;
    nextFree_ = nextFree;
    previous_ = previous;
    first_ = first;
    return ok;
  }

  // Skips what is left of the sub-blocks, up to and including the terminator.
  void SkipRest() {
    if (stop_ == stTerminator || stop_ == stEndOfData) return;
    for (;;) {
      if (in_.Remaining() == 0) return;
      const size_t len = in_.U8();
      if (len == 0) return;
      in_.Skip(std::min(len, in_.Remaining()));
    }
  }

 private:
  void Reset() {
    codeSize_ = initialBits_ + 1;
    nextFree_ = clearCode_ + 2;
    previous_ = -1;
  }

  // Appends the string of `previous` plus the pixel `pixel` to the table; the code width grows
  // when the next free code reaches its limit.
  void AddEntry(int previous, int pixel, int& nextFree, int& codeSize) {
    if (nextFree >= TableSize) return;
    // Strings grow by one pixel per entry, so none can be longer than the table; a longer one
    // would mean a prefix chain that loops.
    if (length_[previous] >= TableSize) throw GIFException("Circular decoder table entry");
    prefix_[nextFree] = uint16_t(previous);
    suffix_[nextFree] = uint8_t(pixel);
    length_[nextFree] = uint16_t(length_[previous] + 1);
    ++nextFree;
    if (nextFree >= (1 << codeSize) && codeSize < 12) ++codeSize;
  }

  // Writes the `len` pixels of `code`'s string backwards from `last`; returns its first pixel.
  uint8_t WriteString(int code, int len, uint8_t* last) {
    int c = code;
    for (int i = 1; i < len; ++i) {
      *last-- = suffix_[c];
      c = prefix_[c];
    }
    *last = suffix_[c];
    return suffix_[c];
  }

  // Moves to the next sub-block until `need` bits are held; false when the data ends first.
  bool NextBlock(uint64_t& acc, int& nbits, int need) {
    while (nbits < need) {
      if (blockPos_ < blockLen_) {
        acc |= uint64_t(block_[blockPos_++]) << nbits;
        nbits += 8;
        continue;
      }
      if (stop_ != stNone) return false;
      if (in_.Remaining() == 0) {
        stop_ = stEndOfData;
        return false;
      }
      size_t len = in_.U8();
      if (len == 0) {
        stop_ = stTerminator;
        return false;
      }
      if (len > in_.Remaining()) {
        warn_("Premature end of data");
        len = in_.Remaining();
      }
      in_.Read(block_, len);
      blockPos_ = 0;
      blockLen_ = int(len);
    }
    return true;
  }

  TByteReader& in_;
  const TGIFWarningSink& warn_;
  const int initialBits_;
  const int clearCode_;
  TStop stop_ = stNone;
  uint64_t acc_ = 0;
  int nbits_ = 0;
  uint8_t block_[255];
  int blockPos_ = 0;
  int blockLen_ = 0;
  int codeSize_ = 0;
  int nextFree_ = 0;
  int previous_ = -1;
  int first_ = 0;
  uint16_t prefix_[TableSize];
  uint8_t suffix_[TableSize];
  uint16_t length_[TableSize];
  uint8_t spill_[TableSize + 1];  // a string that runs past the end of a run
  int spillPos_ = 0;
  int spillLen_ = 0;
};

}  // namespace

void DecodeGIFRaster(TByteReader& in, uint8_t* pixels, int width, int height, bool interlaced,
                     const TGIFWarningSink& warn) {
  if (in.Remaining() == 0) return;
  const int initialBits = in.U8();
  // Above 11 the first codes would already be 13 bits wide and index past the tables; 0 gives
  // 1-bit codes that cannot even hold the end code.
  if (initialBits < 1 || initialBits > 11) throw GIFException("Invalid LZW code size");

  // The decoder is the call's own storage: no allocation per frame.
  TLzwDecoder decoder(in, warn, initialBits);
  bool stopped = false;
  const bool any = width > 0 && height > 0;
  if (any && !interlaced) {
    stopped = !decoder.Run(pixels, pixels + size_t(width) * size_t(height));
  } else if (any) {
    // Row by row through the four passes: 0, 8, 16...; 4, 12...; 2, 6...; 1, 3...
    int pass = 0;
    int row = 0;
    for (int r = 0; r < height && !stopped; ++r) {
      uint8_t* out = pixels + size_t(row) * size_t(width);
      stopped = !decoder.Run(out, out + width);
      row += PassStep[pass];
      while (row >= height && pass < 3) row = PassStart[++pass];
    }
  }

  if (stopped) {
    if (decoder.Stop() == TLzwDecoder::stInvalid) warn("Invalid LZW code");
    // The sub-blocks ended before the end code with pixels still to come.
    else if (decoder.Stop() == TLzwDecoder::stTerminator) warn("Decoder bit buffer under-run");
  } else if (any && !decoder.Spilling()) {
    // Every pixel is there: read the end code that should follow.
    uint8_t scratch[TableSize + 1];
    decoder.Run(scratch, scratch + 1);
  }
  // Whatever data remains before the terminator belongs to this frame.
  decoder.SkipRest();
}

// --- Sub-block writer --------------------------------------------------------------------------

void TGIFWriter::Write(const void* data, size_t count) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (count > 0) {
    const size_t n = std::min(count, size_t(256 - pos_));
    std::memcpy(buffer_ + pos_, p, n);
    pos_ += int(n);
    p += n;
    count -= n;
    if (pos_ == 256) FlushFull();
  }
}

void TGIFWriter::FlushFull() {
  buffer_[0] = 255;
  out_.insert(out_.end(), buffer_, buffer_ + 256);
  pos_ = 1;
}

void TGIFWriter::Flush() {
  if (pos_ <= 1) return;
  buffer_[0] = uint8_t(pos_ - 1);
  out_.insert(out_.end(), buffer_, buffer_ + pos_);
  pos_ = 1;
}

// --- Hash table --------------------------------------------------------------------------------

void THashTable::Insert(uint32_t key, int code) {
  const int first = Hash(key);
  int slot = first;
  while ((slots_[slot] >> 12) != 0xFFFFFu) slot = NextProbe(slot, first);
  slots_[slot] = (key << 12) | (uint32_t(code) & 0xFFFu);
}

int THashTable::Lookup(uint32_t key) const {
  const int first = Hash(key);
  int slot = first;
  for (;;) {
    const uint32_t v = slots_[slot];
    if ((v >> 12) == 0xFFFFFu) return -1;
    if ((v >> 12) == key) return int(v & 0xFFFu);
    slot = NextProbe(slot, first);
  }
}

// --- Encoder base ------------------------------------------------------------------------------

void TGIFEncoder::Encode(std::vector<uint8_t>& out, const TGIFEncodeFrame& frame) {
  InitBits = std::max(2, frame.InitialBits);
  out.push_back(uint8_t(InitBits));
  BitsPerCode = InitBits + 1;
  MaxCode = (1 << BitsPerCode) - 1;
  ClearCode = 1 << InitBits;
  EndCode = ClearCode + 1;
  BaseCode = ClearCode + 2;
  JustCleared = false;
  bitBuffer_ = 0;
  bitCount_ = 0;
  colorCount_ = frame.ColorCount;
  pixels_ = frame.Pixels;
  width_ = frame.Width;
  height_ = frame.Height;
  interlaced_ = frame.Interlaced && frame.Height > 0;
  pass_ = 0;
  row_ = 0;
  cursor_ = pixels_;
  countDown_ = interlaced_ ? size_t(std::max(frame.Width, 0))
                           : size_t(std::max(frame.Width, 0)) * size_t(std::max(frame.Height, 0));
  {
    TGIFWriter writer(out);
    writer_ = &writer;
    try {
      if (pixels_ && width_ >= 1 && height_ >= 1) CompressPixels();
      Output(EndCode);
    } catch (...) {
      writer_ = nullptr;
      throw;
    }
    writer_ = nullptr;
  }
  out.push_back(0);
}

bool TGIFEncoder::NextRun() {
  if (!interlaced_) return false;
  row_ += PassStep[pass_];
  while (row_ >= height_) {
    if (pass_ == 3) return false;
    row_ = PassStart[++pass_];
  }
  cursor_ = pixels_ + size_t(row_) * size_t(width_);
  countDown_ = size_t(width_);
  return true;
}

void TGIFEncoder::ThrowColorNotInTable() { throw GIFException("Color not in color table"); }

void TGIFEncoder::Output(int code) {
  bitBuffer_ = bitCount_ == 0
                   ? uint32_t(code)
                   : (uint32_t(code) << bitCount_) | (bitBuffer_ & ((1u << bitCount_) - 1));
  bitCount_ += BitsPerCode;
  while (bitCount_ >= 8) {
    writer_->WriteByte(uint8_t(bitBuffer_));
    bitBuffer_ >>= 8;
    bitCount_ -= 8;
  }
  if (code == EndCode && bitCount_ > 0) {
    writer_->WriteByte(uint8_t(bitBuffer_));
    bitBuffer_ = 0;
    bitCount_ = 0;
  }
}

void TGIFEncoder::Clear() {
  JustCleared = true;
  Output(ClearCode);
}

// --- LZW encoder -------------------------------------------------------------------------------

void TLZWEncoder::Output(int code) {
  TGIFEncoder::Output(code);
  if (JustCleared) {
    BitsPerCode = InitBits + 1;
    MaxCode = (1 << BitsPerCode) - 1;
    JustCleared = false;
  } else if (nextFree_ > MaxCode) {
    ++BitsPerCode;
    MaxCode = BitsPerCode >= 12 ? 4096 : (1 << BitsPerCode) - 1;
  }
}

void TLZWEncoder::Clear() {
  TGIFEncoder::Clear();
  table_->Clear();
  nextFree_ = BaseCode;
}

void TLZWEncoder::CompressPixels() {
  table_ = std::make_unique<THashTable>();
  Clear();
  int prefix = NextPixel();
  for (int c = NextPixel(); c >= 0; c = NextPixel()) {
    const uint32_t key = (uint32_t(prefix) << 8) | uint32_t(c);
    const int code = table_->Lookup(key);
    if (code >= 0) {
      prefix = code;
      continue;
    }
    Output(prefix);
    prefix = c;
    if (nextFree_ >= 4095) {
      Clear();
    } else {
      table_->Insert(key, nextFree_++);
    }
  }
  Output(prefix);
  table_.reset();
}

// --- Run-length encoder ------------------------------------------------------------------------

unsigned TRLEEncoder::Isqrt(unsigned x) {
  if (x < 2) return x;
  unsigned r = 1;
  for (unsigned v = x; v; v >>= 2) r <<= 1;
  for (;;) {
    const unsigned next = (x / r + r) / 2;
    if (next == r || next == r + 1) return r;
    r = next;
  }
}

unsigned TRLEEncoder::TriangleCost(unsigned length, unsigned maxCodes) {
  unsigned cost = 0;
  const unsigned perRep = maxCodes * (maxCodes + 1) / 2;
  while (length >= perRep) {
    cost += maxCodes;
    length -= perRep;
  }
  if (length > 0) {
    unsigned n = Isqrt(length);
    while (n * (n + 1) >= 2 * length) --n;
    while (n * (n + 1) < 2 * length) ++n;
    cost += n;
  }
  return cost;
}

void TRLEEncoder::Clear() {
  outBump_ = outBumpInit_;
  outClear_ = outClearInit_;
  outCount_ = 0;
  tableMax_ = 0;
  TGIFEncoder::Clear();
  BitsPerCode = InitBits + 1;
}

void TRLEEncoder::PlainOutput(int code) {
  JustCleared = false;
  Output(code);
  ++outCount_;
  if (outCount_ >= outBump_) {
    ++BitsPerCode;
    outBump_ += 1 << (BitsPerCode - 1);
  }
  if (outCount_ >= outClear_) Clear();
}

void TRLEEncoder::ResetOutClear() {
  outClear_ = outClearInit_;
  if (outCount_ >= outClear_) Clear();
}

void TRLEEncoder::FlushFromClear(int length) {
  outClear_ = maxOutCodes_;
  tablePixel_ = runPixel_;
  int k = 1;
  while (length > 0) {
    if (k == 1) {
      tableMax_ = 1;
      PlainOutput(runPixel_);
      --length;
    } else if (length >= k) {
      tableMax_ = k;
      PlainOutput(BaseCode + k - 2);
      length -= k;
    } else {
      ++tableMax_;
      PlainOutput(length == 1 ? runPixel_ : BaseCode + length - 2);
      length = 0;
    }
    k = outCount_ == 0 ? 1 : k + 1;
  }
  ResetOutClear();
}

void TRLEEncoder::FlushClearOrRepeat(int length) {
  if (unsigned(length) > 1 + TriangleCost(unsigned(length), unsigned(maxOutCodes_))) {
    Clear();
    FlushFromClear(length);
  } else {
    for (; length > 0; --length) PlainOutput(runPixel_);
  }
}

void TRLEEncoder::FlushWithTable(int length) {
  int reps = length / tableMax_;
  int rest = length % tableMax_;
  int extra = rest > 0 ? 1 : 0;
  if (outCount_ + reps + extra > maxOutCodes_) {
    reps = maxOutCodes_ - outCount_;
    rest = length - reps * tableMax_;
    extra = 1 + int(TriangleCost(unsigned(rest), unsigned(maxOutCodes_)));
  }
  if (1 + int(TriangleCost(unsigned(length), unsigned(maxOutCodes_))) < reps + extra) {
    Clear();
    FlushFromClear(length);
    return;
  }
  outClear_ = maxOutCodes_;
  for (; reps > 0; --reps) PlainOutput(BaseCode + tableMax_ - 2);
  if (rest > 0) {
    if (JustCleared)
      FlushFromClear(rest);
    else
      PlainOutput(rest == 1 ? runPixel_ : BaseCode + rest - 2);
  }
  ResetOutClear();
}

void TRLEEncoder::Flush(int length) {
  if (length == 1)
    PlainOutput(runPixel_);
  else if (JustCleared)
    FlushFromClear(length);
  else if (tableMax_ < 2 || tablePixel_ != runPixel_)
    FlushClearOrRepeat(length);
  else
    FlushWithTable(length);
}

void TRLEEncoder::CompressPixels() {
  outBumpInit_ = ClearCode - 1;
  outClearInit_ = InitBits > 3 ? ClearCode - 2 : 9;
  maxOutCodes_ = 4095 - BaseCode;
  Clear();
  runPixel_ = -1;
  runLength_ = 0;
  for (int c = NextPixel(); c >= 0; c = NextPixel()) {
    if (runLength_ > 0 && c != runPixel_) {
      Flush(runLength_);
      runLength_ = 0;
    }
    if (c == runPixel_) {
      ++runLength_;
    } else {
      runPixel_ = c;
      runLength_ = 1;
    }
  }
  if (runLength_ > 0) Flush(runLength_);
}

}  // namespace imaging
