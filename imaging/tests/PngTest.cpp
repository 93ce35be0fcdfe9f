#include "imaging/Png.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "PngChunks.h"
#include "TestSupport.h"
#include "platform/gfx/Canvas.h"

using namespace imaging;
using namespace imagingtest;
using platform::RGB;
using platform::TBitmap;
using platform::TColor;
using platform::TPixelFormat;

namespace {

void Load(TPNGGraphic& g, const std::vector<uint8_t>& data) {
  g.LoadFromStream(data.data(), data.size());
}
void Load(TPNGGraphic& g, const std::string& name) { LoadFixture(g, name); }

// The PNG reader's fixtures that load, with an oracle beside them (other readers' tests keep PNG
// files of their own).
std::vector<std::string> LoadingFixtures() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(CORVANE_FIXTURES)) {
    const std::string name = entry.path().stem().string();
    if (entry.path().extension() == ".png" && name.rfind("png_", 0) == 0 &&
        name.rfind("png_refuse", 0) != 0)
      names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The bitmap format a file's colour type and depth give.
TPixelFormat FormatOf(const std::vector<uint8_t>& file) {
  const int depth = file[24], type = file[25];
  switch (type) {
    case 2: return platform::pf24bit;
    case 4: return platform::pf8bit;
    case 6: return platform::pf32bit;
    default: return depth == 1 ? platform::pf1bit : depth <= 4 ? platform::pf4bit : platform::pf8bit;
  }
}

std::set<uint32_t> StoredValues(const TBitmap& b) {
  std::set<uint32_t> values;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      values.insert(platform::ReadRowPacked(b.ScanLine(y), x, b.PixelFormat()));
  return values;
}

// A file's bytes with a change made and the CRCs mended.
std::vector<uint8_t> Changed(std::vector<uint8_t> file, size_t offset, uint8_t value) {
  file[offset] = value;
  MendPngCrcs(file.data(), file.size());
  return file;
}

}  // namespace

// Each file equals libpng's decode (pngtopam, which make_png.sh checked against pypng and, for
// gAMA files, against the gamma table); 16-bit samples are reduced v x 255 div 65535, low grey
// depths spread over 0..255. Pictures with alpha keep it in the fourth byte.
TEST(PngReader, EqualsTheOracleOfEveryFixture) {
  const std::vector<std::string> names = LoadingFixtures();
  ASSERT_GT(names.size(), 80u);
  for (const std::string& name : names) {
    const std::vector<uint8_t> file = gfxtest::ReadFixture(name + ".png");
    TPNGGraphic g;
    ASSERT_NO_THROW(Load(g, file)) << name;
    EXPECT_EQ(g.Bitmap().PixelFormat(), FormatOf(file)) << name;
    EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture(name + ".pnm"))), "")
        << name;
    if (file[25] == 6) {
      const TPnm alpha = ReadPnmFixture(name + ".alpha.pnm");
      for (int y = 0; y < g.Height(); ++y)
        for (int x = 0; x < g.Width(); ++x)
          ASSERT_EQ(g.Bitmap().ScanLine(y)[4 * x + 3], alpha.Colour(x, y) & 0xFF)
              << name << " (" << x << ", " << y << ")";
    }
  }
}

TEST(PngReader, KeepsIndexesInTheirPalettes) {
  TPNGGraphic g;
  // 2-bit grey: pixels 0, 5, 10, 15 over sixteen greys.
  Load(g, "png_py_g2.png");
  ASSERT_EQ(g.Bitmap().PixelFormat(), platform::pf4bit);
  EXPECT_EQ(g.Bitmap().Palette().size(), 16u);
  EXPECT_EQ(StoredValues(g.Bitmap()), (std::set<uint32_t>{0, 5, 10, 15}));

  // 2-bit palette: indexes 0-3 over the file's four colours, plain and Adam7.
  for (const char* name : {"png_py_p2.png", "png_py_p2_i.png", "png_py_p2_bkgd.png"}) {
    Load(g, name);
    ASSERT_EQ(g.Bitmap().PixelFormat(), platform::pf4bit) << name;
    EXPECT_EQ(g.Bitmap().Palette().size(), 4u) << name;
    EXPECT_EQ(StoredValues(g.Bitmap()), (std::set<uint32_t>{0, 1, 2, 3})) << name;
  }

  // A PLTE longer than the depth addresses is cut to 2^depth.
  Load(g, "png_odd_p1_long_plte.png");
  EXPECT_THAT(g.Bitmap().Palette(), ::testing::ElementsAre(RGB(250, 0, 0), RGB(0, 0, 250)));

  // An interlaced 1 x 1 picture has only the first pass.
  Load(g, "png_py_one_i.png");
  ASSERT_EQ(g.Width(), 1);
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(200, 100, 50));
}

