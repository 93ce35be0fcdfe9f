#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <zlib.h>

#include "TestSupport.h"
#include "imaging/RasterCompression.h"

using namespace imaging;
using Bytes = std::vector<uint8_t>;

namespace {

struct TOutcome {
  Bytes Out;  // the whole target after the decode
  TDecodeResult Result;
  size_t SourceLeft;
  size_t SourceMoved;
};

// Decodes from a copy of `packed` into a target of exactly `targetSize` bytes (both on the heap
// at their exact sizes, so the address sanitizer sees any step outside them).
TOutcome DecodeAll(TDecoder& d, const Bytes& packed, size_t targetSize, uint8_t fill = 0xEE) {
  auto source = std::make_unique<uint8_t[]>(packed.size());
  std::copy(packed.begin(), packed.end(), source.get());
  auto target = std::make_unique<uint8_t[]>(targetSize);
  std::fill_n(target.get(), targetSize, fill);
  const uint8_t* s = source.get();
  size_t packedSize = packed.size();
  uint8_t* t = target.get();
  size_t unpackedSize = targetSize;
  TOutcome o;
  o.Result = d.Decode(s, packedSize, t, unpackedSize);
  o.Out.assign(target.get(), target.get() + targetSize);
  o.SourceLeft = packedSize;
  o.SourceMoved = size_t(s - source.get());
  return o;
}

Bytes Produced(const TOutcome& o) {
  return Bytes(o.Out.begin(), o.Out.begin() + std::ptrdiff_t(o.Result.Produced));
}

// Bits written as text ("1011 0010"), padded with zeros to whole bytes.
Bytes BitString(const std::string& text) {
  Bytes out;
  int n = 0;
  uint8_t current = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    current = uint8_t((current << 1) | (c - '0'));
    if (++n == 8) {
      out.push_back(current);
      current = 0;
      n = 0;
    }
  }
  if (n) out.push_back(uint8_t(current << (8 - n)));
  return out;
}

}  // namespace

// ---- run-length ------------------------------------------------------------------------------

TEST(RunLengthDecoders, DecodeTheirPackets) {
  struct Case {
    const char* Name;
    std::function<std::unique_ptr<TDecoder>()> Make;
    Bytes Packed;
    size_t TargetSize;
    Bytes Expected;
    size_t Consumed;
  };
  auto targa24 = [] { return std::make_unique<TTargaRLEDecoder>(24); };
  auto packbits = [] { return std::make_unique<TPackbitsRLEDecoder>(); };
  auto pcx = [] { return std::make_unique<TPCXRLEDecoder>(); };
  auto sgi2 = [] { return std::make_unique<TSGIRLEDecoder>(2); };
  const std::vector<Case> cases = {
      {"Targa run: 82 + one pixel gives 3 pixels", targa24, {0x82, 1, 2, 3}, 9,
       {1, 2, 3, 1, 2, 3, 1, 2, 3}, 4},
      {"Targa literal: 01 + two pixels", targa24, {0x01, 1, 2, 3, 4, 5, 6}, 6,
       {1, 2, 3, 4, 5, 6}, 7},
      {"Targa 16-bit pixels", [] { return std::make_unique<TTargaRLEDecoder>(16); },
       {0x81, 0x34, 0x12, 0x00, 0x78, 0x56}, 6, {0x34, 0x12, 0x34, 0x12, 0x78, 0x56}, 6},
      {"Targa 32-bit run", [] { return std::make_unique<TTargaRLEDecoder>(32); },
       {0x83, 1, 2, 3, 4}, 16, {1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4, 1, 2, 3, 4}, 5},
      {"Targa run longer than the target stops with the target", targa24,
       {0x85, 9, 8, 7, 0x00, 1}, 6, {9, 8, 7, 9, 8, 7}, 4},
      // Apple's PackBits example (Technical Note TN1023).
      {"PackBits example", packbits,
       {0xFE, 0xAA, 0x02, 0x80, 0x00, 0x2A, 0xFD, 0xAA, 0x03, 0x80, 0x00, 0x2A, 0x22, 0xF7,
        0xAA},
       24,
       {0xAA, 0xAA, 0xAA, 0x80, 0x00, 0x2A, 0xAA, 0xAA, 0xAA, 0xAA, 0x80, 0x00, 0x2A, 0x22,
        0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA},
       15},
      {"PackBits 80 gives nothing and consumes one byte", packbits, {0x80}, 4, {}, 1},
      {"PCX run and plain bytes", pcx, {0xC3, 7, 0x05, 0xC1, 0xC5}, 5, {7, 7, 7, 5, 0xC5}, 5},
      {"PCX C0 with a value gives nothing", pcx, {0xC0, 9, 4}, 1, {4}, 3},
      {"PCX run cut to the bytes still wanted", pcx, {0xC9, 1, 2}, 4, {1, 1, 1, 1}, 2},
      {"SGI 1-byte samples", [] { return std::make_unique<TSGIRLEDecoder>(1); },
       {0x82, 5, 6, 0x03, 9, 0x00, 0x81, 1}, 8, {5, 6, 9, 9, 9}, 6},
      {"SGI 2-byte literal and run", sgi2,
       {0x00, 0x82, 0x12, 0x34, 0x56, 0x78, 0x00, 0x02, 0xAB, 0xCD, 0x00, 0x00}, 8,
       {0x12, 0x34, 0x56, 0x78, 0xAB, 0xCD, 0xAB, 0xCD}, 10},
      {"Dr. Halo line", [] { return std::make_unique<TCUTRLEDecoder>(); },
       {0x07, 0x00, 0x83, 4, 0x02, 5, 6, 0x00, 0x99}, 5, {4, 4, 4, 5, 6}, 8},
      {"Paint Shop Pro", [] { return std::make_unique<TPSPRLEDecoder>(); },
       {0x02, 1, 2, 0x83, 9, 0x80, 3}, 6, {1, 2, 9, 9, 9}, 7},
      {"RLA", [] { return std::make_unique<TRLADecoder>(); }, {0x02, 7, 0xFE, 1, 2}, 5,
       {7, 7, 7, 1, 2}, 5},
  };
  for (const Case& c : cases) {
    auto d = c.Make();
    TOutcome o = DecodeAll(*d, c.Packed, c.TargetSize);
    EXPECT_EQ(Produced(o), c.Expected) << c.Name;
    EXPECT_EQ(o.Result.Consumed, c.Consumed) << c.Name;
    EXPECT_FALSE(o.Result.SourceEnded) << c.Name;
    // Bytes after what was produced stay as they were.
    for (size_t i = o.Result.Produced; i < c.TargetSize; ++i) EXPECT_EQ(o.Out[i], 0xEE) << c.Name;
  }
}

