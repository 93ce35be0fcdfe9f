#include "platform/gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

using namespace platform;

namespace {

const TPixelFormat kAllFormats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};

std::vector<uint8_t> RowBytes(const TBitmap& b, int y, size_t count) {
  const uint8_t* p = b.ScanLine(y);
  return std::vector<uint8_t>(p, p + count);
}

}  // namespace

TEST(Bitmap, StrideIsTheRowRoundedUpToFourBytes) {
  struct Case {
    TPixelFormat pf;
    int width;
    size_t stride;
  } cases[] = {
      {pf1bit, 1, 4},   {pf1bit, 32, 4},  {pf1bit, 33, 8},  {pf4bit, 8, 4},   {pf4bit, 9, 8},
      {pf8bit, 4, 4},   {pf8bit, 5, 8},   {pf15bit, 3, 8},  {pf16bit, 2, 4},  {pf24bit, 1, 4},
      {pf24bit, 3, 12}, {pf24bit, 4, 12}, {pf24bit, 5, 16}, {pf32bit, 3, 12}, {pf24bit, 0, 0},
  };
  for (const Case& c : cases) {
    TBitmap b(c.width, 2, c.pf);
    EXPECT_EQ(b.Stride(), c.stride) << int(c.pf) << " width " << c.width;
    EXPECT_EQ(b.ImageSize(), c.stride * 2);
  }
}