TEST(PngReader, GammaCorrectsForTheDisplay) {
  // gAMA 45455 with a display gamma of 2.2 is practically no correction at all.
  TPNGGraphic corrected, plain;
  Load(corrected, "png_py_rgb8_g45455.png");
  Load(plain, "png_py_rgb8.png");
  EXPECT_NEAR(corrected.ColorManager().MainGamma(), 0.45455, 1e-6);
  EXPECT_TRUE(corrected.ColorManager().TargetOptions & optGamma);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(corrected.ColorManager().GammaTable()[i], i) << i;
  EXPECT_EQ(gfxtest::PixelDifference(corrected.Bitmap(), plain.Bitmap()), "");
  // Without gAMA no correction is made.
  EXPECT_FALSE(plain.ColorManager().TargetOptions & optGamma);
}

// A grey or RGB tRNS colour makes the picture transparent with the colour its matching pixels
// end up with, and Draw leaves exactly those pixels out.
TEST(PngReader, TransparentColourIsThatOfTheMatchingPixels) {
  const char* names[] = {"png_py_g1_trns",   "png_py_g2_trns",      "png_py_g4_trns",
                         "png_py_g8_trns",   "png_py_g16_trns",     "png_py_g2_trns_i",
                         "png_py_g16_trns_i", "png_py_rgb8_trns",   "png_py_rgb16_trns",
                         "png_py_rgb8_trns_gamma", "png_py_g8_trns_gamma", "png_nb_transparent"};
  for (const std::string name : names) {
    TPNGGraphic g;
    Load(g, name + ".png");
    ASSERT_TRUE(g.Transparent) << name;
    // The file's transparent sample is that of pixel (3, 2).
    EXPECT_EQ(g.TransparentColor, g.Bitmap().GetPixel(3, 2)) << name;

    const TColor ground = RGB(1, 254, 3);
    TBitmap page(g.Width(), g.Height(), platform::pf24bit);
    platform::TCanvas canvas(page);
    canvas.Brush.Color = ground;
    canvas.FillRect({0, 0, g.Width(), g.Height()});
    g.Draw(canvas, {0, 0, g.Width(), g.Height()});
    int left = 0;
    for (int y = 0; y < g.Height(); ++y)
      for (int x = 0; x < g.Width(); ++x) {
        const TColor c = g.Bitmap().GetPixel(x, y);
        if (c == g.TransparentColor) ++left;
        ASSERT_EQ(page.GetPixel(x, y), c == g.TransparentColor ? ground : c)
            << name << " (" << x << ", " << y << ")";
      }
    EXPECT_GT(left, 0) << name;
    EXPECT_LT(left, g.Width() * g.Height()) << name;
  }

  // Palette transparency and pictures without tRNS are drawn whole.
  for (const char* name : {"png_py_p4_trns.png", "png_py_rgb8.png", "png_py_rgba8.png"}) {
    TPNGGraphic g;
    Load(g, name);
    EXPECT_FALSE(g.Transparent) << name;
  }
  // A load clears the transparency of the picture before; a failed one keeps it.
  TPNGGraphic g;
  Load(g, "png_py_rgb8_trns.png");
  EXPECT_THROW(Load(g, "png_refuse_plte10.png"), platform::EInvalidGraphic);
  EXPECT_TRUE(g.Transparent);
  Load(g, "png_py_rgb8.png");
  EXPECT_FALSE(g.Transparent);
}

TEST(PngReader, WalksTheChunks) {
  // Chunk types compare without their letter case.
  const std::vector<uint8_t> file = gfxtest::ReadFixture("png_hm_all_chunks.png");
  std::vector<uint8_t> lower = file;
  for (const TPngChunk& c : PngChunks(file))
    for (size_t i = 4; i < 8; ++i) lower[c.Offset + i] = uint8_t(std::tolower(lower[c.Offset + i]));
  MendPngCrcs(lower.data(), lower.size());
  TPNGGraphic a, b;
  Load(a, file);
  Load(b, lower);
  EXPECT_EQ(gfxtest::PixelDifference(a.Bitmap(), b.Bitmap()), "");

  // One changed byte in any chunk (its CRC for IEND, which has no data) is a CRC error.
  std::set<std::string> types;
  for (const TPngChunk& c : PngChunks(file)) {
    types.insert(c.Type);
    std::vector<uint8_t> damaged = file;
    damaged[c.Offset + 8 + (c.Length ? c.Length / 2 : 0)] ^= 0x10;
    TPNGGraphic g;
    EXPECT_EQ(ErrorText([&] { Load(g, damaged); }),
              "Cannot load image. CRC error found in PNG file.")
        << c.Type;
  }
  EXPECT_EQ(types, (std::set<std::string>{"IHDR", "gAMA", "PLTE", "bKGD", "tRNS", "tEXt", "IDAT",
                                          "IEND"}));
}

