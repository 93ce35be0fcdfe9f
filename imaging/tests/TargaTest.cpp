#include "imaging/Targa.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TargaSamples.h"
#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;
using platform::RGB;
using platform::TColor;
using platform::TPixelFormat;

namespace {

void Load(TTargaGraphic& g, const std::string& name) { LoadFixture(g, name); }

std::vector<uint8_t> Header(const std::vector<uint8_t>& file) {
  return {file.begin(), file.begin() + 18};
}

// Empty when the picture shows the oracle's colours, at `bits` bits a channel.
std::string Difference(const platform::TBitmap& b, const TPnm& oracle, int bits = 8) {
  if (b.Width() != oracle.Width || b.Height() != oracle.Height)
    return "size " + std::to_string(b.Width()) + "x" + std::to_string(b.Height());
  const TColor mask = bits == 8 ? 0xFFFFFF : 0xF8F8F8;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if ((b.GetPixel(x, y) & mask) != (oracle.Colour(x, y) & mask))
        return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
  return {};
}

}  // namespace

// Each file equals its decode by tgatoppm (and ImageMagick, which make_targa.sh checked).
TEST(TargaReader, EqualsTheOracleOfEveryFixture) {
  struct Case {
    const char* Name;
    TPixelFormat Format;
    int Bits;
  };
  const Case cases[] = {
      {"tga_im_rgb", platform::pf24bit, 8},        {"tga_im_rle", platform::pf24bit, 8},
      {"tga_im_palette", platform::pf8bit, 8},     {"tga_im_palette_rle", platform::pf8bit, 8},
      {"tga_im_grey", platform::pf8bit, 8},        {"tga_im_grey_rle", platform::pf8bit, 8},
      {"tga_im_alpha", platform::pf32bit, 8},      {"tga_nb_rgb", platform::pf24bit, 8},
      {"tga_nb_rgb_norle", platform::pf24bit, 8},  {"tga_nb_cmap", platform::pf8bit, 8},
      {"tga_nb_cmap_norle", platform::pf8bit, 8},  {"tga_nb_cmap16", platform::pf8bit, 5},
      {"tga_nb_mono", platform::pf8bit, 8},        {"tga_nb_mono_norle", platform::pf8bit, 8},
      {"tga_py_crossing", platform::pf24bit, 8},   {"tga_py_first2", platform::pf8bit, 8},
      {"tga_py_map300", platform::pf8bit, 8},      {"tga_py_topdown", platform::pf24bit, 8},
      {"tga_py_15bit", platform::pf15bit, 5},      {"tga_py_16bit", platform::pf15bit, 5},
      {"tga_py_id255", platform::pf24bit, 8},      {"tga_py_map16", platform::pf8bit, 5},
  };
  for (const Case& c : cases) {
    TTargaGraphic g;
    const std::string name = c.Name;
    ASSERT_NO_THROW(Load(g, name + ".tga")) << name;
    EXPECT_EQ(g.Bitmap().PixelFormat(), c.Format) << name;
    EXPECT_EQ(Difference(g.Bitmap(), ReadPnmFixture(name + ".ppm"), c.Bits), "") << name;
  }
}

