#include "imaging/Rla.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;

// The generator's files of an ImageMagick picture: rows in both orders, with and without a
// matte, 16-bit channels (reduced by the colour manager's rule), and a gamma of 2.0 (the
// picture through the colour manager's gamma table).
TEST(RlaReader, EqualsThePackedPicture) {
  ExpectOracles<TRLAGraphic>({
      {"rla_rgb.rla", "rla_rgb.pnm", platform::pf24bit},
      {"rla_rgb_topdown.rla", "rla_rgb.pnm", platform::pf24bit},
      {"rla_matte.rla", "rla_rgb.pnm", platform::pf32bit},
      {"rla_matte_bottomup.rla", "rla_rgb.pnm", platform::pf32bit},
      {"rla_gamma.rla", "rla_gamma.pnm", platform::pf24bit},
      {"rla_16.rla", "rla_16.pnm", platform::pf24bit},
  });
  const TPnm alpha = ReadPnmFixture("rla_alpha.pnm");
  for (const char* name : {"rla_matte.rla", "rla_matte_bottomup.rla"}) {
    TRLAGraphic g;
    LoadFixture(g, name);
    for (int y = 0; y < g.Height(); ++y)
      for (int x = 0; x < g.Width(); ++x)
        ASSERT_EQ(g.Bitmap().ScanLine(y)[4 * x + 3], alpha.Colour(x, y) & 0xFF) << name;
  }

  // The next file has no gamma: none of the last file's stays.
  TRLAGraphic g;
  LoadFixture(g, "rla_gamma.rla");
  LoadFixture(g, "rla_rgb.rla");
  EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture("rla_rgb.pnm"))), "");
}

TEST(RlaReader, RefusesWithItsText) {
  const std::vector<uint8_t> file = gfxtest::ReadFixture("rla_rgb.rla");
  const std::string colorFormat = "Invalid color format in RLA file.";
  const std::string stream = "Stream read error in RLA file.";
  std::vector<uint8_t> xyz = file;
  std::copy_n("XYZ", 3, xyz.begin() + 580);
  std::vector<uint8_t> other = file;
  std::copy_n("rgba", 4, other.begin() + 580);
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {xyz, colorFormat},
      {Patched(file, 20, 1, 2, true), colorFormat},  // one channel
      {Patched(file, 20, 4, 2, true), colorFormat},
      {Patched(file, 658, 12, 2, true), SBadColorDepth},
      {Patched(file, 10, 0xFFFF, 2, true), "Cannot load image. Invalid or unexpected RLA image format."},  // right < left
      {Patched(file, 740, 0x7FFFFFFF, 4, true), stream},  // a row offset past the end
      {Patched(file, 12, 0x7FFF, 2, true), stream},        // more rows than offsets
      {std::vector<uint8_t>(file.begin(), file.end() - 1), stream},
      {std::vector<uint8_t>(file.begin(), file.begin() + 700), stream},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TRLAGraphic g;
    EXPECT_EQ(ErrorText([&] { LoadBytes(g, cases[i].first); }), cases[i].second) << i;
  }
  // Another description reads as RGB.
  TRLAGraphic g;
  LoadBytes(g, other);
  EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture("rla_rgb.pnm"))), "");
}