TEST(PngReader, RefusesWhatItCannotReadWithItsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"png_refuse_critical", "Cannot load PNG image. Unexpected but critical chunk detected."},
      {"png_refuse_idat_again", "Cannot load PNG image. Unexpected but critical chunk detected."},
      {"png_refuse_zero_width", "Cannot load image. Invalid or unexpected PNG image format."},
      {"png_refuse_short_ihdr", "Cannot load image. Invalid or unexpected PNG image format."},
      {"png_refuse_no_idat", "Cannot load image. Invalid or unexpected PNG image format."},
      {"png_refuse_compression1",
       "Cannot load image. The compression scheme is not supported for PNG files."},
      {"png_refuse_plte10", "Cannot load image. Palette in PNG file is invalid."},
      {"png_refuse_colour5", "Invalid color format in PNG file."},
      {"png_refuse_length_past_end", "Stream read error in PNG file."},
      {"png_refuse_bad_zlib", "Cannot load image. Compression error found in PNG file."},
      {"png_refuse_stream_ends", "Cannot load image. Extra compressed data found in PNG file."},
      // The stream finished with rows still wanted, just after a row or inside one.
      {"png_refuse_end_after_row9", "Cannot load image. Extra compressed data found in PNG file."},
      {"png_refuse_end_in_row10", "Cannot load image. Extra compressed data found in PNG file."},
      {"png_refuse_end_after_pass1", "Cannot load image. Extra compressed data found in PNG file."},
      {"tga_py_topdown", "Cannot load image. Invalid or unexpected PNG image format."},
  };
  for (const auto& [name, text] : cases) {
    TPNGGraphic g;
    Load(g, "png_py_p4.png");
    const TBitmap before = g.Bitmap();
    const std::string file = std::string(name) + (name[0] == 't' ? ".tga" : ".png");
    EXPECT_EQ(ErrorText([&] { Load(g, file); }), text) << name;
    EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), before), "") << name;
  }

  // Depths a colour type does not allow, and colour types without a meaning.
  const std::vector<uint8_t> rgb = gfxtest::ReadFixture("png_py_rgb8.png");
  for (const auto& [offset, value] : {std::pair{24, 4}, {24, 1}, {25, 1}, {25, 7}}) {
    TPNGGraphic g;
    EXPECT_EQ(ErrorText([&] { Load(g, Changed(rgb, size_t(offset), uint8_t(value))); }),
              "Invalid color format in PNG file.")
        << offset << " " << value;
  }
  // A file cut anywhere is refused, never read past its end.
  for (size_t size = 0; size < rgb.size(); size += 7) {
    const std::vector<uint8_t> cut(rgb.begin(), rgb.begin() + std::ptrdiff_t(size));
    TPNGGraphic g;
    EXPECT_THROW(Load(g, cut), platform::EInvalidGraphic) << size;
  }
}

// Image data that ends before the last row: the complete rows, and the background below them
// (bKGD's index or colour; without bKGD the palette entry nearest white, or white). The data
// stops without a stream end: cut anywhere, or after row 9 with no more IDAT chunks.
TEST(PngReader, RowsTheImageDataDoesNotReachShowTheBackground) {
  for (const char* name : {"png_cut_p4_bkgd", "png_cut_g8_bkgd", "png_cut_g2", "png_cut_rgb8_bkgd",
                           "png_cut_after_row9"}) {
    TPNGGraphic g;
    ASSERT_NO_THROW(Load(g, std::string(name) + ".png")) << name;
    EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture(std::string(name) + ".pnm"))),
              "")
        << name;
  }
  // The background of a grey picture is an index of its own palette.
  TPNGGraphic g;
  Load(g, "png_cut_g8_bkgd.png");
  EXPECT_EQ(platform::ReadRowPacked(g.Bitmap().ScanLine(g.Height() - 1), 0, platform::pf8bit), 90u);
}