TEST(TargaReader, KeepsTheIdentificationFieldAndTheFileSPalette) {
  TTargaGraphic g;
  Load(g, "tga_nb_cmap.tga");
  EXPECT_EQ(g.ImageID, "Corvane tga_nb_cmap");
  Load(g, "tga_im_rgb.tga");
  EXPECT_EQ(g.ImageID, "");
  Load(g, "tga_py_id255.tga");
  ASSERT_EQ(g.ImageID.size(), 255u);
  EXPECT_EQ(uint8_t(g.ImageID[254]), (254 * 31 + 7) % 256);

  // 16-bit colour map entries: 0x7C00 is (248, 0, 0).
  Load(g, "tga_py_map16.tga");
  ASSERT_GE(g.Bitmap().Palette().size(), 2u);
  EXPECT_EQ(g.Bitmap().Palette()[0], RGB(248, 0, 0));
  EXPECT_EQ(g.Bitmap().Palette()[1], RGB(0, 248, 0));

  // Entry k of a map that starts at index 2 is index 2 + k; a 300-entry map keeps 256.
  Load(g, "tga_py_first2.tga");
  ASSERT_EQ(g.Bitmap().Palette().size(), 6u);
  EXPECT_EQ(g.Bitmap().Palette()[2], RGB(200, 10, 20));
  Load(g, "tga_py_map300.tga");
  EXPECT_EQ(g.Bitmap().Palette().size(), 256u);

  // A colour-mapped file without a map keeps the 8-bit bitmap's own palette.
  const std::vector<uint8_t> unmapped = {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                         2, 0, 1, 0, 8, 0x20, 7, 200};
  g.LoadFromStream(unmapped.data(), unmapped.size());
  EXPECT_EQ(g.Bitmap().GetPixel(1, 0), platform::DefaultPalette(platform::pf8bit)[200]);

  // A grey file gets 256 greys whatever its colour map fields say (its map is stepped over).
  Load(g, "tga_py_grey_map.tga");
  ASSERT_EQ(g.Bitmap().Palette().size(), 256u);
  for (int i : {0, 9, 128, 255}) EXPECT_EQ(g.Bitmap().Palette()[i], RGB(i, i, i));
  EXPECT_EQ(g.Bitmap().GetPixel(1, 0), RGB(64, 64, 64));
  EXPECT_EQ(g.Bitmap().GetPixel(3, 1), RGB(4, 4, 4));

  // The alpha of a 32-bit file stays in the fourth byte; 16-bit pixels lose their attribute
  // bit, which pf15bit keeps zero.
  Load(g, "tga_im_alpha.tga");
  EXPECT_EQ(g.Bitmap().ScanLine(0)[3], 255);
  Load(g, "tga_py_16bit.tga");
  for (int y = 0; y < g.Height(); ++y)
    for (int x = 0; x < g.Width(); ++x) EXPECT_EQ(g.Bitmap().ScanLine(y)[2 * x + 1] & 0x80, 0);
}

TEST(TargaReader, ShowsBottomUpRowsWithTheBottomRowAtTheBottom) {
  // A 24-bit type-2 file without the top-down bit, two rows: the first stored is the bottom.
  const std::vector<uint8_t> file = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 2, 0, 24, 0,
                                     3, 2, 1,   // stored first: (1, 2, 3)
                                     6, 5, 4};  // stored second: (4, 5, 6)
  TTargaGraphic g;
  g.LoadFromStream(file.data(), file.size());
  EXPECT_EQ(g.Bitmap().GetPixel(0, 0), RGB(4, 5, 6));
  EXPECT_EQ(g.Bitmap().GetPixel(0, 1), RGB(1, 2, 3));
}

TEST(TargaReader, RefusesWhatItCannotReadWithItsText) {
  const std::pair<const char*, const char*> cases[] = {
      {"tga_refuse_type32", "Cannot load image. The image type is not supported for Targa files."},
      {"tga_refuse_pixel40", "Cannot load image. The pixel size is not supported for Targa files."},
      {"tga_refuse_entry8",
       "Cannot load image. The color map entry size is not supported for Targa files."},
      {"tga_refuse_cut_packed", "Cannot load image. Invalid or unexpected Targa image format."},
      {"tga_refuse_cut_unpacked", "Cannot load image. Invalid or unexpected Targa image format."},
  };
  for (const auto& [name, text] : cases) {
    TTargaGraphic g;
    Load(g, "tga_py_topdown.tga");
    const platform::TBitmap before = g.Bitmap();
    EXPECT_EQ(ErrorText([&] { Load(g, std::string(name) + ".tga"); }), text) << name;
    // A failed load keeps the picture and its identification field.
    EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), before), "") << name;
  }

  // Every packed fixture cut anywhere in its pixels is refused, never read past its end.
  const std::vector<uint8_t> whole = gfxtest::ReadFixture("tga_im_palette_rle.tga");
  for (size_t size = 18 + 3 * 237; size < whole.size(); size += 37) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + std::ptrdiff_t(size));
    TTargaGraphic g;
    EXPECT_EQ(ErrorText([&] { g.LoadFromStream(cut.data(), cut.size()); }),
              "Cannot load image. Invalid or unexpected Targa image format.")
        << size;
  }
  // A pixel size the type cannot hold: 16-bit pixels in a colour-mapped file, 8 in true colour.
  for (const auto& [type, size] : {std::pair{1, 16}, {9, 24}, {3, 16}, {2, 8}, {10, 12}}) {
    const std::vector<uint8_t> file = {0, 0, uint8_t(type), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       1, 0, 1, 0, uint8_t(size), 0, 0, 0, 0, 0};
    TTargaGraphic g;
    EXPECT_EQ(ErrorText([&] { g.LoadFromStream(file.data(), file.size()); }),
              "Cannot load image. The pixel size is not supported for Targa files.")
        << type << " " << size;
  }
}

