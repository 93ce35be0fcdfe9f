#include "imaging/Ppm.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/Png.h"
#include "imaging/Tiff.h"

using namespace imaging;
using namespace imagingtest;
using platform::RGB;

namespace {

std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace

// netpbm's maps: text and binary of each kind equal the binary map; deep maxvals equal
// pamdepth's widening to 65535, reduced v x 255 div 65535; comments and CR line ends are passed
// over.
TEST(PpmReader, EqualsTheOracleOfEveryFixture) {
  ExpectOracles<TPPMGraphic>({
      {"pnm_p1.pbm", "pnm_p4.pbm", platform::pf1bit},
      {"pnm_p4.pbm", "pnm_p4.pbm", platform::pf1bit},
      {"pnm_p1_w10.pbm", "pnm_p4_w10.pbm", platform::pf1bit},
      {"pnm_p2.pgm", "pnm_p5.pgm", platform::pf8bit},
      {"pnm_p5.pgm", "pnm_p5.pgm", platform::pf8bit},
      {"pnm_p3.ppm", "pnm_p6.ppm", platform::pf24bit},
      {"pnm_p6.ppm", "pnm_p6.ppm", platform::pf24bit},
      {"pnm_maxval1000.ppm", "pnm_maxval1000.pnm", platform::pf24bit},
      {"pnm_maxval1000_plain.ppm", "pnm_maxval1000.pnm", platform::pf24bit},
      {"pnm_comments.ppm", "pnm_p6.ppm", platform::pf24bit},
  });
}

TEST(PpmReader, EdgeCases) {
  TPPMGraphic g;
  // Width 10: two bytes a row, the second holding the last two pixels in its top bits; a
  // reversed grey palette (0 white, 1 black).
  LoadFixture(g, "pnm_p1_w10.pbm");
  EXPECT_THAT(g.Bitmap().Palette(), ::testing::ElementsAre(RGB(255, 255, 255), RGB(0, 0, 0)));
  EXPECT_EQ(g.Bitmap().ScanLine(1)[0], 0xF4);  // 1111010011
  EXPECT_EQ(g.Bitmap().ScanLine(1)[1], 0xC0);
  // Bits with and without blanks, comments between them.
  LoadBytes(g, Text("P1 3 2 0 1\n1 # a comment 1 1\n1 0 0"));
  EXPECT_EQ(g.Bitmap().ScanLine(0)[0], 0x60);
  EXPECT_EQ(g.Bitmap().ScanLine(1)[0], 0x80);

  // Maximum 15: the values 0..15 stay as they are.
  LoadFixture(g, "pnm_maxval15.pgm");
  const std::vector<uint8_t> file = gfxtest::ReadFixture("pnm_maxval15.pgm");
  const size_t data = file.size() - 37 * 23;
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      ASSERT_EQ(g.Bitmap().ScanLine(y)[x], file[data + size_t(y) * 37 + x]);
  EXPECT_EQ(g.Bitmap().Palette()[15], RGB(15, 15, 15));

  // Text samples above 255 are scaled, not wrapped, and truncated like every deep sample: 300
  // of 300 is 255, 150 of 300 is 127; one above the maximum stays at 255.
  LoadBytes(g, Text("P2 3 1 300 300 150 301\n"));
  EXPECT_EQ(g.Bitmap().ScanLine(0)[0], 255);
  EXPECT_EQ(g.Bitmap().ScanLine(0)[1], 127);
  EXPECT_EQ(g.Bitmap().ScanLine(0)[2], 255);
  // The last number may end the data.
  LoadBytes(g, Text("P3 1 1 255 1 2 3"));
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(1, 2, 3));
}

// A deep map loads as the same picture does in 16-bit PNG and TIFF files written from it by
// netpbm: 65535 levels as they are, 4095 levels widened to 16 bits by rounding (pnmtopng) and by
// truncation (pamtotiff). All three are reduced alike, v x 255 div the maximum.
TEST(PpmReader, DeepMapsLoadAsTheirPngAndTiff) {
  for (const std::string levels : {"65535", "4095"}) {
    const std::string name = "pnm_maxval" + levels;
    TPPMGraphic map;
    TPNGGraphic png;
    TTIFFGraphic tiff;
    ASSERT_NO_THROW(LoadFixture(map, name + ".ppm")) << name;
    ASSERT_NO_THROW(LoadFixture(png, name + ".png")) << name;
    ASSERT_NO_THROW(LoadFixture(tiff, name + ".tif")) << name;
    EXPECT_EQ(map.Bitmap().PixelFormat(), platform::pf24bit);
    EXPECT_EQ(gfxtest::PixelDifference(map.Bitmap(), png.Bitmap()), "") << name << " against PNG";
    EXPECT_EQ(gfxtest::PixelDifference(map.Bitmap(), tiff.Bitmap()), "") << name << " against TIFF";
  }
}

TEST(PpmReader, RefusesWithItsText) {
  const std::string invalid = "Cannot load image. Invalid or unexpected PBM, PGM or PPM image format.";
  const std::string stream = "Stream read error in PPM file.";
  const std::vector<uint8_t> p6 = gfxtest::ReadFixture("pnm_p6.ppm");
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {gfxtest::ReadFixture("pnm_refuse_p7.pam"), invalid},
      {Text("P0 1 1 1\n"), invalid},
      {Text("Q6 1 1 255\n"), invalid},
      {Text("P 6 1 1 255\n"), invalid},
      {Text("P2 99999 1 255\n"), invalid},  // wider than a bitmap can be
      {Text("P6"), stream},
      {Text("P2 3 1 255 1 2"), stream},
      {Text("P1 3 1 1 0"), stream},
      {Text("P5 4000 4000 255\n"), stream},  // far more samples than bytes
      {std::vector<uint8_t>(p6.begin(), p6.end() - 1), stream},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TPPMGraphic g;
    EXPECT_EQ(ErrorText([&] { LoadBytes(g, cases[i].first); }), cases[i].second) << i;
    EXPECT_TRUE(g.Empty()) << i;
  }
}
