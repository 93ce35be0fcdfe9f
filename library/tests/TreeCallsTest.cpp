// The program-tree calls' guards, as a client meets them through the loaded library. What the
// calls write is checked against the bytes the simulated card receives (SendTest).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PanelcastLib.h"

namespace {

using panelcast::test::TPanelcastLib;

const TLEDRect kRect = {0, 0, 64, 16};
const char kFont[] = "\xCB\xCE\xCC\xE5";  // 宋体
const TLEDSystemTime kNewYear2000 = {2000, 1, 6, 1, 0, 0, 0, 0};

std::string Movie(const char* name) { return std::string(MEDIA_FIXTURES) + "/" + name; }

class TreeCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    lib = TPanelcastLib::Load();
    ASSERT_TRUE(lib);
    image.Bits = pixels.data();
    image.Stride = 3 * 8;
    image.Width = 8;
    image.Height = 4;
  }

  // One of each item call on the current page, with good arguments; how many succeeded.
  int AddOneOfEach() {
    return lib->AddWindow(&image, 8, 4, &kRect, 1, 1, 1) +
           lib->AddText("12", &kRect, 1, 1, 0, kFont, 12, 0x0000FF) +
           lib->AddString("AB", &kRect, 1, 1, 0, 0, 0x0000FF) +
           lib->AddDateTime(&kRect, 1, kFont, 12, 0x0000FF, 3) +
           lib->AddCountUp(&kRect, 1, kFont, 12, 0x0000FF, 2, &kNewYear2000) +
           lib->AddCountDown(&kRect, 1, kFont, 12, 0x0000FF, 2, &kNewYear2000);
  }

  std::unique_ptr<TPanelcastLib> lib;
  std::vector<uint8_t> pixels = std::vector<uint8_t>(8 * 4 * 3, 0xFF);
  TLEDImage image{};
};

TEST_F(TreeCalls, NothingBeforeTheFirstRoot) {
  EXPECT_EQ(0, lib->AddLeaf(1000));
  EXPECT_EQ(0, AddOneOfEach());
  EXPECT_EQ(0, lib->AddMovie(Movie("video1.avi").c_str(), &kRect, 1));
}

TEST_F(TreeCalls, ItemsNeedAPage) {
  ASSERT_EQ(1, lib->MakeRoot(17, 3));
  EXPECT_EQ(0, AddOneOfEach());
  EXPECT_EQ(0, lib->AddMovie(Movie("video1.avi").c_str(), &kRect, 1));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  EXPECT_EQ(6, AddOneOfEach());
  EXPECT_EQ(1, lib->AddMovie(Movie("video1.avi").c_str(), &kRect, 1));
}

TEST_F(TreeCalls, RootKindsAndColourModes) {
  struct TCase {
    int32_t Kind, Mode, Result;
  };
  const TCase cases[] = {{17, 2, 1}, {18, 1, 1}, {17, 4, 1}, {16, 2, 0},
                         {19, 2, 0}, {17, 0, 0}, {17, 5, 0}};
  for (const TCase& c : cases)
    EXPECT_EQ(c.Result, lib->MakeRoot(c.Kind, c.Mode)) << c.Kind << " " << c.Mode;
}

TEST_F(TreeCalls, WindowGuards) {
  ASSERT_EQ(1, lib->MakeRoot(17, 2));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  struct TCase {
    int32_t Width, Height, Result;
  };
  const TCase sizes[] = {{8, 4, 1},  {1, 1, 1},  {0, 4, 0},     {8, 0, 0},
                         {-1, 4, 0}, {8, -4, 0}, {65536, 4, 0}, {8, 65536, 0},
                         {20, 9, 1}};  // larger than the image: the rest is black
  for (const TCase& c : sizes)
    EXPECT_EQ(c.Result, lib->AddWindow(&image, c.Width, c.Height, &kRect, 1, 1, 0))
        << c.Width << " x " << c.Height;

  EXPECT_EQ(0, lib->AddWindow(nullptr, 8, 4, &kRect, 1, 1, 0));
  EXPECT_EQ(0, lib->AddWindow(&image, 8, 4, nullptr, 1, 1, 0));
  TLEDImage noBits = image;
  noBits.Bits = nullptr;
  EXPECT_EQ(0, lib->AddWindow(&noBits, 8, 4, &kRect, 1, 1, 0));
  TLEDImage shortRows = image;
  shortRows.Stride = 3 * 8 - 1;
  EXPECT_EQ(0, lib->AddWindow(&shortRows, 8, 4, &kRect, 1, 1, 0));
  TLEDImage empty{};  // nothing to copy: a black picture
  EXPECT_EQ(1, lib->AddWindow(&empty, 8, 4, &kRect, 1, 1, 0));
  // A picture beyond the drawing layer's limits is refused, not half written.
  EXPECT_EQ(0, lib->AddWindow(&image, 65535, 65535, &kRect, 1, 1, 0));
}