// The writer's files were read back by tgatoppm and ImageMagick (check_targa_writer.sh); the
// writer must still write them byte for byte, and the reader must read them back.
TEST(TargaWriter, WritesTheFilesOutsideToolsReadBack) {
  const platform::TBitmap source = gfxtest::ReadPnm("targa_source.ppm");
  for (const TTargaSample& sample : TargaSamples()) {
    TTargaGraphic g;
    MakeTargaSample(source, sample, g);
    EXPECT_EQ(g.SaveToStream(), gfxtest::ReadFixture(sample.Name + ".tga"))
        << sample.Name << ": run check_targa_writer.sh when the writer changes on purpose";
    TTargaGraphic back;
    Load(back, sample.Name + ".tga");
    EXPECT_EQ(back.ImageID, g.ImageID);
    EXPECT_EQ(Difference(back.Bitmap(), ReadPnmFixture(sample.Name + ".ppm"),
                         FiveBitSample(sample.Format) ? 5 : 8),
              "")
        << sample.Name;
  }
}

TEST(TargaWriter, WritesRunLengthFilesWithTheHeaderFields) {
  const platform::TBitmap source = gfxtest::ReadPnm("targa_source.ppm");
  TTargaGraphic g;
  g.Bitmap() = source;
  g.ImageID = "plasma";
  const std::vector<uint8_t> file = g.SaveToStream();
  // True colour: no map follows, yet its length 256 and entry size 24 are written; top-down.
  EXPECT_EQ(Header(file), (std::vector<uint8_t>{6, 0, 10, 0, 0, 0, 1, 24, 0, 0, 0, 0, 37, 0,
                                                23, 0, 24, 0x20}));
  EXPECT_EQ(std::string(file.begin() + 18, file.begin() + 24), "plasma");

  // Saving and loading gives the same pixels and identification field.
  TTargaGraphic back;
  back.LoadFromStream(file.data(), file.size());
  EXPECT_EQ(back.ImageID, "plasma");
  EXPECT_EQ(back.Bitmap().PixelFormat(), platform::pf24bit);
  EXPECT_EQ(gfxtest::PixelDifference(back.Bitmap(), source), "");

  // A 4-bit picture is written as type 9 with 256 map entries, from a copy: the picture stays
  // 4-bit. Its 16 colours are padded with black.
  TTargaGraphic four;
  four.Bitmap() = source;
  four.Bitmap().SetPixelFormat(platform::pf4bit);
  const platform::TBitmap before = four.Bitmap();
  const std::vector<uint8_t> indexed = four.SaveToStream();
  EXPECT_EQ(Header(indexed), (std::vector<uint8_t>{0, 1, 9, 0, 0, 0, 1, 24, 0, 0, 0, 0, 37, 0,
                                                   23, 0, 8, 0x20}));
  EXPECT_EQ(four.Bitmap().PixelFormat(), platform::pf4bit);
  EXPECT_EQ(four.Bitmap().Palette().size(), 16u);
  EXPECT_EQ(gfxtest::PixelDifference(four.Bitmap(), before), "");
  for (size_t i = 18 + 16 * 3; i < 18 + 256 * 3; ++i) ASSERT_EQ(indexed[i], 0) << i;

  // A 5-6-5 picture is written as 5-5-5 pixels of 16 bits.
  TTargaGraphic sixteen;
  sixteen.Bitmap() = source;
  sixteen.Bitmap().SetPixelFormat(platform::pf16bit);
  const std::vector<uint8_t> packed = sixteen.SaveToStream();
  EXPECT_EQ(packed[16], 16);
  EXPECT_EQ(sixteen.Bitmap().PixelFormat(), platform::pf16bit);
  back.LoadFromStream(packed.data(), packed.size());
  for (int y = 0; y < source.Height(); ++y)
    for (int x = 0; x < source.Width(); ++x)
      ASSERT_EQ(back.Bitmap().GetPixel(x, y) & 0xF8F8F8, source.GetPixel(x, y) & 0xF8F8F8);

  // An identification field over 255 bytes is cut to 255; an empty picture writes nothing.
  g.ImageID = std::string(300, 'x');
  const std::vector<uint8_t> long_id = g.SaveToStream();
  EXPECT_EQ(long_id[0], 255);
  back.LoadFromStream(long_id.data(), long_id.size());
  EXPECT_EQ(back.ImageID, std::string(255, 'x'));
  EXPECT_EQ(gfxtest::PixelDifference(back.Bitmap(), source), "");
  EXPECT_TRUE(TTargaGraphic().SaveToStream().empty());
}
