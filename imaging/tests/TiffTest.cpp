#include "imaging/Tiff.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "imaging/RasterFormats.h"

using namespace imaging;
using namespace imagingtest;
using platform::EInvalidGraphic;
using platform::RGB;
using platform::TPixelFormat;

namespace {

void Load(TTIFFGraphic& g, const std::string& name) {
  const std::vector<uint8_t> data = gfxtest::ReadFixture(name);
  g.LoadFromStream(data.data(), data.size());
}

// Every fixture the tests read, for the damaged-file test.
std::vector<std::string> TiffFixtures() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_FIXTURES))
    if (entry.path().extension() == ".tif") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

// Each file equals its decode by an outside tool (libtiff's tifftopnm, unless the script says
// otherwise), pixel by pixel.
TEST(TiffReader, EqualsTheOracleOfEveryFixture) {
  struct Case {
    const char* Name;
    TPixelFormat Format;
  };
  const Case cases[] = {
      {"tiff_rgb_ii", platform::pf24bit},        {"tiff_rgb_mm", platform::pf24bit},
      {"tiff_rgb_rle_ii", platform::pf24bit},    {"tiff_rgb_rle_mm", platform::pf24bit},
      {"tiff_rgb_strips8", platform::pf24bit},   {"tiff_rgb_rle_strips8", platform::pf24bit},
      {"tiff_rgb_tiffcp_mm", platform::pf24bit}, {"tiff_gray8", platform::pf8bit},
      {"tiff_gray2", platform::pf4bit},          {"tiff_gray16_lsb", platform::pf8bit},
      {"tiff_gray16_msb", platform::pf8bit},     {"tiff_pal2", platform::pf4bit},
      {"tiff_pal4", platform::pf4bit},           {"tiff_pal8", platform::pf8bit},
      {"tiff_rgb16_lsb", platform::pf24bit},     {"tiff_rgb16_msb", platform::pf24bit},
      {"tiff_rgba", platform::pf32bit},          {"tiff_cmyk", platform::pf24bit},
      {"tiff_lab", platform::pf24bit},           {"tiff_ycbcr", platform::pf24bit},
      {"tiff_fax37_g3", platform::pf1bit},       {"tiff_fax37_g3fill", platform::pf1bit},
      {"tiff_fax37_g3lsb", platform::pf1bit},    {"tiff_fax37_mh", platform::pf1bit},
      {"tiff_fax1728_g3", platform::pf1bit},     {"tiff_fax1728_g3fill", platform::pf1bit},
      {"tiff_fax1728_g3lsb", platform::pf1bit},  {"tiff_fax1728_g3strips", platform::pf1bit},
      {"tiff_fax1728_mh", platform::pf1bit},     {"tiff_fax3000_g3", platform::pf1bit},
      {"tiff_fax3000_g3fill", platform::pf1bit}, {"tiff_fax3000_g3lsb", platform::pf1bit},
      {"tiff_fax3000_mh", platform::pf1bit},
  };
  for (const Case& c : cases) {
    TTIFFGraphic g;
    const std::string name = c.Name;
    ASSERT_NO_THROW(Load(g, name + ".tif")) << name;
    EXPECT_EQ(g.Bitmap().PixelFormat(), c.Format) << name;
    EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture(name + ".pnm"))), "")
        << name;
  }
}

TEST(TiffReader, KeepsAlphaAndSmallIndexes) {
  TTIFFGraphic g;
  Load(g, "tiff_rgba.tif");
  const TPnm alpha = ReadPnmFixture("tiff_rgba_alpha.pnm");
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      ASSERT_EQ(g.Bitmap().ScanLine(y)[4 * x + 3], alpha.Colour(x, y) & 0xFF) << x << ", " << y;

  // 2-bit palette pictures keep their indexes 0-3 under the file's four colours.
  Load(g, "tiff_pal2.tif");
  ASSERT_EQ(g.Bitmap().Palette().size(), 4u);
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      ASSERT_LT(platform::ReadRowPacked(g.Bitmap().ScanLine(y), x, platform::pf4bit), 4u);

  // 2-bit grey pictures are scaled to 0, 5, 10, 15 of sixteen greys.
  Load(g, "tiff_gray2.tif");
  ASSERT_EQ(g.Bitmap().Palette().size(), 16u);
  std::set<uint32_t> values;
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x)
      values.insert(platform::ReadRowPacked(g.Bitmap().ScanLine(y), x, platform::pf4bit));
  EXPECT_THAT(values, ::testing::IsSubsetOf({0u, 5u, 10u, 15u}));
  EXPECT_GT(values.size(), 2u);

  // Fax pages: white is zero, with a reversed two-entry palette.
  Load(g, "tiff_fax37_g3.tif");
  EXPECT_THAT(g.Bitmap().Palette(), ::testing::ElementsAre(RGB(255, 255, 255), RGB(0, 0, 0)));
}

