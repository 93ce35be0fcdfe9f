#include "imaging/Psd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;
using platform::RGB;
using platform::TPixelFormat;

namespace {

// A Photoshop file without resources or layers: planes given whole, raw, or a packed-size table
// and packed rows given as they are.
std::vector<uint8_t> PsdFile(uint16_t channels, uint32_t height, uint32_t width, uint16_t depth,
                             uint16_t mode, const std::vector<uint8_t>& modeData,
                             uint16_t compression, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  auto be = [&](uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(v >> (8 * i)));
  };
  be(channels, 2);
  be(height, 4);
  be(width, 4);
  be(depth, 2);
  be(mode, 2);
  be(uint32_t(modeData.size()), 4);
  out.insert(out.end(), modeData.begin(), modeData.end());
  be(0, 4);
  be(0, 4);
  be(compression, 2);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// Where the compression word of a file lies: after the header and three sections.
size_t CompressionAt(const std::vector<uint8_t>& data) {
  size_t at = 26;
  for (int section = 0; section < 3; ++section)
    at += 4 + ((size_t(data[at]) << 24) | (data[at + 1] << 16) | (data[at + 2] << 8) | data[at + 3]);
  return at;
}

const std::string invalid = "Cannot load image. Invalid or unexpected PSD or PDD image format.";
const std::string colorFormat = "Invalid color format in PSD or PDD file.";
const std::string streamError = "Stream read error in PSD or PDD file.";

}  // namespace

// Each ImageMagick file equals ImageMagick's decode of it (CMYK within 1: its conversion
// rounds; 16-bit CMYK within 2, as the colour manager reduces each ink to 8 bits before the
// formula, ImageMagick after it), and each generator file the picture it packed; 16-bit oracles
// are reduced by the reader's rule (v * 255 div 65535).
TEST(PsdReader, EqualsTheOracleOfEveryFixture) {
  ExpectOracles<TPSDGraphic>({
      {"psd_rgb_raw.psd", "psd_rgb_raw.pnm", platform::pf24bit},
      {"psd_rgb_rle.psd", "psd_rgb_rle.pnm", platform::pf24bit},
      {"psd_rgb16_rle.psd", "psd_rgb16_rle.pnm", platform::pf24bit},
      {"psd_rgba.psd", "psd_rgba.pnm", platform::pf32bit},
      {"psd_gray8.psd", "psd_gray8.pnm", platform::pf8bit},
      {"psd_gray16.psd", "psd_gray16.pnm", platform::pf8bit},
      {"psd_gray16_rle.psd", "psd_gray16_rle.pnm", platform::pf8bit},
      {"psd_palette.psd", "psd_palette.pnm", platform::pf8bit},
      {"psd_cmyk.psd", "psd_cmyk.pnm", platform::pf24bit, 1},
      {"psd_cmyk_rle.psd", "psd_cmyk_rle.pnm", platform::pf24bit, 1},
      {"psd_cmyk16_rle.psd", "psd_cmyk16_rle.pnm", platform::pf24bit, 2},
      {"psd_bitmap.psd", "psd_bitmap.pnm", platform::pf1bit},
      {"psd_bitmap_rle.psd", "psd_bitmap.pnm", platform::pf1bit},
      {"psd_duotone.psd", "psd_duotone.pnm", platform::pf8bit},
  });
}

TEST(PsdReader, KeepsAlphaAndTheBitmapModesPalette) {
  // Four RGB channels: RGBA, a 32-bit bitmap with the alpha in each pixel's fourth byte.
  TPSDGraphic g;
  LoadFixture(g, "psd_rgba.psd");
  const TPnm alpha = ReadPnmFixture("psd_rgba_alpha.pnm");
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      ASSERT_EQ(g.Bitmap().ScanLine(y)[4 * x + 3], alpha.Colour(x, y) & 0xFF) << x << ", " << y;

  // Bitmap mode: 1 is black.
  LoadFixture(g, "psd_bitmap.psd");
  EXPECT_THAT(g.Bitmap().Palette(), ::testing::ElementsAre(RGB(255, 255, 255), RGB(0, 0, 0)));

  // Multichannel with three channels reads as RGB.
  std::vector<uint8_t> rgb = gfxtest::ReadFixture("psd_rgb_raw.psd");
  TPSDGraphic multi;
  LoadBytes(multi, Patched(rgb, 24, 7, 2, true));
  LoadFixture(g, "psd_rgb_raw.psd");
  EXPECT_EQ(gfxtest::PixelDifference(multi.Bitmap(), g.Bitmap()), "");
}

// Lab pixels worked out by hand from L * 100 / 255, a - 128, b - 128 and the conversion's
// formula; the file with a fourth (alpha) channel and the 16-bit file give the same 24-bit
// pixels.
TEST(PsdReader, LabPixelsByHand) {
  const std::vector<platform::TColor> expected = {RGB(255, 255, 255), RGB(0, 0, 0),
                                                  RGB(47, 47, 47),    RGB(255, 0, 6),
                                                  RGB(34, 185, 0),    RGB(0, 24, 191)};
  for (const char* name : {"psd_lab.psd", "psd_lab_alpha.psd", "psd_lab16.psd"}) {
    TPSDGraphic g;
    LoadFixture(g, name);
    ASSERT_EQ(g.Bitmap().PixelFormat(), platform::pf24bit) << name;
    ASSERT_EQ(g.Width(), int(expected.size())) << name;
    for (int x = 0; x < g.Width(); ++x) EXPECT_EQ(g.Bitmap().GetPixel(x, 0), expected[x]) << name << " " << x;
  }
}

