// The skin-file reader and TskFileTheme's look-ups, on files laid out by
// tests/fixtures/make_skin_files.py with pictures made by ImageMagick and netpbm.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "SkinTestUtil.h"
#include "skin/SkinFileReader.h"
#include "skin/SkinFileTheme.h"
#include "platform/base/AppPaths.h"
#include "skin/Skinnable.h"

using namespace skin;
using namespace platform;
using gfxtest::PixelDifference;
using gfxtest::ReadFixture;
using gfxtest::ReadPnm;
using skintest::Fixture;

namespace {

TSkinFileData Read(const std::string& name) {
  std::vector<uint8_t> bytes = ReadFixture(name);
  return ReadSkinFile(bytes.data(), bytes.size());
}

// The value the fixture script gives item n.
int32_t ItemValue(int n) { return n == 16 ? 0x123456 : 0x010000 * n + 0x0100 * n + n; }

}  // namespace

TEST(SkinFile, AllItemsAreRead) {
  TSkinFileData d = Read("all42.skn");
  EXPECT_EQ(d.Images.size(), 19u);
  EXPECT_EQ(d.Integers.size(), 21u);
  EXPECT_EQ(d.Booleans.size(), 2u);
  EXPECT_EQ(d.Strings.size(), 1u);
  EXPECT_EQ(d.Strings.begin()->second, "fixtures");
  for (int item = 1; item <= kThemeItemCount; ++item) {
    const std::string_view key = ThemeItemKey(item);
    switch (ThemeItemKind(item)) {
      case tkImage: EXPECT_NE(d.Image(key), nullptr) << key; break;
      case tkBoolean: EXPECT_TRUE(d.Boolean(key).has_value()) << key; break;
      default: EXPECT_EQ(d.Integer(key), ItemValue(item)) << key;
    }
  }
  EXPECT_EQ(d.Integer("formminwidthint"), ItemValue(13));  // keys ignore case
  EXPECT_FALSE(d.Integer("End").has_value());  // the entry that ends the chain is not taken in
}

TEST(SkinFile, ThemeLookupsDecodePicturesAsTheToolsDo) {
  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("all42.skn")));
  ASSERT_TRUE(theme.CanUse());
  EXPECT_EQ(theme.GetInt(tiFormMinWidthInt), ItemValue(13));
  EXPECT_EQ(theme.GetColor(tiFormBorderColor), 0x123456u);
  EXPECT_TRUE(theme.GetBool(tiButtonTransparentBool));  // stored byte 2
  TBitmap b;
  ASSERT_TRUE(theme.GetImage(tiButtonImage, b));
  EXPECT_EQ(PixelDifference(b, ReadPnm("img_a.ppm")), "");  // ImageMagick's file and decode
  ASSERT_TRUE(theme.GetImage(tiTitleBarButtonImage, b));
  EXPECT_EQ(PixelDifference(b, ReadPnm("img_b.ppm")), "");  // netpbm's
  TBitmap frame;
  ASSERT_TRUE(theme.GetImage(tiTitleBarButtonImage, frame, 18, 18));
  TBitmap expected;
  CopyStripFrame(ReadPnm("img_b.ppm"), expected, 18, 18);
  EXPECT_EQ(PixelDifference(frame, expected), "");
}

TEST(SkinFile, LookupsWithoutReaderAndForMissingItems) {
  TskFileTheme empty;
  EXPECT_FALSE(empty.CanUse());
  EXPECT_EQ(empty.GetInt(tiFormMinWidthInt), 0);
  EXPECT_EQ(empty.GetColor(tiFormBorderColor), 0u);
  EXPECT_FALSE(empty.GetBool(tiButtonTransparentBool));
  TBitmap untouched(2, 2);
  EXPECT_FALSE(empty.GetImage(tiButtonImage, untouched));
  EXPECT_EQ(untouched.Width(), 2);

  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("duplicates.skn")));
  EXPECT_EQ(theme.GetInt(tiFormRoundCornerInt), -1);
  EXPECT_EQ(theme.GetColor(tiFormBorderColor), 0xFFFFFFFFu);
  EXPECT_FALSE(theme.GetBool(tiTitleBarButtonTransparentBool));
  EXPECT_FALSE(theme.GetImage(tiButtonImage, untouched));
  EXPECT_EQ(untouched.Width(), 2);
}

