#include "imaging/Cut.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"

using namespace imaging;
using namespace imagingtest;
using platform::RGB;

namespace {

std::string FixturePath(const std::string& name) { return std::string(CORVANE_FIXTURES) + "/" + name; }

}  // namespace

// The generator's files, decoded by ImageMagick with the palette file beside them: none (a
// grey ramp), one of the picture's colours, the same under an upper-case name, and 300
// declared entries of which 256 are taken.
TEST(CutReader, EqualsImageMagicksDecodeWithThePaletteBesideIt) {
  for (const char* name : {"cut_gray", "cut_pal", "cut_upper", "cut_300"}) {
    TCUTGraphic g;
    ASSERT_NO_THROW(g.LoadFromFile(FixturePath(std::string(name) + ".cut"))) << name;
    EXPECT_EQ(g.Bitmap().PixelFormat(), platform::pf8bit);
    EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), PnmBitmap(ReadPnmFixture(std::string(name) + ".pnm"))), "")
        << name;
  }
  TCUTGraphic g;
  g.LoadFromFile(FixturePath("cut_300.cut"));
  EXPECT_EQ(g.Bitmap().Palette().size(), 256u);
  g.LoadFromFile(FixturePath("cut_gray.cut"));
  EXPECT_EQ(g.Bitmap().Palette()[77], RGB(77, 77, 77));
}

TEST(CutReader, PaletteFileNameAndWhatIsRead) {
  gfxtest::TempDir dir;
  const std::vector<uint8_t> cut = gfxtest::ReadFixture("cut_pal.cut");
  const std::vector<uint8_t> pal = gfxtest::ReadFixture("cut_pal.pal");
  TCUTGraphic colours;
  colours.LoadFromFile(FixturePath("cut_pal.cut"));

  // Loads from memory read the palette file named, and keep the name.
  TCUTGraphic g;
  g.PaletteFileName = dir.File("other.PAL", pal);
  LoadBytes(g, cut);
  EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), colours.Bitmap()), "");
  EXPECT_EQ(g.PaletteFileName, dir.Path("other.PAL"));
  // A folder of the palette's name is not read: grey.
  std::filesystem::create_directory(dir.Path("pic.pal"));
  g.LoadFromFile(dir.File("pic.cut", cut));
  EXPECT_EQ(g.PaletteFileName, dir.Path("pic.pal"));
  EXPECT_EQ(g.Bitmap().Palette()[5], RGB(5, 5, 5));
  // A mixed-case name is found.
  g.LoadFromFile(dir.File("mixed.cut", cut));
  EXPECT_EQ(g.Bitmap().Palette()[5], RGB(5, 5, 5));
  dir.File("MiXeD.pAl", pal);
  g.LoadFromFile(dir.Path("mixed.cut"));
  EXPECT_EQ(gfxtest::PixelDifference(g.Bitmap(), colours.Bitmap()), "");
}

TEST(CutReader, PaletteEntriesStopAtTheEndOfTheFileAndCrossBlocks) {
  std::vector<uint8_t> pal = gfxtest::ReadFixture("cut_300.pal");
  // The first block holds 78 entries (40 + 78 x 6 = 508); entry 78 starts the second block.
  std::vector<platform::TColor> all = ReadCutPalette(pal);
  ASSERT_EQ(all.size(), 256u);
  EXPECT_EQ(all[77], RGB(77, (3 * 77) % 256, (7 * 77) % 256));
  EXPECT_EQ(all[78], RGB(78, (3 * 78) % 256, (7 * 78) % 256));
  EXPECT_EQ(all[255], RGB(255, (3 * 255) % 256, (7 * 255) % 256));
  EXPECT_EQ(ReadCutPalette({pal.data(), 512 + 6 * 3 + 5}).size(), 78u + 3u);
  EXPECT_TRUE(ReadCutPalette({pal.data(), 13}).empty());

  // A load with a short palette file keeps the entries there are.
  gfxtest::TempDir dir;
  dir.File("short.pal", std::vector<uint8_t>(pal.begin(), pal.begin() + 40 + 6 * 10));
  TCUTGraphic g;
  g.LoadFromFile(dir.File("short.cut", gfxtest::ReadFixture("cut_300.cut")));
  EXPECT_EQ(g.Bitmap().Palette().size(), 10u);
}

TEST(CutReader, ShortDataLeavesRowsZeroAndAShortHeaderIsAStreamError) {
  const std::vector<uint8_t> cut = gfxtest::ReadFixture("cut_gray.cut");
  TCUTGraphic g;
  LoadBytes(g, std::vector<uint8_t>(cut.begin(), cut.begin() + 6 + 20));
  EXPECT_EQ(g.Height(), 23);
  EXPECT_EQ(g.Bitmap().ScanLine(22)[5], 0);
  EXPECT_EQ(ErrorText([&] { LoadBytes(g, std::vector<uint8_t>(cut.begin(), cut.begin() + 5)); }),
            "Stream read error in CUT file.");
  EXPECT_EQ(g.Height(), 23);
}
