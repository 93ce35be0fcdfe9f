// Colour reduction: lookups, dither engines, octree, ReduceColors and frame import.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "GifTestUtil.h"
#include "imaging/GIFFormat.h"
#include "platform/gfx/BmpImage.h"

using namespace imaging;
using namespace giftest;
using platform::GetBValue;
using platform::GetGValue;
using platform::GetRValue;
using platform::RGB;
using platform::TBitmap;
using platform::TColor;

namespace {

// A 24-bit picture whose colours differ in the top 5 bits of some channel from one another,
// so the lookups' 15-bit cache answers each of them exactly.
TBitmap CoarsePicture(int width, int height, uint32_t seed) {
  TBitmap b(width, height, platform::pf24bit);
  const Bytes r = RandomIndices(size_t(width) * height * 3, 32, seed);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const size_t i = (size_t(y) * width + x) * 3;
      b.SetPixel(x, y, RGB(uint8_t(r[i] * 8 + 4), uint8_t(r[i + 1] * 8 + 4), uint8_t(r[i + 2] * 8 + 4)));
    }
  return b;
}

TBitmap Uniform(int width, int height, TColor c) {
  TBitmap b(width, height, platform::pf24bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) b.SetPixel(x, y, c);
  return b;
}

std::vector<int> Indices(const TBitmap& b) {
  std::vector<int> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out.push_back(b.ScanLine(y)[x]);
  return out;
}

int Distance(TColor a, TColor b) {
  return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
         std::abs(GetBValue(a) - GetBValue(b));
}

// --- Lookups -------------------------------------------------------------------------------------

TEST(GifLookup, WebGreyAndMonochrome) {
  TColor chosen;
  TNetscapeColorLookup web;
  EXPECT_EQ(web.Lookup(128, 128, 128, chosen), 36 * 2 + 6 * 2 + 2);
  EXPECT_EQ(chosen, RGB(102, 102, 102));
  EXPECT_EQ(web.Lookup(255, 0, 48, chosen), 36 * 5 + 0 + 1);
  EXPECT_EQ(web.Palette().size(), 216u);
  TMonochromeLookup mono;
  EXPECT_EQ(mono.Lookup(127, 127, 127, chosen), 0);
  EXPECT_EQ(chosen, platform::clBlack);
  EXPECT_EQ(mono.Lookup(128, 128, 128, chosen), 1);
  EXPECT_EQ(chosen, platform::clWhite);
  TGrayScaleLookup grey;
  EXPECT_EQ(grey.Lookup(255, 0, 0, chosen), 76);
  EXPECT_EQ(chosen, RGB(76, 76, 76));
}

TEST(GifLookup, FastLookupTakesTheNearestAndTheLowestOnATie) {
  const std::vector<TColor> palette = {RGB(0, 0, 0), RGB(100, 100, 100), RGB(100, 100, 100),
                                       RGB(200, 0, 0), RGB(0, 0, 200)};
  TFastColorLookup lookup(palette);
  TColor chosen;
  EXPECT_EQ(lookup.Lookup(100, 100, 100, chosen), 1);  // the first entry of a colour
  EXPECT_EQ(lookup.Lookup(150, 0, 0, chosen), 3);
  EXPECT_EQ(chosen, RGB(200, 0, 0));
  // (100, 50, 0) is 150 from black, from (100, 100, 100) and from (200, 0, 0).
  EXPECT_EQ(lookup.Lookup(100, 50, 0, chosen), 0);
}

// --- Dithering -----------------------------------------------------------------------------------

// Uniform grey 100 over black and white; the results were worked out by hand from the kernel
// (rounding added, division truncating, serpentine rows).
TEST(GifDither, FloydSteinbergOnFourByTwo) {
  TFastColorLookup lookup(BWPalette());
  TFloydSteinbergDitherer engine(4, lookup);
  const TBitmap out = ReduceColors(Uniform(4, 2, RGB(100, 100, 100)), 9, 1, BWPalette(), 8);
  EXPECT_EQ(Indices(out), (std::vector<int>{0, 1, 0, 0, 1, 0, 0, 1}));
  // The first row leaves these errors for the second (x 16).
  TColor chosen;
  while (engine.InRow()) engine.Dither(100, 100, 100, chosen);
  engine.NextLine();
  EXPECT_EQ(engine.Direction(), -1);
  EXPECT_EQ(engine.Column(), 3);
  EXPECT_EQ(engine.Error(0, 0, 0), 167);
  EXPECT_EQ(engine.Error(0, 1, 1), -299);
  EXPECT_EQ(engine.Error(0, 2, 2), 518);
  EXPECT_EQ(engine.Error(0, 3, 0), 667);
}