TEST(RunLengthDecoders, OnlyTargaAndDrHaloAdvanceTheirSource) {
  TTargaRLEDecoder targa(8);
  TOutcome o = DecodeAll(targa, {0x81, 5, 0x00, 6}, 3);
  EXPECT_EQ(o.SourceMoved, 4u);
  EXPECT_EQ(o.SourceLeft, 0u);
  TCUTRLEDecoder cut;
  o = DecodeAll(cut, {2, 0, 0x81, 3, 0, 0x55}, 1);
  EXPECT_EQ(o.SourceMoved, 5u);
  EXPECT_EQ(o.SourceLeft, 1u);
  TPackbitsRLEDecoder packbits;
  o = DecodeAll(packbits, {0x00, 1}, 1);
  EXPECT_EQ(o.SourceMoved, 0u);
  EXPECT_EQ(o.SourceLeft, 2u);
}

// Packets may cross rows: decoding a picture row by row through one decoder gives what one
// decode of the whole picture gives.
TEST(RunLengthDecoders, TargaPacketsGoOnIntoTheNextRow) {
  // Rows of 3 pixels, 8 bits: a run of 5, a literal of 4 (crossing into row 3), a run of 3
  // filling the rest.
  const Bytes packed{0x84, 7, 0x03, 1, 2, 3, 4, 0x80, 9, 0x81, 6};
  const Bytes whole{7, 7, 7, 7, 7, 1, 2, 3, 4, 9, 6, 6};
  TTargaRLEDecoder d(8);
  const uint8_t* s = packed.data();
  size_t left = packed.size();
  Bytes rows;
  for (int row = 0; row < 4; ++row) {
    uint8_t out[3] = {};
    uint8_t* t = out;
    size_t room = 3;
    const TDecodeResult r = d.Decode(s, left, t, room);
    ASSERT_EQ(r.Produced, 3u) << row;
    EXPECT_FALSE(r.SourceEnded) << row;
    rows.insert(rows.end(), out, out + 3);
  }
  EXPECT_EQ(rows, whole);
  EXPECT_EQ(left, 0u);

  // DecodeInit forgets a packet left open.
  TTargaRLEDecoder again(8);
  TOutcome o = DecodeAll(again, {0x84, 7}, 2);
  again.DecodeInit();
  o = DecodeAll(again, {0x00, 5}, 1);
  EXPECT_EQ(Produced(o), Bytes{5});

  // A source that ends inside a literal packet says so.
  TTargaRLEDecoder cut(24);
  o = DecodeAll(cut, {0x02, 1, 2, 3, 4, 5}, 9);
  EXPECT_TRUE(o.Result.SourceEnded);
  EXPECT_EQ(Produced(o), (Bytes{1, 2, 3}));
}