TEST(SkinFile, TheFirstOfDuplicateKeysWins) {
  TSkinFileData d = Read("duplicates.skn");
  EXPECT_EQ(d.Integer("FormMinWidthInt"), 111);
  EXPECT_EQ(d.Boolean("ButtonTransparentBool"), false);
  EXPECT_EQ(d.Integers.size(), 1u);
}

TEST(SkinFile, AFirstEntryThatEndsTheChainHoldsNothing) {
  TSkinFileData d = Read("empty_chain.skn");
  EXPECT_TRUE(d.Images.empty() && d.Integers.empty() && d.Booleans.empty() && d.Strings.empty());
  EXPECT_TRUE(IsValidSkinFile(Fixture("empty_chain.skn")));
}

TEST(SkinFile, Magic) {
  EXPECT_TRUE(IsValidSkinFile(Fixture("all42.skn")));
  EXPECT_FALSE(IsValidSkinFile(Fixture("lower_magic.skn")));
  EXPECT_FALSE(IsValidSkinFile(Fixture("magic_x.skn")));
  EXPECT_FALSE(IsValidSkinFile("/no/such/file.skn"));  // no such file
  EXPECT_TRUE(IsValidSkinFile(Fixture("hostile_16bytes.skn")));  // 16 bytes are all it reads
  EXPECT_FALSE(IsValidSkinFile(CORVANE_FIXTURES));  // a folder
  EXPECT_FALSE(IsValidSkinFile("/dev/null"));       // not a regular file
  for (const char* name : {"lower_magic.skn", "magic_x.skn"}) {
    try {
      Read(name);
      ADD_FAILURE() << name << " was read";
    } catch (const ESkinFileError& e) {
      EXPECT_STREQ(e.what(), "Invalid skin file for SkinPack!");
    }
  }
}

// Every hostile file is refused with the text, or read without leaving it (asan watches).
TEST(SkinFile, HostileFiles) {
  struct TCase {
    const char* Name;
    bool Refused;
  };
  const TCase cases[] = {
      {"hostile_header8.skn", true},      {"hostile_header_max.skn", false},
      {"hostile_16bytes.skn", true},      {"hostile_first_past_end.skn", true},
      {"hostile_cycle2.skn", true},       {"hostile_selfloop.skn", true},
      {"hostile_wrap32.skn", true},       {"hostile_int2.skn", true},
      {"hostile_bool0.skn", true},        {"hostile_truncated_bmp.skn", false},
      {"hostile_key_no_nul.skn", false},  {"hostile_kind9.skn", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> bytes = ReadFixture(c.Name);
    // An exact-size copy, so that a read past the end is caught.
    std::vector<uint8_t> exact(bytes.begin(), bytes.end());
    exact.shrink_to_fit();
    bool refused = false;
    try {
      TSkinFileData d = ReadSkinFile(exact.data(), exact.size());
      for (int item = 1; item <= kThemeItemCount; ++item) d.Integer(ThemeItemKey(item));
    } catch (const ESkinFileError& e) {
      refused = true;
      EXPECT_STREQ(e.what(), "Invalid skin file for SkinPack!");
    }
    EXPECT_EQ(refused, c.Refused);
  }
  EXPECT_EQ(Read("hostile_header_max.skn").Integer("FormMinWidthInt"), 7);
  EXPECT_EQ(Read("hostile_key_no_nul.skn").Integer(std::string(64, 'K')), 5);
  TSkinFileData kind9 = Read("hostile_kind9.skn");
  EXPECT_FALSE(kind9.Integer("FormMinWidthInt").has_value());  // passed over
  EXPECT_EQ(kind9.Integer("FormRoundCornerInt"), 4);
  EXPECT_THROW(ReadSkinFile(nullptr, 0), ESkinFileError);
}

TEST(SkinFile, ATruncatedPictureCountsAsMissing) {
  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("hostile_truncated_bmp.skn")));
  ASSERT_TRUE(theme.CanUse());
  TBitmap b(1, 1);
  EXPECT_FALSE(theme.GetImage(tiButtonImage, b));
  EXPECT_EQ(b.Width(), 1);
  // A control reading through the theme gets DeepBlue's button instead.
  TThemeSource source(&theme, FromThemeFile);
  TBitmap button = source.Image(tiButtonImage);
  EXPECT_EQ(button.Width(), 222);
  EXPECT_EQ(source.Int(tiFormMinWidthInt), 7);
}

