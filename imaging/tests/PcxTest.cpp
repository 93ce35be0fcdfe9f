#include "imaging/Pcx.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;

// netpbm's and ImageMagick's files equal pcxtoppm's decode: packed 1, 2 and 4 bits with the
// header's palette, 4 planes of 1 bit, 8 bits with the palette at the end, 24 bits in planes.
TEST(PcxReader, EqualsTheOracleOfEveryFixture) {
  ExpectOracles<TPCXGraphic>({
      {"pcx_packed1.pcx", "pcx_packed1.pnm", platform::pf1bit},
      {"pcx_packed2.pcx", "pcx_packed2.pnm", platform::pf4bit},
      {"pcx_packed4.pcx", "pcx_packed4.pnm", platform::pf4bit},
      {"pcx_planes4.pcx", "pcx_planes4.pnm", platform::pf4bit},
      {"pcx_8bit.pcx", "pcx_8bit.pnm", platform::pf8bit},
      {"pcx_24bit.pcx", "pcx_24bit.pnm", platform::pf24bit},
      {"pcx_im8.pcx", "pcx_im8.pnm", platform::pf8bit},
      {"pcx_im24.pcx", "pcx_im24.pnm", platform::pf24bit},
  });
}

TEST(PcxReader, PalettesByVersionAndKind) {
  // Version 3 takes the system's sixteen colours; the indexes stay.
  const std::vector<uint8_t> planes4 = gfxtest::ReadFixture("pcx_planes4.pcx");
  TPCXGraphic file, v3;
  LoadBytes(file, planes4);
  LoadBytes(v3, Patched(planes4, 1, 3, 1, false));
  EXPECT_THAT(v3.Bitmap().Palette(), ::testing::ElementsAreArray(platform::DefaultPalette(platform::pf4bit)));
  for (int y = 0; y < v3.Height(); ++y)
    ASSERT_EQ(std::vector<uint8_t>(v3.Bitmap().ScanLine(y), v3.Bitmap().ScanLine(y) + v3.Bitmap().Stride()),
              std::vector<uint8_t>(file.Bitmap().ScanLine(y), file.Bitmap().ScanLine(y) + file.Bitmap().Stride()));

  // 2 bits: under the header's four colours the indexes stay 0-3; with the grey palette kind
  // they are scaled to 0, 5, 10, 15 of sixteen greys.
  const std::vector<uint8_t> packed2 = gfxtest::ReadFixture("pcx_packed2.pcx");
  TPCXGraphic colours, grey;
  LoadBytes(colours, packed2);
  LoadBytes(grey, Patched(packed2, 68, 2, 2, false));
  ASSERT_EQ(grey.Bitmap().Palette().size(), 16u);
  for (int y = 0; y < grey.Height(); ++y)
    for (int x = 0; x < grey.Width(); ++x) {
      const uint32_t index = platform::ReadRowPacked(colours.Bitmap().ScanLine(y), x, platform::pf4bit);
      ASSERT_LT(index, 4u);
      const uint8_t level = uint8_t(index * 85);
      ASSERT_EQ(grey.Bitmap().GetPixel(x, y), platform::RGB(level, level, level)) << x << ", " << y;
    }
  EXPECT_TRUE(grey.SaveToStream().empty());
}

TEST(PcxReader, RefusesWhatItWouldMisreadWithItsText) {
  const std::string colorFormat = "Invalid color format in PCX file.";
  const std::string invalid = "Cannot load image. Invalid or unexpected PCX or SCR image format.";
  const std::vector<uint8_t> planes4 = gfxtest::ReadFixture("pcx_planes4.pcx");
  const std::vector<uint8_t> im8 = gfxtest::ReadFixture("pcx_im8.pcx");
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {gfxtest::ReadFixture("pcx_refuse_planes3.pcx"), colorFormat},  // 3 planes of 1 bit
      {gfxtest::ReadFixture("pcx_refuse_rgba.pcx"), colorFormat},     // 4 planes of 8 bits
      {Patched(planes4, 65, 2, 1, false), colorFormat},
      {Patched(planes4, 3, 2, 1, false), colorFormat},               // 4 planes of 2 bits
      {Patched(planes4, 0, 11, 1, false), invalid},
      {Patched(planes4, 6, 100, 2, false), invalid},                  // maximum y below minimum
      {Patched(planes4, 4, 100, 2, false), invalid},
      {Patched(planes4, 10, 0xFFFF, 2, false), invalid},              // 65536 rows
      {Patched(planes4, 66, 4, 2, false), invalid},                   // 4 bytes for 37 pixels
      {Patched(Patched(planes4, 2, 0, 1, false), 10, 999, 2, false), "Stream read error in PCX or SCR file."},
      {std::vector<uint8_t>(im8.begin(), im8.begin() + 800), "Stream read error in PCX or SCR file."},
      {std::vector<uint8_t>(planes4.begin(), planes4.begin() + 127), "Stream read error in PCX or SCR file."},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TPCXGraphic g;
    EXPECT_EQ(ErrorText([&] { LoadBytes(g, cases[i].first); }), cases[i].second) << i;
  }

  // Packed data that ends early leaves the rest of the picture zero.
  TPCXGraphic g;
  LoadBytes(g, std::vector<uint8_t>(planes4.begin(), planes4.begin() + 200));
  EXPECT_EQ(g.Height(), 23);
  EXPECT_EQ(g.Bitmap().ScanLine(22)[0], 0);
}