TEST(GifDither, StuckiOnFiveByThree) {
  const TBitmap out = ReduceColors(Uniform(5, 3, RGB(100, 100, 100)), 9, 2, BWPalette(), 8);
  EXPECT_EQ(Indices(out), (std::vector<int>{0, 0, 1, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0, 0, 1}));
}

TEST(GifDither, EnginesByKind) {
  TFastColorLookup lookup(BWPalette());
  EXPECT_NE(dynamic_cast<TFloydSteinbergDitherer*>(MakeDitherEngine(1, 3, lookup).get()), nullptr);
  EXPECT_NE(dynamic_cast<TSteveArcheDitherer*>(MakeDitherEngine(5, 3, lookup).get()), nullptr);
  EXPECT_EQ(MakeDitherEngine(7, 3, lookup), nullptr);
  const int divisors[] = {16, 42, 32, 48, 200, 32};
  for (int kind = 1; kind <= 6; ++kind)
    EXPECT_EQ(dynamic_cast<TErrorDiffusionDitherer&>(*MakeDitherEngine(kind, 3, lookup)).Divisor(),
              divisors[kind - 1]);
}

// --- ReduceColors ----------------------------------------------------------------------------------

struct TMethodCase {
  int Method;
  size_t PaletteSize;
};

class ReduceMethod : public ::testing::TestWithParam<TMethodCase> {};

TEST_P(ReduceMethod, PaletteSizeAndIndicesForEveryDitherKind) {
  const TBitmap source = CoarsePicture(23, 17, 9);
  const std::vector<TColor> given = {RGB(10, 20, 30), RGB(250, 250, 250), RGB(128, 0, 64)};
  for (int kind = 0; kind <= 6; ++kind) {
    SCOPED_TRACE("dither " + std::to_string(kind));
    const TBitmap out = ReduceColors(source, GetParam().Method, kind, given, 5);
    ASSERT_EQ(out.PixelFormat(), platform::pf8bit);
    ASSERT_EQ(out.Width(), 23);
    EXPECT_EQ(out.Palette().size(), GetParam().PaletteSize);
    for (int index : Indices(out)) ASSERT_LT(size_t(index), GetParam().PaletteSize);
    if (kind != 0 || GetParam().Method == 4 || GetParam().Method == 5 || GetParam().Method == 6)
      continue;
    // Nearest colour: each pixel takes the nearest entry, the lowest one on a tie.
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) {
        const TColor c = source.GetPixel(x, y);
        const int got = out.ScanLine(y)[x];
        int best = 0;
        for (size_t i = 0; i < out.Palette().size(); ++i)
          if (Distance(out.Palette()[i], c) < Distance(out.Palette()[size_t(best)], c)) best = int(i);
        ASSERT_EQ(got, best) << x << "," << y;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Methods, ReduceMethod,
                         ::testing::Values(TMethodCase{1, 20}, TMethodCase{2, 256},
                                           TMethodCase{3, 4}, TMethodCase{4, 2},
                                           TMethodCase{5, 256}, TMethodCase{6, 216},
                                           TMethodCase{7, 32}, TMethodCase{8, 256},
                                           TMethodCase{9, 3}));

TEST(GifReduce, MethodZeroCopiesAndBadValuesGiveNothing) {
  const TBitmap source = CoarsePicture(5, 4, 2);
  TBitmap eight = ReduceColors(source, 6, 0, {}, 8);
  const TBitmap copy = ReduceColors(eight, 0, 0, {}, 8);
  EXPECT_EQ(copy.PixelFormat(), platform::pf24bit);
  EXPECT_EQ(copy.GetPixel(3, 2), eight.GetPixel(3, 2));
  EXPECT_TRUE(ReduceColors(source, 10, 0, {}, 8).Empty());
  EXPECT_TRUE(ReduceColors(source, 6, 7, {}, 8).Empty());
  EXPECT_EQ(ErrorOf([&] { ReduceColors(source, 9, 0, {}, 8); }),
            "No palette given for color reduction");
}

TEST(GifReduce, OctreeBitCountIsTakenBetweenOneAndEight) {
  const TBitmap source = CoarsePicture(40, 30, 4);
  EXPECT_EQ(ReduceColors(source, 7, 0, {}, 4).Palette().size(), 16u);
  EXPECT_EQ(ReduceColors(source, 7, 0, {}, 9).Palette().size(), 256u);
  EXPECT_EQ(ReduceColors(source, 7, 0, {}, 32).Palette().size(), 256u);
  EXPECT_EQ(ReduceColors(source, 7, 0, {}, 0).Palette().size(), 2u);
}

TEST(GifReduce, OctreeNeverHoldsMoreLeavesThanAsked) {
  TColorQuantizer quantizer(16, 8);
  const Bytes r = RandomIndices(3000, 256, 8);
  for (size_t i = 0; i < r.size(); i += 3) {
    quantizer.AddColor(r[i], r[i + 1], r[i + 2]);
    ASSERT_LE(quantizer.LeafCount(), 16);
  }
  EXPECT_EQ(quantizer.Colors().size(), size_t(quantizer.LeafCount()));
}

TEST(GifReduce, OctreeReproducesFewColoursExactly) {
  // 16 colours, 2^4: every one is a leaf of its own.
  TBitmap source(16, 9, platform::pf24bit);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x)
      source.SetPixel(x, y, RGB(uint8_t(x * 16 + 3), uint8_t(255 - x * 9), uint8_t((x * 37) & 0xFF)));
  const TBitmap out = ReduceColors(source, 7, 0, {}, 4);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(out.GetPixel(x, y), source.GetPixel(x, y));
}