TEST(Bitmap, PixelsLandWhereTheLayoutSays) {
  // Pixel (1, 1) of a 3x2 bitmap in each format, as bytes of row 1; row 0 stays zero, which
  // also shows rows are top-down.
  struct Case {
    TPixelFormat pf;
    TColor color;
    std::vector<uint8_t> row1;
  } cases[] = {
      {pf1bit, clWhite, {0x40}},
      {pf4bit, clRed, {0x09, 0x00}},  // VGA index 9 in the low nibble of byte 0
      {pf8bit, clYellow, {0x00, 11, 0x00}},
      {pf15bit, clRed, {0, 0, 0x00, 0x7C, 0, 0}},
      {pf16bit, clRed, {0, 0, 0x00, 0xF8, 0, 0}},
      {pf16bit, clLime, {0, 0, 0xE0, 0x07, 0, 0}},
      {pf24bit, RGB(1, 2, 3), {0, 0, 0, 3, 2, 1, 0, 0, 0}},
      {pf32bit, RGB(1, 2, 3), {0, 0, 0, 0, 3, 2, 1, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TBitmap b(3, 2, c.pf);
    b.SetPixel(1, 1, c.color);
    EXPECT_EQ(RowBytes(b, 1, c.row1.size()), c.row1) << int(c.pf);
    EXPECT_EQ(RowBytes(b, 0, c.row1.size()), std::vector<uint8_t>(c.row1.size(), 0));
    EXPECT_EQ(b.GetPixel(1, 1), c.color) << int(c.pf);
  }
}

TEST(Bitmap, ScanLineRejectsRowsOutsideTheBitmap) {
  TBitmap b(4, 3);
  EXPECT_NO_THROW(b.ScanLine(0));
  EXPECT_NO_THROW(b.ScanLine(2));
  EXPECT_THROW(b.ScanLine(3), EBitmapError);
  EXPECT_THROW(b.ScanLine(-1), EBitmapError);
  const TBitmap empty;
  EXPECT_THROW(empty.ScanLine(0), EBitmapError);
  TBitmap noWidth(0, 5);
  EXPECT_TRUE(noWidth.Empty());
  EXPECT_EQ(noWidth.GetPixel(0, 0), clInvalid);
}

TEST(Bitmap, OutOfRangePixelsAreIgnored) {
  TBitmap b(2, 2);
  b.SetPixel(-1, 0, clWhite);
  b.SetPixel(2, 0, clWhite);
  b.SetPixel(0, 2, clWhite);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(b.GetPixel(x, y), clBlack);
  EXPECT_EQ(b.GetPixel(2, 0), clInvalid);
  EXPECT_EQ(b.GetPixel(0, -1), clInvalid);
}

TEST(Bitmap, SizeLimitsRejectBadSizesAndKeepTheBitmap) {
  TBitmap b(2, 2);
  b.SetPixel(1, 1, clRed);
  struct Case {
    int width, height;
    TPixelFormat pf;
    const char* message;
  } cases[] = {
      {-1, 4, pf24bit, "Invalid bitmap size"},
      {4, -1, pf24bit, "Invalid bitmap size"},
      {TBitmap::MaxDimension + 1, 1, pf1bit, "Bitmap too large"},
      {1, INT_MAX, pf1bit, "Bitmap too large"},
      // 65535 x 65535 x 4 bytes: far beyond the pixel budget, though each side is allowed.
      {TBitmap::MaxDimension, TBitmap::MaxDimension, pf32bit, "Bitmap too large"},
  };
  for (const Case& c : cases) {
    TBitmap t(0, 0, c.pf);
    try {
      t.SetSize(c.width, c.height);
      ADD_FAILURE() << c.width << "x" << c.height << " was accepted";
    } catch (const EBitmapError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(TBitmap::SizeAllowed(c.width, c.height, c.pf));
    EXPECT_THROW(b.SetSize(c.width, c.height), EBitmapError);
  }
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(b.GetPixel(1, 1), clRed);
  // The widest allowed row and the largest buffer right at the limit are fine.
  EXPECT_TRUE(TBitmap::SizeAllowed(TBitmap::MaxDimension, 1, pf32bit));
  EXPECT_TRUE(TBitmap::SizeAllowed(8192, 8192, pf32bit));
  EXPECT_FALSE(TBitmap::SizeAllowed(8192, 8193, pf32bit));
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndZeroesTheRest) {
  for (TPixelFormat pf : kAllFormats) {
    TBitmap b(3, 3, pf);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) b.SetPixel(x, y, clWhite);
    // Scribble over the row padding, which a ScanLine user may do.
    for (int y = 0; y < 3; ++y) {
      uint8_t* row = b.ScanLine(y);
      for (size_t i = (3 * size_t(BitsPerPixel(pf)) + 7) / 8; i < b.Stride(); ++i) row[i] = 0xFF;
      if (pf == pf1bit) row[0] |= 0x1F;
      if (pf == pf4bit) row[1] |= 0x0F;
    }
    b.SetSize(2, 2);
    b.SetSize(5, 4);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(b.GetPixel(x, y), (x < 2 && y < 2) ? clWhite : clBlack)
            << int(pf) << " at " << x << "," << y;
  }
}

TEST(Bitmap, RecreatingZeroesEveryPixelAndKeepsThePalette) {
  for (TPixelFormat pf : kAllFormats) {
    TBitmap b(6, 5, pf);
    const std::vector<TColor> palette(b.Palette().begin(), b.Palette().end());
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 6; ++x) b.SetPixel(x, y, clWhite);
    b.Recreate(3, 4);  // smaller: the same buffer
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 4);
    b.Recreate(7, 9);  // larger: a new one
    ASSERT_EQ(b.ImageSize(), b.Stride() * 9) << int(pf);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 7; ++x) EXPECT_EQ(b.GetPixel(x, y), clBlack) << int(pf);
    for (size_t i = 0; i < b.ImageSize(); ++i) ASSERT_EQ(b.Bits()[i], 0) << int(pf);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), b.Palette().begin(), b.Palette().end()));
  }
  TBitmap b(2, 2);
  b.SetPixel(1, 1, clRed);
  EXPECT_THROW(b.Recreate(-1, 2), EBitmapError);
  EXPECT_THROW(b.Recreate(TBitmap::MaxDimension + 1, 1), EBitmapError);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.GetPixel(1, 1), clRed);
}

TEST(Bitmap, ConversionsKeepColoursEachFormatCanHold) {
  const TColor colours[] = {clBlack, clWhite, clRed, clLime, clBlue, clYellow};
  for (TPixelFormat from : kAllFormats) {
    for (TPixelFormat to : kAllFormats) {
      if (from == pf1bit || to == pf1bit) continue;  // two colours only: checked below
      TBitmap b(6, 2, from);
      for (int x = 0; x < 6; ++x) b.SetPixel(x, 1, colours[x]);
      b.SetPixelFormat(to);
      ASSERT_EQ(b.PixelFormat(), to);
      EXPECT_EQ(b.Width(), 6);
      for (int x = 0; x < 6; ++x)
        EXPECT_EQ(b.GetPixel(x, 1), colours[x]) << int(from) << " -> " << int(to) << " x " << x;
    }
  }
}