// Every decoder, given its packed sample cut at each length and a target one byte short of
// the full output, stays inside both (the asan preset checks) and gives a prefix of the full
// output.
TEST(RunLengthDecoders, StopAtTheEndOfTheirSourceAndTarget) {
  struct Case {
    const char* Name;
    std::function<std::unique_ptr<TDecoder>()> Make;
    Bytes Packed;
    size_t Full;
  };
  const std::vector<Case> cases = {
      {"Targa 24", [] { return std::make_unique<TTargaRLEDecoder>(24); },
       {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}, 12},
      {"PackBits", [] { return std::make_unique<TPackbitsRLEDecoder>(); },
       {0x02, 1, 2, 3, 0xFD, 4, 0x01, 5, 6}, 9},
      {"PCX", [] { return std::make_unique<TPCXRLEDecoder>(); }, {0xC4, 1, 2, 0xC3, 3}, 8},
      {"SGI 1", [] { return std::make_unique<TSGIRLEDecoder>(1); },
       {0x83, 1, 2, 3, 0x04, 4, 0x00}, 7},
      {"SGI 2", [] { return std::make_unique<TSGIRLEDecoder>(2); },
       {0x00, 0x82, 1, 2, 3, 4, 0x00, 0x03, 5, 6, 0x00, 0x00}, 10},
      {"Dr. Halo", [] { return std::make_unique<TCUTRLEDecoder>(); },
       {9, 0, 0x84, 1, 0x03, 2, 3, 4, 0x00}, 7},
      {"Paint Shop Pro", [] { return std::make_unique<TPSPRLEDecoder>(); },
       {0x03, 1, 2, 3, 0x84, 4}, 7},
      {"RLA", [] { return std::make_unique<TRLADecoder>(); }, {0xFD, 1, 2, 3, 0x03, 4}, 7},
  };
  for (const Case& c : cases) {
    auto full = c.Make();
    const Bytes whole = Produced(DecodeAll(*full, c.Packed, c.Full));
    ASSERT_EQ(whole.size(), c.Full) << c.Name;
    for (size_t cut = 0; cut <= c.Packed.size(); ++cut) {
      for (size_t target : {c.Full - 1, c.Full}) {
        auto d = c.Make();
        const Bytes packed(c.Packed.begin(), c.Packed.begin() + std::ptrdiff_t(cut));
        TOutcome o = DecodeAll(*d, packed, target);
        const Bytes out = Produced(o);
        ASSERT_LE(out.size(), target) << c.Name;
        EXPECT_EQ(out, Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(out.size())))
            << c.Name << " cut at " << cut;
        EXPECT_LE(o.Result.Consumed, cut) << c.Name;
        if (cut == 0) {
          EXPECT_TRUE(out.empty()) << c.Name;
        }
        if (cut < c.Packed.size() && target == c.Full && out.size() < c.Full) {
          EXPECT_TRUE(o.Result.SourceEnded || o.Result.Consumed == cut) << c.Name << " " << cut;
        }
      }
    }
  }
}

TEST(TargaEncoder, PacksLiteralStretchesAndRuns) {
  TTargaRLEDecoder codec(24);
  const Bytes A{1, 2, 3}, B{4, 5, 6};
  Bytes pixels;
  for (const Bytes* p : {&A, &B, &B, &B}) pixels.insert(pixels.end(), p->begin(), p->end());
  Bytes packed(codec.EncodedSizeLimit(4));
  size_t fill = 99;
  codec.Encode(pixels, packed, 4, fill);
  EXPECT_EQ(fill, 8u);
  packed.resize(fill);
  EXPECT_EQ(packed, (Bytes{0x00, 1, 2, 3, 0x82, 4, 5, 6}));

  // 200 equal pixels: a run of 128 and one of 72.
  TTargaRLEDecoder gray(8);
  Bytes same(200, 7), out(gray.EncodedSizeLimit(200));
  gray.Encode(same, out, 200, fill);
  out.resize(fill);
  EXPECT_EQ(out, (Bytes{0xFF, 7, 0xC7, 7}));

  // A lone last pixel is a literal of one.
  Bytes two{1, 2}, small(gray.EncodedSizeLimit(2));
  gray.Encode(two, small, 2, fill);
  small.resize(fill);
  EXPECT_EQ(small, (Bytes{0x00, 1, 0x00, 2}));

  Bytes tooSmall(gray.EncodedSizeLimit(200) - 1);
  EXPECT_THROW(gray.Encode(same, tooSmall, 200, fill), std::length_error);
  EXPECT_THROW(gray.Encode(same, out, 201, fill), std::length_error);

  // The other decoders write nothing.
  TPackbitsRLEDecoder packbits;
  fill = 5;
  packbits.Encode(same, out, 200, fill);
  EXPECT_EQ(fill, 0u);
}

