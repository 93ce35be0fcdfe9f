#include "imaging/Autodesk.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;

TEST(AutodeskReader, ReadsTheRowsUnderTheWidenedPalette) {
  // The generator's cel file of an ImageMagick picture; its 6-bit palette values times 4.
  TAutodeskGraphic g;
  const std::vector<uint8_t> file = gfxtest::ReadFixture("ads_plasma.cel");
  LoadBytes(g, file);
  EXPECT_EQ(g.Bitmap().PixelFormat(), platform::pf8bit);
  EXPECT_EQ(g.Bitmap().Palette().size(), 256u);
  EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture("ads_plasma.pnm"))), "");
  // The others keep the bitmap writer.
  EXPECT_EQ(g.SaveToStream()[0], 'B');

  const std::string invalid = "Cannot load image. Invalid or unexpected Autodesk image format.";
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, Patched(file, 0, 0x9118, 2, false)); }), invalid);
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, std::vector<uint8_t>(file.begin(), file.end() - 1)); }),
            "Stream read error in Autodesk file.");
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, std::vector<uint8_t>(file.begin(), file.begin() + 40)); }),
            "Stream read error in Autodesk file.");
  EXPECT_EQ(g.Width(), 37);
}