TEST(SkinFile, MissingItemsReadAsDeepBlue) {
  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("no_border_color.skn")));
  ASSERT_TRUE(theme.CanUse());
  EXPECT_EQ(theme.GetColor(tiFormBorderColor), 0xFFFFFFFFu);  // the file's answer: -1
  TThemeSource source(&theme, FromThemeFile);
  EXPECT_TRUE(source.FromFile());
  EXPECT_EQ(source.Color(tiFormBorderColor), 0x000000u);  // DeepBlue's
  EXPECT_EQ(source.Color(tiFormBackgroundColor), TColor(ItemValue(15)) & 0xFFFFFF);

  TskFileTheme duplicates;
  duplicates.SetThemeFile(QString::fromStdString(Fixture("duplicates.skn")));
  TThemeSource few(&duplicates, FromThemeFile);
  EXPECT_EQ(few.Int(tiFormBorderWidthInt), 1);  // DeepBlue's
  EXPECT_EQ(few.Int(tiFormMinWidthInt), 111);
  EXPECT_EQ(few.Image(tiTitleBarButtonImage, 2, 18).Width(), 19);  // DeepBlue's frame
}

// --- SetThemeFile ---

namespace {

class TProgramDir {
 public:
  TProgramDir() {
    const char* old = std::getenv("CORVANE_PROGRAM_DIR");
    if (old) old_ = old, had_ = true;
    ::setenv("CORVANE_PROGRAM_DIR", dir_.path().toUtf8().constData(), 1);
    platform::ResetProgramDir();
  }
  ~TProgramDir() {
    if (had_) ::setenv("CORVANE_PROGRAM_DIR", old_.c_str(), 1);
    else ::unsetenv("CORVANE_PROGRAM_DIR");
    platform::ResetProgramDir();
  }
  std::string Path() const { return dir_.path().toStdString(); }
  void Put(const std::string& fixture) {
    std::filesystem::copy_file(Fixture(fixture), Path() + "/" + fixture);
  }

 private:
  QTemporaryDir dir_;
  std::string old_;
  bool had_ = false;
};

}  // namespace

TEST(SkinFile, SetThemeFileMissingEverywhereChangesNothing) {
  TProgramDir dir;
  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("all42.skn")));
  theme.SetThemeFile("/no/such/folder/nothing.skn");
  EXPECT_EQ(theme.ThemeFile().toStdString(), Fixture("all42.skn"));
  EXPECT_TRUE(theme.CanUse());
  EXPECT_EQ(theme.GetInt(tiFormMinWidthInt), ItemValue(13));

  TskFileTheme fresh;
  fresh.SetThemeFile("/no/such/folder/nothing.skn");
  EXPECT_TRUE(fresh.ThemeFile().isEmpty());
  EXPECT_FALSE(fresh.CanUse());
  fresh.SetThemeFile("/no/such/folder/");  // no name part to look for
  EXPECT_FALSE(fresh.CanUse());
}

TEST(SkinFile, SetThemeFileFindsTheNameInTheProgramDirectory) {
  TProgramDir dir;
  dir.Put("all42.skn");
  TskFileTheme theme;
  theme.SetThemeFile("C:\\Program Files\\Skins\\all42.skn");
  EXPECT_TRUE(theme.CanUse());
  EXPECT_EQ(theme.ThemeFile().toStdString(), dir.Path() + "/all42.skn");
}

TEST(SkinFile, SetThemeFileWithABadFileKeepsTheGoodTheme) {
  TskFileTheme theme;
  theme.SetThemeFile(QString::fromStdString(Fixture("all42.skn")));
  for (const char* bad : {"lower_magic.skn", "hostile_cycle2.skn", "hostile_16bytes.skn"}) {
    try {
      theme.SetThemeFile(QString::fromStdString(Fixture(bad)));
      ADD_FAILURE() << bad << " was taken";
    } catch (const ESkinFileError& e) {
      EXPECT_STREQ(e.what(), "Invalid skin file for SkinPack!");
    }
    EXPECT_EQ(theme.ThemeFile().toStdString(), Fixture("all42.skn"));
    EXPECT_EQ(theme.GetColor(tiFormBorderColor), 0x123456u);
  }
}