TEST(TargaEncoder, DecodingGivesEveryRowBack) {
  std::mt19937 random(20240611);
  for (int depth : {8, 15, 16, 24, 32}) {
    TTargaRLEDecoder codec(depth);
    const size_t b = codec.PixelBytes();
    for (int trial = 0; trial < 40; ++trial) {
      const size_t count = 1 + random() % 700;
      // Few distinct pixels, so that runs of every length appear among the literals.
      Bytes pixels(count * b);
      const unsigned kinds = 1 + random() % 4;
      for (size_t i = 0; i < count;) {
        const size_t len = 1 + random() % (random() % 2 ? 3 : 300);
        const uint8_t v = uint8_t(random() % kinds);
        for (size_t k = 0; k < len && i < count; ++k, ++i)
          for (size_t j = 0; j < b; ++j) pixels[i * b + j] = uint8_t(v * 37 + j);
      }
      Bytes packed(codec.EncodedSizeLimit(count));
      size_t fill = 0;
      codec.Encode(pixels, packed, count, fill);
      packed.resize(fill);
      TOutcome o = DecodeAll(codec, packed, count * b);
      ASSERT_EQ(o.Out, pixels) << depth << " bits, trial " << trial;
      ASSERT_EQ(o.Result.Consumed, fill);
    }
  }
}

// ---- CCITT ---------------------------------------------------------------------------------

TEST(CcittDecoder, WritesRunsIntoRowsThatEachStartWhite) {
  struct Case {
    const char* Name;
    bool Fax3;
    uint32_t Width;
    std::string Bits;
    size_t Rows;
    Bytes Expected;
  };
  const std::vector<Case> cases = {
      {"white 4, black 6 in a row of 10", true, 10, "1011 0010", 1, {0x0F, 0xC0}},
      {"the second row starts white", true, 10, "1011 0010 1011 0010", 2,
       {0x0F, 0xC0, 0x0F, 0xC0}},
      {"end of line before each row starts no extra row", true, 10,
       "000000000001 1011 0010 000000000001 1011 0010", 2, {0x0F, 0xC0, 0x0F, 0xC0}},
      {"fill bits before an end of line", true, 10,
       "0000 000000000001 1011 0010 00000000 000000000001 1011 0010", 2,
       {0x0F, 0xC0, 0x0F, 0xC0}},
      {"end of line inside a row moves to the next row", true, 10,
       "0111 000000000001 1011 0010", 2, {0x00, 0x00, 0x0F, 0xC0}},
      {"a black run longer than the row is cut", true, 10,
       "1011 0000001000 1000 11", 2, {0x0F, 0xC0, 0x18, 0x00}},
      {"white 0 starts a row with black", true, 8, "00110101 11 0111 0011", 1, {0xCF}},
      {"make-up plus terminating run", true, 80, "11011 0111 0011", 1,
       {0, 0, 0, 0, 0, 0, 0, 0, 0x3E, 0}},
      {"group 3 rows are not byte-aligned", true, 5, "000111 011 000111 011", 2, {0x78, 0x78}},
      {"modified Huffman rows start on a byte", false, 5, "000111 011 0000000 000111 011", 2,
       {0x78, 0x78}},
      {"modified Huffman drops the rest of a row's byte", false, 4, "1011 1111 0111 1100", 2,
       {0x00, 0x30}},
      {"bits running out leave the rest white", true, 10, "1011", 2, {0x00, 0x00, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<TDecoder> d;
    if (c.Fax3)
      d = std::make_unique<TCCITTFax3Decoder>(0, false, c.Width);
    else
      d = std::make_unique<TCCITTMHDecoder>(0, false, c.Width);
    TOutcome o = DecodeAll(*d, BitString(c.Bits), c.Expected.size());
    EXPECT_EQ(o.Out, c.Expected) << c.Name;
    EXPECT_EQ(o.SourceMoved, 0u);
  }
}

TEST(CcittDecoder, Run2560IsAMakeUpCodeOfBothColours) {
  // Width 3000: white 2560 + 40, black 384 + 16.
  TCCITTFax3Decoder d(0, false, 3000);
  TOutcome o = DecodeAll(d, BitString("000000011111 00101001 000000110100 0000010111"), 375);
  Bytes expected(375, 0);
  std::fill(expected.begin() + 325, expected.end(), 0xFF);
  EXPECT_EQ(o.Out, expected);
  EXPECT_FALSE(o.Result.SourceEnded);
  // Black 2560 + 0 after white 0.
  o = DecodeAll(d, BitString("00110101 000000011111 0000110111 0111"), 375);
  expected.assign(375, 0);
  std::fill(expected.begin(), expected.begin() + 320, 0xFF);
  EXPECT_EQ(o.Out, expected);
}

TEST(CcittDecoder, SwappedBitsAreReversedInACopy) {
  const Bytes msbFirst = BitString("1011 0010 1011 0010");
  Bytes lsbFirst;
  for (uint8_t b : msbFirst) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = uint8_t(r | (((b >> i) & 1) << (7 - i)));
    lsbFirst.push_back(r);
  }
  TCCITTFax3Decoder d(5, true, 10);
  EXPECT_EQ(d.Options(), 5u);
  const uint8_t* s = lsbFirst.data();
  size_t packed = lsbFirst.size();
  Bytes target(4);
  uint8_t* t = target.data();
  size_t unpacked = target.size();
  d.Decode(s, packed, t, unpacked);
  EXPECT_EQ(target, (Bytes{0x0F, 0xC0, 0x0F, 0xC0}));
  EXPECT_EQ(lsbFirst[0], 0x4D);  // the caller's bytes stay as they were
}

TEST(CcittDecoder, StaysInsideShortSourcesAndTargets) {
  const Bytes packed = BitString(
      "000000000001 1011 0010 000000000001 00110101 000000011111 0000110111 000000000001 "
      "0111 0011");
  for (size_t cut = 0; cut <= packed.size(); ++cut)
    for (size_t target : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(5)}) {
      TCCITTFax3Decoder d(0, false, 10);
      TOutcome o = DecodeAll(d, Bytes(packed.begin(), packed.begin() + std::ptrdiff_t(cut)), target);
      EXPECT_LE(o.Result.Produced, target);
      EXPECT_LE(o.Result.Consumed, cut);
    }
  TCCITTFax3Decoder none(0, false, 0);
  EXPECT_EQ(DecodeAll(none, packed, 4).Result.Produced, 0u);
}