TEST(TiffReader, EdgeCases) {
  TTIFFGraphic g;
  // Big-endian, two strips with LONG tables.
  Load(g, "tiff_mm_two_strips.tif");
  ASSERT_EQ(g.Height(), 2);
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(g.Bitmap().GetPixel(1, 0), RGB(4, 5, 6));
  EXPECT_EQ(g.Bitmap().GetPixel(0, 1), RGB(7, 8, 9));
  EXPECT_EQ(g.Bitmap().GetPixel(1, 1), RGB(10, 11, 12));

  // One strip whose RowsPerStrip is below the height is the whole picture.
  Load(g, "tiff_one_strip_short_rows.tif");
  ASSERT_EQ(g.Height(), 3);
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(40, 41, 42));
  EXPECT_EQ(g.Bitmap().GetPixel(0, 2), RGB(46, 47, 48));

  // A 4-bit palette reads 16 + 16 + 16 values: the map ends the file.
  Load(g, "tiff_pal4_exact_map.tif");
  ASSERT_EQ(g.Bitmap().Palette().size(), 16u);
  for (int i = 0; i < 16; ++i) {
    const uint8_t r = uint8_t(uint32_t(i * 4096) * 255 / 65535);
    const uint8_t gr = uint8_t(uint32_t(65535 - i * 4096) * 255 / 65535);
    const uint8_t b = uint8_t(uint32_t((i % 4) * 21845) * 255 / 65535);
    EXPECT_EQ(g.Bitmap().GetPixel(i, 0), RGB(r, gr, b)) << i;
  }

  // Predictor 2 on 10, 20, 30, 1, 1, 1.
  Load(g, "tiff_predictor.tif");
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(g.Bitmap().GetPixel(1, 0), RGB(11, 21, 31));
}

TEST(TiffReader, RefusesWhatItWouldMisreadWithItsText) {
  const std::string compression =
      "Cannot load image. The compression scheme is not supported for TIF/TIFF files.";
  const std::string invalid = "Cannot load image. Invalid or unexpected TIF/TIFF image format.";
  auto notSupported = [](const char* what) {
    return std::string("Cannot load image. ") + what + " not supported for TIF/TIFF files.";
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"tiff_refuse_lzw", compression},
      {"tiff_refuse_zip", compression},
      {"tiff_refuse_g4", compression},
      {"tiff_refuse_no_compression", compression},
      {"tiff_refuse_g3_2d", notSupported("Two-dimensional fax coding is")},
      {"tiff_refuse_planar", notSupported("Separate color planes are")},
      {"tiff_refuse_gray_alpha", notSupported("This number of samples per pixel is")},
      {"tiff_refuse_rgb_two_samples", notSupported("This number of samples per pixel is")},
      {"tiff_refuse_ycbcr_subsampled", notSupported("YCbCr subsampling is")},
      {"tiff_refuse_palette16", notSupported("Palette images deeper than 8 bits are")},
      {"tiff_refuse_photometric4", notSupported("This photometric interpretation is")},
      {"tiff_refuse_fax_gray", notSupported("Fax compression of more than one bit per pixel is")},
      {"tiff_refuse_predictor16",
       notSupported("Horizontal differencing of samples other than 8 bits is")},
      {"tiff_refuse_version43", invalid},
      {"tiff_refuse_width0", invalid},
      {"tiff_refuse_strips_without_rows", invalid},
      {"tiff_refuse_strip_past_end", "Stream read error in TIF/TIFF file."},
  };
  for (const auto& [name, text] : cases) {
    TTIFFGraphic g;
    EXPECT_EQ(ErrorText([&] { Load(g, name + ".tif"); }), text) << name;
    EXPECT_TRUE(g.Empty()) << name;
  }
}

// Damaged files: every fixture cut at each 64th byte loads or is refused as a picture error,
// and never reads outside its bytes (the asan preset checks).
TEST(TiffReader, CutFilesLoadOrRaiseInvalidGraphic) {
  for (const std::string& name : TiffFixtures()) {
    const std::vector<uint8_t> data = gfxtest::ReadFixture(name);
    for (size_t cut = 0; cut < data.size(); cut += 64) {
      auto copy = std::make_unique<uint8_t[]>(cut);
      std::copy_n(data.begin(), cut, copy.get());
      TTIFFGraphic g;
      try {
        g.LoadFromStream(copy.get(), cut);
      } catch (const EInvalidGraphic&) {
      } catch (const std::exception& e) {
        ADD_FAILURE() << name << " cut at " << cut << ": " << e.what();
      }
    }
  }
}

TEST(TiffReader, PicturesOpenTiffAndFaxFilesAndSaveNothing) {
  const imagingtest::TRegistryGuard guard;
  RegisterRasterFormats();
  gfxtest::TempDir dir;
  platform::TPicture picture;
  picture.LoadFromFile(dir.File("page.FAX", gfxtest::ReadFixture("tiff_fax37_mh.tif")));
  ASSERT_NE(dynamic_cast<TTIFFGraphic*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 37);
  EXPECT_TRUE(picture.Graphic()->SaveToStream().empty());
  // A failed load keeps the picture it had.
  EXPECT_THROW(picture.LoadFromFile(dir.File("bad.tif", gfxtest::ReadFixture(
                                                            "tiff_refuse_lzw.tif"))),
               EInvalidGraphic);
  EXPECT_EQ(picture.Width(), 37);
}