TEST_F(TreeCalls, NullTextsAndRecordsAreRefused) {
  ASSERT_EQ(1, lib->MakeRoot(17, 3));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  EXPECT_EQ(0, lib->AddText(nullptr, &kRect, 1, 1, 0, kFont, 12, 0xFF));
  EXPECT_EQ(0, lib->AddText("1", nullptr, 1, 1, 0, kFont, 12, 0xFF));
  EXPECT_EQ(0, lib->AddText("1", &kRect, 1, 1, 0, nullptr, 12, 0xFF));
  EXPECT_EQ(0, lib->AddString(nullptr, &kRect, 1, 1, 0, 0, 0xFF));
  EXPECT_EQ(0, lib->AddString("1", nullptr, 1, 1, 0, 0, 0xFF));
  EXPECT_EQ(0, lib->AddDateTime(nullptr, 0, kFont, 12, 0xFF, 1));
  EXPECT_EQ(0, lib->AddDateTime(&kRect, 0, nullptr, 12, 0xFF, 1));
  EXPECT_EQ(0, lib->AddCountUp(nullptr, 0, kFont, 12, 0xFF, 0, &kNewYear2000));
  EXPECT_EQ(0, lib->AddCountUp(&kRect, 0, nullptr, 12, 0xFF, 0, &kNewYear2000));
  EXPECT_EQ(0, lib->AddCountUp(&kRect, 0, kFont, 12, 0xFF, 0, nullptr));
  EXPECT_EQ(0, lib->AddCountDown(&kRect, 0, kFont, 12, 0xFF, 0, nullptr));
  EXPECT_EQ(0, lib->AddMovie(nullptr, &kRect, 0));
  EXPECT_EQ(0, lib->AddMovie(Movie("video1.avi").c_str(), nullptr, 0));
  // Empty texts are texts.
  EXPECT_EQ(1, lib->AddString("", &kRect, 1, 1, 0, 0, 0xFF));
  EXPECT_EQ(1, lib->AddText("", &kRect, 1, 1, 0, kFont, 12, 0xFF));
}

TEST_F(TreeCalls, DateTimeFormatsOneToTen) {
  ASSERT_EQ(1, lib->MakeRoot(17, 1));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  for (int32_t format = -1; format <= 12; ++format)
    EXPECT_EQ(format >= 1 && format <= 10 ? 1 : 0,
              lib->AddDateTime(&kRect, 0, kFont, 12, 0xFF, format))
        << format;
}

TEST_F(TreeCalls, CountersTakeOnlyValidMoments) {
  ASSERT_EQ(1, lib->MakeRoot(17, 1));
  ASSERT_EQ(1, lib->AddLeaf(1000));
  struct TCase {
    TLEDSystemTime Time;
    int32_t Result;
  };
  const TCase cases[] = {
      {{2000, 1, 0, 1, 0, 0, 0, 0}, 1},
      {{2024, 2, 0, 29, 23, 59, 59, 999}, 1},
      {{1, 1, 0, 1, 0, 0, 0, 0}, 1},
      {{9999, 12, 0, 31, 0, 0, 0, 0}, 1},
      {{2023, 2, 0, 29, 0, 0, 0, 0}, 0},  // no 29 February
      {{2000, 13, 0, 1, 0, 0, 0, 0}, 0},
      {{2000, 0, 0, 1, 0, 0, 0, 0}, 0},
      {{2000, 1, 0, 0, 0, 0, 0, 0}, 0},
      {{0, 1, 0, 1, 0, 0, 0, 0}, 0},
      {{2000, 1, 0, 1, 24, 0, 0, 0}, 0},
      {{2000, 1, 0, 1, 0, 60, 0, 0}, 0},
      {{2000, 1, 0, 1, 0, 0, 60, 0}, 0},
      {{2000, 1, 0, 1, 0, 0, 0, 1000}, 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(c.Result, lib->AddCountUp(&kRect, 0, kFont, 12, 0xFF, 0, &c.Time)) << c.Time.wYear;
    EXPECT_EQ(c.Result, lib->AddCountDown(&kRect, 0, kFont, 12, 0xFF, 0, &c.Time)) << c.Time.wYear;
  }
}

TEST_F(TreeCalls, MoviesOnlyInFullColour) {
  const std::string movie = Movie("video1.avi");
  for (int32_t mode = 1; mode <= 4; ++mode) {
    ASSERT_EQ(1, lib->MakeRoot(17, mode));
    ASSERT_EQ(1, lib->AddLeaf(1000));
    EXPECT_EQ(mode >= 3 ? 1 : 0, lib->AddMovie(movie.c_str(), &kRect, 0)) << mode;
  }
  // Files that give no video write nothing.
  EXPECT_EQ(0, lib->AddMovie(Movie("audio_only.avi").c_str(), &kRect, 0));
  EXPECT_EQ(0, lib->AddMovie(Movie("truncated_header.avi").c_str(), &kRect, 0));
  EXPECT_EQ(0, lib->AddMovie("/nonexistent/movie.avi", &kRect, 0));
}

TEST_F(TreeCalls, PagesPerRootStopBeforeTheCountWraps) {
  ASSERT_EQ(1, lib->MakeRoot(17, 1));
  for (int i = 0; i < 65535; ++i) ASSERT_EQ(1, lib->AddLeaf(1));
  EXPECT_EQ(0, lib->AddLeaf(1));
  EXPECT_EQ(1, lib->AddString("A", &kRect, 1, 1, 0, 0, 0xFF));  // the last page still takes items
}

}  // namespace
