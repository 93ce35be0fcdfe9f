#include "imaging/Sgi.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;

// netpbm's and ImageMagick's files equal sgitopnm's decode; 16-bit samples reduced by the
// colour manager's rule (v * 255 div 65535).
TEST(SgiReader, EqualsTheOracleOfEveryFixture) {
  ExpectOracles<TSGIGraphic>({
      {"sgi_gray_rle.bw", "sgi_gray_rle.pnm", platform::pf8bit},
      {"sgi_gray_raw.bw", "sgi_gray_raw.pnm", platform::pf8bit},
      {"sgi_gray16_rle.sgi", "sgi_gray16_rle.pnm", platform::pf8bit},
      {"sgi_gray16_raw.sgi", "sgi_gray16_raw.pnm", platform::pf8bit},
      {"sgi_rgb_rle.rgb", "sgi_rgb_rle.pnm", platform::pf24bit},
      {"sgi_rgb_raw.rgb", "sgi_rgb_raw.pnm", platform::pf24bit},
      {"sgi_rgb16_rle.sgi", "sgi_rgb16_rle.pnm", platform::pf24bit},
      {"sgi_rgb16_raw.sgi", "sgi_rgb16_raw.pnm", platform::pf24bit},
      {"sgi_im_rgb.sgi", "sgi_im_rgb.pnm", platform::pf24bit},
      {"sgi_rgba_rle.rgba", "sgi_rgba_rle.pnm", platform::pf32bit},
      {"sgi_rgba_raw.rgba", "sgi_rgba_raw.pnm", platform::pf32bit},
  });
}

TEST(SgiReader, GreyRowsComeBottomFirstAndAlphaIsKept) {
  // One channel: an 8-bit grey bitmap whose top row is the file's last row (raw rows lie at
  // 512 + row x width).
  TSGIGraphic g;
  LoadFixture(g, "sgi_gray_raw.bw");
  const std::vector<uint8_t> file = gfxtest::ReadFixture("sgi_gray_raw.bw");
  ASSERT_EQ(g.Bitmap().Palette().size(), 256u);
  EXPECT_EQ(g.Bitmap().Palette()[200], platform::RGB(200, 200, 200));
  for (int x = 0; x < g.Width(); ++x)
    ASSERT_EQ(g.Bitmap().ScanLine(0)[x], file[512 + size_t(g.Height() - 1) * g.Width() + x]) << x;

  for (const char* name : {"sgi_rgba_rle", "sgi_rgba_raw"}) {
    LoadFixture(g, std::string(name) + ".rgba");
    const TPnm alpha = ReadPnmFixture(std::string(name) + "_alpha.pnm");
    for (int y = 0; y < g.Height(); ++y)
      for (int x = 0; x < g.Width(); ++x)
        ASSERT_EQ(g.Bitmap().ScanLine(y)[4 * x + 3], alpha.Colour(x, y) & 0xFF) << name;
  }
}

TEST(SgiReader, RefusesWhatItCannotReadWithItsText) {
  const std::vector<uint8_t> raw = gfxtest::ReadFixture("sgi_rgb_raw.rgb");
  const std::vector<uint8_t> rle = gfxtest::ReadFixture("sgi_rgb_rle.rgb");
  const std::string stream = "Stream read error in sgi, bw or rgb(a) file.";
  const std::vector<std::pair<std::vector<uint8_t>, std::string>> cases = {
      {Patched(raw, 0, 475, 2, true), "Cannot load image. Invalid or unexpected sgi, bw or rgb(a) image format."},
      {Patched(raw, 3, 3, 1, true), SBadColorDepth},     // three bytes a sample
      {Patched(raw, 3, 0, 1, true), SBadColorDepth},
      {Patched(raw, 10, 2, 2, true), SBadSampleCount},   // two channels
      {Patched(raw, 10, 260, 2, true), SBadSampleCount},
      {std::vector<uint8_t>(raw.begin(), raw.end() - 1), stream},
      {std::vector<uint8_t>(raw.begin(), raw.begin() + 100), stream},
      {Patched(raw, 8, 0xFFFF, 2, true), stream},         // rows past the data
      {Patched(rle, 512, 0x7FFFFFF0, 4, true), stream},  // a row start past the data
      {Patched(rle, 512 + 4 * 23 * 3, 0x10000, 4, true), stream},  // a row length past it
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    TSGIGraphic g;
    EXPECT_EQ(ErrorText([&] { LoadBytes(g, cases[i].first); }), cases[i].second) << i;
  }
}
