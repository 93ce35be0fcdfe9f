#include "model/stream/PixelBlock.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/stream/RecordKinds.h"
#include "model/stream/StreamContext.h"
#include "platform/base/ByteOrder.h"

using namespace model;
using platform::LoadU16;
using platform::LoadU32;
using platform::RGB;
using platform::TBitmap;
using platform::TColor;

namespace {

using Bytes = std::vector<uint8_t>;

class PixelBlock : public ::testing::Test {
 protected:
  void SetUp() override { StreamContext().Reset(); }
  void TearDown() override { StreamContext().Reset(); }
};

TBitmap Filled(int width, int height, TColor c) {
  TBitmap b(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, c);
  return b;
}

Bytes Pack(const TBitmap& b, int mode) {
  TProgramStream s;
  WritePictureBits(b, mode, s);
  return s.Bytes();
}

struct THead {
  uint16_t kind, width, height, format;
  uint32_t length;
};

THead HeadOf(const Bytes& b) {
  return {LoadU16(&b[0]), LoadU16(&b[2]), LoadU16(&b[4]), LoadU16(&b[6]), LoadU32(&b[8])};
}

// Word i of the pixel data.
uint32_t Word(const Bytes& b, size_t i) { return LoadU32(&b[PixelBlockHeadSize + 4 * i]); }

// Binary PPM (P6) and PBM (P4) files as the fixture script makes them.
struct TPnm {
  int width = 0, height = 0;
  Bytes data;
};

TPnm ReadPnm(const std::string& path, const char* magic) {
  std::ifstream f(path, std::ios::binary);
  std::string file((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  TPnm pnm;
  if (file.compare(0, 2, magic) != 0) return pnm;
  size_t pos = 2;
  auto number = [&]() {
    while (pos < file.size() && std::isspace(uint8_t(file[pos]))) ++pos;
    int v = 0;
    while (pos < file.size() && std::isdigit(uint8_t(file[pos]))) v = v * 10 + (file[pos++] - '0');
    return v;
  };
  pnm.width = number();
  pnm.height = number();
  if (magic[1] == '6') number();  // maxval, 255
  ++pos;                          // the one whitespace byte before the raster
  pnm.data.assign(file.begin() + std::min(pos, file.size()), file.end());
  return pnm;
}

}  // namespace

TEST_F(PixelBlock, Mode1TenByThirtyThree) {
  Bytes b = Pack(Filled(10, 33, platform::clRed), 1);
  THead h = HeadOf(b);
  EXPECT_EQ(h.kind, 54);
  EXPECT_EQ(h.width, 10);
  EXPECT_EQ(h.height, 64);
  EXPECT_EQ(h.format, 1);
  EXPECT_EQ(h.length, 92u);
  ASSERT_EQ(b.size(), 92u);
  for (size_t column = 0; column < 10; ++column) {
    EXPECT_EQ(Word(b, 2 * column), 0xFFFFFFFFu);
    EXPECT_EQ(Word(b, 2 * column + 1), 0x80000000u) << "row 32 is bit 31 of the second word";
  }
}

TEST_F(PixelBlock, Mode1PacksColumnByColumnFirstRowInBitThirtyOne) {
  TBitmap b(2, 3);
  b.SetPixel(0, 0, platform::clRed);
  b.SetPixel(0, 2, platform::clRed);
  b.SetPixel(1, 1, platform::clWhite);
  Bytes packed = Pack(b, 1);
  EXPECT_EQ(HeadOf(packed).height, 32);
  EXPECT_EQ(HeadOf(packed).length, 20u);
  EXPECT_EQ(Word(packed, 0), 0xA0000000u);
  EXPECT_EQ(Word(packed, 1), 0x40000000u);
  // Little-endian: the top pixel is the high bit of the fourth byte.
  EXPECT_EQ(packed[15], 0xA0);
}

TEST_F(PixelBlock, Mode2ThreeBySixteen) {
  Bytes b = Pack(Filled(3, 16, platform::clYellow), 2);
  THead h = HeadOf(b);
  EXPECT_EQ(h.height, 16);
  EXPECT_EQ(h.format, 4);
  EXPECT_EQ(h.length, 24u);
  ASSERT_EQ(b.size(), 24u);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(Word(b, i), 0xFFFFFFFFu);
}

TEST_F(PixelBlock, Mode2GreenTakesTheHigherBitOfThePair) {
  TBitmap b(1, 17);
  b.SetPixel(0, 0, platform::clLime);
  b.SetPixel(0, 1, platform::clRed);
  b.SetPixel(0, 15, platform::clYellow);
  b.SetPixel(0, 16, platform::clRed);
  Bytes packed = Pack(b, 2);
  EXPECT_EQ(HeadOf(packed).height, 32);
  EXPECT_EQ(HeadOf(packed).length, 20u);
  EXPECT_EQ(Word(packed, 0), 0x80000000u | 0x10000000u | 0x3u);
  EXPECT_EQ(Word(packed, 1), 0x40000000u);
}

TEST_F(PixelBlock, NinetySixIsDarkNinetySevenIsLit) {
  struct Case {
    int mode;
    TColor color;
    uint32_t word;
  } cases[] = {
      {1, RGB(96, 255, 255), 0},           {1, RGB(97, 0, 0), 0x80000000u},
      {2, RGB(96, 96, 255), 0},            {2, RGB(97, 0, 0), 0x40000000u},
      {2, RGB(0, 97, 0), 0x80000000u},     {2, RGB(97, 97, 0), 0xC0000000u},
      {1, RGB(255, 0, 0), 0x80000000u},    {2, RGB(0, 255, 255), 0x80000000u},
  };
  for (const Case& c : cases) {
    Bytes b = Pack(Filled(1, 1, c.color), c.mode);
    ASSERT_EQ(b.size(), 16u);
    EXPECT_EQ(Word(b, 0), c.word) << "mode " << c.mode << " colour " << std::hex << c.color;
  }
}

TEST_F(PixelBlock, Mode3ThreeByThreeIsPaddedToAWord) {
  Bytes b = Pack(Filled(3, 3, platform::clRed), 3);
  THead h = HeadOf(b);
  EXPECT_EQ(h.width, 3);
  EXPECT_EQ(h.height, 3);
  EXPECT_EQ(h.format, 5);
  EXPECT_EQ(h.length, 32u);
  ASSERT_EQ(b.size(), 32u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(LoadU16(&b[12 + 2 * i]), 0xF800) << i;
  EXPECT_EQ(b[30], 0);
  EXPECT_EQ(b[31], 0);
}

TEST_F(PixelBlock, RedPixelInTheFullColourModes) {
  EXPECT_EQ(Pack(Filled(1, 1, platform::clRed), 3),
            (Bytes{54, 0, 1, 0, 1, 0, 5, 0, 16, 0, 0, 0, 0x00, 0xF8, 0, 0}));
  EXPECT_EQ(Pack(Filled(1, 1, platform::clRed), 4),
            (Bytes{54, 0, 1, 0, 1, 0, 5, 0, 16, 0, 0, 0, 0x00, 0xFF, 0, 0}));
}

TEST_F(PixelBlock, FullColourModesGoThroughTheLevelTableRowByRow) {
  TBitmap b(2, 2);
  b.SetPixel(1, 0, RGB(128, 200, 96));  // levels 52, 141, 28
  b.SetPixel(0, 1, platform::clWhite);
  Bytes m3 = Pack(b, 3);
  EXPECT_EQ(HeadOf(m3).length, 20u);
  EXPECT_EQ(LoadU16(&m3[12]), 0);
  EXPECT_EQ(LoadU16(&m3[14]), ((52 >> 3) << 11) | ((141 >> 2) << 5) | (28 >> 3));
  EXPECT_EQ(LoadU16(&m3[16]), 0xFFFF);
  Bytes m4 = Pack(b, 4);
  EXPECT_EQ(m4[14], 141);  // green level first
  EXPECT_EQ(m4[15], 52);
  EXPECT_EQ(LoadU16(&m4[16]), 0xFFFF);
}

TEST_F(PixelBlock, ModesOutsideOneToFourWriteNothing) {
  for (int mode : {0, 5, -1, 17}) EXPECT_TRUE(Pack(Filled(2, 2, platform::clRed), mode).empty());
  EXPECT_EQ(PixelBlockFormat(0), 0);
}

TEST_F(PixelBlock, EmptyPicturesWriteAHeadOnly) {
  struct Case {
    int width, height, mode, storedHeight;
    uint32_t length;
  } cases[] = {
      {0, 33, 1, 64, 12}, {5, 0, 1, 0, 12}, {0, 5, 2, 16, 12},
      {0, 0, 2, 0, 12},   {0, 7, 3, 7, 12}, {4, 0, 4, 0, 12},
  };
  for (const Case& c : cases) {
    Bytes b = Pack(TBitmap(c.width, c.height), c.mode);
    ASSERT_EQ(b.size(), 12u);
    EXPECT_EQ(HeadOf(b).width, c.width);
    EXPECT_EQ(HeadOf(b).height, c.storedHeight);
    EXPECT_EQ(HeadOf(b).length, c.length);
  }
}

TEST_F(PixelBlock, WritesInTheCurrentColourMode) {
  TBitmap b = Filled(3, 3, platform::clRed);
  TProgramStream s;
  WritePictureBits(b, s);  // the default mode before any program: single colour
  EXPECT_EQ(HeadOf(s.Bytes()).format, 1);
  for (int mode = 1; mode <= 4; ++mode) {
    StreamContext().SetColorMode(mode);
    TProgramStream t;
    WritePictureBits(b, t);
    EXPECT_EQ(t.Bytes(), Pack(b, mode));
  }
}

TEST_F(PixelBlock, AnyPixelFormatPacksLikeItsTwentyFourBitPicture) {
  TBitmap b(5, 7);
  const TColor colours[] = {platform::clRed, platform::clLime, platform::clYellow,
                            platform::clWhite, platform::clBlue};
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 5; ++x) b.SetPixel(x, y, colours[(x + y) % 5]);
  for (platform::TPixelFormat pf : {platform::pf4bit, platform::pf8bit, platform::pf16bit,
                                    platform::pf32bit}) {
    TBitmap other = b;
    other.SetPixelFormat(pf);
    for (int mode = 1; mode <= 4; ++mode)
      EXPECT_EQ(Pack(other, mode), Pack(b, mode)) << int(pf) << " mode " << mode;
  }
}

TEST_F(PixelBlock, TallPicturesAreCutSoTheHeightFieldHoldsThem) {
  // 65535 rows would round up to 65536 in mode 1 and 2, which the u16 height cannot hold.
  TBitmap tall = Filled(1, TBitmap::MaxDimension, platform::clYellow);
  Bytes m1 = Pack(tall, 1);
  EXPECT_EQ(HeadOf(m1).height, 65504);
  EXPECT_EQ(HeadOf(m1).length, 12u + 65504 / 8);
  Bytes m2 = Pack(tall, 2);
  EXPECT_EQ(HeadOf(m2).height, 65520);
  EXPECT_EQ(HeadOf(m2).length, 12u + 65520 / 4);
  Bytes m3 = Pack(tall, 3);
  EXPECT_EQ(HeadOf(m3).height, 65535);
  EXPECT_EQ(HeadOf(m3).length, 12u + 65535 * 2 + 2);
  EXPECT_EQ(StoredHeight(65504, 1), 65504);
  EXPECT_EQ(StoredHeight(33, 1), 64);
  EXPECT_EQ(StoredHeight(17, 2), 32);
}

// The packing of pictures drawn by ImageMagick must equal what netpbm worked out: red channel
// thresholded above 96, transposed so columns are rows, padded to whole words (see
// fixtures/make_mode1_oracle.sh).
TEST_F(PixelBlock, Mode1MatchesTheNetpbmOracle) {
  for (const char* name : {"picture1", "picture2", "picture3"}) {
    SCOPED_TRACE(name);
    TPnm ppm = ReadPnm(std::string(CORVANE_FIXTURES) + "/" + name + ".ppm", "P6");
    TPnm pbm = ReadPnm(std::string(CORVANE_FIXTURES) + "/" + name + ".pbm", "P4");
    ASSERT_GT(ppm.width, 0);
    ASSERT_EQ(ppm.data.size(), size_t(ppm.width) * ppm.height * 3);
    // The PBM is the transposed picture: one row per column, its width the stored height.
    ASSERT_EQ(pbm.height, ppm.width);
    ASSERT_EQ(pbm.width % 32, 0);
    const size_t pbmRow = size_t(pbm.width) / 8;
    ASSERT_EQ(pbm.data.size(), pbmRow * pbm.height);

    TBitmap b(ppm.width, ppm.height);
    for (int y = 0; y < ppm.height; ++y)
      for (int x = 0; x < ppm.width; ++x) {
        const uint8_t* p = &ppm.data[3 * (size_t(y) * ppm.width + x)];
        b.SetPixel(x, y, RGB(p[0], p[1], p[2]));
      }
    Bytes packed = Pack(b, 1);
    THead h = HeadOf(packed);
    EXPECT_EQ(h.width, ppm.width);
    EXPECT_EQ(h.height, pbm.width);
    ASSERT_EQ(packed.size(), PixelBlockHeadSize + pbm.data.size());
    EXPECT_EQ(h.length, packed.size());

    const size_t wordsPerColumn = pbmRow / 4;
    for (int column = 0; column < ppm.width; ++column)
      for (size_t w = 0; w < wordsPerColumn; ++w) {
        const uint8_t* q = &pbm.data[column * pbmRow + 4 * w];
        const uint32_t expected =
            (uint32_t(q[0]) << 24) | (uint32_t(q[1]) << 16) | (uint32_t(q[2]) << 8) | q[3];
        EXPECT_EQ(Word(packed, column * wordsPerColumn + w), expected)
            << "column " << column << " word " << w;
      }
  }
}

TEST_F(PixelBlock, PredictedSizeEqualsTheWrittenBlock) {
  const int sizes[][2] = {{0, 0}, {10, 33}, {3, 16}, {3, 3}, {1, 1}, {7, 31}, {16, 12}, {5, 0}};
  for (const auto& wh : sizes)
    for (int mode = 1; mode <= 4; ++mode)
      EXPECT_EQ(PixelBlockSize(wh[0], wh[1], mode), Pack(TBitmap(wh[0], wh[1]), mode).size())
          << wh[0] << "x" << wh[1] << " mode " << mode;
  EXPECT_EQ(PixelBlockSize(1, TBitmap::MaxDimension, 1), 12u + 65504 / 8);
  EXPECT_EQ(PixelBlockSize(4, 4, 5), 0u);
}