TEST(Bitmap, ConversionToFewerColoursTakesTheNearestEntry) {
  TBitmap b(4, 1, pf24bit);
  b.SetPixel(0, 0, RGB(200, 200, 200));
  b.SetPixel(1, 0, RGB(40, 0, 30));
  b.SetPixel(2, 0, clRed);  // nearer black than white
  b.SetPixel(3, 0, RGB(0x7F, 0x80, 0x81));
  b.SetPixelFormat(pf1bit);
  EXPECT_EQ(b.Palette().size(), 2u);
  EXPECT_EQ(b.GetPixel(0, 0), clWhite);
  EXPECT_EQ(b.GetPixel(1, 0), clBlack);
  EXPECT_EQ(b.GetPixel(2, 0), clBlack);
  EXPECT_EQ(b.GetPixel(3, 0), clWhite);

  TBitmap c(1, 1, pf24bit);
  c.SetPixel(0, 0, RGB(0x7F, 0x80, 0x81));
  c.SetPixelFormat(pf4bit);
  EXPECT_EQ(c.GetPixel(0, 0), 0x808080u);

  TBitmap d(1, 1, pf16bit);
  d.SetPixel(0, 0, clWhite);
  d.SetPixelFormat(pf24bit);
  EXPECT_EQ(RowBytes(d, 0, 3), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF}));
}

TEST(Bitmap, IndexedConversionKeepsAPaletteThatFits) {
  const TColor two[] = {clRed, clYellow};
  TBitmap b(3, 1, pf8bit);
  b.SetPalette(two);
  b.ScanLine(0)[1] = 1;
  b.SetPixelFormat(pf1bit);
  ASSERT_EQ(b.Palette().size(), 2u);
  EXPECT_EQ(b.Palette()[0], clRed);
  EXPECT_EQ(b.ScanLine(0)[0], 0x40);
  EXPECT_EQ(b.GetPixel(1, 0), clYellow);

  // A palette too big for the new format is replaced and the colours mapped onto the default.
  TBitmap c(1, 1, pf8bit);
  c.SetPixel(0, 0, clYellow);
  c.SetPixelFormat(pf1bit);
  EXPECT_EQ(c.GetPixel(0, 0), clWhite);
}

TEST(Bitmap, PaletteRules) {
  TBitmap b(2, 1, pf4bit);
  EXPECT_EQ(b.Palette().size(), 16u);
  std::vector<TColor> tooMany(17, clWhite);
  EXPECT_THROW(b.SetPalette(tooMany), EBitmapError);
  const TColor one[] = {clLime};
  b.SetPalette(one);
  b.ScanLine(0)[0] = 0x05;  // pixel 1 points past the palette
  EXPECT_EQ(b.GetPixel(0, 0), clLime);
  EXPECT_EQ(b.GetPixel(1, 0), clBlack);
  TBitmap direct(1, 1, pf24bit);
  EXPECT_TRUE(direct.Palette().empty());
  EXPECT_THROW(direct.SetPalette(one), EBitmapError);
  EXPECT_EQ(DefaultPalette(pf8bit).size(), 256u);
  EXPECT_EQ(DefaultPalette(pf8bit)[0], clBlack);
}

TEST(Bitmap, Bgr24RowsReadTwentyFourBitInPlaceAndConvertTheRest) {
  TBitmap b(3, 2, pf24bit);
  b.SetPixel(2, 1, RGB(10, 20, 30));
  TBgr24Rows direct(b);
  EXPECT_EQ(direct.Row(0), b.Bits());
  EXPECT_EQ(direct.Row(1), b.ScanLine(1));
  EXPECT_EQ(direct.Row(1)[6], 30);
  EXPECT_EQ(direct.Row(1)[8], 10);

  TBitmap mono(3, 2, pf1bit);
  mono.SetPixel(2, 1, clWhite);
  TBgr24Rows converted(mono);
  EXPECT_EQ(converted.Width(), 3);
  EXPECT_EQ(converted.Height(), 2);
  const uint8_t* row = converted.Row(1);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 9),
            (std::vector<uint8_t>{0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(converted.Row(1) - converted.Row(0), 12);

  // Allowed as 1 bit per pixel, but 24 times that as a copy is beyond the limits.
  TBitmap huge(TBitmap::MaxDimension, 1400, pf1bit);
  EXPECT_THROW(TBgr24Rows view(huge), EBitmapError);
}

TEST(Bitmap, CopiesAreIndependent) {
  TBitmap a(2, 2, pf8bit);
  a.SetPixel(0, 0, clRed);
  TBitmap b = a;
  b.SetPixel(0, 0, clLime);
  EXPECT_EQ(a.GetPixel(0, 0), clRed);
  EXPECT_EQ(b.GetPixel(0, 0), clLime);
}