TEST(PsdReader, CmykWithoutInkIsWhiteAndShortPackedRowsEndInZero) {
  // Stored bytes of 255 are no ink: white, in a 24-bit bitmap.
  TPSDGraphic g;
  LoadBytes(g, PsdFile(4, 2, 3, 8, 4, {}, 0, std::vector<uint8_t>(4 * 6, 255)));
  ASSERT_EQ(g.Bitmap().PixelFormat(), platform::pf24bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(g.Bitmap().GetPixel(x, y), RGB(255, 255, 255));

  // Grey, 4 x 2, packed: row 0 is one literal byte, row 1 a run of two; the rest is zero.
  LoadBytes(g, PsdFile(1, 2, 4, 8, 1, {}, 1, {0, 2, 0, 2, 0x00, 200, 0xFF, 90}));
  EXPECT_EQ(g.Bitmap().ScanLine(0)[0], 200);
  EXPECT_EQ(g.Bitmap().ScanLine(0)[1], 0);
  EXPECT_EQ(g.Bitmap().ScanLine(1)[1], 90);
  EXPECT_EQ(g.Bitmap().ScanLine(1)[2], 0);

  // Grey with an alpha channel: the first channel is the picture.
  LoadBytes(g, PsdFile(2, 1, 2, 8, 1, {}, 0, {10, 20, 255, 255}));
  EXPECT_EQ(g.Bitmap().ScanLine(0)[0], 10);
  EXPECT_EQ(g.Bitmap().ScanLine(0)[1], 20);

  // 16-bit grey, 2 x 1, raw: high byte first, reduced to 8 bits.
  LoadBytes(g, PsdFile(1, 1, 2, 16, 1, {}, 0, {0xFF, 0xFF, 0x80, 0x00}));
  EXPECT_EQ(g.Bitmap().ScanLine(0)[0], 255);
  EXPECT_EQ(g.Bitmap().ScanLine(0)[1], 0x8000 * 255 / 65535);
}

TEST(PsdReader, ColourModeDataLongerThanAPaletteIsReadWhole) {
  // 1000 bytes: planes of 333, the first 256 entries of each taken.
  std::vector<uint8_t> modeData(1000);
  for (size_t i = 0; i < modeData.size(); ++i) modeData[i] = uint8_t(i * 7);
  TPSDGraphic g;
  LoadBytes(g, PsdFile(1, 1, 2, 8, 2, modeData, 0, {0, 255}));
  ASSERT_EQ(g.Bitmap().Palette().size(), 256u);
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(modeData[0], modeData[333], modeData[666]));
  EXPECT_EQ(g.Bitmap().GetPixel(1, 0), RGB(modeData[255], modeData[333 + 255], modeData[666 + 255]));
}

TEST(PsdReader, RefusesWhatItCannotReadWithItsText) {
  const std::vector<uint8_t> rgb = gfxtest::ReadFixture("psd_rgb_raw.psd");
  auto mode = [&](uint16_t m, uint16_t depth, uint16_t channels) {
    return Patched(Patched(Patched(rgb, 24, m, 2, true), 22, depth, 2, true), 12, channels, 2, true);
  };
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {Patched(rgb, 0, '7', 1, true), invalid},
      {mode(5, 8, 3), colorFormat},  // unsupported modes
      {mode(6, 8, 3), colorFormat},
      {mode(10, 8, 3), colorFormat},
      {mode(0, 8, 3), colorFormat},  // bitmap of 8 bits
      {mode(2, 16, 3), colorFormat},  // indexed of 16 bits
      {mode(1, 32, 3), colorFormat},
      {mode(3, 8, 2), colorFormat},   // RGB without blue
      {mode(4, 8, 3), colorFormat},   // CMYK without black
      {mode(1, 8, 0), colorFormat},
      {Patched(rgb, CompressionAt(rgb), 2, 2, true),
       "Cannot load image. The compression scheme is not supported for PSD or PDD files."},
      {Patched(rgb, 14, 0x10000, 4, true), invalid},  // 65536 rows
      {Patched(rgb, 26, 0x7FFFFFFF, 4, true), streamError},  // colour mode data past the end
      {Patched(rgb, 30, 0xFFFFFFFF, 4, true), streamError},  // resources past the end
      {std::vector<uint8_t>(rgb.begin(), rgb.end() - 1), streamError},
      {std::vector<uint8_t>(rgb.begin(), rgb.begin() + 20), streamError},
      // A packed-size table whose sum runs past the data.
      {PsdFile(1, 2, 4, 8, 1, {}, 1, {0, 2, 0x7F, 0xFF, 0, 1, 2}), streamError},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TPSDGraphic g;
    EXPECT_EQ(ErrorText([&] { LoadBytes(g, cases[i].first); }), cases[i].second) << i;
  }

  // An unsupported mode after a good file raises too: nothing of that file's settings is used.
  TPSDGraphic g;
  LoadFixture(g, "psd_cmyk.psd");
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, mode(6, 8, 4)); }), colorFormat);
  EXPECT_EQ(g.Bitmap().PixelFormat(), platform::pf24bit);
  EXPECT_EQ(g.Width(), 37);
}