TEST(GifReduce, SystemPaletteIsTheVgaColoursWithFourPaleOnes) {
  const std::vector<TColor> p = SystemPalette();
  ASSERT_EQ(p.size(), 20u);
  EXPECT_EQ(p[8], RGB(192, 220, 192));
  EXPECT_EQ(p[11], RGB(160, 160, 164));
  EXPECT_EQ(p[19], platform::clWhite);
  const std::vector<TColor> octree = OctreePalette(CoarsePicture(8, 8, 1), 256, 8, true);
  ASSERT_EQ(octree.size(), 256u);
  EXPECT_EQ(octree[9], p[9]);
  EXPECT_EQ(octree[246], p[10]);
}

TEST(GifReduce, DibWriterChecksFormatAndSize) {
  TBitmap target;
  EXPECT_EQ(ErrorOf([&] { TDIBWriter(target, platform::pf16bit, 2, 2); }),
            "Unsupported PixelFormat");
  EXPECT_EQ(ErrorOf([&] { TDIBWriter(target, platform::pf8bit, 0, 2); }),
            "Invalid image dimensions");
  TDIBWriter writer(target, platform::pf8bit, 3, 2, WebPalette());
  EXPECT_THROW(writer.ScanLine(2), platform::EBitmapError);
  EXPECT_EQ(target.Palette().size(), 216u);
}

// --- Frame import ----------------------------------------------------------------------------------

TEST(GifImport, TrueColourPictureWithTheDefaultsGivesTheWebColours) {
  TGIFImage image;
  TBitmap source(1000, 600, platform::pf24bit);
  for (int y = 0; y < 600; ++y) {
    uint8_t* row = source.ScanLine(y);
    for (int x = 0; x < 1000; ++x) {
      row[3 * x] = uint8_t(x * 7 + y);
      row[3 * x + 1] = uint8_t(x ^ y);
      row[3 * x + 2] = uint8_t(y * 3 + x / 3);
    }
  }
  image.Assign(source);
  ASSERT_EQ(image.Images().Count(), 1);
  TGIFSubImage& frame = *image.Images()[0];
  EXPECT_EQ(frame.Width(), 1000);
  EXPECT_EQ(image.Width(), 1000);
  EXPECT_EQ(frame.ColorMap().ExportPalette(), WebPalette());
  for (int y = 0; y < 600; y += 7)
    for (int x = 0; x < 1000; x += 13) {
      const uint8_t* p = source.ScanLine(y) + 3 * x;
      const int expected = 36 * ((p[2] + 3) / 51) + 6 * ((p[1] + 3) / 51) + (p[0] + 3) / 51;
      ASSERT_EQ(frame.Pixels(x, y), expected) << x << "," << y;
    }
}

struct TBmpCase {
  const char* Bmp;
  const char* Ppm;
  platform::TPixelFormat Format;
};

class IndexedImport : public ::testing::TestWithParam<TBmpCase> {};