// ---- deflate -------------------------------------------------------------------------------

TEST(Lz77Decoder, InflatesAndKeepsTheResultOfDamagedData) {
  Bytes plain(5000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = uint8_t(i * 7 / 13);
  uLongf packedSize = compressBound(uLong(plain.size()));
  Bytes packed(packedSize);
  ASSERT_EQ(compress(packed.data(), &packedSize, plain.data(), uLong(plain.size())), Z_OK);
  packed.resize(packedSize);

  TLZ77Decoder d;
  d.DecodeInit();
  TOutcome o = DecodeAll(d, packed, plain.size());
  EXPECT_EQ(o.Out, plain);
  EXPECT_EQ(d.Result(), Z_STREAM_END);
  EXPECT_EQ(o.SourceMoved, packed.size());
  EXPECT_EQ(o.SourceLeft, 0u);
  EXPECT_EQ(d.AvailableOut(), 0u);
  d.DecodeEnd();

  // In two calls through a small target.
  d.DecodeInit();
  o = DecodeAll(d, packed, 100);
  EXPECT_EQ(d.Result(), Z_OK);
  EXPECT_EQ(o.Out, Bytes(plain.begin(), plain.begin() + 100));
  EXPECT_GT(d.AvailableIn(), 0u);
  d.DecodeEnd();

  // A source that ends early.
  d.DecodeInit();
  o = DecodeAll(d, Bytes(packed.begin(), packed.begin() + 20), plain.size());
  EXPECT_TRUE(o.Result.SourceEnded);
  EXPECT_GE(d.Result(), 0);
  d.DecodeEnd();

  // A damaged zlib header leaves a negative result for the caller.
  Bytes damaged = packed;
  damaged[0] ^= 0x0F;
  d.DecodeInit();
  DecodeAll(d, damaged, plain.size());
  EXPECT_LT(d.Result(), 0);
  d.DecodeEnd();

  // Without DecodeInit there is no stream to run.
  TLZ77Decoder idle;
  DecodeAll(idle, packed, 10);
  EXPECT_LT(idle.Result(), 0);
}
