#include "platform/gfx/JpegImage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

// The library's own message codes, to check the numbers our errors carry.
#include <jpeglib.h>
#include <jerror.h>

#include "PnmFile.h"

using namespace platform;
using gfxtest::PixelDifference;
using gfxtest::ReadFixture;
using gfxtest::ReadPnm;

namespace {

std::string ErrorOf(const std::vector<uint8_t>& data) {
  try {
    ReadJpeg(data.data(), data.size());
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "no error";
}

std::string LibraryError(int code) { return "JPEG error #" + std::to_string(code); }

// An empty picture cannot be compressed.
std::string ErrorOfWrite() {
  try {
    WriteJpeg(TBitmap(), 90);
  } catch (const EInvalidGraphic& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(JpegReader, DecodesLikeImageMagick) {
  struct Case {
    const char* name;
    TPixelFormat format;
  } cases[] = {{"baseline", pf24bit}, {"progressive", pf24bit}, {"gray", pf8bit}};
  for (const Case& c : cases) {
    std::vector<uint8_t> data = ReadFixture(std::string(c.name) + ".jpg");
    TBitmap b = ReadJpeg(data.data(), data.size());
    EXPECT_EQ(b.PixelFormat(), c.format) << c.name;
    EXPECT_EQ(PixelDifference(b, ReadPnm(std::string(c.name) + ".ppm")), "") << c.name;
  }
}

TEST(JpegReader, LibraryErrorsCarryTheLibrarysCode) {
  EXPECT_EQ(ErrorOf({}), LibraryError(JERR_INPUT_EMPTY));
  EXPECT_EQ(ErrorOf({'B', 'M', 0, 0, 0, 0}), LibraryError(JERR_NO_SOI));
  std::vector<uint8_t> data = ReadFixture("baseline.jpg");
  // Cut inside the headers: the library finds no picture.
  for (size_t n : {2u, 20u, 100u, 200u}) {
    std::vector<uint8_t> cut(data.begin(), data.begin() + long(n));
    EXPECT_THAT(ErrorOf(cut), ::testing::StartsWith("JPEG error #")) << n;
  }
}

TEST(JpegReader, WarningsAreIgnored) {
  // Cut inside the compressed data: the library warns and fills in the rest, and the picture
  // loads at its full size.
  std::vector<uint8_t> data = ReadFixture("baseline.jpg");
  data.resize(data.size() - 100);
  TBitmap b = ReadJpeg(data.data(), data.size());
  EXPECT_EQ(b.Width(), 37);
  EXPECT_EQ(b.Height(), 23);
  // Corrupt bytes in the compressed data of every cut do no harm either.
  std::vector<uint8_t> whole = ReadFixture("progressive.jpg");
  for (size_t n = 0; n < whole.size(); ++n) {
    std::vector<uint8_t> cut(whole.begin(), whole.begin() + long(n));
    try {
      ReadJpeg(cut.data(), cut.size());
    } catch (const EInvalidGraphic& e) {
      EXPECT_THAT(e.what(), ::testing::StartsWith("JPEG error #"));
    }
    std::vector<uint8_t> flipped = whole;
    flipped[n] ^= 0x5A;
    try {
      ReadJpeg(flipped.data(), flipped.size());
    } catch (const EInvalidGraphic&) {
    }
  }
}

TEST(JpegWriter, CompressesABitmapThatReadsBackClose) {
  TBitmap source(64, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) source.SetPixel(x, y, RGB(uint8_t(4 * x), uint8_t(5 * y), 128));
  std::vector<uint8_t> data = WriteJpeg(source, 90);
  ASSERT_GE(data.size(), 4u);
  EXPECT_EQ(data[0], 0xFF);
  EXPECT_EQ(data[1], 0xD8);
  TBitmap back = ReadJpeg(data.data(), data.size());
  ASSERT_EQ(back.Width(), source.Width());
  ASSERT_EQ(back.Height(), source.Height());
  int worst = 0;
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x) {
      TColor a = source.GetPixel(x, y), b = back.GetPixel(x, y);
      worst = std::max({worst, std::abs(GetRValue(a) - GetRValue(b)),
                        std::abs(GetGValue(a) - GetGValue(b)),
                        std::abs(GetBValue(a) - GetBValue(b))});
    }
  EXPECT_LE(worst, 8);
  EXPECT_THAT(ErrorOfWrite(), ::testing::StartsWith("JPEG error #"));
}

TEST(JPEGImage, SavesTheFileItLoadedAndCompressesAnAssignedBitmap) {
  std::vector<uint8_t> data = ReadFixture("baseline.jpg");
  TJPEGImage image;
  image.LoadFromStream(data.data(), data.size());
  EXPECT_EQ(image.SaveToStream(), data);
  EXPECT_EQ(image.Width(), 37);
  const uint8_t junk[4] = {1, 2, 3, 4};
  EXPECT_THROW(image.LoadFromStream(junk, sizeof junk), EInvalidGraphic);
  EXPECT_EQ(image.SaveToStream(), data);  // unchanged by the failed load

  TBitmap small(5, 4);
  small.SetPixel(1, 1, clWhite);
  image.Assign(small);
  std::vector<uint8_t> saved = image.SaveToStream();
  TBitmap back = ReadJpeg(saved.data(), saved.size());
  EXPECT_EQ(back.Width(), 5);
  EXPECT_EQ(back.Height(), 4);
}