TEST_P(IndexedImport, KeepsThePaletteAndPixels) {
  const std::string dir = std::string(CORVANE_FIXTURES) + "/../../../platform/gfx/tests/fixtures/";
  auto read = [&](const std::string& name) {
    std::ifstream in(dir + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  };
  const Bytes bmp = read(GetParam().Bmp);
  const TBitmap bitmap = platform::ReadBmp(bmp.data(), bmp.size());
  ASSERT_EQ(bitmap.PixelFormat(), GetParam().Format);
  TGIFImage image;
  image.Assign(bitmap);
  TGIFSubImage& frame = *image.Images()[0];
  EXPECT_EQ(frame.ColorMap().ExportPalette(),
            std::vector<TColor>(bitmap.Palette().begin(), bitmap.Palette().end()));
  const std::vector<TPpmFrame> expected = ParsePpms(read(GetParam().Ppm));
  ASSERT_EQ(expected.size(), 1u);
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) {
      const uint8_t* p = &expected[0].Rgb[(size_t(y) * frame.Width() + x) * 3];
      ASSERT_EQ(frame.ColorMap().Colors(frame.Pixels(x, y)), RGB(p[0], p[1], p[2])) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Bitmaps, IndexedImport,
                         ::testing::Values(TBmpCase{"bpp1.bmp", "bpp1.ppm", platform::pf1bit},
                                           TBmpCase{"bpp4.bmp", "bpp4.ppm", platform::pf4bit},
                                           TBmpCase{"bpp8.bmp", "bpp8.ppm", platform::pf8bit}));

TEST(GifImport, TrueColourWithoutReductionKeepsUpTo256Colours) {
  TGIFImage image;
  image.SetReductionMethod(0);
  TBitmap source(32, 8, platform::pf24bit);
  for (int i = 0; i < 256; ++i) source.SetPixel(i % 32, i / 32, RGB(uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)));
  image.Assign(source);
  TGIFSubImage& frame = *image.Images()[0];
  EXPECT_EQ(frame.ColorMap().Count(), 256);
  for (int i = 0; i < 256; ++i)
    ASSERT_EQ(frame.ColorMap().Colors(frame.Pixels(i % 32, i / 32)), source.GetPixel(i % 32, i / 32));
  TBitmap more(33, 8, platform::pf24bit);
  for (int i = 0; i < 257; ++i) more.SetPixel(i % 33, i / 33, RGB(uint8_t(i), uint8_t(i >> 8), 7));
  EXPECT_EQ(ErrorOf([&] { image.Assign(more); }), "Color table overflow");
}

TEST(GifImport, PaletteMethodNeedsAPalette) {
  TGIFImage image;
  image.SetReductionMethod(9);
  EXPECT_EQ(ErrorOf([&] { image.Assign(CoarsePicture(3, 3, 1)); }),
            "No palette given for color reduction");
}

TEST(GifImport, MaskedPixelsBecomeATransparentEntry) {
  TGIFImage image;
  TBitmap source(4, 2, platform::pf8bit);
  source.SetPalette(std::vector<TColor>{RGB(9, 9, 9), RGB(200, 10, 10), RGB(5, 5, 250)});
  source.ScanLine(0)[0] = 1;
  source.ScanLine(0)[1] = 2;
  source.ScanLine(1)[3] = 1;
  TBitmap mask(4, 2, platform::pf1bit);
  mask.SetPixel(2, 0, platform::clWhite);
  mask.SetPixel(0, 1, platform::clWhite);
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->Assign(source, &mask);
  ASSERT_TRUE(frame->HasTransparency);
  const int t = frame->TransparentIndex();
  EXPECT_EQ(frame->Pixels(2, 0), t);
  EXPECT_EQ(frame->Pixels(0, 1), t);
  EXPECT_NE(frame->Pixels(1, 1), t);
  EXPECT_EQ(frame->ColorMap().Colors(frame->Pixels(1, 0)), RGB(5, 5, 250));
  EXPECT_EQ(frame->ColorMap().Count(), 4);
  // Nothing under the mask: no transparent entry.
  TBitmap none(4, 2, platform::pf1bit);
  frame->Assign(source, &none);
  EXPECT_FALSE(frame->HasTransparency);
  EXPECT_EQ(frame->ColorMap().Count(), 3);
}

TEST(GifImport, SettersRefuseValuesOutsideTheirRange) {
  TGIFImage image;
  EXPECT_EQ(ErrorOf([&] { image.SetReductionMethod(10); }), "Invalid color reduction method");
  EXPECT_EQ(image.ReductionMethod(), 6);
  EXPECT_EQ(ErrorOf([&] { image.SetDitherKind(7); }), "Invalid dither mode");
  EXPECT_EQ(image.DitherKind(), 0);
  image.ReductionBitCount = 40;  // stored as set, taken as 8 when used
  image.SetReductionMethod(7);
  image.Assign(CoarsePicture(20, 20, 3));
  EXPECT_EQ(image.ReductionBitCount, 40);
  EXPECT_LE(image.Images()[0]->ColorMap().Count(), 256);
}

}  // namespace
