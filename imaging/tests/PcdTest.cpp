#include "imaging/Pcd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;
using platform::RGB;

namespace {

// The grey a luma sample Y gives with neutral chroma: 1.3584 x Y, rounded, at most 255.
uint8_t Grey(int y) { return uint8_t(std::min(255.0, std::nearbyint(1.3584 * y))); }

// Every pixel is grey of the oracle's luma (a raw read of the file by ImageMagick).
std::string GreyDifference(const platform::TBitmap& b, const std::string& oracle) {
  const TPnm luma = ReadPnmFixture(oracle);
  if (b.Width() != luma.Width || b.Height() != luma.Height) return "size differs";
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint8_t g = Grey(luma.Samples[size_t(y) * luma.Width + x]);
      if (b.GetPixel(x, y) != RGB(g, g, g))
        return "pixel " + std::to_string(x) + ", " + std::to_string(y);
    }
  return "";
}

}  // namespace

// ImageMagick's file of a grey picture, read at each of its three sizes.
TEST(PcdReader, ReadsEverySizeOfAnImageMagickFile) {
  const std::vector<uint8_t> file = gfxtest::ReadFixture("pcd_gray.pcd");
  const char* oracles[] = {"pcd_gray_192x128.pnm", "pcd_gray_384x256.pnm", "pcd_gray_768x512.pnm"};
  for (int resolution = 0; resolution < 3; ++resolution) {
    TPCDGraphic g;
    g.Resolution = resolution;
    LoadBytes(g, file);
    EXPECT_EQ(g.Bitmap().PixelFormat(), platform::pf24bit);
    EXPECT_EQ(GreyDifference(g.Bitmap(), oracles[resolution]), "") << resolution;
  }
}

// Orientation bits patched: 1 turns the picture a quarter to the left (512 wide, 768 high),
// 2 flips it, 3 transposes it; as ImageMagick turns its decode.
TEST(PcdReader, TurnsAsTheOrientationSays) {
  const std::vector<uint8_t> file = gfxtest::ReadFixture("pcd_gray.pcd");
  const std::pair<int, const char*> cases[] = {
      {1, "pcd_gray_rotate270.pnm"}, {2, "pcd_gray_flip.pnm"}, {3, "pcd_gray_transpose.pnm"},
      {4 | 1, "pcd_gray_rotate270.pnm"}};
  for (const auto& [orientation, oracle] : cases) {
    TPCDGraphic g;
    LoadBytes(g, Patched(file, 0x2F84B, uint32_t(orientation), 1, false));
    if (orientation & 1) {
      EXPECT_EQ(g.Width(), 512);
      EXPECT_EQ(g.Height(), 768);
    }
    EXPECT_EQ(GreyDifference(g.Bitmap(), oracle), "") << orientation;
  }
}

// A generated Base/16 file: luma 100 everywhere; chroma set by hand in the first two pairs of
// rows. Cb of pair 0: 166, 186, 156...; of pair 1: 176, 156...; Cr 137 (neutral) throughout.
TEST(PcdReader, WidensChromaBetweenSamplesAndPairs) {
  std::vector<uint8_t> file(0x2F84C);
  std::copy_n("PCD_IPI", 7, file.begin() + 0x800);
  const size_t width = 192, pairBytes = 3 * width, base = 0x2000;
  for (size_t p = 0; p < 64; ++p) {
    uint8_t* pair = &file[base + p * pairBytes];
    std::fill_n(pair, 2 * width, 100);
    std::fill_n(pair + 2 * width, width / 2, 156);
    std::fill_n(pair + 2 * width + width / 2, width / 2, 137);
  }
  file[base + 2 * width] = 166;
  file[base + 2 * width + 1] = 186;
  file[base + pairBytes + 2 * width] = 176;
  TPCDGraphic g;
  g.Resolution = 0;
  LoadBytes(g, file);
  // Blue = round(135.84 + 2.2179 x (Cb - 156)); green and red follow from the same Cb.
  auto blue = [](int cb) { return uint8_t(std::clamp(std::nearbyint(135.84 + 2.2179 * (cb - 156)), 0.0, 255.0)); };
  auto pixelBlue = [&](int x, int y) { return uint8_t(g.Bitmap().GetPixel(x, y) >> 16); };
  // Row 0: Cb[0] = 166 at x 0; (166 + 186) / 2 = 176 at x 1; Cb[1] = 186 at x 2;
  // (186 + 156) / 2 = 171 at x 3.
  EXPECT_EQ(pixelBlue(0, 0), blue(166));
  EXPECT_EQ(pixelBlue(1, 0), blue(176));
  EXPECT_EQ(pixelBlue(2, 0), blue(186));
  EXPECT_EQ(pixelBlue(3, 0), blue(171));
  // Row 1, halfway to pair 1: (166 + 176) / 2 = 171 at x 0; (166 + 186 + 176 + 156) / 4 = 171
  // at x 1; (186 + 156) / 2 = 171 at x 2.
  EXPECT_EQ(pixelBlue(0, 1), blue(171));
  EXPECT_EQ(pixelBlue(1, 1), blue(171));
  EXPECT_EQ(pixelBlue(2, 1), blue(171));
  // Row 2 (pair 1): 176 at x 0, (176 + 156) / 2 = 166 at x 1.
  EXPECT_EQ(pixelBlue(0, 2), blue(176));
  EXPECT_EQ(pixelBlue(1, 2), blue(166));
  // Green: round(135.84 - 0.4302726 x (Cb - 156)) at x 0 of row 0: 131.54 -> 132.
  EXPECT_EQ(uint8_t(g.Bitmap().GetPixel(0, 0) >> 8), 132);
  // The last pixel of a row repeats the last sample: neutral grey 136.
  EXPECT_EQ(g.Bitmap().GetPixel(191, 0), RGB(136, 136, 136));
  // The last pair widens towards itself.
  EXPECT_EQ(g.Bitmap().GetPixel(0, 127), RGB(136, 136, 136));
}

TEST(PcdReader, RefusesWithItsText) {
  const std::vector<uint8_t> file = gfxtest::ReadFixture("pcd_gray.pcd");
  TPCDGraphic g;
  g.Resolution = 3;
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, file); }),
            "Cannot load image. Image sizes other than Base16, Base4 or Base are not supported for PCD files.");
  g.Resolution = 2;
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, Patched(file, 0x800, 'Q', 1, false)); }),
            "Cannot load image. Invalid or unexpected PCD image format.");
  // The Base image ends 0x30000 + 256 pairs of 3 x 768 bytes into the file.
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, std::vector<uint8_t>(file.begin(), file.begin() + 0xC0000 - 1)); }),
            "Stream read error in PCD file.");
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, std::vector<uint8_t>(file.begin(), file.begin() + 0x900)); }),
            "Stream read error in PCD file.");
  EXPECT_TRUE(g.Empty());
  EXPECT_TRUE(g.SaveToStream().empty());
}
