#include "imaging/Ccitt.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace imaging {

namespace {

constexpr int32_t kEndOfLine = -1;
constexpr int32_t kInternal = -2;

// One decoding tree: entry 0 is the root; a child index of 0 means no child. A table of the
// root's first eight steps lets most codes be found in one look-up.
struct TCodeTree {
  struct TNode {
    uint32_t Child[2] = {0, 0};
    int32_t Run = kInternal;
  };
  // Where the first (up to) eight bits of a code lead from the root.
  struct TStart {
    uint32_t Node = 0;
    uint8_t Bits = 0;      // bits consumed on the way
    bool Invalid = false;  // a bit with no child was met (not consumed)
  };
  std::vector<TNode> Nodes{TNode{}};
  TStart Starts[256];

  void Add(const char* bits, int32_t run) {
    uint32_t node = 0;
    for (const char* b = bits; *b; ++b) {
      const int bit = *b - '0';
      if (Nodes[node].Child[bit] == 0) {
        Nodes[node].Child[bit] = uint32_t(Nodes.size());
        Nodes.push_back(TNode{});
      }
      node = Nodes[node].Child[bit];
    }
    Nodes[node].Run = run;
  }

  void MakeStarts() {
    for (unsigned v = 0; v < 256; ++v) {
      TStart& start = Starts[v];
      while (start.Bits < 8 && Nodes[start.Node].Run == kInternal) {
        const uint32_t child = Nodes[start.Node].Child[(v >> (7 - start.Bits)) & 1];
        if (child == 0) {
          start.Invalid = true;
          break;
        }
        start.Node = child;
        ++start.Bits;
      }
    }
  }
};

struct TCode {
  const char* Bits;
  int32_t Run;
};

// ITU-T T.4 one-dimensional codes.
constexpr TCode kWhiteCodes[] = {
    {"00110101", 0},     {"000111", 1},       {"0111", 2},         {"1000", 3},
    {"1011", 4},         {"1100", 5},         {"1110", 6},         {"1111", 7},
    {"10011", 8},        {"10100", 9},        {"00111", 10},       {"01000", 11},
    {"001000", 12},      {"000011", 13},      {"110100", 14},      {"110101", 15},
    {"101010", 16},      {"101011", 17},      {"0100111", 18},     {"0001100", 19},
    {"0001000", 20},     {"0010111", 21},     {"0000011", 22},     {"0000100", 23},
    {"0101000", 24},     {"0101011", 25},     {"0010011", 26},     {"0100100", 27},
    {"0011000", 28},     {"00000010", 29},    {"00000011", 30},    {"00011010", 31},
    {"00011011", 32},    {"00010010", 33},    {"00010011", 34},    {"00010100", 35},
    {"00010101", 36},    {"00010110", 37},    {"00010111", 38},    {"00101000", 39},
    {"00101001", 40},    {"00101010", 41},    {"00101011", 42},    {"00101100", 43},
    {"00101101", 44},    {"00000100", 45},    {"00000101", 46},    {"00001010", 47},
    {"00001011", 48},    {"01010010", 49},    {"01010011", 50},    {"01010100", 51},
    {"01010101", 52},    {"00100100", 53},    {"00100101", 54},    {"01011000", 55},
    {"01011001", 56},    {"01011010", 57},    {"01011011", 58},    {"01001010", 59},
    {"01001011", 60},    {"00110010", 61},    {"00110011", 62},    {"00110100", 63},
    {"11011", 64},       {"10010", 128},      {"010111", 192},     {"0110111", 256},
    {"00110110", 320},   {"00110111", 384},   {"01100100", 448},   {"01100101", 512},
    {"01101000", 576},   {"01100111", 640},   {"011001100", 704},  {"011001101", 768},
    {"011010010", 832},  {"011010011", 896},  {"011010100", 960},  {"011010101", 1024},
    {"011010110", 1088}, {"011010111", 1152}, {"011011000", 1216}, {"011011001", 1280},
    {"011011010", 1344}, {"011011011", 1408}, {"010011000", 1472}, {"010011001", 1536},
    {"010011010", 1600}, {"011000", 1664},    {"010011011", 1728},
};

constexpr TCode kBlackCodes[] = {
    {"0000110111", 0},      {"010", 1},             {"11", 2},
    {"10", 3},              {"011", 4},             {"0011", 5},
    {"0010", 6},            {"00011", 7},           {"000101", 8},
    {"000100", 9},          {"0000100", 10},        {"0000101", 11},
    {"0000111", 12},        {"00000100", 13},       {"00000111", 14},
    {"000011000", 15},      {"0000010111", 16},     {"0000011000", 17},
    {"0000001000", 18},     {"00001100111", 19},    {"00001101000", 20},
    {"00001101100", 21},    {"00000110111", 22},    {"00000101000", 23},
    {"00000010111", 24},    {"00000011000", 25},    {"000011001010", 26},
    {"000011001011", 27},   {"000011001100", 28},   {"000011001101", 29},
    {"000001101000", 30},   {"000001101001", 31},   {"000001101010", 32},
    {"000001101011", 33},   {"000011010010", 34},   {"000011010011", 35},
    {"000011010100", 36},   {"000011010101", 37},   {"000011010110", 38},
    {"000011010111", 39},   {"000001101100", 40},   {"000001101101", 41},
    {"000011011010", 42},   {"000011011011", 43},   {"000001010100", 44},
    {"000001010101", 45},   {"000001010110", 46},   {"000001010111", 47},
    {"000001100100", 48},   {"000001100101", 49},   {"000001010010", 50},
    {"000001010011", 51},   {"000000100100", 52},   {"000000110111", 53},
    {"000000111000", 54},   {"000000100111", 55},   {"000000101000", 56},
    {"000001011000", 57},   {"000001011001", 58},   {"000000101011", 59},
    {"000000101100", 60},   {"000001011010", 61},   {"000001100110", 62},
    {"000001100111", 63},   {"0000001111", 64},     {"000011001000", 128},
    {"000011001001", 192},  {"000001011011", 256},  {"000000110011", 320},
    {"000000110100", 384},  {"000000110101", 448},  {"0000001101100", 512},
    {"0000001101101", 576}, {"0000001001010", 640}, {"0000001001011", 704},
    {"0000001001100", 768}, {"0000001001101", 832}, {"0000001110010", 896},
    {"0000001110011", 960}, {"0000001110100", 1024}, {"0000001110101", 1088},
    {"0000001110110", 1152}, {"0000001110111", 1216}, {"0000001010010", 1280},
    {"0000001010011", 1344}, {"0000001010100", 1408}, {"0000001010101", 1472},
    {"0000001011010", 1536}, {"0000001011011", 1600}, {"0000001100100", 1664},
    {"0000001100101", 1728},
};

// Make-up codes both colours share, 1792 to 2560.
constexpr TCode kExtendedCodes[] = {
    {"00000001000", 1792},  {"00000001100", 1856},  {"00000001101", 1920},
    {"000000010010", 1984}, {"000000010011", 2048}, {"000000010100", 2112},
    {"000000010101", 2176}, {"000000010110", 2240}, {"000000010111", 2304},
    {"000000011100", 2368}, {"000000011101", 2432}, {"000000011110", 2496},
    {"000000011111", 2560},
};

TCodeTree MakeTree(const TCode* codes, size_t count) {
  TCodeTree tree;
  for (size_t i = 0; i < count; ++i) tree.Add(codes[i].Bits, codes[i].Run);
  for (const TCode& c : kExtendedCodes) tree.Add(c.Bits, c.Run);
  // The end of line, after up to 12 fill bits.
  std::string eol = "000000000001";
  for (int fill = 0; fill <= 12; ++fill, eol.insert(eol.begin(), '0')) tree.Add(eol.c_str(), kEndOfLine);
  tree.MakeStarts();
  return tree;
}

// Both trees, built once for every decoder.
const TCodeTree& WhiteTree() {
  static const TCodeTree tree = MakeTree(kWhiteCodes, std::size(kWhiteCodes));
  return tree;
}
const TCodeTree& BlackTree() {
  static const TCodeTree tree = MakeTree(kBlackCodes, std::size(kBlackCodes));
  return tree;
}

// Source bits, highest first, through a 64-bit buffer of whole bytes.
class TBitSource {
 public:
  TBitSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool HasBits() const { return held_ > 0 || next_ < size_; }
  // Bits in hand after topping the buffer up.
  int Fill() {
    while (held_ <= 56 && next_ < size_) {
      buffer_ |= uint64_t(data_[next_++]) << (56 - held_);
      held_ += 8;
    }
    return held_;
  }
  // The next bit, or the next eight, not yet consumed; Fill must have given enough.
  int Peek() const { return int(buffer_ >> 63); }
  unsigned Peek8() const { return unsigned(buffer_ >> 56); }
  void Consume(int bits) {
    buffer_ <<= bits;
    held_ -= bits;
  }
  // Drops the unread bits of the byte being read.
  void AlignToByte() { Consume(held_ % 8); }
  // Bytes of which at least one bit was read.
  size_t BytesRead() const { return (next_ * 8 - size_t(held_) + 7) / 8; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
  uint64_t buffer_ = 0;
  int held_ = 0;
};

// One code of a colour: make-up runs add up until a terminating run (below 64) ends it. An end
// of line gives kEndOfLine; an invalid sequence or the end of the bits ends the code with what
// was summed so far.
int64_t ReadCode(TBitSource& bits, const TCodeTree& tree) {
  int64_t sum = 0;
  for (;;) {
    uint32_t node = 0;
    if (bits.Fill() >= 8) {
      const TCodeTree::TStart& start = tree.Starts[bits.Peek8()];
      bits.Consume(start.Bits);
      if (start.Invalid) return sum;
      node = start.Node;
    }
    while (tree.Nodes[node].Run == kInternal) {
      if (bits.Fill() == 0) return sum;
      const uint32_t child = tree.Nodes[node].Child[bits.Peek()];
      if (child == 0) return sum;
      bits.Consume(1);
      node = child;
    }
    const int32_t run = tree.Nodes[node].Run;
    if (run == kEndOfLine) return kEndOfLine;
    sum += run;
    if (run < 64) return sum;
  }
}

// Sets `count` pixels from x on to black (1 bits), whole bytes at once.
void SetBlack(uint8_t* row, size_t x, size_t count) {
  uint8_t* p = row + x / 8;
  const size_t bit = x % 8;
  if (bit) {
    const size_t first = std::min(count, 8 - bit);
    *p++ |= uint8_t((0xFF >> bit) & ~(0xFF >> (bit + first)));
    count -= first;
  }
  std::memset(p, 0xFF, count / 8);
  p += count / 8;
  if (count % 8) *p |= uint8_t(~(0xFF >> (count % 8)));
}

uint8_t ReverseBits(uint8_t b) {
  b = uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

}  // namespace

TCCITTDecoder::TCCITTDecoder(uint32_t options, bool swapBits, uint32_t width,
                             bool byteAlignedRows, bool endOfLineStartsRow)
    : options_(options),
      swapBits_(swapBits),
      width_(width),
      byteAlignedRows_(byteAlignedRows),
      endOfLineStartsRow_(endOfLineStartsRow) {
  WhiteTree();
  BlackTree();
}

TDecodeResult TCCITTDecoder::Decode(const uint8_t*& source, size_t& packedSize, uint8_t*& dest,
                                    size_t& unpackedSize) {
  std::memset(dest, 0, unpackedSize);
  std::vector<uint8_t> reversed;
  const uint8_t* data = source;
  if (swapBits_) {
    reversed.resize(packedSize);
    for (size_t i = 0; i < packedSize; ++i) reversed[i] = ReverseBits(source[i]);
    data = reversed.data();
  }
  const size_t rowBytes = (size_t(width_) + 7) / 8;
  const size_t rows = width_ ? unpackedSize / rowBytes : 0;
  TBitSource bits(data, packedSize);
  const TCodeTree& white = WhiteTree();
  const TCodeTree& black = BlackTree();

  size_t row = 0, x = 0;
  bool isWhite = true;
  auto newRow = [&] {
    ++row;
    x = 0;
    isWhite = true;
    if (byteAlignedRows_) bits.AlignToByte();
  };
  while (row < rows && bits.HasBits()) {
    const int64_t run = ReadCode(bits, isWhite ? white : black);
    if (run == kEndOfLine && endOfLineStartsRow_) {
      if (x > 0) newRow();
      isWhite = true;
      continue;
    }
    if (run > 0) {
      const size_t take = size_t(std::min<int64_t>(run, int64_t(width_ - x)));
      if (!isWhite) SetBlack(dest + row * rowBytes, x, take);
      x += take;
      if (x == width_) {
        newRow();
        continue;
      }
    }
    isWhite = !isWhite;
  }
  TDecodeResult r;
  r.Consumed = bits.BytesRead();
  r.Produced = std::min(unpackedSize, (row + (x > 0 ? 1 : 0)) * rowBytes);
  r.SourceEnded = row < rows;
  return r;
}

}  // namespace imaging
