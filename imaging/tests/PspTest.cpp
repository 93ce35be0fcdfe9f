#include "imaging/Psp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;

// Versions 3 and 4, every compression, 1, 4, 8 and 24 bits: the picture the generator packed.
// Each file has a vector layer first (passed over) and a transparency mask after the image
// channels (not taken for them); palettes are stored blue, green, red.
TEST(PspReader, EqualsThePackedPictureInEveryLayout) {
  std::vector<TOracleCase> cases;
  const std::pair<const char*, platform::TPixelFormat> files[] = {
      {"psp_v4_none_1", platform::pf1bit},   {"psp_v3_rle_1", platform::pf1bit},
      {"psp_v4_lz77_1", platform::pf1bit},   {"psp_v3_none_4", platform::pf4bit},
      {"psp_v4_rle_4", platform::pf4bit},    {"psp_v3_lz77_4", platform::pf4bit},
      {"psp_v3_none_8", platform::pf8bit},   {"psp_v4_rle_8", platform::pf8bit},
      {"psp_v3_lz77_8", platform::pf8bit},   {"psp_v3_none_24", platform::pf24bit},
      {"psp_v4_rle_24", platform::pf24bit},  {"psp_v3_lz77_24", platform::pf24bit},
  };
  for (const auto& [name, format] : files)
    cases.push_back({std::string(name) + ".psp", std::string(name) + ".pnm", format});
  ExpectOracles<TPSPGraphic>(cases);
}

TEST(PspReader, RefusesWhatItCannotReadWithItsText) {
  const std::string invalid = "Cannot load image. Invalid or unexpected PSP image format.";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"version5", "Cannot load image. File versions other than 3 or 4 are not supported for PSP files."},
      {"compression3",
       "Cannot load image. Compressions other than none, run-length or LZ77 are not supported "
       "for PSP files."},
      {"depth16", "Invalid color format in PSP file."},
      {"damaged_lz77", "Cannot load image. Compression error found in PSP file."},
      {"short_channel", invalid},
      {"no_blue", invalid},
      {"no_layer_bank", invalid},
      {"no_raster_layer", invalid},
  };
  for (const auto& [name, text] : cases) {
    TPSPGraphic g;
    EXPECT_EQ(ErrorText([&] { LoadFixture(g, "psp_refuse_" + name + ".psp"); }), text) << name;
  }

  std::vector<uint8_t> file = gfxtest::ReadFixture("psp_v4_rle_24.psp");
  TPSPGraphic g;
  file[0] = 'p';
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, file); }), invalid);
  file = gfxtest::ReadFixture("psp_v4_rle_24.psp");
  file.resize(file.size() - 10);
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, file); }), "Stream read error in PSP file.");
  // A width the bitmap cannot hold, and a negative one (at 36 + 10 + 4).
  for (uint32_t width : {0x7FFFFFFFu, 0xFFFFFFFFu}) {
    file = Patched(gfxtest::ReadFixture("psp_v4_rle_24.psp"), 50, width, 4, false);
    EXPECT_EQ(ErrorText([&] { LoadBytes(g, file); }), invalid) << width;
  }
}
