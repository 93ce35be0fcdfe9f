#include "imaging/GifCodec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GifOracle.h"
#include "GifTestUtil.h"

using namespace imaging;
using namespace giftest;

namespace {

struct TDecoded {
  Bytes Pixels;
  std::vector<std::string> Warnings;
  size_t End = 0;  // reader position afterwards
};

TDecoded Decode(const Bytes& raster, int width, int height, bool interlaced = false,
                uint8_t fill = 0) {
  TDecoded d;
  d.Pixels.assign(size_t(width) * size_t(height), fill);
  platform::TByteReader in(raster.data(), raster.size());
  DecodeGIFRaster(in, d.Pixels.data(), width, height, interlaced,
                  [&](const char* text) { d.Warnings.push_back(text); });
  d.End = in.Position();
  return d;
}

Bytes Encode(bool runLength, const Bytes& pixels, int width, int height, int bits,
             bool interlaced = false) {
  TGIFEncodeFrame f;
  f.Pixels = pixels.data();
  f.Width = width;
  f.Height = height;
  f.Interlaced = interlaced;
  f.InitialBits = bits;
  f.ColorCount = 1 << bits;
  Bytes out;
  if (runLength) {
    TRLEEncoder e;
    e.Encode(out, f);
  } else {
    TLZWEncoder e;
    e.Encode(out, f);
  }
  return out;
}

// Pictures with long runs, short runs and noise, so both encoders meet every path.
Bytes Picture(int width, int height, int colors, uint32_t seed) {
  Bytes noise = RandomIndices(size_t(width) * height, colors, seed);
  Bytes p(size_t(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t i = size_t(y) * width + x;
      if (y % 5 == 0)
        p[i] = uint8_t(colors - 1);  // whole rows of one colour
      else if (x < width / 3)
        p[i] = uint8_t((x / 7 + y) % colors);  // short runs
      else
        p[i] = noise[i];
    }
  return p;
}

// --- Encoders against giflib ---------------------------------------------------------------------

struct TEncodeCase {
  int Width, Height, Bits;
  bool Interlaced;
};

class EncoderRoundTrip : public ::testing::TestWithParam<TEncodeCase> {};

TEST_P(EncoderRoundTrip, GiflibAndOurDecoderReadBothEncoders) {
  const TEncodeCase c = GetParam();
  const Bytes pixels = Picture(c.Width, c.Height, 1 << c.Bits, uint32_t(c.Width * 31 + c.Bits));
  for (bool runLength : {false, true}) {
    SCOPED_TRACE(runLength ? "run-length" : "LZW");
    const Bytes raster = Encode(runLength, pixels, c.Width, c.Height, c.Bits, c.Interlaced);
    const TOracleGif gif = SlurpGif(WrapFrame(c.Width, c.Height, c.Bits, raster, c.Interlaced));
    ASSERT_EQ(gif.Frames.size(), 1u);
    EXPECT_EQ(gif.Frames[0].Raster, pixels);
    const TDecoded ours = Decode(raster, c.Width, c.Height, c.Interlaced);
    EXPECT_EQ(ours.Pixels, pixels);
    EXPECT_TRUE(ours.Warnings.empty());
    EXPECT_EQ(ours.End, raster.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, EncoderRoundTrip,
                         ::testing::Values(TEncodeCase{1, 1, 1, false}, TEncodeCase{7, 3, 2, false},
                                           TEncodeCase{64, 64, 1, false},
                                           TEncodeCase{37, 23, 4, true},
                                           TEncodeCase{200, 150, 8, false},
                                           TEncodeCase{300, 211, 8, true},
                                           TEncodeCase{513, 97, 5, false},
                                           TEncodeCase{1, 300, 3, true}));

TEST(GifEncoder, OnePixelOfTwoColoursUsesCodeSizeTwo) {
  for (bool runLength : {false, true}) {
    const Bytes raster = Encode(runLength, Bytes{0}, 1, 1, 1);
    EXPECT_EQ(raster[0], 2);
    // Clear (4), pixel 0, end (5), all 3 bits wide.
    EXPECT_EQ(ReadCodes(raster), (std::vector<std::pair<int, int>>{{4, 3}, {0, 3}, {5, 3}}));
  }
}

TEST(GifEncoder, LzwClearsWhenTheNextFreeCodeReaches4095) {
  // Noise in 4 colours makes a new string at almost every step.
  const Bytes pixels = RandomIndices(40000, 4, 17);
  const Bytes raster = Encode(false, pixels, 200, 200, 2);
  const auto codes = ReadCodes(raster);
  ASSERT_EQ(codes.front(), std::make_pair(4, 3));
  size_t second = 1;
  while (second < codes.size() && codes[second].first != 4) ++second;
  ASSERT_LT(second, codes.size());
  // 4089 strings (codes 6-4094) were assigned after the first of 4090 codes; the decoder's
  // table then reaches 4095 and the clear code follows, at 12 bits; codes go back to 3 bits.
  EXPECT_EQ(second - 1, 4090u);
  EXPECT_EQ(codes[second].second, 12);
  EXPECT_EQ(codes[second + 1].second, 3);
  EXPECT_EQ(SlurpGif(WrapFrame(200, 200, 2, raster)).Frames[0].Raster, pixels);
}

TEST(GifEncoder, InterlacedRowsAreWrittenInPassOrder) {
  // Height 3: rows 0, 2, 1; height 1: one row in the first pass.
  const Bytes three = {0, 0, 1, 1, 2, 2};
  for (bool runLength : {false, true}) {
    const Bytes raster = Encode(runLength, three, 2, 3, 2, true);
    EXPECT_EQ(Decode(raster, 2, 3, false).Pixels, (Bytes{0, 0, 2, 2, 1, 1}));
    EXPECT_EQ(Decode(raster, 2, 3, true).Pixels, three);
    const Bytes one = {3, 1, 2};
    EXPECT_EQ(Decode(Encode(runLength, one, 3, 1, 2, true), 3, 1, true).Pixels, one);
  }
}

TEST(GifEncoder, RunLengthRunOfOneHundredPixels) {
  const Bytes pixels(100, 3);
  const Bytes raster = Encode(true, pixels, 100, 1, 2);
  EXPECT_EQ(SlurpGif(WrapFrame(100, 1, 2, raster)).Frames[0].Raster, pixels);
  // Inside a longer frame the run is followed by other pixels that must stay in place.
  Bytes mixed(100, 3);
  mixed.push_back(1);
  mixed.insert(mixed.end(), 100, 2);
  EXPECT_EQ(SlurpGif(WrapFrame(201, 1, 2, Encode(true, mixed, 201, 1, 2))).Frames[0].Raster,
            mixed);
}

TEST(GifEncoder, PixelOutsideTheTableRaises) {
  TGIFEncodeFrame f;
  const Bytes pixels = {0, 1, 2, 5};
  f.Pixels = pixels.data();
  f.Width = 4;
  f.Height = 1;
  f.InitialBits = 2;
  f.ColorCount = 3;
  for (bool runLength : {false, true}) {
    Bytes out;
    TLZWEncoder lzw;
    TRLEEncoder rle;
    TGIFEncoder& e = runLength ? static_cast<TGIFEncoder&>(rle) : lzw;
    try {
      e.Encode(out, f);
      FAIL() << "no exception";
    } catch (const GIFException& ex) {
      EXPECT_STREQ(ex.what(), "Color not in color table");
    }
  }
}

TEST(GifEncoder, IntegerSquareRootAndTriangleCost) {
  for (unsigned x : {0u, 1u, 2u, 3u, 4u, 15u, 16u, 17u, 99u, 100u, 4095u, 1000000u}) {
    const unsigned r = TRLEEncoder::Isqrt(x);
    EXPECT_LE(r * r, x) << x;
    EXPECT_GT((r + 1) * (r + 1), x) << x;
  }
  // Runs of 1 + 2 + ... + n pixels take n codes; past M(M+1)/2 another M codes each time.
  EXPECT_EQ(TRLEEncoder::TriangleCost(1, 100), 1u);
  EXPECT_EQ(TRLEEncoder::TriangleCost(6, 100), 3u);
  EXPECT_EQ(TRLEEncoder::TriangleCost(7, 100), 4u);
  EXPECT_EQ(TRLEEncoder::TriangleCost(10, 3), 3u + 3u);
}

// --- Hash table ----------------------------------------------------------------------------------

TEST(GifHashTable, ProbesFromZeroToTheLastSlotAndFindsEveryKey) {
  EXPECT_EQ(THashTable::Hash(0), 0);
  EXPECT_EQ(THashTable::NextProbe(0, 0), THashTable::Size - 1);
  EXPECT_EQ(THashTable::NextProbe(8008, 0), 8007);
  EXPECT_EQ(THashTable::NextProbe(5, 4000), 5 - (8009 - 4000) + 8009);

  auto table = std::make_unique<THashTable>();
  // Keys that all hash to slot 0, then a table as full as the encoder ever makes it.
  std::vector<uint32_t> keys;
  for (uint32_t k = 0; keys.size() < 5; ++k)
    if (THashTable::Hash(k) == 0) keys.push_back(k);
  for (uint32_t k = 1; keys.size() < 4089; k += 37) keys.push_back(k);
  for (size_t i = 0; i < keys.size(); ++i) {
    if (table->Lookup(keys[i]) >= 0) continue;
    table->Insert(keys[i], int(i & 0xFFF));
  }
  for (size_t i = 0; i < keys.size(); ++i) EXPECT_GE(table->Lookup(keys[i]), 0) << keys[i];
  EXPECT_EQ(table->Lookup(0xFFEFF), -1);
  table->Clear();
  EXPECT_EQ(table->Lookup(keys[0]), -1);
}

// --- Decoder on hand-made code streams ------------------------------------------------------------

TEST(GifDecoder, DecodesStringsAndTheKwKwKCase) {
  // N = 2: clear 4, end 5. Codes: 1, 1 (adds 6 = "11"), 6 ("11", adds 7 = "111"),
  // 8 = next free ("111" + "1"... the KwKwK case: previous "11" + its first pixel = "111").
  const Bytes raster = PackCodes(2, {{4, 3}, {1, 3}, {1, 3}, {6, 3}, {8, 4}, {2, 4}, {5, 4}});
  const TDecoded d = Decode(raster, 9, 1);
  EXPECT_EQ(d.Pixels, (Bytes{1, 1, 1, 1, 1, 1, 1, 2, 0}));
  EXPECT_TRUE(d.Warnings.empty());
  EXPECT_EQ(d.End, raster.size());
}

TEST(GifDecoder, DataWithoutALeadingClearCodeDecodes) {
  const Bytes raster = PackCodes(2, {{3, 3}, {2, 3}, {5, 3}});
  EXPECT_EQ(Decode(raster, 2, 1).Pixels, (Bytes{3, 2}));
}

TEST(GifDecoder, CodesSpanningOneByteSubBlocks) {
  // 12-bit codes (N = 11) in sub-blocks of one byte each.
  std::vector<std::pair<int, int>> codes = {{2048, 12}};
  for (int i = 0; i < 20; ++i) codes.push_back({i * 7, 12});
  codes.push_back({2049, 12});
  const TDecoded d = Decode(PackCodes(11, codes, 1), 20, 1);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(d.Pixels[size_t(i)], uint8_t(i * 7)) << i;
  EXPECT_TRUE(d.Warnings.empty());
}

struct TDamagedRaster {
  const char* Name;
  Bytes Raster;
  Bytes Pixels;                       // 4 x 1, fill value 9
  std::vector<std::string> Warnings;  // in order
  const char* Error;                  // or null
};

class DamagedRaster : public ::testing::TestWithParam<TDamagedRaster> {};

TEST_P(DamagedRaster, GivesItsWarningsOrError) {
  const TDamagedRaster& c = GetParam();
  if (c.Error) {
    try {
      Decode(c.Raster, 4, 1, false, 9);
      FAIL() << "no exception";
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), c.Error);
    }
    return;
  }
  const TDecoded d = Decode(c.Raster, 4, 1, false, 9);
  EXPECT_EQ(d.Pixels, c.Pixels);
  EXPECT_EQ(d.Warnings, c.Warnings);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DamagedRaster,
    ::testing::Values(
        TDamagedRaster{"CodeSize0", {0, 1, 0xFF, 0}, {}, {}, "Invalid LZW code size"},
        TDamagedRaster{"CodeSize12", {12, 1, 0xFF, 0}, {}, {}, "Invalid LZW code size"},
        TDamagedRaster{"CodeSize1",
                       PackCodes(1, {{2, 2}, {1, 2}, {0, 2}, {1, 3}, {1, 3}, {3, 3}}),
                       {1, 0, 1, 1},
                       {},
                       nullptr},
        TDamagedRaster{"CodeSize11",
                       PackCodes(11, {{2048, 12}, {7, 12}, {300, 12}, {2047, 12}, {2, 12},
                                      {2049, 12}}),
                       {7, 300 & 0xFF, 0xFF, 2},
                       {},
                       nullptr},
        TDamagedRaster{"CodeAboveNextFree",
                       PackCodes(2, {{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 3}}),
                       {1, 9, 9, 9},
                       {"Invalid LZW code"},
                       nullptr},
        TDamagedRaster{"FirstCodeAfterClearIsAString",
                       PackCodes(2, {{4, 3}, {6, 3}, {5, 3}}),
                       {9, 9, 9, 9},
                       {"Invalid LZW code"},
                       nullptr},
        // Codes 6 and 7 are defined through each other only if a code above the next free
        // one is taken as the next free one; here it stops at once.
        TDamagedRaster{"LoopingChain",
                       PackCodes(2, {{4, 3}, {1, 3}, {7, 3}, {6, 4}, {7, 4}, {5, 4}}),
                       {1, 9, 9, 9},
                       {"Invalid LZW code"},
                       nullptr},
        TDamagedRaster{"EndCodeAfterTwoPixels",
                       PackCodes(2, {{4, 3}, {1, 3}, {2, 3}, {5, 3}}),
                       {1, 2, 9, 9},
                       {},
                       nullptr},
        TDamagedRaster{"EndOfDataAfterTwoPixels",
                       PackCodes(2, {{4, 3}, {1, 3}, {4, 3}, {2, 3}, {4, 3}}, 255, false),
                       {1, 2, 9, 9},
                       {},
                       nullptr},
        TDamagedRaster{"TerminatorBeforeTheEnd",
                       PackCodes(2, {{4, 3}, {1, 3}, {4, 3}, {2, 3}, {4, 3}}),
                       {1, 2, 9, 9},
                       {"Decoder bit buffer under-run"},
                       nullptr},
        TDamagedRaster{"SubBlockLongerThanTheData",
                       Bytes{2, 40, 0x0C, 0x00},  // clear, 1, 0, 0 and padding
                       {1, 0, 0, 0},
                       {"Premature end of data"},
                       nullptr},
        TDamagedRaster{"EmptyInput", {}, {9, 9, 9, 9}, {}, nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(GifDecoder, LeavesTheReaderAfterTheTerminatorWhateverCameBefore) {
  // Extra codes after the last pixel and before the end code, then more sub-blocks.
  Bytes raster = PackCodes(2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {3, 3}, {1, 3}, {5, 3}}, 1);
  raster.push_back(';');
  const TDecoded d = Decode(raster, 2, 1);
  EXPECT_EQ(d.Pixels, (Bytes{1, 2}));
  EXPECT_EQ(d.End, raster.size() - 1);
  // A string longer than the frame's last pixels: the rest is dropped.
  Bytes longer = PackCodes(2, {{4, 3}, {1, 3}, {1, 3}, {6, 3}, {5, 3}});
  longer.push_back(';');
  const TDecoded l = Decode(longer, 3, 1);
  EXPECT_EQ(l.Pixels, (Bytes{1, 1, 1}));
  EXPECT_EQ(l.End, longer.size() - 1);
}

TEST(GifDecoder, HalfTheDataLeavesTheRestAtTheFillValue) {
  const Bytes pixels = RandomIndices(64 * 16, 16, 5);
  const Bytes raster = Encode(false, pixels, 64, 16, 4);
  Bytes half(raster.begin(), raster.begin() + long(raster.size() / 2));
  const TDecoded d = Decode(half, 64, 16, false, 7);
  size_t good = 0;
  while (good < pixels.size() && d.Pixels[good] == pixels[good]) ++good;
  EXPECT_GT(good, pixels.size() / 4);
  EXPECT_LT(good, pixels.size());
  for (size_t i = good + 64; i < pixels.size(); ++i) ASSERT_EQ(d.Pixels[i], 7) << i;
}

}  // namespace
